#pragma once
// The DVD loader: the discs just opened with their titles and chapters, ticked to become tasks,
// a preview of the selected title or chapter, and its subtitle and audio track. Every rule is
// TDvdLoaderModel's; the window shows it. The preview player exists only while a preview runs.
#include <QDialog>
#include <QPointer>

#include <memory>

#include "gui/form_list.h"
#include "gui/model/dvd_loader_model.h"
#include "gui/model/job_list_model.h"
#include "playback/media_player.h"

class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTimer;
class QTreeWidget;
class QTreeWidgetItem;

namespace fc {
class TAudioOutput;
class TMediaPlayerView;
}  // namespace fc

namespace fc::gui {

class TMarkTrackBar;

class TDVDLoadForm : public QDialog {
  Q_OBJECT

public:
  // Shows `loader`'s rows (prepared for showing: see TDvdLoaderModel::PrepareShow); the loader
  // must outlive the window. The preview's sound goes to `sound` (none: silent).
  TDVDLoadForm(const TFormContext& context, TDvdLoaderModel& loader, QWidget* parent = nullptr,
               TAudioOutput* sound = nullptr);
  ~TDVDLoadForm() override;

  TDvdLoaderModel& Loader() { return loader_; }
  // The selected row (-1: none) and the task being previewed (null: none).
  int SelectedRow() const;
  void SelectRow(int row);
  TMediaTask* PreviewedTask() const { return previewed_; }
  TMediaPlayer* Player() const { return player_.get(); }
  bool Previewing() const;

  // The commands, callable without the buttons.
  void PlayPause();
  void Play();
  void Stop();
  void PlayNext();
  void PlayPrevious();
  void CheckAll(bool checked);
  // Refreshes the buttons, the title and (with `reload`) the stream boxes.
  void RefreshControls(bool reload);

  void done(int result) override;

protected:
  void changeEvent(QEvent* event) override;

private:
  void FillTree();
  void ItemChanged(QTreeWidgetItem* item, int column);
  void StateChanged();
  void Clicked();
  void ClickTimerExpired();
  void PlayerState(TPlayerState state);
  void PlayerProgress(double played, double total);
  void ShowTime(double position, double total);
  void ShowTitle();
  void PlayRow(int row);

  const TFormContext context_;  // a copy: callers often pass a temporary
  TDvdLoaderModel& loader_;
  TAudioOutput* sound_;
  std::unique_ptr<TMediaPlayer> player_;
  TMediaTask* previewed_ = nullptr;
  double play_length_ = 0;
  QString title_template_;
  bool was_playing_ = false;
  bool changed_ = false;
  bool double_clicked_ = false;
  bool filling_ = false;

  QTreeWidget* list_ = nullptr;
  QCheckBox* check_all_ = nullptr;
  QLabel* title_ = nullptr;
  TMediaPlayerView* view_ = nullptr;
  QWidget* screen_ = nullptr;  // the black area the view shows in
  TMarkTrackBar* track_ = nullptr;
  QLabel* time_ = nullptr;
  QPushButton* play_ = nullptr;
  QPushButton* stop_ = nullptr;
  QPushButton* previous_ = nullptr;
  QPushButton* next_ = nullptr;
  QComboBox* subtitles_ = nullptr;
  QComboBox* audio_tracks_ = nullptr;
  QTimer* refresh_timer_ = nullptr;
  QTimer* click_timer_ = nullptr;
};

// The end of an add command: shows the add's messages, then, when the add found DVD titles,
// the DVD loader over them; on OK the ticked titles and chapters join the list
// (TJobListModel::TakeDvdChoices), on Cancel every task the loader held is deleted. The
// result names what the window refreshes and selects (its messages were shown already).
TCommandResult RunDvdLoader(const TFormContext& context, TJobListModel& list, TAddResult added,
                            QWidget* parent = nullptr, TAudioOutput* sound = nullptr);

}  // namespace fc::gui
