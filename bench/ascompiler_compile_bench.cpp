// Compile speed of the whole ActionScript path: a generated program of 10,000 lines parsed,
// compiled into frame 1 of a movie and written as SWF bytes. Goal: at least 500,000 lines per
// second.
#include <benchmark/benchmark.h>

#include <chrono>
#include <memory>
#include <optional>
#include <string>

#include "ascompiler/arena.h"
#include "ascompiler/class_sprites.h"
#include "ascompiler/compile_context.h"
#include "movie/flash_movie.h"

namespace {

// Two classes, then blocks of twenty lines of everyday script: functions with locals, loops
// with break and continue, a switch, string and number expressions, member access, an object
// and an array literal, a closure and a try block.
std::string GenerateProgram(int lines) {
  std::string text =
      "class Point { var x = 0; var y = 0;\n"
      "  function Point(px, py) { x = px; y = py; }\n"
      "  function length() { return Math.sqrt(x * x + y * y); }\n"
      "  function get sum() { return x + y; } }\n"
      "class Point3 extends Point { var z;\n"
      "  function Point3(px, py, pz) { super(px, py); z = pz; }\n"
      "  function length() { return Math.sqrt(x * x + y * y + z * z); } }\n";
  int count = 7;
  for (int block = 0; count < lines; ++block, count += 20) {
    const std::string n = std::to_string(block);
    text += "function f" + n + "(a, b:Number):Number {\n";
    text += "  var s = 0, t:String = \"block " + n + "\";\n";
    text += "  for (var i = 0; i < a; i++) {\n";
    text += "    if (i % 3 == 0) continue;\n";
    text += "    if (i > 100) break;\n";
    text += "    s += i * b - (a / 2);\n";
    text += "  }\n";
    text += "  switch (s & 3) { case 0: s++; break; case 1: s--; break; default: s = -s; }\n";
    text += "  while (s > 1000) { s = s >> 1; }\n";
    text += "  return s;\n";
    text += "}\n";
    text += "var p" + n + " = new Point3(" + n + ", 2, 3);\n";
    text += "x" + n + " = f" + n + "(10, 3) + _root.clip._x * 0.5 + p" + n + ".length();\n";
    text += "var o" + n + " = { name: \"o" + n + "\", list: [1, 2, x" + n + "], ok: true };\n";
    text += "o" + n + ".list[1] += o" + n + ".name.length;\n";
    text += "var c" + n + " = function (k) { return k + x" + n + "; };\n";
    text += "try { trace(\"value: \" + c" + n + "(1)); } catch (e) { trace(e); }\n";
    text += "if (x" + n + " != undefined && !(x" + n + " < 0)) { gotoAndPlay(2); } else { stop(); }\n";
    text += "do { x" + n + "--; } while (x" + n + " > 50);\n";
    text += "// the end of block " + n + "\n";
  }
  return text;
}

void BM_CompileProgram(benchmark::State& state) {
  const int lines = static_cast<int>(state.range(0));
  const std::string program = GenerateProgram(lines);
  size_t bytes = 0;
  // Like a program that makes movie after movie, the benchmark keeps one block cache for all
  // of their compilations.
  const auto cache = std::make_shared<fc::TArenaBlockCache>();
  for (auto _ : state) {
    fc::TFlashMovie movie(0, 0, 550, 400, 12.0f, true);
    movie.SetVersion(8);
    movie.CompileContext().BlockCache = cache;
    fc::TClassSprites classes(movie.CompileContext(), [&movie] { return movie.TakeID(); });
    if (!movie.FrameActions().Compile(program)) {
      state.SkipWithError(movie.CompileMessages.c_str());
      break;
    }
    for (auto& tag : classes.TakeTags()) movie.Add(std::move(tag));
    movie.ShowFrame();
    movie.BuildBody();
    bytes = movie.SaveToBytes().size();
    benchmark::DoNotOptimize(bytes);
  }
  state.counters["lines/s"] = benchmark::Counter(static_cast<double>(lines) * state.iterations(),
                                                 benchmark::Counter::kIsRate);
  state.counters["swf bytes"] = static_cast<double>(bytes);
  state.SetBytesProcessed(static_cast<int64_t>(program.size()) * state.iterations());
}
BENCHMARK(BM_CompileProgram)->Arg(10000)->Unit(benchmark::kMillisecond);

// The same work split into its phases, each reported as milliseconds per program: compiling
// (parse, code generation, post-pass and the size check), saving, and freeing the movie.
void BM_CompilePhases(benchmark::State& state) {
  const std::string program = GenerateProgram(static_cast<int>(state.range(0)));
  using Clock = std::chrono::steady_clock;
  Clock::duration compile{}, save{}, destroy{};
  const auto cache = std::make_shared<fc::TArenaBlockCache>();
  for (auto _ : state) {
    std::optional<fc::TFlashMovie> movie(std::in_place, 0, 0, 550, 400, 12.0f, true);
    movie->SetVersion(8);
    movie->CompileContext().BlockCache = cache;
    auto t0 = Clock::now();
    {
      fc::TClassSprites classes(movie->CompileContext(), [&movie] { return movie->TakeID(); });
      if (!movie->FrameActions().Compile(program)) {
        state.SkipWithError(movie->CompileMessages.c_str());
        break;
      }
      for (auto& tag : classes.TakeTags()) movie->Add(std::move(tag));
    }
    auto t1 = Clock::now();
    movie->ShowFrame();
    movie->BuildBody();
    benchmark::DoNotOptimize(movie->SaveToBytes().size());
    auto t2 = Clock::now();
    movie.reset();
    auto t3 = Clock::now();
    compile += t1 - t0;
    save += t2 - t1;
    destroy += t3 - t2;
  }
  const auto per_program = [&](Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count() / static_cast<double>(state.iterations());
  };
  state.counters["compile ms"] = per_program(compile);
  state.counters["save ms"] = per_program(save);
  state.counters["free ms"] = per_program(destroy);
}
BENCHMARK(BM_CompilePhases)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace
