#include "gui/model/command_state.h"

#include "gui/model/job_list_model.h"
#include "tasks/task_source.h"

namespace fc::gui {

namespace {

bool IsJoin(const TMediaTask& t) { return t.Kind() == TMediaTaskKind::Merge || t.Kind() == TMediaTaskKind::Slide; }

bool HasVideo(const TMediaTask& t) { return t.Source() && t.Source()->HasVideo; }

const TJobItem* TopOf(const TJobItem* item) {
  while (item->Parent()) item = item->Parent();
  return item;
}

// One selected task that is neither a slide member, nor a merge or slide, nor inside one.
bool IsPlainSingle(const std::vector<TJobItem*>& selection) {
  if (selection.size() != 1 || !selection[0]->Task()) return false;
  const TMediaTask& t = *selection[0]->Task();
  return t.Kind() != TMediaTaskKind::MultiProfile && !IsJoin(t) && !selection[0]->IsMember();
}

}  // namespace

TCommandStates CommandStates(const TJobListModel& list, const std::vector<TJobItem*>& selection,
                             const TPlayerState& player) {
  TCommandStates s;
  const bool plays = player.Playing;
  const bool plays_or_paused = player.Playing || player.Paused;
  const TJobItem* first = selection.empty() ? nullptr : selection.front();
  const TMediaTask* task = first ? first->Task() : nullptr;

  s.Start = !list.Empty();
  s.Play = task != nullptr || plays;
  s.Stop = plays_or_paused;
  const int top = first ? list.IndexOf(TopOf(first)) : -1;
  s.Next = top >= 0 && top + 1 < static_cast<int>(list.Count());
  s.Previous = top > 0;
  s.Snapshot = plays_or_paused && task && HasVideo(*task);

  const bool single = IsPlainSingle(selection);
  s.Edit = single && HasVideo(*task) && task->Kind() != TMediaTaskKind::Clip;
  s.Trim = single && task->Length() > 0;
  s.Customize = single;

  bool joinable = !selection.empty();
  for (const TJobItem* item : selection)
    if (!item->Task() || item->Task()->Kind() == TMediaTaskKind::MultiProfile || item->IsMember()) joinable = false;
  s.Merge = s.Slide = joinable;

  const bool dvd = task && task->Source() && task->Source()->SourceKind == TSourceKind::Dvd;
  s.SubTitle = s.AudioTrack = dvd && !plays;

  const bool one = selection.size() == 1 && task;
  const bool has_edits = one && const_cast<TMediaTask*>(task)->EditParams() != nullptr;
  s.CopyEffect = s.CopyWatermark = has_edits;
  s.PasteEffect = list.CanPasteEffect() && has_edits;
  s.PasteWatermark = list.CanPasteWatermark() && has_edits;
  s.ApplyToAll = one && !first->IsMember() && list.Count() > 1;

  s.Remove = !selection.empty();
  s.ClearAll = !list.Empty();
  s.Rename = one && !(first->IsMember() && task->Kind() != TMediaTaskKind::MultiProfile);
  s.MoveUp = one && top > 0;
  s.MoveDown = one && top >= 0 && top + 1 < static_cast<int>(list.Count());
  s.FileInformation = one && task->Source() != nullptr;
  return s;
}

}  // namespace fc::gui
