#pragma once
// The main window: the job list over TJobListModel, the profile pane, the preview area, the
// output folder box and Start, the menus and the list's context menu. What the commands do
// is decided by the model (job_list_model.h, command_state.h); the window asks the user
// through TUserPrompts, opens folders and pages through TDesktopActions, and shows results.

#include <QDialog>
#include <QMainWindow>
#include <QPointer>

#include <memory>
#include <string>
#include <vector>

#include "core/output_folders.h"
#include "gui/form_list.h"
#include "gui/model/command_state.h"
#include "gui/model/job_list_model.h"
#include "profiles/profile_catalogue.h"
#include "tasks/main_loop.h"
#include "tasks/media_task.h"

class QAction;
class QCheckBox;
class QSlider;
class QTimer;
class QToolButton;
class QComboBox;
class QLabel;
class QMenu;
class QSplitter;
class QStackedWidget;
class QTreeWidget;
class QTreeWidgetItem;

namespace fc {
struct TConfig;
class TMediaPlayer;
class TMediaPlayerView;
}

namespace fc::gui {

class TProfilePane;
class TProgressForm;
class TQtAudioOutput;
class TProgressQuestions;
struct TFileInformation;

class TMainForm : public QMainWindow {
  Q_OBJECT
public:
  explicit TMainForm(const TFormContext& context, QWidget* parent = nullptr);
  ~TMainForm() override;

  TJobListModel& JobList() { return list_; }
  TProfilePane& ProfilePane() { return *profile_pane_; }
  // The tasks selected in the list.
  std::vector<TJobItem*> Selection() const;
  void SelectItems(const std::vector<TJobItem*>& items);
  const TCommandStates& States() const { return states_; }
  // How often the start checks passed and the progress window was asked for.
  int ProgressWindowRequests() const { return progress_requests_; }
  // The conversion window while a run goes on (it deletes itself at the run's end), else null.
  TProgressForm* ProgressWindow() const;
  // Who answers the run's questions (tests answer instead of the dialogs); before Start.
  void SetProgressQuestions(TProgressQuestions& questions) { questions_ = &questions; }

  // The commands, callable without the menus.
  void AddPaths(const std::vector<std::string>& paths, bool dropping);
  void AddFiles();
  void AddVideoFolder();
  void LoadDvdFolder();
  void LoadIfoFile();
  void LoadIsoFile();
  void RemoveSelected();
  void ClearAll();
  void RenameSelected();
  void MoveSelected(int direction);
  void MergeSelected();
  void SlideSelected();
  void CopyEffect();
  void PasteEffect();
  void CopyWatermark();
  void PasteWatermark();
  void EffectApplyToAll();
  void WatermarkApplyToAll();
  void FormatApplyToAll();
  void ShowFileInformation();
  // The edit and clip dialogs for the selected task (their enabled states decide).
  void EditSelected();
  void TrimSelected();
  // The Customize dialog for the selected task; OK applies its settings (see ApplyCustomized).
  void CustomizeSelected();
  void ShowAbout();
  void ShowHelp();
  void ShowOptions();
  void BrowseOutputFolder();
  void FindTarget();
  void Start();
  // The conversion window's end: the list shows the tasks as the run left them.
  void RunFinished();

  // The preview: plays the selected task (pauses or resumes what plays), stops, plays the
  // next or previous top-level task, saves the picture into the snapshot folder.
  void PlayClicked();
  void PlaySelected();
  void StopPreview();
  void PlayNeighbour(int direction);
  // The snapshot's path, or "" when nothing was saved (the reason is shown).
  std::string SaveSnapshot();
  void OpenSnapshotFolder();
  // The preview processor's deinterlacing (0 none to 4), shown at once on a paused picture.
  void SetPreviewDeinterlace(int mode);
  void SetPreviewFullScreen(bool on);
  TMediaPlayer& Player() { return *player_; }
  TMediaPlayerView& PreviewView() { return *view_; }
  // The task being previewed (null when none).
  const TMediaTask* PreviewTask() const { return preview_task_; }

protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void changeEvent(QEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

private:
  void BuildActions();
  void BuildMenus();
  QWidget* BuildListArea();
  QWidget* BuildPreviewArea();
  QWidget* BuildControlPanel();
  void BuildPreviewMenu();
  // The player's state or position changed (on the window's thread).
  void PlayerStateChanged();
  void ShowPosition();
  void ApplyVolume();
  void RefreshPreviewTitle();
  // Stops and forgets the previewed task when it is among these (before they are deleted).
  void StopPreviewOf(const std::vector<TJobItem*>& items);
  // Full screen: the control panel hides after the mouse rests.
  void WatchMouseRest();
  QWidget* BuildOutputArea();
  void BuildContextMenu();
  void FillStreamMenus();
  QAction* NewAction(const char* name, const char* caption, void (TMainForm::*slot)() = nullptr);

  // Rebuilds the list's items from the model and selects `select` (or keeps the selection).
  void RefreshList(const TJobItem* select = nullptr);
  void FillItem(QTreeWidgetItem* widget_item, const TJobItem& item);
  void RefreshStates();
  void ShowResult(const TCommandResult& result);
  // The end of an add: its messages, then the DVD loader when DVD titles were found.
  void FinishAdd(TAddResult added);
  TFormContext Context() const;
  void ShowMessage(const TMessage& message);
  bool AskApplyToAll(const char* key);
  TJobItem* SelectedItem() const;
  TJobItem* ItemOf(const QTreeWidgetItem* widget_item) const;
  void OnItemChanged(QTreeWidgetItem* widget_item, int column);
  void CheckAll(bool checked);

  const TProfileItem& CurrentProfile() const;
  TProfileItem fallback_profile_;  // used while the catalogue has none
  void ProfileChosen(const TProfileItem& profile);

  void LoadOutputBox();
  void ShowOutputBox();
  void OutputBoxActivated(int index);
  void SetOutputFolder(const std::string& folder);
  void SaveOutputFolderSettings();
  void LoadWindowState();
  void SaveWindowState();
  // The file chooser's start folder from an "Output" key, and the key updated after a choice.
  QString RecentFolder(const char* key) const;
  // An IFO file or ISO image from the chooser, added like chosen files.
  void LoadDiscFile(const char* folder_key, const char* filter_key);
  void RememberFolder(const char* key, const std::string& path);
  // A folder from the chooser, starting at and then remembered in an "Output" key; "" when
  // the chooser was cancelled.
  std::string ChooseRememberedFolder(const char* caption_key, const char* folder_key);

  // Opens the conversion window over the prepared task manager. It is modal to the
  // application without a nested event loop, and deletes itself when the run is over.
  void OpenProgressWindow();

  const TConfig& config_;
  std::string program_folder_;  // the templates of the Flash output
  TUserPrompts& prompts_;
  TDesktopActions& desktop_;
  TProfileCatalogue catalogue_;
  TMediaTaskMgr manager_;
  TJobListModel list_{manager_};
  TMainLoop loop_;  // the converter's statuses, drained by the progress window's timer
  std::unique_ptr<TProgressQuestions> dialog_questions_;
  TProgressQuestions* questions_ = nullptr;
  QPointer<TProgressForm> progress_;
  TOutputFolderBox output_box_;
  TCommandStates states_;
  int progress_requests_ = 0;
  bool filling_ = false;  // the list is being rebuilt: its change signals are not edits

  struct TStateBinding {
    bool TCommandStates::*State;
    QAction* Action;
  };
  std::vector<TStateBinding> bindings_;

  TProfilePane* profile_pane_ = nullptr;
  QTreeWidget* file_list_ = nullptr;
  QStackedWidget* list_stack_ = nullptr;
  QLabel* getting_started_ = nullptr;
  QCheckBox* check_all_ = nullptr;
  QComboBox* output_dir_ = nullptr;
  QSplitter* main_splitter_ = nullptr;
  QSplitter* left_splitter_ = nullptr;
  QMenu* list_menu_ = nullptr;
  QMenu* subtitle_menu_ = nullptr;
  QMenu* audio_menu_ = nullptr;
  QAction* show_chapters_ = nullptr;

  // The preview. The sound output outlives the player that writes to it; the view is told
  // to forget the player before either goes.
  std::unique_ptr<TQtAudioOutput> audio_;
  std::unique_ptr<TMediaPlayer> player_;
  TMediaPlayerView* view_ = nullptr;
  TMediaTask* preview_task_ = nullptr;
  QStackedWidget* play_stack_ = nullptr;
  QLabel* preview_title_ = nullptr;
  QString preview_title_format_;  // "Playing: %s" in the current language
  QSlider* position_ = nullptr;
  QSlider* ctl_position_ = nullptr;
  QLabel* prog_info_ = nullptr;
  QLabel* ctl_prog_info_ = nullptr;
  QSlider* volume_ = nullptr;
  QToolButton* mute_ = nullptr;
  QWidget* ctl_panel_ = nullptr;
  QMenu* preview_menu_ = nullptr;
  QTimer* rest_timer_ = nullptr;
  QPoint last_cursor_;
  int rest_ticks_ = 0;
  int deinterlace_ = 0;
};

// The file information box of a task (non-modal, closes itself).
class TFileInfoForm : public QDialog {
  Q_OBJECT
public:
  TFileInfoForm(const TFileInformation& info, QWidget* parent = nullptr);
};

// The about box.
class TAboutForm : public QDialog {
  Q_OBJECT
public:
  explicit TAboutForm(const TConfig& config, QWidget* parent = nullptr);
};

}  // namespace fc::gui
