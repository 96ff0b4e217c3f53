// flarecast-cli config ...: read and write the settings file by the program's own rules.

#include <ostream>

#include "cli/command.h"
#include "core/config.h"
#include "core/config_keys.h"
#include "core/text.h"

namespace fc::cli {
namespace {

TSettingType ParseType(const std::string& name) {
  if (name == "string") return TSettingType::String;
  if (name == "int" || name == "integer") return TSettingType::Integer;
  if (name == "bool") return TSettingType::Bool;
  if (name == "float") return TSettingType::Float;
  throw UsageError("unknown type '" + name + "' (string, int, bool or float)");
}

int ConfigGet(const TArgs& args, std::ostream& out) {
  const TConfig& config = GlobalConfig();
  const std::string& section = args.At(0);
  const std::string& key = args.At(1);
  const TSettingKey* known = FindSetting(section, key);
  TSettingType type = known ? known->Type : TSettingType::String;
  if (const auto t = args.get("--type")) type = ParseType(*t);
  std::string def;
  if (const auto d = args.get("--default")) def = *d;
  else if (known) def = SettingDefault(*known, config);

  switch (type) {
    case TSettingType::String:
      out << config.ReadString(section, key, def) << "\n";
      break;
    case TSettingType::Integer: {
      const auto d = ParseInt32(def);
      if (!d) throw UsageError("the default of an integer must be an integer");
      out << config.ReadInteger(section, key, *d) << "\n";
      break;
    }
    case TSettingType::Bool: {
      const auto d = ParseInt32(def.empty() ? "0" : def);
      if (!d) throw UsageError("the default of a bool must be 0 or 1");
      out << (config.ReadBool(section, key, *d != 0) ? 1 : 0) << "\n";
      break;
    }
    case TSettingType::Float: {
      const auto d = ParseDouble(def.empty() ? "0" : def);
      if (!d) throw UsageError("the default of a float must be a number");
      out << FormatDouble(config.ReadFloat(section, key, *d)) << "\n";
      break;
    }
  }
  return 0;
}

int ConfigSet(const TArgs& args, std::ostream&) {
  const TConfig& config = GlobalConfig();
  const std::string& section = args.At(0);
  const std::string& key = args.At(1);
  const std::string& value = args.At(2);
  const TSettingKey* known = FindSetting(section, key);
  TSettingType type = known ? known->Type : TSettingType::String;
  if (const auto t = args.get("--type")) type = ParseType(*t);

  switch (type) {
    case TSettingType::String:
      config.WriteString(section, key, value);
      break;
    case TSettingType::Integer: {
      const auto v = ParseInt32(value);
      if (!v) throw UsageError(Format("%s is an integer; '%s' is not", key.c_str(), value.c_str()));
      config.WriteInteger(section, key, *v);
      break;
    }
    case TSettingType::Bool: {
      const auto v = ParseInt32(value);
      if (!v) throw UsageError(Format("%s is a bool (0 or 1); '%s' is not", key.c_str(), value.c_str()));
      config.WriteBool(section, key, *v != 0);
      break;
    }
    case TSettingType::Float: {
      const auto v = ParseDouble(value);
      if (!v) throw UsageError(Format("%s is a number; '%s' is not", key.c_str(), value.c_str()));
      config.WriteFloat(section, key, *v);
      break;
    }
  }
  return 0;
}

int ConfigKeys(const TArgs&, std::ostream& out) {
  const TConfig& config = GlobalConfig();
  for (const TSettingKey& k : KnownSettings()) {
    out << k.Section << "/" << k.Key << " (" << SettingTypeName(k.Type) << ") = "
        << config.ReadString(k.Section, k.Key, SettingDefault(k, config)) << "    ; " << k.Meaning << "\n";
  }
  return 0;
}

int ConfigPath(const TArgs&, std::ostream& out) {
  out << GlobalConfig().FileName << "\n";
  return 0;
}

}  // namespace

void RegisterConfigCommands(TCommandTable& table) {
  const TOptionSpec type_option{"--type", "TYPE", "read or write as string, int, bool or float "
                                                 "(known keys have their own type)"};
  table.Add({.Name = "config get",
             .Args = "SECTION KEY",
             .Summary = "print a setting of the settings file",
             .Details = "A missing file or key gives the default: --default, else the key's own default.\n"
                        "Integers may be written in hex as 0x1F; a value that does not parse gives the default.",
             .Options = {{"--default", "VALUE", "value to print when the key is missing or invalid"}, type_option},
             .MinPositional = 2,
             .MaxPositional = 2,
             .Run = ConfigGet});
  table.Add({.Name = "config set",
             .Args = "SECTION KEY VALUE",
             .Summary = "write a setting to the settings file",
             .Details = "Other sections, keys and lines of the file are kept. Values cannot hold line breaks.",
             .Options = {type_option},
             .MinPositional = 3,
             .MaxPositional = 3,
             .Run = ConfigSet});
  table.Add({.Name = "config keys",
             .Summary = "list the known settings of sections System, Output and Profile with their values",
             .Run = ConfigKeys});
  table.Add({.Name = "config path", .Summary = "print the path of the settings file in use", .Run = ConfigPath});
}

}  // namespace fc::cli
