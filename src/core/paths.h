#pragma once
// Where the program finds its data and keeps the user's files.
//
// The program folder is the folder of the running executable: it holds Languages/,
// Templates/, the profile files and, when it is writable, the settings file and the log.
// An installed (read-only) copy keeps those two under $XDG_CONFIG_HOME/flarecast instead.
// Paths use "/" and are UTF-8.

#include <string>
#include <string_view>

namespace fc {

struct TConfig;

// The folder of the running executable, without a trailing "/".
std::string ProgramFolder();
// ProgramFolder() + "/" + name.
std::string ProgramFolderFile(std::string_view name);

// True when files can be created in the folder.
bool IsFolderWritable(const std::string& folder);
// $XDG_CONFIG_HOME/flarecast (default ~/.config/flarecast); not created here.
std::string UserConfigFolder();
// Folder for the settings file and the log: the program folder when it is writable,
// UserConfigFolder() (created) otherwise.
std::string WritableProgramDataFolder(const std::string& program_folder);
// The settings file shared by both executables: "flarecast.ini" in that folder.
std::string DefaultConfigFile(const std::string& program_folder);

// The XDG documents folder (XDG_DOCUMENTS_DIR of user-dirs.dirs, else ~/Documents);
// empty when the system cannot name one (no home folder).
std::string DocumentsFolder();

// "FullName" made into one safe path component: no "/", no NUL, no control characters,
// no leading or trailing blanks or dots; never "", "." or "..".
std::string SanitizePathComponent(std::string_view name, std::string_view fallback);
// The longest start of s of at most max_bytes that does not cut a UTF-8 sequence in two.
std::string Utf8Prefix(std::string_view s, size_t max_bytes);

// The user's documents folder followed by the "FullName" setting; the program folder when
// the system names no documents folder. With create, the folder is made when missing.
std::string UserDataFolder(const TConfig& config, bool create);
std::string DefaultOutputFolder(const TConfig& config);    // UserDataFolder(creating) + "/Output"
std::string DefaultSnapshotFolder(const TConfig& config);  // UserDataFolder(creating) + "/Snapshot"

// ProgramFolder() + "/" + relative name, created when missing (Templates/Players, Temp, ...).
std::string ApplicationSubfolder(std::string_view relative);

// Joins two path parts with exactly one "/".
std::string JoinPath(std::string_view folder, std::string_view name);

}  // namespace fc
