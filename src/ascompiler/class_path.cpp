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

struct TScanState {
  int SwfVersion;
  TStringTable& Strings;
  std::vector<std::string>& ClassDirs;
  std::set<fs::path> Visited;  // canonical folders already scanned: symbolic-link loops end here
};

bool HasAsExtension(const std::string& name) {
  return name.size() > 3 && IEquals(std::string_view(name).substr(name.size() - 3), ".as");
}

// FP7, FP8 and FP9 hold classes for one player generation and add no package part.
bool EnterVersionFolder(const std::string& name, int swf_version, bool& is_version_folder) {
  is_version_folder = true;
  if (IEquals(name, "FP7")) return swf_version == 7;
  if (IEquals(name, "FP8")) return swf_version >= 8;
  if (IEquals(name, "FP9")) return swf_version == 9;
  is_version_folder = false;
  return true;
}

void ScanFolder(TClassTable& table, const fs::path& folder, const std::string& prefix, TScanState& state) {
  std::error_code ec;
  const fs::path canonical = fs::canonical(folder, ec);
  if (ec || !state.Visited.insert(canonical).second) return;

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
    const std::string class_name = prefix + file.substr(0, file.size() - 3);
    TClassInfo* info = table.DeclareClass(state.Strings.Intern(class_name));
    info->FileName = dir + file;
    if (IsIntrinsicClass(class_name)) info->ClassFlags = kClassIntrinsic;
  }
  if (!files.empty() && std::find(state.ClassDirs.begin(), state.ClassDirs.end(), dir) == state.ClassDirs.end())
    state.ClassDirs.push_back(dir);

  for (const std::string& sub : folders) {
    bool version_folder = false;
    if (!EnterVersionFolder(sub, state.SwfVersion, version_folder)) continue;
    ScanFolder(table, folder / sub, version_folder ? prefix : prefix + sub + ".", state);
  }
}

}  // namespace

void TClassTable::ScanClassPath(const std::string& directory, const std::string& package_prefix, int swf_version,
                                TStringTable& strings, std::vector<std::string>& class_dirs) {
  TScanState state{swf_version, strings, class_dirs, {}};
  ScanFolder(*this, fs::path(directory), package_prefix == "." ? std::string() : package_prefix, state);
}

}  // namespace fc
