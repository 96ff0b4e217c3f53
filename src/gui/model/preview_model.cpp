#include "gui/model/preview_model.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "core/text.h"
#include "gui/model/job_list_model.h"
#include "gui/model/job_texts.h"

namespace fc::gui {

TJobItem* NeighbourToPlay(const TJobListModel& list, const TJobItem* current, int direction) {
  const int count = static_cast<int>(list.Count());
  if (count == 0) return nullptr;
  const int step = direction < 0 ? -1 : 1;
  while (current && current->Parent()) current = current->Parent();
  int index = current ? list.IndexOf(current) : -1;
  if (index < 0) index = step > 0 ? count - 1 : 0;  // so that the first step lands on an end
  // Bounded: each top-level item is looked at once.
  for (int i = 0; i < count; ++i) {
    index = ((index + step) % count + count) % count;
    if (list.Item(static_cast<size_t>(index))->Task()) return list.Item(static_cast<size_t>(index));
  }
  return nullptr;
}

std::string SnapshotExtension(const std::string& format) { return IEquals(format, "jpg") ? "jpg" : "bmp"; }

std::string SnapshotPath(const std::string& folder, const std::string& title, const std::string& format,
                         const std::function<bool(const std::string&)>& exists) {
  std::string stem = SafeFileStem(title);
  if (stem.empty()) stem = "Snapshot";
  const std::string extension = SnapshotExtension(format);
  const std::filesystem::path dir(folder);
  std::string path = (dir / (stem + "." + extension)).string();
  for (int n = 1; exists(path) && n < 1000000; ++n)
    path = (dir / (stem + "_" + std::to_string(n) + "." + extension)).string();
  return path;
}

std::string PlayTimeText(double played, double length) {
  return TimeText(std::max(0.0, played)) + "/" + TimeText(std::max(0.0, length));
}


}  // namespace fc::gui
