// Lexes and parses arbitrary bytes as an ActionScript 2 script, with #include files read
// from memory ("self.as" is the script itself, "half.as" its second half), then dumps the
// tree; what parses is then compiled (classes into lists of their own) and the actions are
// written. Every failure must be a clean EActionCompileError; nesting is bounded.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "ascompiler/compile_context.h"
#include "ascompiler/errors.h"
#include "ascompiler/tree_dump.h"
#include "swf/actions.h"
#include "swf/bits_engine.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  fc::TCompileContext context;
  // A first byte with its top bit set switches on the Flash 4 slash paths.
  if (size > 0 && (data[0] & 0x80)) context.Options |= fc::kOptionSwf4;
  context.SetIncludeOpener([&text](const std::string& name) -> fc::TIncludeFile {
    if (name == "self.as") return {text, "main"};
    if (name == "half.as") return {text.substr(text.size() / 2), "half"};
    throw fc::EActionCompileError("Include file \"" + name + "\" not found.");
  });
  try {
    std::unique_ptr<fc::TCompileUnit> unit = context.ParseUnit(text, "main");
    if (!unit->Root) std::abort();  // a successful parse always has a root
    (void)fc::DumpTree(unit->Root, context.StringTable);
    context.ForgetUnit(*unit);
  } catch (const fc::EActionCompileError&) {
    return 0;  // the expected way for bad input to end
  }
  // Code generation and writing: a fresh context, as a movie would hold.
  fc::TCompileContext compiler;
  compiler.Options = context.Options;
  compiler.SetIncludeOpener([&text](const std::string& name) -> fc::TIncludeFile {
    if (name == "self.as") return {text, "main"};
    if (name == "half.as") return {text.substr(text.size() / 2), "half"};
    throw fc::EActionCompileError("Include file \"" + name + "\" not found.");
  });
  std::vector<std::unique_ptr<fc::TSWFActionList>> classes;
  compiler.OnClassScript = [&classes](fc::TClassInfo&) -> fc::TSWFActionList& {
    return *classes.emplace_back(std::make_unique<fc::TSWFActionList>());
  };
  fc::TSWFActionList script;
  try {
    compiler.CompileFrameScript(text, script);
    std::vector<uint8_t> bytes;
    fc::TBitsEngine be(&bytes);
    fc::WriteActionList(be, script);  // checked by the compiler: must not throw
  } catch (const fc::EActionCompileError&) {
  }
  return 0;
}
