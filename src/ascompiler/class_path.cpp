// The class-path scan: every "*.as" file below a class folder is a class named after its
// package path ("util/Bar.as" is util.Bar).
#include <algorithm>
#include <filesystem>
#include <set>
#include <system_error>

#include "ascompiler/ident_table.h"
#include "core/text.h"

namespace fc {
namespace {

namespace fs = std::filesystem;

struct ScanState {
  int swfVersion;
  TStringTable& strings;
  std::vector<std::string>& classDirs;
  std::set<fs::path> visited;  // canonical folders already scanned: symbolic-link loops end here
};

bool HasAsExtension(const std::string& name) {
  return name.size() > 3 && IEquals(std::string_view(name).substr(name.size() - 3), ".as");
}

// FP7, FP8 and FP9 hold classes for one player generation and add no package part.
bool EnterVersionFolder(const std::string& name, int swfVersion, bool& isVersionFolder) {
  isVersionFolder = true;
  if (IEquals(name, "FP7")) return swfVersion == 7;
  if (IEquals(name, "FP8")) return swfVersion >= 8;
  if (IEquals(name, "FP9")) return swfVersion == 9;
  isVersionFolder = false;
  return true;
}

void ScanFolder(TClassTable& table, const fs::path& folder, const std::string& prefix, ScanState& state) {
  std::error_code ec;
  const fs::path canonical = fs::canonical(folder, ec);
  if (ec || !state.visited.insert(canonical).second) return;

  std::vector<std::string> files, folders;
  for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
    const std::string name = it->path().filename().string();
    if (it->is_directory(ec)) folders.push_back(name);
    else if (HasAsExtension(name)) files.push_back(name);
  }
  // Directory order differs between file systems; the table's order should not.
  std::sort(files.begin(), files.end());
  std::sort(folders.begin(), folders.end());

  std::string dir = folder.generic_string();
  if (dir.empty() || dir.back() != '/') dir += '/';
  for (const std::string& file : files) {
    const std::string className = prefix + file.substr(0, file.size() - 3);
    TClassInfo* info = table.DeclareClass(state.strings.Intern(className));
    info->FileName = dir + file;
    if (IsIntrinsicClass(className)) info->ClassFlags = kClassIntrinsic;
  }
  if (!files.empty() && std::find(state.classDirs.begin(), state.classDirs.end(), dir) == state.classDirs.end())
    state.classDirs.push_back(dir);

  for (const std::string& sub : folders) {
    bool versionFolder = false;
    if (!EnterVersionFolder(sub, state.swfVersion, versionFolder)) continue;
    ScanFolder(table, folder / sub, versionFolder ? prefix : prefix + sub + ".", state);
  }
}

}  // namespace

void TClassTable::ScanClassPath(const std::string& directory, const std::string& packagePrefix, int swfVersion,
                                TStringTable& strings, std::vector<std::string>& classDirs) {
  ScanState state{swfVersion, strings, classDirs, {}};
  ScanFolder(*this, fs::path(directory), packagePrefix == "." ? std::string() : packagePrefix, state);
}

}  // namespace fc
