#pragma once
// The upload list of the settings ("UploadList"): the web pages offered, and opened after a
// conversion when chosen. Entries are separated by "<br>"; an entry starting with "1" is
// chosen, with "0" not, and the rest of it is the address.

#include <string>
#include <string_view>
#include <vector>

namespace fc::gui {

// One web page of the list opened after a conversion.
struct TUploadEntry {
  bool Checked = false;
  std::string Address;
  bool operator==(const TUploadEntry&) const = default;
};

// The "UploadList" setting: entries separated by "<br>", each a "1" (chosen) or "0" and the
// address; an entry not starting with a digit is an unchosen address as it stands.
std::vector<TUploadEntry> ParseUploadList(std::string_view setting);
std::string FormatUploadList(const std::vector<TUploadEntry>& entries);
// The pages offered when the setting is empty.
std::vector<TUploadEntry> BuiltInUploadList();
// The chosen addresses of a setting, in list order.
std::vector<std::string> EnabledUploadUrls(std::string_view setting);

}  // namespace fc::gui
