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
struct OptionSpec {
  std::string name;          // "--default", "-I"
  std::string value_name;    // empty for a flag
  std::string help;
  bool repeatable = false;
  std::string alias;         // a second name of the same option ("--rate" for "--sample-rate")
};

class Args {
public:
  const std::vector<std::string>& positional() const { return positional_; }
  const std::string& at(size_t i) const { return positional_.at(i); }
  bool has(const std::string& option) const { return values_.count(option) > 0; }
  std::optional<std::string> get(const std::string& option) const;
  std::vector<std::string> all(const std::string& option) const;

  // Parses argv against the declared options; throws UsageError on unknown options or missing values.
  static Args Parse(const std::vector<std::string>& argv, const std::vector<OptionSpec>& options);

private:
  std::vector<std::string> positional_;
  std::multimap<std::string, std::string> values_;
};

// Wrong use of the command line: printed with the command's usage line, exit code 2.
struct UsageError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct Command {
  std::string name;     // "config get"
  std::string args;     // "SECTION KEY"
  std::string summary;  // one line for the command list
  std::string details;  // further lines for "--help"
  std::vector<OptionSpec> options;
  size_t min_positional = 0;
  size_t max_positional = 0;
  std::function<int(const Args&, std::ostream& out)> run;
};

class CommandTable {
public:
  void Add(Command command);
  const std::vector<Command>& commands() const { return commands_; }

private:
  std::vector<Command> commands_;
};

// Each subsystem's registration function, defined in its commands_*.cpp.
void RegisterConfigCommands(CommandTable& table);
void RegisterLanguageCommands(CommandTable& table);
void RegisterSwfCommands(CommandTable& table);
void RegisterReaderCommands(CommandTable& table);
void RegisterEngineCommands(CommandTable& table);
void RegisterAsCommands(CommandTable& table);
void RegisterMovieCommands(CommandTable& table);
void RegisterProfileCommands(CommandTable& table);
void RegisterConvertCommands(CommandTable& table);

// Builds the whole table (commands.cpp).
CommandTable BuildCommandTable();

// Entry point shared by main() and the tests.
int RunCli(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err);

}  // namespace fc::cli
