#include "gui/model/upload_list.h"

namespace fc::gui {

namespace {
constexpr std::string_view kEntryEnd = "<br>";
}

std::vector<TUploadEntry> ParseUploadList(std::string_view setting) {
  std::vector<TUploadEntry> entries;
  size_t pos = 0;
  while (pos < setting.size()) {
    size_t end = setting.find(kEntryEnd, pos);
    if (end == std::string_view::npos) end = setting.size();
    const std::string_view entry = setting.substr(pos, end - pos);
    pos = end + kEntryEnd.size();
    if (entry.empty()) continue;
    if (entry[0] >= '0' && entry[0] <= '9')
      entries.push_back({entry[0] == '1', std::string(entry.substr(1))});
    else
      entries.push_back({false, std::string(entry)});
  }
  return entries;
}

std::string FormatUploadList(const std::vector<TUploadEntry>& entries) {
  std::string out;
  for (const TUploadEntry& e : entries) out += (e.Checked ? "1" : "0") + e.Address + std::string(kEntryEnd);
  return out;
}

std::vector<TUploadEntry> BuiltInUploadList() {
  static constexpr const char* kAddresses[] = {
      "https://www.youtube.com/upload", "https://vimeo.com/upload",        "https://www.dailymotion.com/upload",
      "https://www.twitch.tv",          "https://www.facebook.com",        "https://www.flickr.com/photos/upload",
      "https://www.metacafe.com",       "https://www.veoh.com",            "https://archive.org/create",
      "https://rumble.com/upload.php",
  };
  std::vector<TUploadEntry> entries;
  for (const char* address : kAddresses) entries.push_back({false, address});
  return entries;
}

std::vector<std::string> EnabledUploadUrls(std::string_view setting) {
  std::vector<std::string> urls;
  for (TUploadEntry& e : ParseUploadList(setting))
    if (e.Checked) urls.push_back(std::move(e.Address));
  return urls;
}

}  // namespace fc::gui
