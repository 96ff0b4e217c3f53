#pragma once
// What the options dialog decides, without Qt: the settings it edits ("SnapshotFormat",
// "SnapshotPath", "DefLanguage", "IsUseUpload", "UploadList" in section "System"), the web
// page list and its text form, and the checks on what the user types. The dialog only shows
// this state and forwards the user's actions.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "gui/model/upload_list.h"

namespace fc {

struct TConfig;
class TLanguageMgr;

namespace gui {

// The index of the format item for a "SnapshotFormat" value: the first item containing the
// value (ignoring case), 0 when none does.
size_t SnapshotFormatIndex(const std::vector<std::string>& items, std::string_view value);
// The value stored for a format item: the text between its last "." and the following ")",
// "bmp" when the item has no ".".
std::string SnapshotFormatOfItem(std::string_view item);

enum class TAddUrlResult {
  Added,
  Ignored,  // empty or just "http://": nothing to add
  Refused,  // not an http or https address
};

class TOptionsModel {
public:
  std::string SnapshotFormat = "jpg";
  std::string SnapshotPath;
  std::string LanguageId;
  bool IsUseUpload = true;
  std::vector<TUploadEntry> UploadList;

  // The stored settings; the snapshot folder defaults to the per-user "Snapshot" folder and
  // an empty web page list to the built-in one.
  void Load(const TConfig& config);
  // Writes the five settings in one go. Throws IoError when the file cannot be written.
  void Save(const TConfig& config) const;

  // Adds the trimmed text as an unchosen entry.
  TAddUrlResult AddUrl(std::string_view text);
  // Adds every line of a pasted text; returns the lines that were refused.
  std::vector<std::string> PasteUrls(std::string_view text);
  // Removes the entries at these rows; returns the row to select afterwards (the entry now
  // at the first removed position, or the last one), -1 when the list is empty.
  int RemoveEntries(std::vector<int> rows);
  void SetChecked(size_t row, bool checked);

  // "Default" on the General page: the per-user snapshot folder and "jpg".
  void SetDefaults(const TConfig& config);
  // Makes sure SnapshotPath exists, creating it when missing. On failure SnapshotPath becomes
  // the default snapshot folder and false is returned (the dialog then says so).
  bool EnsureSnapshotFolder(const TConfig& config);
};

// The language "Default" selects: "ENU", else the first language, else "".
std::string DefaultLanguageId(const TLanguageMgr& languages);

// The text the built-in "Add" field starts with; adding it alone adds nothing.
inline constexpr std::string_view kNewUrlPrefix = "http://";

}  // namespace gui
}  // namespace fc
