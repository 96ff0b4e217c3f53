#include "core/paths.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "core/config.h"
#include "core/config_keys.h"
#include "core/text.h"
#include "core/version.h"

namespace fs = std::filesystem;

namespace fc {
namespace {

std::string HomeFolder() {
  const char* home = std::getenv("HOME");
  return home && *home ? std::string(home) : std::string();
}

void CreateFolders(const std::string& folder) {
  std::error_code ec;
  fs::create_directories(folder, ec);  // a failure shows later, when a file is written there
}

}  // namespace

std::string JoinPath(std::string_view folder, std::string_view name) {
  std::string out(folder);
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  while (!name.empty() && name.front() == '/') name.remove_prefix(1);
  if (out.empty()) return std::string(name);
  if (name.empty()) return out;
  if (out != "/") out += '/';
  out += name;
  return out;
}

std::string ProgramFolder() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  if (ec) return fs::current_path(ec).string();
  return exe.parent_path().string();
}

std::string ProgramFolderFile(std::string_view name) { return JoinPath(ProgramFolder(), name); }

bool IsFolderWritable(const std::string& folder) { return ::access(folder.c_str(), W_OK | X_OK) == 0; }

std::string UserConfigFolder() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  std::string base = xdg && *xdg && xdg[0] == '/' ? std::string(xdg) : JoinPath(HomeFolder(), ".config");
  return JoinPath(base, "flarecast");
}

std::string WritableProgramDataFolder(const std::string& program_folder) {
  if (IsFolderWritable(program_folder)) return program_folder;
  const std::string folder = UserConfigFolder();
  CreateFolders(folder);
  return folder;
}

std::string DefaultConfigFile(const std::string& program_folder) {
  return JoinPath(WritableProgramDataFolder(program_folder), "flarecast.ini");
}

std::string DocumentsFolder() {
  const std::string home = HomeFolder();
  if (home.empty()) return {};
  // user-dirs.dirs holds lines like XDG_DOCUMENTS_DIR="$HOME/Documents".
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  const std::string config = xdg && *xdg && xdg[0] == '/' ? std::string(xdg) : JoinPath(home, ".config");
  std::ifstream in(JoinPath(config, "user-dirs.dirs"));
  std::string line;
  while (std::getline(in, line)) {
    std::string_view l = Trim(line);
    if (!l.starts_with("XDG_DOCUMENTS_DIR=")) continue;
    l.remove_prefix(sizeof("XDG_DOCUMENTS_DIR=") - 1);
    if (l.size() >= 2 && l.front() == '"' && l.back() == '"') l = l.substr(1, l.size() - 2);
    std::string path(l);
    if (path.starts_with("$HOME")) path = home + path.substr(5);
    if (!path.empty() && path.front() == '/' && path != home && path != home + "/") return path;
    break;  // documents set to $HOME itself means "no documents folder"; use the default
  }
  return JoinPath(home, "Documents");
}

std::string Utf8Prefix(std::string_view s, size_t max_bytes) {
  if (s.size() <= max_bytes) return std::string(s);
  size_t cut = max_bytes;
  // Back to the first byte of the sequence the cut falls into.
  while (cut > 0 && (static_cast<unsigned char>(s[cut]) & 0xC0) == 0x80) --cut;
  return std::string(s.substr(0, cut));
}

std::string SanitizePathComponent(std::string_view name, std::string_view fallback) {
  std::string out;
  for (const char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '/' || c == '\\' || u < 0x20 || u == 0x7F)
      out += '_';
    else
      out += c;
  }
  // No leading or trailing blanks or dots: "..", "." and hidden names are not folder names.
  size_t b = 0, e = out.size();
  while (b < e && (out[b] == ' ' || out[b] == '.')) ++b;
  while (e > b && (out[e - 1] == ' ' || out[e - 1] == '.')) --e;
  out = out.substr(b, e - b);
  out = Utf8Prefix(out, 255);
  if (out.empty()) return std::string(fallback);
  return out;
}

std::string UserDataFolder(const TConfig& config, bool create) {
  std::string docs = DocumentsFolder();
  if (docs.empty()) docs = ProgramFolder();
  const std::string name = SanitizePathComponent(
      config.ReadString(keys::kSystem, keys::kFullName, kProductName), kProductName);
  const std::string folder = JoinPath(docs, name);
  if (create) CreateFolders(folder);
  return folder;
}

std::string DefaultOutputFolder(const TConfig& config) { return JoinPath(UserDataFolder(config, true), "Output"); }

std::string DefaultSnapshotFolder(const TConfig& config) {
  return JoinPath(UserDataFolder(config, true), "Snapshot");
}

std::string ApplicationSubfolder(std::string_view relative) {
  const std::string folder = JoinPath(ProgramFolder(), relative);
  CreateFolders(folder);
  return folder;
}

}  // namespace fc
