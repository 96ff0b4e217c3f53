#pragma once
// What the video clip dialog decides: the clips of one base task, edited on a copy of the task
// (Clone: its clips are copies too), so that Cancel leaves the task as it was and deleting a row
// only ever frees a copy. Times are seconds from the start of the task's range; the rules keep
// every clip within 0..D and at least one second long (a source shorter than a second gives one
// clip of the whole source). On OK the window hands Working() to TJobListModel::TakeClips.

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

#include "gui/model/job_texts.h"
#include "tasks/media_task.h"

namespace fc::gui {

// "hh:mm:ss" as the time editor shows it, read back: the parts before the first ":", between
// the colons and after them (missing parts count 0, blanks as "0", anything else unreadable as 0).
double ParseTimeText(const std::string& text);

// The columns of the clip list.
enum class TClipColumn { Title = 0, Start = 1, End = 2, Length = 3 };

struct TClipRow {
  std::string Title, Start, End, Length;
  bool HasVideo = true;  // chooses the row's small image
};

// What a typed time did: the message to show (none when the time was taken as it is) and
// whether the cell goes back to its old text.
struct TTimeEditResult {
  std::optional<TMessage> Message;
  bool Restored = false;
  bool Changed = false;  // the clip's range changed
};

class TClipListModel {
public:
  // Works on a clone of `base`; `selected_clip` is the clip to select (the first when it is
  // beyond the list). A task without clips gets its first clip, the whole range.
  TClipListModel(const TMediaBaseTask& base, int selected_clip);
  ~TClipListModel();
  TClipListModel(const TClipListModel&) = delete;
  TClipListModel& operator=(const TClipListModel&) = delete;

  // The copy being edited (its clips are the dialog's).
  TMediaBaseTask& Working() { return *working_; }
  const TMediaBaseTask& Working() const { return *working_; }
  // The source's duration D and where its range starts in the source's times.
  double Duration() const { return duration_; }
  double Origin() const { return origin_; }
  // False when the source cannot be positioned (its format flags have bit 0 or 1): the track
  // bar and the mark buttons are disabled.
  bool MarksEnabled() const;

  size_t Count() const;
  TMediaClipTask& Clip(size_t row) const;
  TClipRow Row(size_t row) const;
  // The title column's caption: "INF_DisplayTotalSegment" with the number of clips.
  TMessage TitleCaption() const;

  int Selected() const { return selected_; }  // -1: none
  void Select(int row);
  // S and E of the selected clip (0 and D without one).
  double Start() const { return start_; }
  double End() const { return end_; }

  // A new clip with the current S and E, titled "INF_ClipSegment" + "_" + the next number;
  // selected. Returns its row.
  size_t NewClip();
  // The start and end rules; true when S or E changed (the clip's range is then written).
  bool SetStart(double seconds);
  bool SetEnd(double seconds);
  // A time typed into the start or end cell of the selected row.
  TTimeEditResult EditTime(TClipColumn column, const std::string& text);
  // Removes the row's clip (from the copy) and selects the row now at that index (the last
  // row when it was the last).
  void DeleteClip(size_t row);

  bool Unsaved() const { return unsaved_; }
  void MarkSaved() { unsaved_ = false; }

private:
  // Loads S and E from the selected clip.
  void LoadSelected();
  // Writes S and E (normalised) into the selected clip; true when they changed.
  bool Store(double start, double end);

  std::unique_ptr<TMediaTask> owned_;
  TMediaBaseTask* working_ = nullptr;
  double duration_ = 0, origin_ = 0;
  int selected_ = -1;
  double start_ = 0, end_ = 0;
  bool unsaved_ = false;
};

}  // namespace fc::gui
