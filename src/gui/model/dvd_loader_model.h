#pragma once
// What the DVD loader decides: the discs just opened, each with its titles and their chapters
// as rows (a flat list in display order, each row knowing its parent), every title and chapter
// row holding a base task of its own. The job list fills it while it reads the discs
// (TJobListModel::AddPaths); the window shows it, and on OK TJobListModel::TakeDvdChoices moves
// the ticked rows into the list. Whatever task the loader still holds when it goes (Cancel, or
// nobody took them) is deleted, so a cancelled loader leaves no task behind.

#include <cstddef>
#include <string>
#include <vector>

#include "tasks/media_task.h"

namespace fc::gui {

enum class TDvdRowKind { Disc, Title, Chapter };

struct TDvdLoaderRow {
  TDvdRowKind Kind = TDvdRowKind::Disc;
  std::string Caption;             // the disc's label, "Title_01_01", "Chapter_010101"
  TMediaBaseTask* Task = nullptr;  // none for a disc
  int Parent = -1;                 // the parent row's index, -1 for a disc
  bool Checked = true;
  bool Expanded = true;
};

// The enabled state of the loader's controls for the selected row.
struct TDvdLoaderControls {
  bool Play = false, Stop = false, Previous = false, Next = false;
  bool Streams = false;  // the subtitle and audio-track boxes
};

// The subtitle and audio-track boxes of the selected row.
struct TDvdStreamChoices {
  std::vector<std::string> Subtitles, AudioTracks;
  int Subtitle = -1, AudioTrack = -1;  // the entries shown as chosen, -1 for none
  bool Enabled = false;
};

class TDvdLoaderModel {
public:
  TDvdLoaderModel() = default;
  ~TDvdLoaderModel();
  TDvdLoaderModel(const TDvdLoaderModel&) = delete;
  TDvdLoaderModel& operator=(const TDvdLoaderModel&) = delete;

  // --- filling (the job list does this) --------------------------------------------------------
  // The disc row with this key (the disc's folder or image), added when it is new.
  int Disc(const std::string& key, const std::string& label);
  int AddTitle(int disc, const std::string& caption, TMediaBaseTask& task);
  int AddChapter(int title, const std::string& caption, TMediaBaseTask& task);
  // Removes the last disc row when nothing was added under it.
  void RemoveEmptyLastDisc();

  size_t Count() const { return rows_.size(); }
  const TDvdLoaderRow& Row(size_t i) const { return rows_.at(i); }
  bool HasTitles() const;
  bool HasChildren(int row) const;
  // The label of the disc a row belongs to.
  const std::string& DiscLabel(int row) const;

  // --- the dialog ---------------------------------------------------------------------------------
  // Before showing: titles and chapters are expanded when they have child rows and unchecked
  // when they have none. Returns the row to select (1, the first title), or -1.
  int PrepareShow();
  void SetChecked(int row, bool checked);
  // Every title and chapter row (not the discs) takes this state.
  void CheckAll(bool checked);
  // The task of a row, null for a disc or an index outside the list.
  TMediaBaseTask* TaskOf(int row) const;
  // The first row after (direction +1) or before (-1) `from` that holds a task, wrapping around
  // the list; -1 when none does. Looks at each row at most once.
  int NextRowWithTask(int from, int direction) const;
  // The controls for the selected row while a preview plays or is paused (`previewing`).
  TDvdLoaderControls Controls(int selected, bool previewing) const;
  // The stream boxes of the selected row: a DVD task lists its subtitles (the selection, or the
  // last entry, "no subtitle", when the selection is not listed) and audio tracks; others none.
  TDvdStreamChoices Streams(int selected, bool previewing) const;
  void SelectSubtitle(int row, int index);
  void SelectAudioTrack(int row, int index);

  // --- the end ------------------------------------------------------------------------------------
  // Deletes every task of the rows (Cancel) and empties the list.
  void DeleteAll();
  // Hands the rows over (OK): the caller takes their tasks; the list is emptied.
  std::vector<TDvdLoaderRow> Release();

private:
  struct TDisc {
    std::string Key;
    int Row = -1;
  };
  std::vector<TDvdLoaderRow> rows_;
  std::vector<TDisc> discs_;
};

}  // namespace fc::gui
