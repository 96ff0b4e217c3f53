// Parsing speed of the ActionScript compiler's front end (lexer, parser, tree building) on a
// generated program of 100,000 lines. Goal: at least 1,000,000 lines per second.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "ascompiler/arena.h"
#include "ascompiler/compile_context.h"

namespace {

// Ten lines of everyday script per block: a function with a loop and a branch, calls,
// member access, strings and a comment.
std::string GenerateProgram(int lines) {
  std::string text;
  for (int block = 0; block * 10 < lines; ++block) {
    const std::string n = std::to_string(block);
    text += "function f" + n + "(a, b:Number):Number {\n";
    text += "  var s = 0, t:String = \"block " + n + "\";\n";
    text += "  for (var i = 0; i < a; i++) {\n";
    text += "    if (i % 2 == 0) s += i * b; else s -= obj.list[i].value;\n";
    text += "  }\n";
    text += "  return s;\n";
    text += "}\n";
    text += "x" + n + " = f" + n + "(10, 3) + _root.clip._x * 0.5;\n";
    text += "trace(\"value: \" + x" + n + ");  // show it\n";
    text += "on" + n + " = function () { gotoAndPlay(2); };\n";
  }
  return text;
}

void BM_ParseProgram(benchmark::State& state) {
  const int lines = static_cast<int>(state.range(0));
  const std::string program = GenerateProgram(lines);
  // Like a program that parses script after script, the benchmark keeps one block cache for
  // all of them.
  const auto cache = std::make_shared<fc::TArenaBlockCache>();
  for (auto _ : state) {
    fc::TCompileContext context;
    context.BlockCache = cache;
    auto unit = context.ParseUnit(program);
    benchmark::DoNotOptimize(unit->Root);
    context.ForgetUnit(*unit);
  }
  state.counters["lines/s"] = benchmark::Counter(static_cast<double>(lines) * state.iterations(),
                                                 benchmark::Counter::kIsRate);
  state.SetBytesProcessed(static_cast<int64_t>(program.size()) * state.iterations());
}
BENCHMARK(BM_ParseProgram)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

}  // namespace
