// Lexes and parses arbitrary bytes as an ActionScript 2 script, with #include files read
// from memory ("self.as" is the script itself, "half.as" its second half), then dumps the
// tree. Every failure must be a clean EActionCompileError; nesting is bounded.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "ascompiler/compile_context.h"
#include "ascompiler/errors.h"
#include "ascompiler/tree_dump.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  fc::TCompileContext context;
  // A first byte with its top bit set switches on the Flash 4 slash paths.
  if (size > 0 && (data[0] & 0x80)) context.Options |= fc::kOptionSwf4;
  context.SetIncludeOpener([&text](const std::string& name) -> fc::IncludeFile {
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
    // the expected way for bad input to end
  }
  return 0;
}
