#include "gui/model/job_list_model.h"

#include <algorithm>
#include <set>

#include "core/error.h"
#include "core/language.h"
#include "core/paths.h"
#include "core/text.h"
#include "engine/dvd.h"
#include "engine/formats.h"
#include "profiles/profile_choices.h"
#include "tasks/task_builder.h"
#include "tasks/task_source.h"

namespace fc::gui {

namespace fs = std::filesystem;

namespace {

bool IsJoin(const TMediaTask* task) {
  return task && (task->Kind() == TMediaTaskKind::Merge || task->Kind() == TMediaTaskKind::Slide);
}

TMediaTaskMergeSource& JoinSource(TMediaTask& join) { return static_cast<TMediaMergeTask&>(join).MergeSource(); }

std::string FileNameOf(const std::string& path) { return fs::path(path).filename().string(); }

std::string LowerExtension(const std::string& path) { return ToLowerAscii(fs::path(path).extension().string()); }

// The output extension of a profile: its container's, or the source's own when the program
// has no writer of that name (stream copy keeps the source's container).
std::string ProfileExtension(const TProfileItem& profile, const TMediaTask& task) {
  if (const TContainerFormat* c = FindContainer(profile.FourCC)) return c->Extension;
  const TMediaTaskMediaSource* src = task.Source();
  const std::string ext = src ? fs::path(src->FileName).extension().string() : std::string();
  return ext.empty() ? ".flv" : ext;
}

// value * now / before, each size taken as at least 1.
int32_t Scaled(int32_t value, int32_t now, int32_t before) {
  return static_cast<int32_t>(static_cast<int64_t>(value) * std::max(now, 1) / std::max(before, 1));
}

void ScaleWatermark(TMediaTaskWatermark& w, int32_t old_width, int32_t old_height, int32_t new_width,
                    int32_t new_height) {
  w.X = Scaled(w.X, new_width, old_width);
  w.Width = Scaled(w.Width, new_width, old_width);
  w.Y = Scaled(w.Y, new_height, old_height);
  w.Height = Scaled(w.Height, new_height, old_height);
}

int StreamIndex(const std::vector<TStreamEntry>& list, int32_t id) {
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i].Id == id) return static_cast<int>(i);
  return -1;
}

}  // namespace

bool TJobItem::IsMember() const { return parent_ && IsJoin(parent_->Task()); }

uint64_t VolumeFreeSpace(const std::string& folder) {
  std::error_code ec;
  const fs::space_info info = fs::space(folder, ec);
  return ec ? 0 : info.available;
}

std::vector<std::string> FindDvdIfoFiles(const std::string& folder) {
  std::error_code ec;
  fs::path dir = folder;
  if (!IEquals(dir.filename().string(), "VIDEO_TS") && dir.filename().empty())
    dir = dir.parent_path();  // a trailing "/"
  if (!IEquals(dir.filename().string(), "VIDEO_TS") && fs::is_directory(dir / "VIDEO_TS", ec)) dir /= "VIDEO_TS";
  std::vector<std::string> found;
  bool has_first_set = false;
  for (const auto& entry : fs::directory_iterator(dir, ec)) {
    const std::string name = entry.path().filename().string();
    if (!entry.is_regular_file(ec)) continue;
    if (IEquals(name, "VTS_01_0.IFO")) has_first_set = true;
    if (WildcardMatch("VTS*.IFO", name)) found.push_back(entry.path().string());
  }
  if (!has_first_set) return {};
  std::sort(found.begin(), found.end());
  return found;
}

std::vector<std::string> FindVideoFiles(const std::string& folder) {
  std::vector<std::string> found;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec))
    if (entry.is_regular_file(ec) && IsSupportedVideoFile(entry.path().string())) found.push_back(entry.path().string());
  std::sort(found.begin(), found.end());
  return found;
}

// ---------------------------------------------------------------------------------------------

TJobListModel::TJobListModel(TMediaTaskMgr& manager) : manager_(manager) {
  listener_key_ = manager_.AddRemovalListener([this](TMediaTask* task) { OnTaskRemoved(task); });
}

TJobListModel::~TJobListModel() { manager_.RemoveRemovalListener(listener_key_); }

int TJobListModel::IndexOf(const TJobItem* item) const {
  for (size_t i = 0; i < items_.size(); ++i)
    if (items_[i].get() == item) return static_cast<int>(i);
  return -1;
}

std::vector<TJobItem*> TJobListModel::AllItems() const {
  std::vector<TJobItem*> out;
  const std::function<void(const std::vector<std::unique_ptr<TJobItem>>&)> walk =
      [&](const std::vector<std::unique_ptr<TJobItem>>& list) {
        for (const auto& item : list) {
          out.push_back(item.get());
          walk(item->children_);
        }
      };
  walk(items_);
  return out;
}

TJobItem* TJobListModel::FindItem(const TMediaTask* task) const {
  for (TJobItem* item : AllItems())
    if (item->Task() == task) return item;
  return nullptr;
}

std::string TJobListModel::Caption(const TJobItem& item) const { return item.Task() ? item.Task()->Title : ""; }

std::string TJobListModel::ColumnText(const TJobItem& item, TJobColumn column) const {
  TMediaTask* task = item.Task();
  if (!task) return "";
  if (item.IsMember()) {
    // Members are converted as part of their merge or slide: only a slide member has a file.
    if (column != TJobColumn::OutputFile || task->Kind() != TMediaTaskKind::MultiProfile) return "-";
    return task->OutputFileName;
  }
  switch (column) {
    case TJobColumn::Length:
      return TimeText(task->Duration());
    case TJobColumn::EstimatedSize:
      return EstimatedSizeText(*task);
    case TJobColumn::OutputFile:
      return task->OutputFileName;
  }
  return "";
}

TJobIcon TJobListModel::Icon(const TJobItem& item) const {
  if (item.Role() == TJobItemRole::DvdTitle) return TJobIcon::DvdTitle;
  if (item.Role() == TJobItemRole::DvdChapter) return TJobIcon::DvdChapter;
  const TMediaTask* task = item.Task();
  const bool has_video = task && task->Source() && task->Source()->HasVideo;
  switch (task ? task->Kind() : TMediaTaskKind::Base) {
    case TMediaTaskKind::Clip:
      return has_video ? TJobIcon::Clip : TJobIcon::NoVideo;
    case TMediaTaskKind::MultiProfile:
      return TJobIcon::SlideMember;
    case TMediaTaskKind::Merge:
      return TJobIcon::Merge;
    case TMediaTaskKind::Slide:
      return TJobIcon::Slide;
    case TMediaTaskKind::Base:
      break;
  }
  return has_video ? TJobIcon::BaseTask : TJobIcon::NoVideo;
}

TJobItem* TJobListModel::AddItem(TMediaTask* task, TJobItemRole role, TJobItem* parent, bool checked) {
  auto item = std::make_unique<TJobItem>(task, role, parent);
  item->Checked = checked;
  TJobItem* raw = item.get();
  (parent ? parent->children_ : items_).push_back(std::move(item));
  return raw;
}

std::vector<std::unique_ptr<TJobItem>>& TJobListModel::SiblingsOf(const TJobItem* item) {
  return item->Parent() ? item->Parent()->children_ : items_;
}

// --- adding ------------------------------------------------------------------------------------

TMediaBaseTask* TJobListModel::AddFileTask(const std::string& path, const TProfileItem& profile, int32_t open_flags) {
  TConversionRequest request;
  request.OpenFlags = open_flags;
  TTaskBuilder builder(manager_, profile);
  const std::vector<TMediaBaseTask*> added = builder.AddInput(path, request);
  if (added.empty()) return nullptr;
  TMediaBaseTask* task = added.front();
  task->Title = FileNameOf(path);
  ApplySubtitleDefaults(*task);
  if (!task->Source() || !task->Source()->HasVideo) {
    task->Delete();
    return nullptr;
  }
  ApplyProfile(*task, profile);
  return task;
}

int TJobListModel::AddDvdSet(const std::string& path, const TProfileItem& profile, int32_t open_flags,
                             bool& protected_disc, TDvdLoaderModel& loader) {
  const TDVDIFOInfo dvd(path);
  if (dvd.HaveCSSProtect()) {
    protected_disc = true;
    return 0;
  }
  // The disc's label and its title sets: "VTS_01_0.IFO" is set 01 of the disc in the folder
  // above VIDEO_TS; an ISO image is a disc of its own with all its sets.
  const bool iso = LowerExtension(path) == ".iso";
  const std::string file_name = FileNameOf(path);
  std::vector<int> title_sets;  // 0: any title
  std::string label, disc_key;
  if (iso) {
    label = std::string(Trim(fs::path(path).stem().string()));
    disc_key = path;
    for (const TDvdTitle& t : dvd.Titles())
      if (std::find(title_sets.begin(), title_sets.end(), t.TitleSet) == title_sets.end())
        title_sets.push_back(t.TitleSet);
    std::sort(title_sets.begin(), title_sets.end());
  } else {
    int title_set = 0;
    if (IStartsWith(file_name, "VTS_") && file_name.size() >= 6)
      title_set = ParseInt32(file_name.substr(4, 2)).value_or(0);
    title_sets.push_back(title_set);
    fs::path folder = fs::path(path).parent_path();
    if (IEquals(folder.filename().string(), "VIDEO_TS")) folder = folder.parent_path();
    label = folder.filename().string();
    disc_key = folder.string();
  }
  if (label.empty()) label = dvd.VolumeName();
  label = SafeFileStem(label);
  if (label.empty()) label = "DVD";
  const int disc = loader.Disc(disc_key, label);

  TConversionRequest request;
  request.OpenFlags = open_flags;
  TTaskBuilder builder(manager_, profile);
  const auto add = [&](int title, int chapter, const std::string& caption) -> TMediaBaseTask& {
    auto source = std::make_unique<TMediaTaskDVDSource>(path, &dvd, chapter, title, open_flags);
    TMediaBaseTask* task = builder.AddBaseTask(std::move(source), caption, request);
    task->Title = caption;
    ApplySubtitleDefaults(*task);
    ApplyProfile(*task, profile);
    return *task;
  };
  int added = 0;
  for (const int set : title_sets) {
    // The set's short name: the two digits of its IFO file, or its number on an image.
    const std::string short_name = Format("%.2d", set > 0 ? set : 1);
    int number = 0;  // the title's position within its set
    for (int i = 0; i < dvd.TitleCount(); ++i) {
      if (set != 0 && dvd.Titles()[static_cast<size_t>(i)].TitleSet != set) continue;
      ++number;
      if (!dvd.TitleAvailable(i)) continue;
      const std::string title_caption = Format("Title_%s_%.2d", short_name.c_str(), number);
      const int row = loader.AddTitle(disc, title_caption, add(i, -1, label + "_" + title_caption));
      ++added;
      if (!ShowChapters) continue;
      for (int c = 0; c < dvd.ChapterCount(i); ++c) {
        const std::string chapter_caption = Format("Chapter_%s%.2d%.2d", short_name.c_str(), number, c + 1);
        loader.AddChapter(row, chapter_caption, add(i, c, label + "_" + chapter_caption));
      }
    }
  }
  if (added == 0) loader.RemoveEmptyLastDisc();
  return added;
}

TAddResult TJobListModel::AddPaths(const std::vector<std::string>& paths, const TProfileItem& profile,
                                   const TAddOptions& options) {
  auto loader = std::make_unique<TDvdLoaderModel>();
  TAddResult result = AddPathsInto(paths, profile, options, *loader);
  if (loader->HasTitles()) result.DvdLoader = std::move(loader);
  return result;
}

TAddResult TJobListModel::AddPathsInto(const std::vector<std::string>& paths, const TProfileItem& profile,
                                       const TAddOptions& options, TDvdLoaderModel& loader) {
  TAddResult result;
  const size_t first_new = items_.size();
  bool protected_disc = false, dropped_folders = false, last_was_dvd = false;
  std::vector<std::string> failed_files;
  const auto fail = [&](const std::string& path) {
    ++result.Failed;
    result.FailedNames.push_back(FileNameOf(path));
  };
  for (const std::string& path : paths) {
    std::error_code ec;
    const std::string ext = LowerExtension(path);
    last_was_dvd = ext == ".ifo" || ext == ".iso";
    if (fs::is_directory(path, ec)) {
      if (options.Dropping) {
        dropped_folders = true;
        ++result.Failed;
        continue;
      }
      // A folder named on the command line: its DVD sets, else its videos.
      std::vector<std::string> inner = FindDvdIfoFiles(path);
      if (inner.empty()) inner = FindVideoFiles(path);
      if (inner.empty()) {
        fail(path);
        continue;
      }
      TAddResult sub = AddPathsInto(inner, profile, {false, options.OpenFlags}, loader);
      result.Added += sub.Added;
      result.Failed += sub.Failed;
      result.FailedNames.insert(result.FailedNames.end(), sub.FailedNames.begin(), sub.FailedNames.end());
      failed_files.insert(failed_files.end(), sub.FailedNames.begin(), sub.FailedNames.end());
      continue;
    }
    if (ext == ".swf") {
      fail(path);
      failed_files.push_back(FileNameOf(path));
      continue;
    }
    if (IEquals(FileNameOf(path), "VIDEO_TS.IFO")) continue;  // the menus: nothing to convert
    try {
      if (ext == ".ifo" || ext == ".iso") {
        if (AddDvdSet(path, profile, options.OpenFlags, protected_disc, loader) > 0) {
          ++result.Added;
        } else if (!protected_disc) {
          fail(path);
          failed_files.push_back(FileNameOf(path));
        }
      } else if (TMediaBaseTask* task = AddFileTask(path, profile, options.OpenFlags)) {
        AddItem(task, TJobItemRole::Task, nullptr, true);
        ++result.Added;
      } else {
        fail(path);
        failed_files.push_back(FileNameOf(path));
      }
    } catch (const std::exception&) {
      fail(path);
      failed_files.push_back(FileNameOf(path));
    }
  }

  const auto names = [](const std::vector<std::string>& list) {
    std::string text;
    for (const std::string& n : list) text += (text.empty() ? "" : "\n") + n;
    return text;
  };
  bool failures_told = false;
  if (protected_disc) {
    result.Messages.push_back({"INF_UnCss", {}});
  } else if (result.Added == 0 && !options.Dropping && last_was_dvd) {
    loader.RemoveEmptyLastDisc();
    result.Messages.push_back(
        {"INF_Select_File", {int64_t{result.Added}, int64_t{result.Failed}, names(result.FailedNames)}});
    failures_told = true;
  }
  if (dropped_folders) result.Messages.push_back({"INF_DropFolderFile", {}});
  // Dropped folders have their own message; the other failures are listed by name.
  if (!failures_told && !failed_files.empty()) {
    const auto failed = static_cast<int64_t>(failed_files.size());
    if (result.Added > 0)
      result.Messages.push_back({"INF_ErrorAddFile", {int64_t{result.Added}, failed, names(failed_files)}});
    else
      result.Messages.push_back({"INF_ErrorAdd", {failed, names(failed_files)}});
  }
  // DVD titles wait in the loader: the list itself changed only when items joined it.
  result.Changed = items_.size() > first_new;
  if (result.Changed) result.Select = items_[first_new].get();
  result.ShowGettingStarted = items_.empty();
  return result;
}

TAddResult TJobListModel::AddFolder(const std::string& folder, const TProfileItem& profile, int32_t open_flags) {
  const std::vector<std::string> files = FindVideoFiles(folder);
  if (files.empty()) {
    TAddResult result;
    result.Messages.push_back({"INF_FolderInvalid", {}});
    result.ShowGettingStarted = items_.empty();
    return result;
  }
  return AddPaths(files, profile, {false, open_flags});
}

TAddResult TJobListModel::AddDvdFolder(const std::string& folder, const TProfileItem& profile) {
  const std::vector<std::string> files = FindDvdIfoFiles(folder);
  if (files.empty()) {
    TAddResult result;
    result.Messages.push_back({"INF_FolderInvalid", {}});
    result.ShowGettingStarted = items_.empty();
    return result;
  }
  return AddPaths(files, profile);
}

TCommandResult TJobListModel::TakeDvdChoices(TDvdLoaderModel& loader) {
  TCommandResult result;
  std::vector<std::string> labels;
  for (size_t i = 0; i < loader.Count(); ++i) labels.push_back(loader.DiscLabel(static_cast<int>(i)));
  const std::vector<TDvdLoaderRow> rows = loader.Release();
  std::vector<bool> taken(rows.size(), false);
  const size_t first_new = items_.size();
  const auto take = [&](size_t row, TJobItemRole role, TJobItem* parent, bool checked) {
    TMediaBaseTask* task = rows[row].Task;
    task->Title = labels[row] + "_" + rows[row].Caption;
    taken[row] = true;
    return AddItem(task, role, parent, checked);
  };
  for (size_t i = 0; i < rows.size(); ++i) {
    const TDvdLoaderRow& row = rows[i];
    if (!row.Task || !row.Checked) continue;
    if (row.Kind == TDvdRowKind::Title) {
      TJobItem* item = take(i, TJobItemRole::DvdTitle, nullptr, true);
      for (size_t c = i + 1; c < rows.size(); ++c)
        if (rows[c].Parent == static_cast<int>(i) && rows[c].Task)
          take(c, TJobItemRole::DvdChapter, item, rows[c].Checked);
      item->Expanded = item->ChildCount() > 0;
    } else if (row.Kind == TDvdRowKind::Chapter && !taken[i]) {
      // A chapter chosen without its title: an item of its own.
      take(i, TJobItemRole::DvdChapter, nullptr, true);
    }
  }
  // What was not chosen goes; chapters before their titles.
  for (size_t i = rows.size(); i-- > 0;)
    if (rows[i].Task && !taken[i]) rows[i].Task->Delete();
  result.Changed = items_.size() > first_new;
  if (result.Changed) result.Select = items_[first_new].get();
  return result;
}

TCommandResult TJobListModel::TakeClips(TJobItem& base_item, const TMediaBaseTask& edited, int selected_clip) {
  TCommandResult result;
  auto* base = dynamic_cast<TMediaBaseTask*>(base_item.Task());
  if (!base || base == &edited) return result;
  // Clips removed in the copy are deleted the usual way, so every listener forgets them.
  std::vector<TMediaTask*> gone;
  for (TMediaTask* clip : base->Clips())
    if (edited.Clips().IndexOfClipId(static_cast<TMediaClipTask*>(clip)->ClipId) < 0) gone.push_back(clip);
  for (TMediaTask* clip : gone) clip->Delete();
  base->SyncClipsFrom(edited);

  // The clip rows follow the clip list; other children (a DVD title's chapters) stay first.
  std::erase_if(base_item.children_, [](const std::unique_ptr<TJobItem>& child) {
    return child->Task() && child->Task()->Kind() == TMediaTaskKind::Clip;
  });
  for (TMediaTask* clip : base->Clips()) AddItem(clip, TJobItemRole::Task, &base_item, true);
  const bool has_clips = base->Clips().Count() > 0;
  base_item.Checked = !has_clips;
  if (has_clips) base_item.Expanded = true;
  result.Changed = true;
  result.Select = &base_item;
  if (selected_clip >= 0 && static_cast<size_t>(selected_clip) < edited.Clips().Count()) {
    const int32_t id = static_cast<TMediaClipTask*>(edited.Clips().Items(static_cast<size_t>(selected_clip)))->ClipId;
    if (const TMediaClipTask* clip = base->Clips().FindByClipId(id))
      if (TJobItem* item = FindItem(clip)) result.Select = item;
  }
  return result;
}

// --- profiles ------------------------------------------------------------------------------------

void TJobListModel::ApplyProfile(TMediaTask& task, const TProfileItem& profile, bool customised) {
  int32_t old_width = 0, old_height = 0;
  task.OutputSize(old_width, old_height);
  task.FormatId = profile.EffectiveId();
  task.ProfileExt = ProfileExtension(profile, task);

  const auto rename = [&](const std::string& ext) {
    std::string stem = task.OutputFileName;
    if (stem.empty() && task.Source()) stem = FileNameOf(task.Source()->FileName);
    stem = SafeFileStem(fs::path(stem).replace_extension().string());
    if (stem.empty()) stem = SafeFileStem(task.Title);
    if (stem.empty()) stem = "output";
    task.OutputFileName = manager_.Tasks().MakeUniqueName(&task, stem, ext);
  };
  rename(task.ProfileExt);

  TEncodeParams& record = task.Record();
  fc::ApplyProfile(&profile, &record);
  TMediaTaskEditParams* edits = task.EditParams();
  if (!edits || !edits->UserScaleMode) record.ScaleMode = profile.ResizeStyle;
  // A profile without a frame size keeps the task's.
  if (profile.Width == 0 || profile.Height == 0) {
    record.Width = old_width;
    record.Height = old_height;
  }

  if (customised) {
    const TProfileAdd& add = manager_.DefaultFlash.ProfileAdd;
    if (TMediaTaskMediaSource* src = task.Source(); src && task.Kind() == TMediaTaskKind::Base) {
      src->ExternalAudio.FileName = add.ReplaceAudio;
      src->ExternalAudio.Loop = add.ReplaceLoop;
      src->ExternalAudio.ClipStart = add.ClipStartPos;
      src->ExternalAudio.ClipEnd = add.ClipEndPos;
    }
    if (!add.AudioEnabled) record.NoAudio = 1;
    task.Flash.Assign(&manager_.DefaultFlash, true);
    const TCustomProfileSettings& custom = manager_.CustomProfile;
    if (const TProfileItem* base = Catalogue ? Catalogue->FindProfile(custom.FormatId) : nullptr) {
      record.ContainerFourCC = base->FourCC;
      // The file's extension follows its container.
      if (const std::string ext = ProfileExtension(*base, task); ext != task.ProfileExt) {
        task.ProfileExt = ext;
        rename(ext);
      }
    }
    custom.ApplyTo(task, true);
  }

  if (edits && edits->Watermark.Enabled && !profile.NoVideo()) {
    int32_t new_width = 0, new_height = 0;
    task.OutputSize(new_width, new_height);
    ScaleWatermark(edits->Watermark, old_width, old_height, new_width, new_height);
  }
}

TCommandResult TJobListModel::ApplyProfileToChecked(const TProfileItem& profile, bool customised) {
  TCommandResult result;
  for (const auto& item : items_)
    if (item->Checked && item->Task()) {
      ApplyProfile(*item->Task(), profile, customised);
      result.Changed = true;
    }
  return result;
}

TCommandResult TJobListModel::ApplyCustomized(const TSwfFeature& flash, const TCustomProfileSettings& custom,
                                              const TProfileItem& profile, TJobItem& customised) {
  manager_.DefaultFlash.Assign(&flash, true);
  manager_.CustomProfile = custom;
  TCommandResult result = ApplyProfileToChecked(profile, true);
  const bool covered = customised.Checked && !customised.Parent();
  if (TMediaTask* task = customised.Task(); task && !covered) {
    ApplyProfile(*task, profile, true);
    result.Changed = true;
  }
  return result;
}

// --- editing -------------------------------------------------------------------------------------

TCommandResult TJobListModel::Rename(TJobItem& item, const std::string& text) {
  TCommandResult result;
  TMediaTask* task = item.Task();
  const std::string stem = SafeFileStem(text);
  if (!task || stem.empty()) return result;
  const std::string ext =
      task->ProfileExt.empty() ? fs::path(task->OutputFileName).extension().string() : task->ProfileExt;
  task->OutputFileName = manager_.Tasks().MakeUniqueName(task, stem, ext);
  result.Changed = true;
  result.Select = &item;
  return result;
}

std::unique_ptr<TJobItem> TJobListModel::Detach(TJobItem* item) {
  auto& siblings = SiblingsOf(item);
  const auto it = std::find_if(siblings.begin(), siblings.end(), [&](const auto& p) { return p.get() == item; });
  if (it == siblings.end()) return nullptr;
  std::unique_ptr<TJobItem> owned = std::move(*it);
  siblings.erase(it);
  return owned;
}

void TJobListModel::DeleteTasks(TJobItem& item) {
  TMediaTask* task = item.Task();
  item.task_ = nullptr;
  if (!IsJoin(task))
    for (const auto& child : item.children_) DeleteTasks(*child);
  if (task) task->Delete();
}

TCommandResult TJobListModel::Remove(const std::vector<TJobItem*>& selection) {
  TCommandResult result;
  const std::vector<TJobItem*> all = AllItems();
  // Items under a selected item go with it; the others in display order, last first.
  std::vector<TJobItem*> chosen;
  for (TJobItem* item : all) {
    if (std::find(selection.begin(), selection.end(), item) == selection.end()) continue;
    bool under_selected = false;
    for (TJobItem* p = item->Parent(); p; p = p->Parent())
      if (std::find(selection.begin(), selection.end(), p) != selection.end()) under_selected = true;
    if (!under_selected) chosen.push_back(item);
  }
  if (chosen.empty()) return result;
  int position = static_cast<int>(items_.size());
  for (auto it = chosen.rbegin(); it != chosen.rend(); ++it) {
    TJobItem* item = *it;
    const std::vector<TJobItem*> now = AllItems();
    if (std::find(now.begin(), now.end(), item) == now.end()) continue;  // gone with a task removed before
    const TJobItem* top = item;
    while (top->Parent()) top = top->Parent();
    position = std::min(position, IndexOf(top));
    if (item->IsMember()) {
      // The member leaves the merge or slide; a merge member lives on as a task of the list.
      TMediaTask* join = item->Parent()->Task();
      TMediaTask* member = item->Task();
      std::unique_ptr<TJobItem> owned = Detach(item);
      JoinSource(*join).RemoveMember(member);
      continue;
    }
    std::unique_ptr<TJobItem> owned = Detach(item);
    DeleteTasks(*owned);
  }
  PruneEmptyJoins();
  for (const auto& item : items_)
    if (IsJoin(item->Task())) JoinSource(*item->Task()).Refresh();
  result.Changed = true;
  if (!items_.empty())
    result.Select = items_[static_cast<size_t>(std::clamp(position, 0, static_cast<int>(items_.size()) - 1))].get();
  return result;
}

TCommandResult TJobListModel::Clear() {
  std::vector<TJobItem*> all;
  for (const auto& item : items_) all.push_back(item.get());
  return Remove(all);
}

void TJobListModel::PruneEmptyJoins() {
  for (size_t i = items_.size(); i-- > 0;) {
    TMediaTask* task = items_[i]->Task();
    if (!IsJoin(task) || JoinSource(*task).Members().Count() > 0) continue;
    std::unique_ptr<TJobItem> owned = std::move(items_[i]);
    items_.erase(items_.begin() + static_cast<std::ptrdiff_t>(i));
    owned->children_.clear();
    DeleteTasks(*owned);
  }
}

TCommandResult TJobListModel::Move(TJobItem& item, int direction) {
  TCommandResult result;
  const TJobItem* top = &item;
  while (top->Parent()) top = top->Parent();
  const int from = IndexOf(top);
  const int to = from + (direction < 0 ? -1 : 1);
  if (from < 0 || to < 0 || to >= static_cast<int>(items_.size())) return result;
  std::swap(items_[static_cast<size_t>(from)], items_[static_cast<size_t>(to)]);
  result.Changed = true;
  result.Select = &item;
  return result;
}

TCommandResult TJobListModel::Join(const std::vector<TJobItem*>& selection, const TProfileItem& profile, bool slide) {
  TCommandResult result;
  std::vector<TJobItem*> picked;
  for (TJobItem* item : selection)
    if (item && item->Task() && !item->IsMember() && item->Task()->Kind() != TMediaTaskKind::MultiProfile)
      picked.push_back(item);
  if (picked.size() < 2 || picked.size() != selection.size()) {
    result.Messages.push_back({slide ? "INF_MainSlideInf" : "INF_MainMergeInf", {}});
    return result;
  }
  // The tasks that become members: a DVD title's chapters, a merge's or slide's members (a
  // slide member standing for its owner task), or the task itself.
  std::vector<TMediaTask*> members;
  const auto add_member = [&](TMediaTask* t) {
    if (t->Kind() == TMediaTaskKind::MultiProfile) t = static_cast<TMediaMultiProfileTask*>(t)->OwnerTask;
    if (t && std::find(members.begin(), members.end(), t) == members.end()) members.push_back(t);
  };
  for (TJobItem* item : picked) {
    item->Checked = false;
    TMediaTask* task = item->Task();
    if (IsJoin(task)) {
      for (TMediaTask* m : JoinSource(*task).Members()) add_member(m);
    } else if (item->Role() == TJobItemRole::DvdTitle && item->ChildCount() > 0) {
      for (const auto& chapter : item->children_) add_member(chapter->Task());
    } else {
      add_member(task);
    }
  }

  TMediaTaskList& tasks = manager_.Tasks();
  TMediaTask* join = slide ? tasks.Add(std::make_unique<TMediaSlideTask>(&tasks))
                           : tasks.Add(std::make_unique<TMediaMergeTask>(&tasks));
  const int32_t number = NextWrappingId(slide ? slide_counter_ : merge_counter_);
  join->Title = GetString(slide ? "INF_SlidedItemInfo" : "INF_MergedItemInfo", slide ? "Slide show" : "Merged") +
                " " + std::to_string(number);
  join->OutputFileName = join->Title;
  if (slide) join->Flash.ShowSlide = true;
  TJobItem* join_item = AddItem(join, TJobItemRole::Task, nullptr, true);
  for (TMediaTask* m : members) {
    if (slide) {
      TMediaMultiProfileTask* member = static_cast<TMediaSlideTask*>(join)->AddSlideMember(m);
      AddItem(member, TJobItemRole::Task, join_item, true);
    } else {
      JoinSource(*join).AddMember(m);
      AddItem(m, TJobItemRole::Task, join_item, true);
    }
  }
  ApplyProfile(*join, profile);
  if (slide) {
    // Each member writes its own file, named after the slide and its task.
    const std::string stem = fs::path(join->OutputFileName).replace_extension().string();
    for (TMediaTask* member : JoinSource(*join).Members()) {
      member->ProfileExt = join->ProfileExt;
      const std::string own = fs::path(member->OutputFileName).replace_extension().string();
      member->OutputFileName = tasks.MakeUniqueName(nullptr, SafeFileStem(stem + "_" + own), join->ProfileExt);
    }
  }
  join_item->Expanded = true;
  result.Changed = true;
  result.Select = join_item;
  return result;
}

TCommandResult TJobListModel::Merge(const std::vector<TJobItem*>& selection, const TProfileItem& profile) {
  return Join(selection, profile, false);
}

TCommandResult TJobListModel::Slide(const std::vector<TJobItem*>& selection, const TProfileItem& profile) {
  return Join(selection, profile, true);
}

// --- copy and paste --------------------------------------------------------------------------------

namespace {

// The task whose edits an item shows: a slide member's are its owner's.
TMediaTask* EditsHolder(const TJobItem& item) {
  TMediaTask* task = item.Task();
  if (task && task->Kind() == TMediaTaskKind::MultiProfile) task = static_cast<TMediaMultiProfileTask*>(task)->OwnerTask;
  return task && task->EditParams() ? task : nullptr;
}

bool PasteEffectInto(TMediaTask& source, TMediaTask& target) {
  TMediaTaskEditParams* from = source.EditParams();
  TMediaTaskEditParams* to = target.EditParams();
  if (!from || !to || from == to) return false;
  to->Brightness = from->Brightness;
  to->Contrast = from->Contrast;
  to->Saturation = from->Saturation;
  to->EffectFlags = from->EffectFlags;
  to->Deinterlace = from->Deinterlace;
  return true;
}

bool PasteWatermarkInto(TMediaTask& source, TMediaTask& target) {
  TMediaTaskEditParams* from = source.EditParams();
  TMediaTaskEditParams* to = target.EditParams();
  if (!from || !to || from == to) return false;
  const TMediaTaskWatermark& s = from->Watermark;
  TMediaTaskWatermark& w = to->Watermark;
  w.Enabled = s.Enabled;
  w.Kind = s.Kind;
  w.ImageFile = s.ImageFile;
  w.Text = s.Text;
  w.Font = s.Font;
  w.Transparency = s.Transparency;
  w.X = s.X;
  w.Y = s.Y;
  w.Width = s.Width;
  w.Height = s.Height;
  int32_t source_width = 0, source_height = 0, target_width = 0, target_height = 0;
  source.OutputSize(source_width, source_height);
  target.OutputSize(target_width, target_height);
  ScaleWatermark(w, source_width, source_height, target_width, target_height);
  w.Image = s.Image;
  return true;
}

}  // namespace

void TJobListModel::CopyEffect(const TJobItem& item) {
  if (TMediaTask* task = EditsHolder(item)) effect_source_ = task;
}

void TJobListModel::CopyWatermark(const TJobItem& item) {
  if (TMediaTask* task = EditsHolder(item)) watermark_source_ = task;
}

TCommandResult TJobListModel::PasteEffect(TJobItem& item) {
  TCommandResult result;
  result.Changed = effect_source_ && item.Task() && PasteEffectInto(*effect_source_, *item.Task());
  return result;
}

TCommandResult TJobListModel::PasteWatermark(TJobItem& item) {
  TCommandResult result;
  result.Changed = watermark_source_ && item.Task() && PasteWatermarkInto(*watermark_source_, *item.Task());
  return result;
}

TCommandResult TJobListModel::EffectApplyToAll(const TJobItem& source) {
  TCommandResult result;
  if (!source.Task()) return result;
  for (const auto& item : items_)
    if (item.get() != &source && item->Task() && PasteEffectInto(*source.Task(), *item->Task())) result.Changed = true;
  return result;
}

TCommandResult TJobListModel::WatermarkApplyToAll(const TJobItem& source) {
  TCommandResult result;
  if (!source.Task()) return result;
  for (const auto& item : items_)
    if (item.get() != &source && item->Task() && PasteWatermarkInto(*source.Task(), *item->Task()))
      result.Changed = true;
  return result;
}

TCommandResult TJobListModel::FormatApplyToAll(const TJobItem& source, const TProfileItem& profile) {
  TCommandResult result;
  TMediaTask* from = source.Task();
  if (!from) return result;
  manager_.DefaultFlash.Assign(&from->Flash, true);
  manager_.CustomProfile.CaptureFrom(*from);
  for (const auto& item : items_)
    if (item.get() != &source && item->Task()) {
      ApplyProfile(*item->Task(), profile, true);
      result.Changed = true;
    }
  return result;
}

// --- DVD streams -----------------------------------------------------------------------------------

std::vector<std::string> TJobListModel::SubtitleNames(const TJobItem& item) const {
  std::vector<std::string> names;
  if (const TMediaTaskMediaSource* src = item.Task() ? item.Task()->Source() : nullptr)
    for (const TStreamEntry& e : src->Subtitles) names.push_back(e.Name);
  return names;
}

std::vector<std::string> TJobListModel::AudioTrackNames(const TJobItem& item) const {
  std::vector<std::string> names;
  if (const TMediaTaskMediaSource* src = item.Task() ? item.Task()->Source() : nullptr)
    for (const TStreamEntry& e : src->AudioTracks) names.push_back(e.Name);
  return names;
}

int TJobListModel::SelectedSubtitle(const TJobItem& item) const {
  const TMediaTaskMediaSource* src = item.Task() ? item.Task()->Source() : nullptr;
  return src ? StreamIndex(src->Subtitles, src->VideoDecodeOptions.SubtitleID) : -1;
}

int TJobListModel::SelectedAudioTrack(const TJobItem& item) const {
  const TMediaTaskMediaSource* src = item.Task() ? item.Task()->Source() : nullptr;
  return src ? StreamIndex(src->AudioTracks, src->AudioDecodeOptions.AudioTrackID) : -1;
}

void TJobListModel::SelectSubtitle(TJobItem& item, int index) {
  if (TMediaTaskMediaSource* src = item.Task() ? item.Task()->Source() : nullptr) src->SelectSubtitle(index);
}

void TJobListModel::SelectAudioTrack(TJobItem& item, int index) {
  if (TMediaTaskMediaSource* src = item.Task() ? item.Task()->Source() : nullptr) src->SelectAudioTrack(index);
}

// --- the start -------------------------------------------------------------------------------------

namespace {

// The folder text as a folder: an absolute path (else "INF_InvalidDir" and the default put
// back), made when missing (else `create_error`). False with the message in `result`.
bool AcceptFolder(const std::string& folder, const std::string& default_folder, bool at_start, TStartResult& result) {
  // A folder path names its volume: on this system it starts at the root.
  if (folder.empty() || !fs::path(folder).is_absolute()) {
    result.Messages.push_back({"INF_InvalidDir", {}});
    result.FolderText = default_folder;
    return false;
  }
  std::error_code ec;
  if (fs::is_directory(folder, ec)) return true;
  fs::create_directories(folder, ec);
  if (fs::is_directory(folder, ec)) return true;
  // At the start the user corrects the text; elsewhere the default comes back.
  result.Messages.push_back({at_start ? "INF_MainDiscError" : "INF_CreateFolder_Error", {}});
  if (at_start) result.SelectFolderText = true;
  else result.FolderText = default_folder;
  return false;
}

}  // namespace

TStartResult TJobListModel::ValidateOutputFolder(const std::string& folder_text, const std::string& default_folder) {
  TStartResult result;
  result.Ready = AcceptFolder(std::string(Trim(folder_text)), default_folder, false, result);
  return result;
}

TStartResult TJobListModel::PrepareStart(const std::string& folder_text, const TStartEnvironment& environment) {
  TStartResult result;
  const std::string folder(Trim(folder_text));
  if (!AcceptFolder(folder, environment.DefaultOutputFolder, true, result)) return result;

  // Number the tasks as the list shows them; unchecked ones and slides are not converted.
  std::set<const TMediaTask*> shown;
  bool any_checked = false;
  for (size_t i = 0; i < items_.size(); ++i) {
    TJobItem& top = *items_[i];
    const auto order = static_cast<int32_t>(i);
    if (TMediaTask* t = top.Task()) {
      t->Order = order;
      t->Excluded = t->Kind() == TMediaTaskKind::Slide || !top.Checked;
      shown.insert(t);
    }
    any_checked = any_checked || top.Checked;
    for (const auto& child : top.children_) {
      TMediaTask* t = child->Task();
      if (!t) continue;
      if (child->IsMember() && t->Kind() != TMediaTaskKind::MultiProfile) continue;  // a task of its own
      t->Order = order;
      // A slide member is converted when its slide is checked.
      t->Excluded = !child->Checked || (child->IsMember() && !top.Checked);
      shown.insert(t);
      any_checked = any_checked || child->Checked;
    }
  }
  for (TMediaTask* t : manager_.Tasks())
    if (!shown.count(t)) t->Excluded = true;  // never converted behind the user's back
  manager_.Tasks().SortByOrder();

  if (!any_checked) {
    result.Messages.push_back({"INF_LackTask", {}});
    return result;
  }
  for (TMediaTask* t : manager_.Tasks()) {
    if (t->Excluded) continue;
    if (t->Record().ContainerFourCC == kFourCCCopy) {
      result.Messages.push_back({"INF_DvdCopy", {}});
      return result;
    }
    break;
  }
  const uint64_t free_space = environment.FreeSpace ? environment.FreeSpace(folder) : VolumeFreeSpace(folder);
  if (free_space < manager_.TasksTotalSize()) {
    result.Messages.push_back({"INF_NoSpace", {}});
    return result;
  }
  manager_.OutputFolder = folder;
  result.Ready = true;
  return result;
}

// --- keeping the tree in step with the tasks ------------------------------------------------------

void TJobListModel::OnTaskRemoved(TMediaTask* task) {
  // The task's multi-profile tasks and clips go with it.
  std::vector<TMediaTask*> dying{task};
  for (size_t i = 0; i < dying.size(); ++i)
    for (TMediaTask* child : dying[i]->ChildTasks()) dying.push_back(child);
  for (const TMediaTask* t : dying) ForgetTask(t);
}

void TJobListModel::ForgetTask(const TMediaTask* task) {
  if (effect_source_ == task) effect_source_ = nullptr;
  if (watermark_source_ == task) watermark_source_ = nullptr;
  const std::function<void(std::vector<std::unique_ptr<TJobItem>>&)> prune =
      [&](std::vector<std::unique_ptr<TJobItem>>& list) {
        std::erase_if(list, [&](const std::unique_ptr<TJobItem>& item) { return item->Task() == task; });
        for (const auto& item : list) prune(item->children_);
      };
  prune(items_);
}

}  // namespace fc::gui
