#include "core/output_folders.h"

#include <algorithm>

namespace fc {

TOutputFolderBox LoadOutputFolderBox(const std::string& output_path, std::string_view path_list,
                                     const std::string& default_folder,
                                     const std::function<bool(const std::string&)>& folder_exists) {
  TOutputFolderBox box;
  if (output_path.empty() || !folder_exists(output_path)) {
    box.Items = {default_folder};
    box.ItemIndex = 0;
    return box;
  }
  // Scan from the end: each "|" starts an item that runs to the previous boundary.
  size_t end = path_list.size();
  while (end > 0) {
    const size_t bar = path_list.rfind('|', end - 1);
    if (bar == std::string_view::npos) break;
    const std::string_view item = path_list.substr(bar + 1, end - bar - 1);
    if (!item.empty()) box.Items.emplace_back(item);
    end = bar;
  }
  if (box.Items.empty()) box.Items.push_back(output_path);
  if (box.Items.size() > 1) box.Items.emplace_back(kClearItem);
  const auto it = std::find(box.Items.begin(), box.Items.end(), output_path);
  if (it != box.Items.end()) {
    box.ItemIndex = static_cast<int>(it - box.Items.begin());
  } else {
    // The current folder is not among the recent ones: it goes first, as when chosen.
    ChooseOutputFolder(box, output_path);
  }
  return box;
}

std::string SaveOutputFolderList(const TOutputFolderBox& box) {
  if (box.Items.size() <= 1) return "|" + box.Text();
  std::string out;
  // Every item but the last ("Clear"), from the second-last back to the first.
  for (size_t i = box.Items.size() - 1; i-- > 0;) out += "|" + box.Items[i];
  return out;
}

void ChooseOutputFolder(TOutputFolderBox& box, const std::string& folder) {
  const bool had_clear = !box.Items.empty() && box.Items.back() == kClearItem;
  const size_t before = box.Items.size();
  if (const auto it = std::find(box.Items.begin(), box.Items.end(), folder); it != box.Items.end())
    box.Items.erase(it);
  box.Items.insert(box.Items.begin(), folder);
  if (before < 3 && !had_clear && box.Items.size() > 1) box.Items.emplace_back(kClearItem);
  box.ItemIndex = 0;
}

}  // namespace fc
