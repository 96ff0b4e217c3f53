// flarecast-cli config ...: read and write the settings file by the program's own rules.

#include <ostream>

#include "cli/command.h"
#include "core/config.h"
#include "core/config_keys.h"
#include "core/text.h"

namespace fc::cli {
namespace {

SettingType ParseType(const std::string& name) {
  if (name == "string") return SettingType::String;
  if (name == "int" || name == "integer") return SettingType::Integer;
  if (name == "bool") return SettingType::Bool;
  if (name == "float") return SettingType::Float;
  throw UsageError("unknown type '" + name + "' (string, int, bool or float)");
}

int ConfigGet(const Args& args, std::ostream& out) {
  const TConfig& config = GlobalConfig();
  const std::string& section = args.at(0);
  const std::string& key = args.at(1);
  const SettingKey* known = FindSetting(section, key);
  SettingType type = known ? known->type : SettingType::String;
  if (const auto t = args.get("--type")) type = ParseType(*t);
  std::string def;
  if (const auto d = args.get("--default")) def = *d;
  else if (known) def = SettingDefault(*known, config);

  switch (type) {
    case SettingType::String:
      out << config.ReadString(section, key, def) << "\n";
      break;
    case SettingType::Integer: {
      const auto d = ParseInt32(def);
      if (!d) throw UsageError("the default of an integer must be an integer");
      out << config.ReadInteger(section, key, *d) << "\n";
      break;
    }
    case SettingType::Bool: {
      const auto d = ParseInt32(def.empty() ? "0" : def);
      if (!d) throw UsageError("the default of a bool must be 0 or 1");
      out << (config.ReadBool(section, key, *d != 0) ? 1 : 0) << "\n";
      break;
    }
    case SettingType::Float: {
      const auto d = ParseDouble(def.empty() ? "0" : def);
      if (!d) throw UsageError("the default of a float must be a number");
      out << FormatDouble(config.ReadFloat(section, key, *d)) << "\n";
      break;
    }
  }
  return 0;
}

int ConfigSet(const Args& args, std::ostream&) {
  const TConfig& config = GlobalConfig();
  const std::string& section = args.at(0);
  const std::string& key = args.at(1);
  const std::string& value = args.at(2);
  const SettingKey* known = FindSetting(section, key);
  SettingType type = known ? known->type : SettingType::String;
  if (const auto t = args.get("--type")) type = ParseType(*t);

  switch (type) {
    case SettingType::String:
      config.WriteString(section, key, value);
      break;
    case SettingType::Integer: {
      const auto v = ParseInt32(value);
      if (!v) throw UsageError(Format("%s is an integer; '%s' is not", key.c_str(), value.c_str()));
      config.WriteInteger(section, key, *v);
      break;
    }
    case SettingType::Bool: {
      const auto v = ParseInt32(value);
      if (!v) throw UsageError(Format("%s is a bool (0 or 1); '%s' is not", key.c_str(), value.c_str()));
      config.WriteBool(section, key, *v != 0);
      break;
    }
    case SettingType::Float: {
      const auto v = ParseDouble(value);
      if (!v) throw UsageError(Format("%s is a number; '%s' is not", key.c_str(), value.c_str()));
      config.WriteFloat(section, key, *v);
      break;
    }
  }
  return 0;
}

int ConfigKeys(const Args&, std::ostream& out) {
  const TConfig& config = GlobalConfig();
  for (const SettingKey& k : KnownSettings()) {
    out << k.section << "/" << k.key << " (" << SettingTypeName(k.type) << ") = "
        << config.ReadString(k.section, k.key, SettingDefault(k, config)) << "    ; " << k.meaning << "\n";
  }
  return 0;
}

int ConfigPath(const Args&, std::ostream& out) {
  out << GlobalConfig().FileName << "\n";
  return 0;
}

}  // namespace

void RegisterConfigCommands(CommandTable& table) {
  const OptionSpec type_option{"--type", "TYPE", "read or write as string, int, bool or float "
                                                 "(known keys have their own type)"};
  table.Add({.name = "config get",
             .args = "SECTION KEY",
             .summary = "print a setting of the settings file",
             .details = "A missing file or key gives the default: --default, else the key's own default.\n"
                        "Integers may be written in hex as 0x1F; a value that does not parse gives the default.",
             .options = {{"--default", "VALUE", "value to print when the key is missing or invalid"}, type_option},
             .min_positional = 2,
             .max_positional = 2,
             .run = ConfigGet});
  table.Add({.name = "config set",
             .args = "SECTION KEY VALUE",
             .summary = "write a setting to the settings file",
             .details = "Other sections, keys and lines of the file are kept. Values cannot hold line breaks.",
             .options = {type_option},
             .min_positional = 3,
             .max_positional = 3,
             .run = ConfigSet});
  table.Add({.name = "config keys",
             .summary = "list the known settings of sections System, Output and Profile with their values",
             .run = ConfigKeys});
  table.Add({.name = "config path", .summary = "print the path of the settings file in use", .run = ConfigPath});
}

}  // namespace fc::cli
