// flarecast-cli as ...: the ActionScript 2 compiler on the command line.

#include <filesystem>
#include <ostream>

#include "ascompiler/compile_context.h"
#include "ascompiler/tree_dump.h"
#include "cli/command.h"
#include "core/file_io.h"

namespace fc::cli {
namespace {

int AsParse(const Args& args, std::ostream& out) {
  const std::filesystem::path file = args.at(0);
  std::string text = ReadFileText(file);
  TCompileContext context;
  for (const std::string& directory : args.all("--classpath")) context.SetClassPath(directory);
  for (const std::string& directory : args.all("-I")) context.AddIncludePath(directory);
  std::error_code ec;
  const std::filesystem::path identity = std::filesystem::weakly_canonical(file, ec);
  // Compile errors (EActionCompileError) reach the user with the compiler's own text.
  std::unique_ptr<TCompileUnit> unit = context.ParseUnit(std::move(text), ec ? file.string() : identity.string());
  out << DumpTree(unit->Root, context.StringTable);
  context.ForgetUnit(*unit);
  return 0;
}

}  // namespace

void RegisterAsCommands(CommandTable& table) {
  table.Add(Command{
      .name = "as parse",
      .args = "FILE.as",
      .summary = "Parse an ActionScript 2 file and print its parse tree",
      .details = "Prints one node per line, children indented. On a compile error prints the compiler's\n"
                 "message (for example \"Parse Error in line: 3 pos: 7\") and exits with 1.\n"
                 "#include files are searched in the -I folders and in the class-path folders that\n"
                 "hold classes, never in the script's own folder.",
      .options = {{.name = "-I", .value_name = "DIR", .help = "Folder searched for #include files", .repeatable = true},
                  {.name = "--classpath", .value_name = "DIR", .help = "Folder of AS2 class files (scanned recursively)",
                   .repeatable = true}},
      .min_positional = 1,
      .max_positional = 1,
      .run = AsParse,
  });
}

}  // namespace fc::cli
