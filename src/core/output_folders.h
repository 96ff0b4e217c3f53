#pragma once
// The output-folder box: the current output folder and the recent ones, kept in
// "Output"/"OutputPath" and "Output"/"OutPutPathList" (each folder preceded by "|").
// The box's items are the folders, most recent first, then "Clear" when there is more
// than one; saving writes them oldest first, so that loading restores the same order.

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace fc {

inline constexpr const char* kClearItem = "Clear";

struct TOutputFolderBox {
  std::vector<std::string> Items;  // folders, then "Clear" when more than one
  int ItemIndex = -1;              // selected item, -1 for none
  std::string Text() const { return ItemIndex >= 0 ? Items.at(static_cast<size_t>(ItemIndex)) : std::string(); }
};

// Fills the box at start-up. When output_path is not an existing folder (folder_exists),
// the box holds only default_folder, selected.
TOutputFolderBox LoadOutputFolderBox(const std::string& output_path, std::string_view path_list,
                                     const std::string& default_folder,
                                     const std::function<bool(const std::string&)>& folder_exists);

// The "OutPutPathList" text that restores the box.
std::string SaveOutputFolderList(const TOutputFolderBox& box);

// Puts a chosen folder first and selects it. A folder already in the box moves to the front
// instead of appearing twice; "Clear" is added while the box had fewer than three items.
void ChooseOutputFolder(TOutputFolderBox& box, const std::string& folder);

}  // namespace fc
