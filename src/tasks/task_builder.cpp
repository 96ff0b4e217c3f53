#include "tasks/task_builder.h"

#include <algorithm>
#include <cmath>
#include <filesystem>

#include "core/error.h"
#include "core/language.h"
#include "core/paths.h"
#include "core/text.h"
#include "engine/dvd.h"
#include "engine/formats.h"
#include "profiles/profile_choices.h"
#include "tasks/flash_finishing.h"

namespace fc {

namespace fs = std::filesystem;

bool TTimeRange::IsValid() const {
  return std::isfinite(Start) && std::isfinite(End) && Start >= 0 && (End == 0 || End > Start);
}

std::string TTimeRange::Text() const { return FormatDouble(Start) + "-" + (End == 0 ? "" : FormatDouble(End)); }

std::string InputStem(const std::string& path) {
  fs::path p(path);
  if (p.filename().empty()) p = p.parent_path();  // "VIDEO_TS/"
  std::string stem = p.stem().string();
  return stem.empty() ? "output" : stem;
}

std::string DvdTaskStem(const std::string& volume_name, int title_index, int chapter_index) {
  std::string stem = SanitizePathComponent(volume_name, "DVD") + Format("_title%d", title_index + 1);
  if (chapter_index >= 0) stem += Format("_chapter%d", chapter_index + 1);
  return stem;
}

void ApplySubtitleDefaults(TMediaTask& task) {
  TMediaTaskMediaSource* src = task.Source();
  TMediaTaskEditParams* edits = task.EditParams();
  if (!src || !edits) return;
  if (src->SourceKind == TSourceKind::Dvd) {
    src->Subtitles.push_back({GetString("INF_SubTitle", "No subtitle"), 0});
    return;
  }
  if (src->Subtitles.empty()) return;
  src->SelectSubtitle(0);
  edits->Subtitle.Enabled = true;
  // Rounded half to even (the default rounding mode).
  edits->Subtitle.X = static_cast<int32_t>(std::nearbyint((src->VideoFormat.Width - 80) / 3.0));
  edits->Subtitle.Y = static_cast<int32_t>(std::nearbyint((src->VideoFormat.Height - 40) * 9 / 10.0));
}

namespace {

// The file name without its extension.
std::string NameStem(const std::string& file_name) { return fs::path(file_name).stem().string(); }

}  // namespace

TTaskBuilder::TTaskBuilder(TMediaTaskMgr& manager, const TProfileItem& profile) : manager_(manager), profile_(profile) {
  const TContainerFormat* container = FindContainer(profile.FourCC);
  if (!container) throw Error("The profile " + profile.Name + " names a container this program cannot write");
  extension_ = container->Extension;
}

void TTaskBuilder::ApplyEncoding(TMediaTask& task, const TEncodeChoices& c) const {
  TEncodeParams& p = task.Record();
  ApplyProfile(&profile_, &p);
  task.FormatId = profile_.EffectiveId();
  task.ProfileExt = extension_;
  p.ScaleMode = c.ScaleMode.value_or(profile_.ResizeStyle);
  // Encoders take even frame sizes only.
  if (c.Width) p.Width = *c.Width & ~1;
  if (c.Height) p.Height = *c.Height & ~1;
  if (c.FrameRate) p.FrameRate = *c.FrameRate;
  if (c.VideoBitrate) p.VideoBitrate = *c.VideoBitrate;
  if (c.AudioBitrate) p.AudioBitrate = *c.AudioBitrate;
  if (c.SampleRate) p.SampleRate = *c.SampleRate;
  if (c.Channels) p.Channels = *c.Channels;
  if (c.NoAudio) p.NoAudio = 1;
}

TMediaBaseTask* TTaskBuilder::AddBaseTask(std::unique_ptr<TMediaTaskMediaSource> source, const std::string& stem,
                                          const TConversionRequest& r) {
  TMediaTaskList& tasks = manager_.Tasks();
  auto* t = static_cast<TMediaBaseTask*>(tasks.Add(std::make_unique<TMediaBaseTask>(&tasks, std::move(source))));
  try {
    t->Order = static_cast<int32_t>(tasks.Count());
    t->Title = stem;
    ApplyEncoding(*t, r.Encode);
    TMediaTaskEditParams& edits = *t->EditParams();
    edits.Assign(r.Edits);
    if (r.Encode.ScaleMode) edits.UserScaleMode = 1;
    const TMediaTaskWatermark& w = edits.Watermark;
    if (w.Enabled && w.Kind == kWatermarkPicture && !fs::is_regular_file(w.ImageFile))
      throw Error("The watermark picture " + w.ImageFile + " does not exist");
    TMediaTaskMediaSource& src = *t->Source();
    if (r.AudioTrack > 0) {
      if (static_cast<size_t>(r.AudioTrack) > src.AudioTracks.size())
        throw Error(Format("%s has %d audio track(s), not %d", stem.c_str(), static_cast<int>(src.AudioTracks.size()),
                           r.AudioTrack));
      src.SelectAudioTrack(r.AudioTrack - 1);
    }
    if (r.Subtitle > 0) {
      if (static_cast<size_t>(r.Subtitle) > src.Subtitles.size())
        throw Error(Format("%s has %d subtitle stream(s), not %d", stem.c_str(), static_cast<int>(src.Subtitles.size()),
                           r.Subtitle));
      src.SelectSubtitle(r.Subtitle - 1);
      edits.Subtitle.Enabled = true;
    }
    if (!r.AddedAudio.empty()) {
      if (!fs::is_regular_file(r.AddedAudio)) throw Error("The added sound track " + r.AddedAudio + " does not exist");
      src.ExternalAudio.FileName = r.AddedAudio;
      src.ExternalAudio.Loop = r.AddedAudioLoop;
      t->Flash.ProfileAdd.ReplaceAudio = r.AddedAudio;
      t->Flash.ProfileAdd.ReplaceLoop = r.AddedAudioLoop;
    }
    if (r.ReplaceAudio) {
      if (r.AddedAudio.empty()) throw Error("The sound can only be replaced by an added sound track");
      // The source's own sound is left out: the added track plays alone.
      src.HasAudio = false;
      t->Flash.ProfileAdd.AudioEnabled = false;
    }
    if (r.RangeStart || r.RangeEnd) {
      // Seconds from the beginning of the input (of the chapter, for a DVD chapter).
      const double length = src.Duration();
      const double start = r.RangeStart.value_or(0);
      const double end = std::min(r.RangeEnd.value_or(length), length);
      if (!(start >= 0) || start >= length || !(end > start))
        throw Error(Format("the range %s-%s lies outside the media (%s s)", FormatDouble(start).c_str(),
                           FormatDouble(end).c_str(), FormatDouble(length).c_str()));
      t->SetRange(src.StartTime + start, src.StartTime + end);
    }
    t->OutputFileName = tasks.MakeUniqueName(t, stem, extension_);
  } catch (...) {
    // A task whose choices do not fit is not left half-made in the job list.
    t->Delete();
    throw;
  }
  return t;
}

std::vector<TMediaBaseTask*> TTaskBuilder::AddInput(const std::string& input, const TConversionRequest& r) {
  std::vector<TMediaBaseTask*> added;
  try {
    if (IsDvdPath(input)) {
      const TDVDIFOInfo dvd(input);
      const int title = r.DvdTitle - 1;
      if (title < 0 || title >= dvd.TitleCount())
        throw Error(Format("the DVD has %d title(s), not %d", dvd.TitleCount(), r.DvdTitle));
      std::vector<int> chapters;
      for (const int c : r.DvdChapters) {
        if (c < 1 || c > dvd.ChapterCount(title))
          throw Error(Format("title %d has %d chapter(s); chapter %d is not one of them", title + 1,
                             dvd.ChapterCount(title), c));
        chapters.push_back(c - 1);
      }
      if (chapters.empty()) chapters.push_back(-1);
      for (const int chapter : chapters) {
        auto source = std::make_unique<TMediaTaskDVDSource>(input, &dvd, chapter, title, r.OpenFlags);
        added.push_back(AddBaseTask(std::move(source), DvdTaskStem(dvd.VolumeName(), title, chapter), r));
      }
    } else {
      added.push_back(
          AddBaseTask(std::make_unique<TMediaTaskVideoSource>(input, r.OpenFlags), InputStem(input), r));
    }
  } catch (const TVideoDecodeException& e) {
    failures_.push_back({input, e.Reason.empty() ? std::string(e.what()) : std::string(e.what()) + ": " + e.Reason});
  } catch (const std::exception& e) {
    // The chapters made before the failing one stay: each is a whole task.
    failures_.push_back({input, input + ": " + e.what()});
  }
  return added;
}

TMediaClipTask* TTaskBuilder::AddClip(TMediaBaseTask& base, const TTimeRange& range) {
  if (!range.IsValid()) throw Error(base.Title + ": the clip " + range.Text() + " is not a valid range");
  const double source_end = base.StartTime() + base.Duration();
  if (base.StartTime() + range.Start >= source_end)
    throw Error(base.Title + ": the clip " + range.Text() + " starts after the media's end");
  TMediaClipTask* clip = base.AddClip();
  clip->SetRange(base.StartTime() + range.Start,
                 range.End == 0 ? source_end : std::min(source_end, base.StartTime() + range.End));
  // Named after the base task's output, which is unique, so that the clips of two inputs with
  // the same name never write the same file.
  const std::string stem = NameStem(base.OutputFileName.empty() ? base.Title : base.OutputFileName);
  clip->OutputFileName = manager_.Tasks().MakeUniqueName(
      nullptr, stem + Format("_clip%d", static_cast<int>(base.Clips().Count())), extension_);
  return clip;
}

TMediaMergeTask* TTaskBuilder::AddMerge(const std::vector<TMediaBaseTask*>& members, const std::string& title,
                                        const TEncodeChoices& choices) {
  TMediaTaskList& tasks = manager_.Tasks();
  auto* merge = static_cast<TMediaMergeTask*>(tasks.Add(std::make_unique<TMediaMergeTask>(&tasks)));
  merge->Title = title.empty() ? "merged" : title;
  for (TMediaBaseTask* base : members) {
    merge->MergeSource().AddMember(base);
    base->Excluded = true;
  }
  ApplyEncoding(*merge, choices);
  merge->OutputFileName = tasks.MakeUniqueName(merge, SanitizePathComponent(merge->Title, "merged"), extension_);
  return merge;
}

TMediaSlideTask* TTaskBuilder::AddSlide(const std::vector<TMediaBaseTask*>& members, const std::string& title,
                                        const TEncodeChoices& choices) {
  TMediaTaskList& tasks = manager_.Tasks();
  auto* slide = static_cast<TMediaSlideTask*>(tasks.Add(std::make_unique<TMediaSlideTask>(&tasks)));
  slide->Title = title.empty() ? "slide" : title;
  ApplyEncoding(*slide, choices);
  const std::string stem = SanitizePathComponent(slide->Title, "slide");
  slide->OutputFileName = stem + extension_;
  for (TMediaBaseTask* base : members) {
    TMediaMultiProfileTask* member = slide->AddSlideMember(base);
    member->OutputFileName = stem + "_" + base->OutputFileName;
    base->Excluded = true;
  }
  return slide;
}

std::vector<TMediaBaseTask*> TTaskBuilder::Build(const TConversionRequest& r) {
  if (!r.OutputFolder.empty()) manager_.OutputFolder = r.OutputFolder;
  std::vector<TMediaBaseTask*> bases;
  for (const std::string& input : r.Inputs) {
    const std::vector<TMediaBaseTask*> added = AddInput(input, r);
    bases.insert(bases.end(), added.begin(), added.end());
  }
  Assemble(bases, r);
  return bases;
}

void TTaskBuilder::Assemble(const std::vector<TMediaBaseTask*>& bases, const TConversionRequest& r) {
  if (bases.empty()) return;
  if (!r.Clips.empty()) {
    for (TMediaBaseTask* base : bases) {
      for (const TTimeRange& range : r.Clips) AddClip(*base, range);
      base->Excluded = true;  // only its clips are converted
    }
  }
  if (r.Join == TJoinMode::Merge) {
    AddMerge(bases, r.Name, r.Encode);
  } else if (r.Join == TJoinMode::Slide) {
    AddSlide(bases, r.Name, r.Encode);
  } else if (!r.Name.empty() && bases.size() == 1 && r.Clips.empty()) {
    bases[0]->OutputFileName = SanitizePathComponent(r.Name, "output") + extension_;
  }
}

// ---------------------------------------------------------------------------------------------

namespace {

std::string FirstExisting(const std::vector<std::string>& paths) {
  const auto it = std::find_if(paths.begin(), paths.end(), [](const std::string& f) { return fs::exists(f); });
  return it == paths.end() ? std::string() : *it;
}

// The output of a task that exists already: the converted file, or else the first of the
// Flash files made beside it. A slide's movie and page count for each of its members, which
// make them.
std::string ExistingOutput(TMediaTaskMgr& manager, TMediaTask& task) {
  if (fs::exists(task.OutputPath())) return task.OutputPath();
  std::string path = FirstExisting(FlashOutputPaths(task));
  if (path.empty() && task.Kind() == TMediaTaskKind::MultiProfile)
    if (TMediaSlideTask* slide = SlideOf(&manager, &task)) path = FirstExisting(FlashOutputPaths(*slide));
  return path;
}

}  // namespace

bool AskAboutExistingOutputs(TMediaTaskMgr& manager, const TOverwriteQuestion& ask) {
  std::optional<TOverwriteAnswer> for_all;
  for (TMediaTask* t : manager.IncludedTasks()) {
    const std::string path = ExistingOutput(manager, *t);
    if (path.empty()) continue;
    const TOverwriteAnswer answer = for_all ? *for_all : ask(*t, path);
    switch (answer) {
      case TOverwriteAnswer::Cancel:
        return false;
      case TOverwriteAnswer::YesToAll:
        for_all = TOverwriteAnswer::Yes;
        break;
      case TOverwriteAnswer::NoToAll:
        for_all = TOverwriteAnswer::No;
        t->Excluded = true;
        break;
      case TOverwriteAnswer::No:
        t->Excluded = true;
        break;
      case TOverwriteAnswer::Yes:
        break;
    }
  }
  return true;
}

std::vector<TExistingOutput> ApplyExistingOutputPolicy(TMediaTaskMgr& manager, TExistingOutputPolicy policy) {
  std::vector<TExistingOutput> found;
  if (policy == TExistingOutputPolicy::Overwrite) return found;
  AskAboutExistingOutputs(manager, [&](TMediaTask& task, const std::string& path) {
    found.push_back({&task, path, policy == TExistingOutputPolicy::Refuse});
    return TOverwriteAnswer::No;
  });
  return found;
}

}  // namespace fc
