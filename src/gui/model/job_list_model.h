#pragma once
// The job list as the main window sees it: a tree of items over the tasks of a task manager
// (top-level tasks; clips under their base task; members under a merge or slide; chapters
// under a DVD title), and the window's commands as operations that say what to show. Nothing
// here asks the user: choosers and questions happen in the window, which passes the chosen
// paths and the answers in.

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "core/output_folders.h"
#include "gui/model/dvd_loader_model.h"
#include "gui/model/job_texts.h"
#include "profiles/profile_catalogue.h"
#include "profiles/profile_item.h"
#include "tasks/media_task.h"

namespace fc::gui {

// Images of the list's kind icons.
enum class TJobIcon : int {
  DvdTitle = 1,
  DvdChapter = 2,
  BaseTask = 3,
  Clip = 5,
  Slide = 6,
  SlideMember = 7,
  Merge = 8,
  NoVideo = 9,
};

// What an item stands for beyond its task's kind.
enum class TJobItemRole { Task, DvdTitle, DvdChapter };

class TJobItem {
public:
  TJobItem(TMediaTask* task, TJobItemRole role, TJobItem* parent) : task_(task), role_(role), parent_(parent) {}
  TJobItem(const TJobItem&) = delete;
  TJobItem& operator=(const TJobItem&) = delete;

  TMediaTask* Task() const { return task_; }
  TJobItemRole Role() const { return role_; }
  TJobItem* Parent() const { return parent_; }
  size_t ChildCount() const { return children_.size(); }
  TJobItem* Child(size_t i) const { return children_.at(i).get(); }
  // True for an item under a merge or slide item.
  bool IsMember() const;

  bool Checked = true;
  bool Expanded = false;

private:
  friend class TJobListModel;
  TMediaTask* task_;
  TJobItemRole role_;
  TJobItem* parent_;
  std::vector<std::unique_ptr<TJobItem>> children_;
};

// The list's columns after the caption.
enum class TJobColumn { Length = 0, EstimatedSize = 1, OutputFile = 2 };

// What a command asks the window to do afterwards.
struct TCommandResult {
  std::vector<TMessage> Messages;  // shown in this order, titled "Info_Title"
  TJobItem* Select = nullptr;      // the item to select (and bring into view), when set
  bool Changed = false;            // the list changed: refresh the items and the enabled state
};

struct TAddOptions {
  bool Dropping = false;  // dropped folders are refused
  int32_t OpenFlags = 0;
};

struct TAddResult : TCommandResult {
  int Added = 0;
  int Failed = 0;
  std::vector<std::string> FailedNames;
  bool ShowGettingStarted = false;  // the list is empty: show the picture instead
  // The DVD titles and chapters found, waiting for the user's choice (null when there were
  // none): the window shows the loader after the messages and hands it to TakeDvdChoices on
  // OK; dropped without that, its tasks are deleted.
  std::unique_ptr<TDvdLoaderModel> DvdLoader;
};

// The output-folder questions of a start.
struct TStartEnvironment {
  std::string DefaultOutputFolder;  // put back when the folder text is not a folder path
  // Free bytes of the volume that holds a folder (tests replace it).
  std::function<uint64_t(const std::string&)> FreeSpace;
};

struct TStartResult : TCommandResult {
  bool Ready = false;            // the run may start: the manager's OutputFolder is set
  bool SelectFolderText = false; // the folder box gets the focus, its text selected
  std::optional<std::string> FolderText;  // the folder box's new text, when it changes
};

// Free bytes through std::filesystem::space (0 when it cannot be asked).
uint64_t VolumeFreeSpace(const std::string& folder);

// The IFO files of a DVD folder: its VIDEO_TS subfolder when it has one; nothing when there
// is no "VTS_01_0.IFO"; otherwise every "VTS*.IFO", in name order.
std::vector<std::string> FindDvdIfoFiles(const std::string& folder);
// The video files of a folder (not its subfolders) whose extension is supported, in name order.
std::vector<std::string> FindVideoFiles(const std::string& folder);

class TJobListModel {
public:
  explicit TJobListModel(TMediaTaskMgr& manager);
  ~TJobListModel();
  TJobListModel(const TJobListModel&) = delete;
  TJobListModel& operator=(const TJobListModel&) = delete;

  TMediaTaskMgr& Manager() const { return manager_; }
  // Where the custom profile's format is looked up (may stay null: the container stays).
  const TProfileCatalogue* Catalogue = nullptr;

  // --- the tree ----------------------------------------------------------------------------
  size_t Count() const { return items_.size(); }
  TJobItem* Item(size_t i) const { return items_.at(i).get(); }
  bool Empty() const { return items_.empty(); }
  // Position of a top-level item, -1 for a child or an unknown item.
  int IndexOf(const TJobItem* item) const;
  // Every item, parents before their children, in display order.
  std::vector<TJobItem*> AllItems() const;
  // The item that shows this task (the first, for a task shown twice), or null.
  TJobItem* FindItem(const TMediaTask* task) const;

  std::string Caption(const TJobItem& item) const;
  std::string ColumnText(const TJobItem& item, TJobColumn column) const;
  TJobIcon Icon(const TJobItem& item) const;

  // --- adding --------------------------------------------------------------------------------
  // Files, dropped paths, IFO files or ISO images, through `profile`. A ".swf" is refused; a
  // lone "VIDEO_TS.IFO" is skipped; an IFO file puts the titles of its title set, an ISO image
  // those of every title set, into the result's DVD loader under the disc's row (with their
  // chapters while ShowChapters is on), each with a task of its own.
  TAddResult AddPaths(const std::vector<std::string>& paths, const TProfileItem& profile,
                      const TAddOptions& options = {});
  // The supported video files of a folder; "INF_FolderInvalid" when there are none.
  TAddResult AddFolder(const std::string& folder, const TProfileItem& profile, int32_t open_flags = 0);
  // The IFO files of a DVD folder; "INF_FolderInvalid" when there are none.
  TAddResult AddDvdFolder(const std::string& folder, const TProfileItem& profile);

  // Whether DVD titles added from now on get their chapters as child items.
  bool ShowChapters = true;
  // The loader's choice (OK): a ticked title becomes an item with its chapters as children; a
  // ticked chapter whose title is not ticked becomes an item of its own; the tasks of the other
  // rows are deleted. Captions (and the tasks' titles) are the disc's label, "_" and the row's.
  TCommandResult TakeDvdChoices(TDvdLoaderModel& loader);
  // The clip dialog's OK: the base task's clips become those of the edited copy (clips gone
  // there are deleted, the others updated or made), the item's clip rows follow them, checked;
  // the base item is unchecked and expanded, or checked again when no clip is left. Selects
  // the clip at `selected_clip` of the copy's list.
  TCommandResult TakeClips(TJobItem& base_item, const TMediaBaseTask& edited, int selected_clip);

  // --- profiles --------------------------------------------------------------------------------
  // Applies a profile to a task: format and extension, the output name (unique), the encode
  // record; with `customised`, the manager's default Flash settings and custom profile too;
  // the watermark scaled to the new output size.
  void ApplyProfile(TMediaTask& task, const TProfileItem& profile, bool customised = false);
  // The profile onto every checked top-level task (choosing a profile in the pane).
  TCommandResult ApplyProfileToChecked(const TProfileItem& profile, bool customised = false);
  // The Customize dialog's OK: its Flash settings and custom profile become the manager's
  // defaults, and `profile` with them goes onto every checked top-level task and onto the
  // task the dialog was opened for, checked or not.
  TCommandResult ApplyCustomized(const TSwfFeature& flash, const TCustomProfileSettings& custom,
                                 const TProfileItem& profile, TJobItem& customised);

  // --- editing the list ------------------------------------------------------------------------
  // The output name typed in the list; an empty (or unusable) text keeps the old name.
  TCommandResult Rename(TJobItem& item, const std::string& text);
  // Removes the items with their tasks; members of a merge or slide survive as tasks of their
  // own; a merge or slide left empty goes too.
  TCommandResult Remove(const std::vector<TJobItem*>& selection);
  TCommandResult Clear();
  // Moves the top-level item holding `item` one position up (-1) or down (+1).
  TCommandResult Move(TJobItem& item, int direction);
  TCommandResult Merge(const std::vector<TJobItem*>& selection, const TProfileItem& profile);
  TCommandResult Slide(const std::vector<TJobItem*>& selection, const TProfileItem& profile);

  // --- copy and paste ----------------------------------------------------------------------------
  void CopyEffect(const TJobItem& item);
  void CopyWatermark(const TJobItem& item);
  bool CanPasteEffect() const { return effect_source_ != nullptr; }
  bool CanPasteWatermark() const { return watermark_source_ != nullptr; }
  TMediaTask* EffectSource() const { return effect_source_; }
  TMediaTask* WatermarkSource() const { return watermark_source_; }
  TCommandResult PasteEffect(TJobItem& item);
  TCommandResult PasteWatermark(TJobItem& item);
  // After the window's question was answered yes: the selected item's effect or watermark
  // onto every other top-level task with edits.
  TCommandResult EffectApplyToAll(const TJobItem& source);
  TCommandResult WatermarkApplyToAll(const TJobItem& source);
  // The selected task's Flash settings and custom profile, with `profile`, onto every other task.
  TCommandResult FormatApplyToAll(const TJobItem& source, const TProfileItem& profile);

  // --- DVD streams -------------------------------------------------------------------------------
  std::vector<std::string> SubtitleNames(const TJobItem& item) const;
  std::vector<std::string> AudioTrackNames(const TJobItem& item) const;
  // Index of the selected entry, -1 for none.
  int SelectedSubtitle(const TJobItem& item) const;
  int SelectedAudioTrack(const TJobItem& item) const;
  void SelectSubtitle(TJobItem& item, int index);
  void SelectAudioTrack(TJobItem& item, int index);

  // --- the start -----------------------------------------------------------------------------
  // The checks of Start in order: the output folder (an absolute path, made when missing), a
  // checked task, no "COPY" first task, enough free space. When Ready, the manager's
  // OutputFolder is the folder and the tasks are numbered and excluded as their items say.
  TStartResult PrepareStart(const std::string& folder_text, const TStartEnvironment& environment);
  // Find Target and the other users of the folder box: the folder accepted, made when missing.
  TStartResult ValidateOutputFolder(const std::string& folder_text, const std::string& default_folder);

  // The counters that number merges and slides (tests read them).
  int32_t MergeCounter() const { return merge_counter_; }
  int32_t SlideCounter() const { return slide_counter_; }

private:
  TJobItem* AddItem(TMediaTask* task, TJobItemRole role, TJobItem* parent, bool checked);
  TMediaBaseTask* AddFileTask(const std::string& path, const TProfileItem& profile, int32_t open_flags);
  TAddResult AddPathsInto(const std::vector<std::string>& paths, const TProfileItem& profile, const TAddOptions& options,
                          TDvdLoaderModel& loader);
  // The titles of an IFO file's title set, or of every set of an ISO image, into the loader;
  // returns how many titles it added.
  int AddDvdSet(const std::string& path, const TProfileItem& profile, int32_t open_flags, bool& protected_disc,
                TDvdLoaderModel& loader);
  TCommandResult Join(const std::vector<TJobItem*>& selection, const TProfileItem& profile, bool slide);
  // Takes an item with its children out of the tree.
  std::unique_ptr<TJobItem> Detach(TJobItem* item);
  // Deletes the tasks an item (taken out of the tree) holds: its children's first; members of
  // a merge or slide are left to it.
  void DeleteTasks(TJobItem& item);
  // A task is being deleted: the items that show it or its children, and the copy sources,
  // are forgotten.
  void OnTaskRemoved(TMediaTask* task);
  void ForgetTask(const TMediaTask* task);
  void PruneEmptyJoins();
  std::vector<std::unique_ptr<TJobItem>>& SiblingsOf(const TJobItem* item);

  TMediaTaskMgr& manager_;
  std::vector<std::unique_ptr<TJobItem>> items_;
  TMediaTask* effect_source_ = nullptr;
  TMediaTask* watermark_source_ = nullptr;
  int32_t merge_counter_ = 0;
  int32_t slide_counter_ = 0;
  int listener_key_ = -1;
};

}  // namespace fc::gui
