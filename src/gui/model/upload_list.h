#pragma once
// The upload list of the settings ("UploadList"): the web pages opened after a conversion.
// Entries are separated by "<br>"; an entry whose first character is "1" is enabled, and the
// rest of it is the address.

#include <string>
#include <string_view>
#include <vector>

namespace fc::gui {

struct TUploadEntry {
  bool Enabled = false;
  std::string Url;
  bool operator==(const TUploadEntry&) const = default;
};

std::vector<TUploadEntry> ParseUploadList(std::string_view text);
std::string UploadListText(const std::vector<TUploadEntry>& entries);
// The enabled addresses, in list order.
std::vector<std::string> EnabledUploadUrls(std::string_view text);

}  // namespace fc::gui
