// flarecast-cli as ...: the ActionScript 2 compiler on the command line.

#include <cctype>
#include <filesystem>
#include <ostream>

#include "ascompiler/class_sprites.h"
#include "ascompiler/compile_context.h"
#include "ascompiler/tree_dump.h"
#include "cli/command.h"
#include "cli/frame_script.h"
#include "cli/option_values.h"
#include "core/error.h"
#include "core/file_io.h"
#include "core/text.h"
#include "movie/flash_movie.h"
#include "swf/actions.h"

namespace fc::cli {
namespace {

// The line `number` (from 1) of a text, without its line end.
std::string SourceLine(const std::string& text, int number) {
  size_t start = 0;
  for (int line = 1; line < number; ++line) {
    start = text.find('\n', start);
    if (start == std::string::npos) return {};
    ++start;
  }
  size_t end = text.find('\n', start);
  if (end == std::string::npos) end = text.size();
  std::string line = text.substr(start, end - start);
  if (!line.empty() && line.back() == '\r') line.pop_back();
  return line;
}

// Each error as "FILE:LINE:COLUMN: error: MESSAGE", then the source line and a caret under
// the column. A diagnostic without a file lies in `main_file`, whose text is `main_text`;
// include files are found as the compiler found them, class files by their path.
std::string FormatDiagnostics(const std::vector<TCompileDiagnostic>& diagnostics, const std::string& main_file,
                              const std::string& main_text, const TCompileContext& context) {
  std::string out;
  for (const TCompileDiagnostic& d : diagnostics) {
    const std::string file = d.File.empty() ? main_file : d.File;
    out += Format("%s:%d:%d: error: %s\n", file.c_str(), d.Line, d.Column, d.Message.c_str());
    std::string text;
    if (d.File.empty()) {
      text = main_text;
    } else {
      try {
        text = std::filesystem::is_regular_file(d.File) ? ReadFileText(d.File) : context.OpenInclude(d.File).Text;
      } catch (const std::exception&) {
        continue;  // the file is gone: the message alone
      }
    }
    const std::string line = SourceLine(text, d.Line);
    if (line.empty() || d.Column < 1) continue;
    std::string caret;
    for (size_t i = 0; i + 1 < static_cast<size_t>(d.Column) && i < line.size(); ++i) caret += line[i] == '\t' ? '\t' : ' ';
    out += "  " + line + "\n  " + caret + "^\n";
  }
  return out;
}

// Compile errors reach the user with their places when the compiler knows them, else with
// the compiler's own text.
[[noreturn]] void ThrowCompileError(const std::string& message, const std::vector<TCompileDiagnostic>& diagnostics,
                                    const std::string& file, const std::string& text, const TCompileContext& context) {
  if (diagnostics.empty()) throw Error(message);
  throw ReportedError(FormatDiagnostics(diagnostics, file, text, context));
}

int AsParse(const TArgs& args, std::ostream& out) {
  const std::filesystem::path file = args.At(0);
  std::string text = ReadFileText(file);
  TCompileContext context;
  for (const std::string& directory : args.All("--classpath")) context.SetClassPath(directory);
  for (const std::string& directory : args.All("-I")) context.AddIncludePath(directory);
  std::error_code ec;
  const std::filesystem::path identity = std::filesystem::weakly_canonical(file, ec);
  std::unique_ptr<TCompileUnit> unit;
  try {
    unit = context.ParseUnit(text, ec ? file.string() : identity.string());
  } catch (const EActionCompileError& e) {
    // The main text's positions name its canonical path: show the path as given.
    std::vector<TCompileDiagnostic> diagnostics = e.Diagnostics();
    for (TCompileDiagnostic& d : diagnostics)
      if (!ec && d.File == identity.string()) d.File.clear();
    ThrowCompileError(e.what(), diagnostics, file.string(), text, context);
  }
  out << DumpTree(unit->Root, context.StringTable);
  context.ForgetUnit(*unit);
  return 0;
}

// The statement that starts a class-only program: after the script (and so after the
// definitions of the classes it holds, and of those loaded before the frame) frame 1 calls
// CLASS.main(this) with the root timeline, as the open-source AS2 compilers do.
std::string MainCall(const std::string& class_name) {
  bool valid = !class_name.empty();
  for (const std::string& part : Split(class_name, '.')) valid = valid && IsScriptIdentifier(part);
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
  const int version = IntValue(args, "--swf-version", kMinSwfVersion, kMaxSwfVersion).value_or(8);
  const double fps = FrameRateValue(args, "--fps", 1, 120).value_or(12);
  // The stage size in twips must fit the SWF rectangle's 16-bit fields.
  const TFrameSize size = SizeValue(args, "--size", {1, 1}, {8191, 8191}).value_or(TFrameSize{550, 400});
  const int width = size.Width, height = size.Height;
  std::string text = ReadFileText(file);
  if (const std::optional<std::string> main_class = args.get("--main")) text += MainCall(*main_class);

  TFlashMovie movie(0, 0, width, height, static_cast<float>(fps), true);
  movie.SetVersion(static_cast<uint8_t>(version));
  const size_t classes = CompileFrameScript(movie, args, file, text);
  movie.ShowFrame();
  movie.BuildBody();
  movie.SaveToFile(*output);
  out << Format("%s: %zu classes, version %d, %zu bytes\n", output->c_str(), classes, movie.Version(),
                static_cast<size_t>(movie.FileLength));
  return 0;
}

}  // namespace

std::vector<TOptionSpec> WithScriptFolderOptions(std::vector<TOptionSpec> options) {
  options.push_back({.Name = "-I", .ValueName = "DIR", .Help = "Folder searched for #include files", .Repeatable = true});
  options.push_back({.Name = "--classpath", .ValueName = "DIR", .Help = "Folder of AS2 class files (scanned recursively)",
                     .Repeatable = true});
  return options;
}

bool IsScriptIdentifier(std::string_view name) {
  if (name.empty() || std::isdigit(static_cast<unsigned char>(name[0]))) return false;
  for (char c : name)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '$') return false;
  return true;
}

size_t CompileFrameScript(TFlashMovie& movie, const TArgs& args, const std::filesystem::path& file,
                          const std::string& text) {
  TCompileContext& context = movie.CompileContext();
  for (const std::string& directory : args.All("--classpath")) context.SetClassPath(directory);
  for (const std::string& directory : args.All("-I")) context.AddIncludePath(directory);
  // Class set-up code runs before the frame script: each class sits in the init actions of
  // a sprite of its own, written in front of the frame's DoAction.
  TClassSprites classes(context, [&movie] { return movie.TakeID(); });
  TFlashActionScript& frame = movie.FrameActions();
  if (!frame.Compile(text)) ThrowCompileError(movie.CompileMessages, movie.CompileDiagnostics, file.string(), text, context);
  for (auto& tag : classes.TakeTags()) movie.Add(std::move(tag));
  return classes.Classes();
}

void RegisterAsCommands(TCommandTable& table) {
  table.Add(TCommand{
      .Name = "as parse",
      .Args = "FILE.as",
      .Summary = "Parse an ActionScript 2 file and print its parse tree",
      .Details = "Prints one node per line, children indented. On errors prints each (up to 20) as\n"
                 "FILE:LINE:COLUMN: error: MESSAGE with the source line and a caret, and exits with 1.\n"
                 "#include files are searched in the -I folders and in the class-path folders that\n"
                 "hold classes, never in the script's own folder.",
      .Options = WithScriptFolderOptions({}),
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
                 "runs before the script.\n"
                 "\n"
                 "--main CLASS (a dotted name such as Main or app.Main) makes a class-only program run:\n"
                 "after the script and the classes are defined, frame 1 calls CLASS.main(this), passing\n"
                 "the root timeline. The class may be in the script itself or in a --classpath folder.\n"
                 "\n"
                 "On compile errors prints each (up to 20) as FILE:LINE:COLUMN: error: MESSAGE with the\n"
                 "source line and a caret under the column, and exits with 1.\n"
                 "\n"
                 "--swf-version picks the player the code is made for:\n"
                 "  7 to 10    functions as DefineFunction2 with locals in registers; try/catch/finally,\n"
                 "             throw, casts, extends and implements with the player's own actions.\n"
                 "  11 to 255  the same code: versions later authoring tools stamp on movies that keep\n"
                 "             ActionScript 1 and 2 (the movie is written without the ActionScript 3 flag).\n"
                 "  5 and 6    functions as DefineFunction (locals, this, arguments and super are\n"
                 "             variables); extends sets the prototype chain by script (__proto__ and\n"
                 "             __constructor__), a cast is its argument, implements is for the compiler\n"
                 "             only; try/catch/finally and throw are errors. Version 5 also lacks ===, !==,\n"
                 "             instanceof and classes (no _global to keep them in), and for-in takes a\n"
                 "             variable name.\n"
                 "  4          the SWF 4 actions: values pushed as text, no constant pool, + is numeric\n"
                 "             (add joins strings), % emulated, slash paths (/:x, clip:_x), gotoAndPlay\n"
                 "             with a fixed frame; functions, objects, arrays, new, with, for-in, switch,\n"
                 "             typeof, delete, bit operators and assignments used as values are errors;\n"
                 "             a:b is a slash path, so type annotations are not available.\n"
                 "The player follows the version too: before 7 names are case-insensitive and\n"
                 "undefined converts to \"\" and 0; from 7 names are case-sensitive and undefined\n"
                 "converts to \"undefined\" and NaN.",
      .Options = WithScriptFolderOptions(
                 {{.Name = "-o", .ValueName = "OUT.swf", .Help = "The movie to write"},
                  {.Name = "--swf-version", .ValueName = "N", .Help = "SWF version, 4 to 255 (default 8); see above"},
                  {.Name = "--fps", .ValueName = "RATE", .Help = "Frame rate, 1 to 120, such as 12 or 29.97 (default 12)"},
                  {.Name = "--size", .ValueName = "WxH", .Help = "Stage size in pixels, 1x1 to 8191x8191 (default 550x400)"},
                  {.Name = "--main", .ValueName = "CLASS", .Help = "Class whose static main(this) frame 1 calls"}}),
      .MinPositional = 1,
      .MaxPositional = 1,
      .Run = AsCompile,
  });
}

}  // namespace fc::cli
