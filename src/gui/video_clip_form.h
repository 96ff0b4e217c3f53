#pragma once
// The video clip dialog: cuts one source into clips. It shows the source in a preview player
// with the two-mark track bar and lists the clips with their times; every rule is
// TClipListModel's, which works on a copy of the task, so the task changes only when the main
// window takes the copy's clips over after OK (RunVideoClipDialog does both).
#include <QDialog>

#include <memory>

#include "gui/form_list.h"
#include "gui/model/clip_list_model.h"
#include "gui/model/job_list_model.h"

class QLineEdit;
class QPushButton;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace fc {
class TAudioOutput;
class TMediaPlayer;
class TMediaPlayerView;
}  // namespace fc

namespace fc::gui {

class TMarkTrackBar;

class TVideoClipForm : public QDialog {
  Q_OBJECT

public:
  // The dialog for `base`, the clip at `selected_clip` of its list selected (the first when
  // beyond it). The sound goes to `sound` (none: the preview is silent).
  TVideoClipForm(const TFormContext& context, const TMediaBaseTask& base, int selected_clip,
                 QWidget* parent = nullptr, TAudioOutput* sound = nullptr);
  ~TVideoClipForm() override;

  TClipListModel& Model() { return model_; }
  TMediaPlayer* Player() const { return player_.get(); }
  // Seconds from the start of the task's range where the player is.
  double PlayerPosition() const;

  // The commands, callable without the buttons.
  void PlayOrPause();
  void StopPlaying();
  void PlaySection();
  void NextFrame();
  void PreviousFrame();
  void SetClipStart();
  void SetClipEnd();
  void NewClip();
  void DeleteRow(int row);
  // Opens the time editor over the start (1) or end (2) cell of a row; Commit stores it.
  void EditTimeCell(int row, TClipColumn column);
  void CommitTimeEdit();
  // Moves the player to seconds of the task's range (the whole range again after a section).
  void SeekTo(double seconds);
  // The position display and the track bar, as the 200 ms timer refreshes them.
  void ShowPosition();

  void accept() override;  // "Ok"
  void reject() override;  // Cancel, Escape, closing: asks when there are unsaved changes
  void done(int result) override;

private:
  void FillList();
  void ShowRow(int row);
  void ShowSelection();
  void SelectRow(int row);
  // After S or E changed: the row's cells, the marks, the player (unless it plays), the time.
  void MarksChanged(double moved_to);
  void UseWholeRange();
  bool Playing() const;
  void CellClicked(QTreeWidgetItem* item, int column);
  void RowDoubleClicked(QTreeWidgetItem* item);

  const TFormContext context_;  // a copy: callers often pass a temporary
  TClipListModel model_;
  std::unique_ptr<TMediaPlayer> player_;
  bool section_ = false;  // the player's range is the selected clip's section
  double range_base_ = 0;  // where the task's range starts on the player's time line

  TMediaPlayerView* view_ = nullptr;
  TMarkTrackBar* track_ = nullptr;
  QPushButton* play_ = nullptr;
  QPushButton* time_ = nullptr;
  QPushButton* clip_start_ = nullptr;
  QPushButton* clip_end_ = nullptr;
  QTreeWidget* list_ = nullptr;
  QLineEdit* time_editor_ = nullptr;
  bool filling_ = false;
  int edit_row_ = -1;
  TClipColumn edit_column_ = TClipColumn::Start;
  QString edit_before_;
  QTimer* timer_ = nullptr;
};

// Opens the clip dialog for a list item (a base task, or a clip: then for its base task, with
// that clip selected). On OK the base task's clips become the dialog's (TJobListModel::
// TakeClips) and the result names the rows to refresh and select; on Cancel nothing changes.
TCommandResult RunVideoClipDialog(const TFormContext& context, TJobListModel& list, TJobItem& item,
                                  QWidget* parent = nullptr, TAudioOutput* sound = nullptr);

}  // namespace fc::gui
