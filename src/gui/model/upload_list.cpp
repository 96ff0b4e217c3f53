#include "gui/model/upload_list.h"

namespace fc::gui {

namespace {
constexpr std::string_view kSeparator = "<br>";
}

std::vector<TUploadEntry> ParseUploadList(std::string_view text) {
  std::vector<TUploadEntry> entries;
  while (!text.empty()) {
    const size_t end = text.find(kSeparator);
    const std::string_view entry = text.substr(0, end);
    if (!entry.empty()) entries.push_back({entry.front() == '1', std::string(entry.substr(1))});
    if (end == std::string_view::npos) break;
    text.remove_prefix(end + kSeparator.size());
  }
  return entries;
}

std::string UploadListText(const std::vector<TUploadEntry>& entries) {
  std::string text;
  for (const TUploadEntry& e : entries) {
    if (!text.empty()) text += kSeparator;
    text += e.Enabled ? '1' : '0';
    text += e.Url;
  }
  return text;
}

std::vector<std::string> EnabledUploadUrls(std::string_view text) {
  std::vector<std::string> urls;
  for (TUploadEntry& e : ParseUploadList(text))
    if (e.Enabled) urls.push_back(std::move(e.Url));
  return urls;
}

}  // namespace fc::gui
