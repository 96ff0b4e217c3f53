#pragma once
// What the main window's preview panel decides, without Qt: which task Next and Previous
// play, the snapshot's file name, the position texts and the slider's arithmetic.

#include <functional>
#include <string>

namespace fc::gui {

class TJobItem;
class TJobListModel;

// The next (direction 1) or previous (-1) top-level item with a task after `current`'s
// top-level item, wrapping around; `current` itself when it is the only one, null when no item
// has a task. Without a current item the first (or last) one with a task.
TJobItem* NeighbourToPlay(const TJobListModel& list, const TJobItem* current, int direction);

// The snapshot's extension: "jpg" when the format setting says so (any case), else "bmp".
std::string SnapshotExtension(const std::string& format);
// A snapshot's path in `folder`: the title and the extension, or "%s_%d.%s" with 1, 2, ...
// while `exists` says the name is taken. A title unusable as a file name becomes "Snapshot".
std::string SnapshotPath(const std::string& folder, const std::string& title, const std::string& format,
                         const std::function<bool(const std::string&)>& exists);

// "hh:mm:ss/hh:mm:ss" of the position and the length.
std::string PlayTimeText(double played, double length);

}  // namespace fc::gui
