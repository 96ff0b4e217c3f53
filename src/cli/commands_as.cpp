// flarecast-cli as ...: the ActionScript 2 compiler on the command line.

#include <cctype>
#include <filesystem>
#include <ostream>

#include "ascompiler/class_sprites.h"
#include "ascompiler/compile_context.h"
#include "ascompiler/tree_dump.h"
#include "cli/command.h"
#include "cli/option_values.h"
#include "core/error.h"
#include "core/file_io.h"
#include "core/text.h"
#include "movie/flash_movie.h"
#include "swf/actions.h"

namespace fc::cli {
namespace {

int AsParse(const TArgs& args, std::ostream& out) {
  const std::filesystem::path file = args.At(0);
  std::string text = ReadFileText(file);
  TCompileContext context;
  for (const std::string& directory : args.All("--classpath")) context.SetClassPath(directory);
  for (const std::string& directory : args.All("-I")) context.AddIncludePath(directory);
  std::error_code ec;
  const std::filesystem::path identity = std::filesystem::weakly_canonical(file, ec);
  // Compile errors (EActionCompileError) reach the user with the compiler's own text.
  std::unique_ptr<TCompileUnit> unit = context.ParseUnit(std::move(text), ec ? file.string() : identity.string());
  out << DumpTree(unit->Root, context.StringTable);
  context.ForgetUnit(*unit);
  return 0;
}

// The statement that starts a class-only program: after the script (and so after the
// definitions of the classes it holds, and of those loaded before the frame) frame 1 calls
// CLASS.main(this) with the root timeline, as the open-source AS2 compilers do.
std::string MainCall(const std::string& class_name) {
  bool valid = !class_name.empty();
  for (const std::string& part : Split(class_name, '.')) {
    valid = valid && !part.empty() && !std::isdigit(static_cast<unsigned char>(part[0]));
    for (char c : part) valid = valid && (std::isalnum(static_cast<unsigned char>(c)) || c == '_');
  }
  if (!valid) throw UsageError("--main needs a class name, such as Main or app.Main");
  // On lines of their own: the script may end in a line comment. The import finds the class
  // (in the script or on the class path, an error naming it otherwise) and its short name
  // makes the call load it.
  const std::string short_name = Split(class_name, '.').back();
  return "\nimport " + class_name + ";\n" + short_name + ".main(this);\n";
}

int AsCompile(const TArgs& args, std::ostream& out) {
  const std::filesystem::path file = args.At(0);
  const std::optional<std::string> output = args.get("-o");
  if (!output) throw UsageError("as compile needs -o OUT.swf");
  const int version = IntValue(args, "--swf-version", 6, 10).value_or(8);
  const double fps = FrameRateValue(args, "--fps", 1, 120).value_or(12);
  // The stage size in twips must fit the SWF rectangle's 16-bit fields.
  const TFrameSize size = SizeValue(args, "--size", {1, 1}, {8191, 8191}).value_or(TFrameSize{550, 400});
  const int width = size.Width, height = size.Height;
  std::string text = ReadFileText(file);
  if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
  if (const std::optional<std::string> main_class = args.get("--main")) text += MainCall(*main_class);

  TFlashMovie movie(0, 0, width, height, static_cast<float>(fps), true);
  movie.SetVersion(static_cast<uint8_t>(version));
  TCompileContext& context = movie.CompileContext();
  for (const std::string& directory : args.All("--classpath")) context.SetClassPath(directory);
  for (const std::string& directory : args.All("-I")) context.AddIncludePath(directory);
  // Class set-up code runs before the frame script: each class sits in the init actions of
  // a sprite of its own, written in front of frame 1's DoAction.
  TClassSprites classes(context, [&movie] { return movie.TakeID(); });
  TFlashActionScript& frame = movie.FrameActions();
  if (!frame.Compile(text)) throw Error(movie.CompileMessages);
  for (auto& tag : classes.TakeTags()) movie.Add(std::move(tag));
  movie.ShowFrame();
  movie.BuildBody();
  movie.SaveToFile(*output);
  out << Format("%s: %zu classes, version %d, %zu bytes\n", output->c_str(), classes.Classes(), movie.Version(),
                static_cast<size_t>(movie.FileLength));
  return 0;
}

}  // namespace

void RegisterAsCommands(TCommandTable& table) {
  table.Add(TCommand{
      .Name = "as parse",
      .Args = "FILE.as",
      .Summary = "Parse an ActionScript 2 file and print its parse tree",
      .Details = "Prints one node per line, children indented. On a compile error prints the compiler's\n"
                 "message (for example \"Parse Error in line: 3 pos: 7\") and exits with 1.\n"
                 "#include files are searched in the -I folders and in the class-path folders that\n"
                 "hold classes, never in the script's own folder.",
      .Options = {{.Name = "-I", .ValueName = "DIR", .Help = "Folder searched for #include files", .Repeatable = true},
                  {.Name = "--classpath", .ValueName = "DIR", .Help = "Folder of AS2 class files (scanned recursively)",
                   .Repeatable = true}},
      .MinPositional = 1,
      .MaxPositional = 1,
      .Run = AsParse,
  });
  table.Add(TCommand{
      .Name = "as compile",
      .Args = "FILE.as",
      .Summary = "Compile an ActionScript 2 file into frame 1 of a new SWF movie",
      .Details = "The script becomes the frame actions of a one-frame movie. AS2 classes it uses are\n"
                 "loaded from the --classpath folders and compiled once each, every class into the\n"
                 "init actions of a sprite of its own, written before the frame; their set-up code\n"
                 "runs before the script. On a compile error prints the compiler's message and exits with 1.\n"
                 "--main CLASS (a dotted name such as Main or app.Main) makes a class-only program run:\n"
                 "after the script and the classes are defined, frame 1 calls CLASS.main(this), passing\n"
                 "the root timeline. The class may be in the script itself or in a --classpath folder.",
      .Options = {{.Name = "-o", .ValueName = "OUT.swf", .Help = "The movie to write"},
                  {.Name = "--swf-version", .ValueName = "N", .Help = "SWF version, 6 to 10 (default 8)"},
                  {.Name = "--fps", .ValueName = "RATE", .Help = "Frame rate, 1 to 120, such as 12 or 29.97 (default 12)"},
                  {.Name = "--size", .ValueName = "WxH", .Help = "Stage size in pixels, 1x1 to 8191x8191 (default 550x400)"},
                  {.Name = "-I", .ValueName = "DIR", .Help = "Folder searched for #include files", .Repeatable = true},
                  {.Name = "--classpath", .ValueName = "DIR", .Help = "Folder of AS2 class files (scanned recursively)",
                   .Repeatable = true},
                  {.Name = "--main", .ValueName = "CLASS", .Help = "Class whose static main(this) frame 1 calls"}},
      .MinPositional = 1,
      .MaxPositional = 1,
      .Run = AsCompile,
  });
}

}  // namespace fc::cli
