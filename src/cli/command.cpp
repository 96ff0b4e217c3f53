#include "cli/command.h"

#include <algorithm>
#include <sstream>

#include "core/application.h"
#include "core/error.h"
#include "core/text.h"

namespace fc::cli {

std::optional<std::string> TArgs::get(const std::string& option) const {
  const auto it = values_.find(option);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

std::vector<std::string> TArgs::All(const std::string& option) const {
  std::vector<std::string> out;
  const auto [b, e] = values_.equal_range(option);
  for (auto it = b; it != e; ++it) out.push_back(it->second);
  return out;
}

TArgs TArgs::Parse(const std::vector<std::string>& argv, const std::vector<TOptionSpec>& options) {
  TArgs args;
  bool options_done = false;
  for (size_t i = 0; i < argv.size(); ++i) {
    const std::string& a = argv[i];
    if (options_done || a.size() < 2 || a[0] != '-') {
      args.positional_.push_back(a);
      continue;
    }
    if (a == "--") {
      options_done = true;
      continue;
    }
    // "--name=value" and "-IDIR" forms besides "--name value".
    std::string name = a, inline_value;
    bool has_inline = false;
    if (const size_t eq = a.find('='); a.starts_with("--") && eq != std::string::npos) {
      name = a.substr(0, eq);
      inline_value = a.substr(eq + 1);
      has_inline = true;
    }
    auto option = std::find_if(options.begin(), options.end(),
                               [&](const TOptionSpec& s) { return s.Name == name || (!s.Alias.empty() && s.Alias == name); });
    if (option == options.end() && !a.starts_with("--") && a.size() > 2) {
      option = std::find_if(options.begin(), options.end(), [&](const TOptionSpec& s) { return s.Name == a.substr(0, 2); });
      if (option != options.end() && !option->ValueName.empty()) {
        name = option->Name;
        inline_value = a.substr(2);
        has_inline = true;
      } else {
        option = options.end();
      }
    }
    if (option == options.end()) throw UsageError("unknown option " + a);
    name = option->Name;  // an alias is stored under the option's own name
    if (option->ValueName.empty()) {
      if (has_inline) throw UsageError("option " + name + " takes no value");
      args.values_.emplace(name, "");
    } else if (has_inline) {
      args.values_.emplace(name, inline_value);
    } else {
      if (i + 1 >= argv.size()) throw UsageError("option " + name + " needs a value " + option->ValueName);
      args.values_.emplace(name, argv[++i]);
    }
    if (!option->Repeatable && args.values_.count(name) > 1) throw UsageError("option " + name + " given twice");
  }
  return args;
}

void TCommandTable::Add(TCommand command) { commands_.push_back(std::move(command)); }

namespace {

constexpr const char* kProgram = "flarecast-cli";

void PrintCommandHelp(const TCommand& c, std::ostream& out) {
  out << "Usage: " << kProgram << " " << c.Name;
  if (!c.Options.empty()) out << " [options]";
  if (!c.Args.empty()) out << " " << c.Args;
  out << "\n\n" << c.Summary << "\n";
  if (!c.Details.empty()) out << "\n" << c.Details << "\n";
  if (!c.Options.empty()) {
    out << "\nOptions:\n";
    for (const TOptionSpec& o : c.Options) {
      std::string left = "  " + o.Name + (o.Alias.empty() ? "" : ", " + o.Alias) +
                         (o.ValueName.empty() ? "" : " " + o.ValueName);
      if (left.size() < 24) left.resize(24, ' ');
      else left += "  ";
      out << left << o.Help << (o.Repeatable ? " (may repeat)" : "") << "\n";
    }
  }
}

void PrintOverview(const TCommandTable& table, std::ostream& out) {
  out << "Usage: " << kProgram << " [--ini FILE] COMMAND [ARGS...]\n\n"
      << "Flarecast Pro " << TApplicationCore::VersionText()
      << " on the command line: video to Flash, SWF and ActionScript tools.\n\n"
      << "Commands:\n";
  size_t width = 0;
  for (const TCommand& c : table.Commands()) width = std::max(width, c.Name.size() + 1 + c.Args.size());
  for (const TCommand& c : table.Commands()) {
    std::string left = c.Name + (c.Args.empty() ? "" : " " + c.Args);
    left.resize(width, ' ');
    out << "  " << left << "  " << c.Summary << "\n";
  }
  out << "\nGlobal options:\n"
      << "  --ini FILE              use this settings file instead of flarecast.ini\n"
      << "  --help, -h              show this help; COMMAND --help shows a command's help\n"
      << "  --version               show the version\n";
}

// The longest command name that the words at argv[start...] spell.
const TCommand* MatchCommand(const TCommandTable& table, const std::vector<std::string>& argv, size_t start,
                            size_t& words) {
  const TCommand* best = nullptr;
  for (const TCommand& c : table.Commands()) {
    const auto name_words = Split(c.Name, ' ');
    if (start + name_words.size() > argv.size()) continue;
    if (!std::equal(name_words.begin(), name_words.end(), argv.begin() + static_cast<std::ptrdiff_t>(start)))
      continue;
    if (!best || name_words.size() > words) {
      best = &c;
      words = name_words.size();
    }
  }
  return best;
}

}  // namespace

int RunCli(const std::vector<std::string>& argv, std::ostream& out, std::ostream& err) {
  const TCommandTable table = BuildCommandTable();
  TStartupOptions startup;
  size_t i = 0;
  for (; i < argv.size(); ++i) {
    const std::string& a = argv[i];
    if (a == "--help" || a == "-h") {
      PrintOverview(table, out);
      return 0;
    }
    if (a == "--version") {
      out << kProgram << " " << TApplicationCore::VersionText() << "\n";
      return 0;
    }
    if (a == "--ini") {
      if (i + 1 >= argv.size()) {
        err << kProgram << ": option --ini needs a value FILE\n";
        return 2;
      }
      startup.IniFile = argv[++i];
      continue;
    }
    if (a.starts_with("--ini=")) {
      startup.IniFile = a.substr(6);
      continue;
    }
    break;
  }
  if (i >= argv.size()) {
    PrintOverview(table, err);
    return 2;
  }

  size_t words = 0;
  const TCommand* command = MatchCommand(table, argv, i, words);
  if (!command) {
    // "config" alone, or a group with a wrong verb: list the group's commands.
    std::ostringstream group;
    for (const TCommand& c : table.Commands())
      if (c.Name.starts_with(argv[i] + " ")) group << "  " << c.Name << " " << c.Args << "\n";
    err << kProgram << ": unknown command '" << argv[i] << (i + 1 < argv.size() ? " " + argv[i + 1] : "") << "'\n";
    if (!group.str().empty()) err << "Commands of '" << argv[i] << "':\n" << group.str();
    else err << "Run '" << kProgram << " --help' for the list of commands.\n";
    return 2;
  }

  const std::vector<std::string> rest(argv.begin() + static_cast<std::ptrdiff_t>(i + words), argv.end());
  if (std::find(rest.begin(), rest.end(), "--help") != rest.end() ||
      std::find(rest.begin(), rest.end(), "-h") != rest.end()) {
    PrintCommandHelp(*command, out);
    return 0;
  }

  try {
    const TArgs args = TArgs::Parse(rest, command->Options);
    if (args.Positional().size() < command->MinPositional || args.Positional().size() > command->MaxPositional)
      throw UsageError("wrong number of arguments");
    TApplicationCore app(startup);
    return command->Run(args, out);
  } catch (const UsageError& e) {
    err << kProgram << " " << command->Name << ": " << e.what() << "\n"
        << "Usage: " << kProgram << " " << command->Name << (command->Options.empty() ? "" : " [options]")
        << (command->Args.empty() ? "" : " " + command->Args) << "\n";
    return 2;
  } catch (const ReportedError& e) {
    err << e.what();
    return 1;
  } catch (const std::exception& e) {
    err << kProgram << ": " << e.what() << "\n";
    return 1;
  }
}

}  // namespace fc::cli
