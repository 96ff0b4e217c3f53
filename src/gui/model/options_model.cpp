#include "gui/model/options_model.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

#include "core/config.h"
#include "core/config_keys.h"
#include "core/language.h"
#include "core/paths.h"
#include "core/text.h"

namespace fc::gui {
namespace {

constexpr std::string_view kEntryEnd = "<br>";

}  // namespace


size_t SnapshotFormatIndex(const std::vector<std::string>& items, std::string_view value) {
  const std::string wanted = ToLowerAscii(value);
  for (size_t i = 0; i < items.size(); ++i)
    if (ToLowerAscii(items[i]).find(wanted) != std::string::npos) return i;
  return 0;
}

std::string SnapshotFormatOfItem(std::string_view item) {
  const size_t dot = item.rfind('.');
  if (dot == std::string_view::npos) return "bmp";
  const std::string_view rest = item.substr(dot + 1);
  return std::string(Trim(rest.substr(0, rest.find(')'))));
}

void TOptionsModel::Load(const TConfig& config) {
  SnapshotFormat = config.ReadString(keys::kSystem, keys::kSnapshotFormat,
                                     SettingDefault(keys::kSystem, keys::kSnapshotFormat, config));
  SnapshotPath = config.ReadString(keys::kSystem, keys::kSnapshotPath, "");
  if (SnapshotPath.empty()) SnapshotPath = DefaultSnapshotFolder(config);
  LanguageId = config.ReadString(keys::kSystem, keys::kDefLanguage, "");
  IsUseUpload = config.ReadBool(keys::kSystem, keys::kIsUseUpload, true);
  const std::string list = config.ReadString(keys::kSystem, keys::kUploadList, "");
  UploadList = Trim(list).empty() ? BuiltInUploadList() : ParseUploadList(list);
}

void TOptionsModel::Save(const TConfig& config) const {
  TConfigBatch batch(config);
  batch.WriteString(keys::kSystem, keys::kSnapshotFormat, SnapshotFormat);
  batch.WriteString(keys::kSystem, keys::kSnapshotPath, SnapshotPath);
  batch.WriteString(keys::kSystem, keys::kDefLanguage, LanguageId);
  batch.WriteBool(keys::kSystem, keys::kIsUseUpload, IsUseUpload);
  batch.WriteString(keys::kSystem, keys::kUploadList, FormatUploadList(UploadList));
  batch.Commit();
}

TAddUrlResult TOptionsModel::AddUrl(std::string_view text) {
  const std::string_view address = Trim(text);
  if (address.empty() || address == kNewUrlPrefix) return TAddUrlResult::Ignored;
  // "<br>" separates the stored entries, so an address holding it would come back as two.
  if (!IsWebAddress(address) || address.find(kEntryEnd) != std::string_view::npos) return TAddUrlResult::Refused;
  UploadList.push_back({false, std::string(address)});
  return TAddUrlResult::Added;
}

std::vector<std::string> TOptionsModel::PasteUrls(std::string_view text) {
  std::vector<std::string> refused;
  for (std::string line : Split(text, '\n')) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (AddUrl(line) == TAddUrlResult::Refused) refused.emplace_back(Trim(line));
  }
  return refused;
}

int TOptionsModel::RemoveEntries(std::vector<int> rows) {
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  int first = -1;
  for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
    if (*it < 0 || static_cast<size_t>(*it) >= UploadList.size()) continue;
    UploadList.erase(UploadList.begin() + *it);
    first = *it;
  }
  if (UploadList.empty()) return -1;
  if (first < 0) first = 0;
  return std::min(first, static_cast<int>(UploadList.size()) - 1);
}

void TOptionsModel::SetChecked(size_t row, bool checked) {
  if (row < UploadList.size()) UploadList[row].Checked = checked;
}

void TOptionsModel::SetDefaults(const TConfig& config) {
  SnapshotPath = DefaultSnapshotFolder(config);
  SnapshotFormat = SettingDefault(keys::kSystem, keys::kSnapshotFormat, config);
}

bool TOptionsModel::EnsureSnapshotFolder(const TConfig& config) {
  std::error_code ec;
  if (!SnapshotPath.empty()) {
    if (std::filesystem::is_directory(SnapshotPath, ec)) return true;
    std::filesystem::create_directories(SnapshotPath, ec);
    if (!ec && std::filesystem::is_directory(SnapshotPath, ec)) return true;
  }
  SnapshotPath = DefaultSnapshotFolder(config);
  return false;
}

std::string DefaultLanguageId(const TLanguageMgr& languages) {
  if (const TLanguageItem* english = languages.Languages().FindById("ENU")) return english->Id();
  return languages.Languages().Count() > 0 ? languages.Languages().Item(0)->Id() : std::string();
}

}  // namespace fc::gui
