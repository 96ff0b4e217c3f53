#pragma once
// Which commands of the main window are enabled, from the list, the selection and the
// preview player's state. Refreshed after every change of any of them.

#include <vector>

namespace fc::gui {

class TJobItem;
class TJobListModel;

struct TPlayerState {
  bool Playing = false;
  bool Paused = false;
};

struct TCommandStates {
  bool Start = false;
  bool Play = false, Stop = false, Next = false, Previous = false, Snapshot = false;
  bool Edit = false, Trim = false, Customize = false;
  bool Merge = false, Slide = false;
  bool SubTitle = false, AudioTrack = false;
  bool CopyEffect = false, CopyWatermark = false;
  bool PasteEffect = false, PasteWatermark = false;  // visible too: only after a copy
  bool ApplyToAll = false;                           // effect, watermark and format
  bool Remove = false, ClearAll = false, Rename = false, MoveUp = false, MoveDown = false;
  bool FileInformation = false;
  bool operator==(const TCommandStates&) const = default;
};

TCommandStates CommandStates(const TJobListModel& list, const std::vector<TJobItem*>& selection,
                             const TPlayerState& player);

}  // namespace fc::gui
