#pragma once
// The command table of flarecast-cli. Each subsystem adds its commands in its own
// commands_*.cpp file through a Register...Commands function listed in commands.cpp.
//
// A command is named by one or more words ("config get", "swf dump"). Its handler gets the
// parsed arguments and returns the exit code; it reports failures by throwing fc::Error
// (printed to stderr as "flarecast-cli: message", exit code 1) or by returning non-zero.

#include <functional>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace fc::cli {

// Declared options of a command: "--name" flags and "--name VALUE" options; options may repeat.
struct TOptionSpec {
  std::string Name;          // "--default", "-I"
  std::string ValueName;    // empty for a flag
  std::string Help;
  bool Repeatable = false;
  std::string Alias;         // a second name of the same option ("--rate" for "--sample-rate")
};

class TArgs {
public:
  const std::vector<std::string>& Positional() const { return positional_; }
  const std::string& At(size_t i) const { return positional_.at(i); }
  bool Has(const std::string& option) const { return values_.count(option) > 0; }
  std::optional<std::string> get(const std::string& option) const;
  std::vector<std::string> All(const std::string& option) const;

  // Parses argv against the declared options; throws UsageError on unknown options or missing values.
  static TArgs Parse(const std::vector<std::string>& argv, const std::vector<TOptionSpec>& options);

private:
  std::vector<std::string> positional_;
  std::multimap<std::string, std::string> values_;
};

// Wrong use of the command line: printed with the command's usage line, exit code 2.
// An error whose text is complete as it stands (compiler diagnostics, each line beginning
// with the file name): printed without the program's name in front.
struct ReportedError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct TCommand {
  std::string Name;     // "config get"
  std::string Args;     // "SECTION KEY"
  std::string Summary;  // one line for the command list
  std::string Details;  // further lines for "--help"
  std::vector<TOptionSpec> Options;
  size_t MinPositional = 0;
  size_t MaxPositional = 0;
  std::function<int(const TArgs&, std::ostream& out)> Run;
};

class TCommandTable {
public:
  void Add(TCommand command);
  const std::vector<TCommand>& Commands() const { return commands_; }

private:
  std::vector<TCommand> commands_;
};

// Each subsystem's registration function, defined in its commands_*.cpp.
void RegisterConfigCommands(TCommandTable& table);
void RegisterLanguageCommands(TCommandTable& table);
void RegisterSwfCommands(TCommandTable& table);
void RegisterReaderCommands(TCommandTable& table);
void RegisterEngineCommands(TCommandTable& table);
void RegisterAsCommands(TCommandTable& table);
void RegisterTemplateCommands(TCommandTable& table);
void RegisterMovieCommands(TCommandTable& table);
void RegisterSwfShapesCommands(TCommandTable& table);
void RegisterSwfTextCommands(TCommandTable& table);
void RegisterSwfSoundCommands(TCommandTable& table);
void RegisterSwfVideoCommands(TCommandTable& table);
void RegisterSwfPictureCommands(TCommandTable& table);
void RegisterProfileCommands(TCommandTable& table);
void RegisterConvertCommands(TCommandTable& table);
void RegisterFlashCommands(TCommandTable& table);
void RegisterServeCommands(TCommandTable& table);

// Builds the whole table (commands.cpp).
TCommandTable BuildCommandTable();

// Entry point shared by main() and the tests.
int RunCli(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err);

}  // namespace fc::cli
