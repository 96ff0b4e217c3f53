#include "tasks/media_task.h"

#include <algorithm>
#include <atomic>
#include <climits>
#include <filesystem>

#include "core/config.h"
#include "core/error.h"
#include "core/language.h"
#include "core/log.h"
#include "core/paths.h"
#include "core/text.h"
#include "engine/audio_processor.h"
#include "engine/formats.h"
#include "tasks/task_source.h"

namespace fc {

int32_t NextWrappingId(int32_t& counter) {
  counter = counter == INT32_MAX ? 0 : counter + 1;
  return counter;
}

int32_t NextTaskId() {
  static std::atomic<int32_t> counter{0};
  int32_t old = counter.load();
  int32_t next;
  do {
    next = old == INT32_MAX ? 0 : old + 1;
  } while (!counter.compare_exchange_weak(old, next));
  return next;
}

// ---------------------------------------------------------------------------------------------
// Encode record and edits

void TMediaTaskEncodeParams::CompleteDefaultCodecs() {
  if (Params.VideoFourCC != 0 && Params.AudioFourCC != 0) return;
  const TContainerFormat* container = FindContainer(Params.ContainerFourCC);
  if (!container) return;
  const auto first = [](const std::vector<TCodecEntry>& list) -> TFourCC {
    for (const TCodecEntry& c : list)
      if (c.FourCC != 0) return c.FourCC;
    return 0;
  };
  if (Params.VideoFourCC == 0) Params.VideoFourCC = first(container->Video);
  if (Params.AudioFourCC == 0) Params.AudioFourCC = first(container->Audio);
}

const TDibImage& TMediaTaskWatermark::Picture() {
  if (!Image.empty()) return Image;
  if (Kind == kWatermarkPicture) {
    if (!ImageFile.empty() && std::filesystem::exists(ImageFile)) Image.LoadImage(ImageFile);
  } else if (Kind == kWatermarkText && !Text.empty()) {
    Image = RenderText({.Text = Text, .FontName = Font.Name, .Color = Font.Color, .PointSize = Font.Size,
                        .Style = Font.Style});
  }
  return Image;
}

void TMediaTaskEditParams::Assign(const TMediaTaskEditParams& s) {
  UserScaleMode = s.UserScaleMode;
  Deinterlace = s.Deinterlace;
  Contrast = s.Contrast;
  EffectFlags = s.EffectFlags;
  Saturation = s.Saturation;
  Brightness = s.Brightness;
  FlipHorizontal = s.FlipHorizontal;
  FlipVertical = s.FlipVertical;
  Crop = s.Crop;
  Volume = s.Volume;
  Mute = s.Mute;
  Watermark = s.Watermark;
  Subtitle = s.Subtitle;
}

void TMediaTaskEditParams::ApplyTo(TVideoProcessor* video, TAudioProcessor* audio, int32_t scale_mode,
                                   int32_t output_width, int32_t output_height, int32_t subtitle_stream_id) {
  if (video) {
    video->SetCrop(Crop, scale_mode);
    video->SetBrightness(Brightness);
    video->SetContrast(Contrast);
    video->SetSaturation(Saturation);
    video->SetEffects(EffectFlags);
    video->SetFlip((FlipHorizontal ? kFlipHorizontal : 0) | (FlipVertical ? kFlipVertical : 0));
    video->SetDeinterlace(Deinterlace);
    ApplySubtitle(*video, subtitle_stream_id);
    const TDibImage* picture = Watermark.Enabled ? &Watermark.Picture() : nullptr;
    if (picture && !picture->empty()) {
      const double w = output_width, h = output_height;
      const int32_t pw = Watermark.Width > 0 ? Watermark.Width : picture->Width();
      const int32_t ph = Watermark.Height > 0 ? Watermark.Height : picture->Height();
      float left = 0, top = 0, right = 0, bottom = 0;
      if (w > 0 && h > 0) {
        left = static_cast<float>(Watermark.X / w);
        top = static_cast<float>(Watermark.Y / h);
        right = static_cast<float>(left + pw / w);
        bottom = static_cast<float>(top + ph / h);
      }
      video->SetWatermark(picture->ToRgba(), 100 - std::clamp(Watermark.Transparency, 0, 100), left, top, right,
                          bottom);
    } else {
      video->ClearWatermark();
    }
  }
  if (audio) audio->SetVolume(Mute ? 0 : Volume);
}

void TMediaTaskEditParams::ApplySubtitle(TVideoProcessor& video, int32_t stream_id) const {
  TSubtitleSettings settings;
  if (!Subtitle.Enabled || stream_id == 0) {
    video.SetSubtitle(settings, 100);
    return;
  }
  settings.StreamID = stream_id;
  settings.OwnStyle = Subtitle.Kind != kSubtitleOwnLook;
  if (settings.OwnStyle) {
    settings.StyleValue = Subtitle.Style;
    settings.X = Subtitle.X;
    settings.Y = Subtitle.Y;
    settings.FontName = Subtitle.Font.Name;
    settings.FontSize = Subtitle.Font.Size;
    settings.Color = Subtitle.Font.Color;
    settings.FontStyle = Subtitle.Font.Style;
  }
  try {
    video.SetSubtitle(settings, 100 - std::clamp(Subtitle.Transparency, 0, 100));
  } catch (const std::exception& e) {
    // A subtitle that cannot be drawn leaves the picture as it is; the conversion goes on.
    Log(std::string("Cannot burn in the subtitle: ") + e.what());
  }
}

// ---------------------------------------------------------------------------------------------
// Lists

TMediaTaskList::~TMediaTaskList() { Clear(); }

TMediaTask* TMediaTaskList::Add(std::unique_ptr<TMediaTask> task) {
  if (!task) return nullptr;
  TMediaTask* raw = task.get();
  if (owns_) {
    owned_.push_back(std::move(task));
    raw->Owner = this;
  } else {
    throw Error("a task view cannot take ownership of a task");
  }
  items_.push_back(raw);
  Notify(raw, TAction::Added);
  return raw;
}

TMediaTask* TMediaTaskList::Add(TMediaTask* task) {
  if (!task) return nullptr;
  if (owns_) throw Error("an owning task list must be given the task itself");
  items_.push_back(task);
  Notify(task, TAction::Added);
  return task;
}

std::unique_ptr<TMediaTask> TMediaTaskList::Extract(TMediaTask* task) {
  const auto it = std::find(items_.begin(), items_.end(), task);
  if (it == items_.end()) return nullptr;
  items_.erase(it);
  std::unique_ptr<TMediaTask> taken;
  if (owns_) {
    const auto o = std::find_if(owned_.begin(), owned_.end(), [&](const auto& p) { return p.get() == task; });
    taken = std::move(*o);
    owned_.erase(o);
    if (task->Owner == this) task->Owner = nullptr;
  }
  Notify(task, TAction::Removed);
  return taken;
}

bool TMediaTaskList::Remove(TMediaTask* task) {
  if (!Contains(task)) return false;
  // Both vectors are consistent again before the task is freed, because freeing it may make
  // other lists (merge members) look through this one.
  std::unique_ptr<TMediaTask> freed = Extract(task);
  return true;
}

void TMediaTaskList::Clear() {
  if (!owns_) {
    // A view may hold tasks that are already freed: never look at them.
    items_.clear();
    return;
  }
  // Sequences first: a slide frees its members, which its source tasks own.
  for (int pass = 0; pass < 2; ++pass) {
    for (size_t i = items_.size(); i-- > 0;) {
      if (i >= items_.size()) continue;
      TMediaTask* t = items_[i];
      const bool sequence = t->Kind() == TMediaTaskKind::Merge || t->Kind() == TMediaTaskKind::Slide;
      if (pass == 0 && !sequence) continue;
      Remove(t);
    }
  }
}

bool TMediaTaskList::Contains(const TMediaTask* task) const {
  return std::find(items_.begin(), items_.end(), task) != items_.end();
}

TMediaTask* TMediaTaskList::FindById(int32_t id) const {
  for (TMediaTask* t : items_)
    if (t->Id == id) return t;
  return nullptr;
}

void TMediaTaskList::SortByOrder() {
  std::stable_sort(items_.begin(), items_.end(), [](const TMediaTask* a, const TMediaTask* b) { return a->Order < b->Order; });
}

void TMediaTaskList::AddFrom(const TMediaTaskList& source, TAssignMode mode) {
  if (&source == this) return;
  if (mode != TAssignMode::Shallow) Clear();
  for (TMediaTask* t : source.items_) {
    if (owns_) {
      // An owning list cannot share objects: it holds copies.
      std::unique_ptr<TMediaTask> copy = t->NewLike(this);
      copy->Assign(*t, mode == TAssignMode::Clones ? TAssignMode::Clones : TAssignMode::Shallow);
      Add(std::move(copy));
    } else {
      Add(t);
    }
  }
}

std::string TMediaTaskList::MakeUniqueName(const TMediaTask* except, const std::string& base,
                                           const std::string& ext) const {
  const auto clashes = [&](const std::string& candidate) {
    int count = 0;
    for (const TMediaTask* t : items_)
      if (t != except && IEquals(ExtractFileName(t->OutputFileName), candidate)) ++count;
    return count;
  };
  std::string candidate = base + ext;
  int count = clashes(candidate);
  int number = 0;
  bool first = true;
  while (count != 0) {
    number = first ? count : number + 1;
    first = false;
    // Plain concatenation: the user's base name is never used as a format.
    candidate = base + "(" + std::to_string(number) + ")" + ext;
    count = clashes(candidate);
  }
  return candidate;
}

void TMediaTaskList::Notify(TMediaTask* task, TAction action) {
  if (OnNotify) OnNotify(task, action);
}

TMediaClipTask* TMediaClipTaskList::FindByClipId(int32_t clip_id) const {
  const int i = IndexOfClipId(clip_id);
  return i < 0 ? nullptr : static_cast<TMediaClipTask*>(Items(static_cast<size_t>(i)));
}

int TMediaClipTaskList::IndexOfClipId(int32_t clip_id) const {
  for (size_t i = 0; i < Count(); ++i)
    if (static_cast<TMediaClipTask*>(Items(i))->ClipId == clip_id) return static_cast<int>(i);
  return -1;
}

void TMediaClipTaskList::SyncFrom(const TMediaClipTaskList& other, TAssignMode mode) {
  if (&other == this) return;
  for (size_t i = Count(); i-- > 0;) {
    auto* clip = static_cast<TMediaClipTask*>(Items(i));
    if (other.IndexOfClipId(clip->ClipId) < 0) Remove(clip);
  }
  for (TMediaTask* t : other) {
    auto* src = static_cast<TMediaClipTask*>(t);
    TMediaClipTask* mine = FindByClipId(src->ClipId);
    if (!mine) mine = static_cast<TMediaClipTask*>(Add(std::make_unique<TMediaClipTask>(this, Parent)));
    mine->Assign(*src, mode);
  }
}

// ---------------------------------------------------------------------------------------------
// Tasks

TMediaTask::TMediaTask(TMediaTaskList* list, TMediaTaskKind kind)
    : Id(NextTaskId()),
      SubTasks(list ? list->Manager() : nullptr, true),
      child_cache_(list ? list->Manager() : nullptr, false),
      manager_(list ? list->Manager() : nullptr),
      kind_(kind) {
  SubTasks.OnNotify = [this](TMediaTask* t, TMediaTaskList::TAction action) {
    if (action == TMediaTaskList::TAction::Added)
      if (auto* m = dynamic_cast<TMediaMultiProfileTask*>(t)) m->OwnerTask = this;
  };
  if (manager_) Flash.Assign(&manager_->DefaultFlash, true);
}

TMediaTask::~TMediaTask() {
  SubTasks.Clear();
  if (manager_) manager_->ForgetTask(this);
}

TMediaTaskEncodeParams& TMediaTask::EncodeParams() {
  encode_.CompleteDefaultCodecs();
  return encode_;
}

void TMediaTask::Assign(const TMediaTask& s, TAssignMode) {
  if (&s == this) return;
  Order = s.Order;
  Title = s.Title;
  Tag = s.Tag;
  OutputFileName = s.OutputFileName;
  Excluded = s.Excluded;
  FormatId = s.FormatId;
  ProfileExt = s.ProfileExt;
  encode_.Params = s.encode_.Params;
  Flash.Assign(&s.Flash, true);
}

TMediaTaskList& TMediaTask::ChildTasks() {
  child_cache_.Clear();
  for (TMediaTask* t : SubTasks) child_cache_.Add(t);
  return child_cache_;
}

double TMediaTask::Duration() const { return Source() ? Source()->Duration() : 0; }
double TMediaTask::StartTime() const { return Source() ? Source()->StartTime : 0; }
double TMediaTask::EndTime() const { return Source() ? Source()->EndTime : 0; }
double TMediaTask::Length() const { return Source() ? Source()->Length : 0; }

void TMediaTask::SetRange(double start, double end) {
  TMediaTaskMediaSource* s = Source();
  if (!s) return;
  s->StartTime = start;
  s->EndTime = end;
}

void TMediaTask::OutputSize(int32_t& width, int32_t& height) const {
  const fc::TEncodeParams& p = encode_.Params;
  if (p.Width != 0 && p.Height != 0) {
    width = p.Width;
    height = p.Height;
  } else if (const TMediaTaskMediaSource* s = Source()) {
    width = s->VideoFormat.Width;
    height = s->VideoFormat.Height;
  } else {
    width = height = 0;
  }
}

std::string TMediaTask::OutputPath() const {
  return JoinPath(manager_ ? manager_->OutputFolder : std::string(), OutputFileName);
}

uint64_t TMediaTask::EstimatedSize() {
  const fc::TEncodeParams& p = EncodeParams().Params;
  const TMediaTaskMediaSource* s = Source();
  if (!s) return 0;
  return EstimateDiskSpace(p, !s->HasVideo, !s->HasAudio, Duration());
}

bool TMediaTask::SizeUnknown() const {
  const TMediaTaskMediaSource* s = Source();
  return s && ((s->VideoFormat.Flags | s->AudioFormat.Flags) & kFormatSizeUnknown) != 0;
}

std::unique_ptr<TMediaTask> TMediaTask::Clone() const {
  std::unique_ptr<TMediaTask> copy = NewLike(Owner);
  copy->Assign(*this, TAssignMode::SameTasks);
  return copy;
}

void TMediaTask::Delete() {
  if (manager_) manager_->NotifyRemoval(this);
  if (Owner) Owner->Remove(this);
}

void TMediaTask::AddVideoSegment(TVideoSequence& sequence, double offset, TMediaPurpose purpose) {
  const double d = Duration();
  const double origin = Source() ? Source()->DecoderOrigin() : 0;
  const TSegmentTimes times{offset, offset + d, StartTime() - origin, StartTime() - origin + d};
  const TVideoFormat f = sequence.VideoFormat();
  sequence.AddMember(times, [this, purpose, f](bool open) -> std::shared_ptr<TVideoSource> {
    if (!open) return nullptr;  // the sequence drops its reference, which frees the chain
    fc::TEncodeParams target = Record();
    target.Width = f.Width;
    target.Height = f.Height;
    return OpenMemberVideo(purpose, target);
  });
}

void TMediaTask::AddAudioSegment(TAudioSequence& sequence, double offset, TMediaPurpose purpose) {
  const double d = Duration();
  const double origin = Source() ? Source()->DecoderOrigin() : 0;
  const TSegmentTimes times{offset, offset + d, StartTime() - origin, StartTime() - origin + d};
  sequence.AddMember(times, [this, purpose](bool open) -> std::shared_ptr<TAudioSource> {
    if (!open) return nullptr;
    return OpenMemberAudio(purpose, Record());
  });
}

std::shared_ptr<TVideoSource> TMediaTask::OpenMemberVideo(TMediaPurpose purpose, const fc::TEncodeParams& target) {
  TMediaTaskMediaSource* s = Source();
  if (!s || !s->HasVideo) return nullptr;
  s->VideoDecodeOptions.Copy = false;
  std::shared_ptr<TVideoSource> decoder = s->CreateVideoDecoder(purpose, target);
  if (!decoder) return nullptr;
  return MakeVideoProcessor(std::move(decoder), target, target.Width, target.Height, -1.0);
}

std::shared_ptr<TVideoProcessor> TMediaTask::MakeVideoProcessor(std::shared_ptr<TVideoSource> decoder,
                                                                const fc::TEncodeParams& target, int32_t width,
                                                                int32_t height, double frame_rate) {
  auto processor = std::make_shared<TVideoProcessor>(
      std::move(decoder), TVideoOutput{width, height, target.ScaleMode, target.Interpolation, frame_rate});
  const TMediaTaskMediaSource* s = Source();
  if (TMediaTaskEditParams* e = EditParams())
    e->ApplyTo(processor.get(), nullptr, target.ScaleMode, width, height, s ? s->VideoDecodeOptions.SubtitleID : 0);
  return processor;
}

std::shared_ptr<TVideoProcessor> TMediaTask::OpenProcessedVideo(TMediaPurpose purpose) {
  TMediaTaskMediaSource* s = Source();
  if (!s || !s->Loaded || !s->HasVideo) return nullptr;
  s->VideoDecodeOptions.Copy = false;
  const fc::TEncodeParams& target = Record();
  std::shared_ptr<TVideoSource> decoder = s->CreateVideoDecoder(purpose, target);
  if (!decoder) return nullptr;
  // The converter's size: the record's, or the source's where the record keeps it.
  int32_t width = 0, height = 0;
  OutputSize(width, height);
  return MakeVideoProcessor(std::move(decoder), target, width, height, -1.0);
}

std::shared_ptr<TAudioProcessor> TMediaTask::OpenProcessedAudio(TMediaPurpose purpose) {
  if (!Source() || !Source()->Loaded) return nullptr;
  return std::static_pointer_cast<TAudioProcessor>(OpenMemberAudio(purpose, Record()));
}

std::shared_ptr<TAudioSource> TMediaTask::OpenMemberAudio(TMediaPurpose purpose, const fc::TEncodeParams& target) {
  TMediaTaskMediaSource* s = Source();
  if (!s || !s->HasAudio) return nullptr;
  s->AudioDecodeOptions.Copy = false;
  std::shared_ptr<TAudioSource> decoder = s->CreatePlainAudioDecoder(purpose);
  if (!decoder) return nullptr;
  auto processor = std::make_shared<TAudioProcessor>(decoder, 0, 0, target.SampleBits, false);
  if (TMediaTaskEditParams* e = EditParams()) e->ApplyTo(nullptr, processor.get(), 0, 0, 0, 0);
  return processor;
}

std::unique_ptr<TMediaEncoder> TMediaTask::CreateEncoder() { return CreateSourceEncoder(EditParams(), nullptr, 0); }

std::unique_ptr<TMediaEncoder> TMediaTask::CreateSourceEncoder(TMediaTaskEditParams* edits,
                                                              const TExternalAudio* added_audio,
                                                              double added_audio_offset) {
  TMediaTaskMediaSource* s = Source();
  if (!s || !s->Loaded) return nullptr;
  fc::TEncodeParams p = EncodeParams().Params;
  const TContainerFormat* container = FindContainer(p.ContainerFourCC);
  const bool copy = p.ContainerFourCC == kFourCCCopy;
  s->VideoDecodeOptions.Copy = copy;
  s->AudioDecodeOptions.Copy = copy;
  // Video only when the source has it and the output can carry it.
  const bool want_video = s->HasVideo && !p.NoVideo && (copy || (container && !container->Video.empty()));
  const bool want_audio = !p.NoAudio && (copy || !container || !container->Audio.empty()) &&
                          (s->HasAudio || !s->ExternalAudio.FileName.empty() || added_audio);

  std::shared_ptr<TVideoSource> video = want_video ? s->CreateVideoDecoder(TMediaPurpose::Encode, p) : nullptr;
  std::shared_ptr<TAudioSource> audio;
  if (want_audio) {
    if (copy) {
      audio = s->CreatePlainAudioDecoder(TMediaPurpose::Encode);
    } else if (added_audio && !added_audio->FileName.empty()) {
      audio = s->MixAddedAudio(s->CreatePlainAudioDecoder(TMediaPurpose::Encode), *added_audio,
                               StartTime() - s->DecoderOrigin() - added_audio_offset, 0);
    } else {
      audio = s->CreateAudioDecoder(TMediaPurpose::Encode, p);
    }
  }
  if (!video && !audio) throw Error("the source has nothing this output can hold");

  std::unique_ptr<TMediaEncoder> encoder;
  if (copy) {
    encoder = std::make_unique<TMediaEncoder>(video, audio);
  } else {
    int32_t width = 0, height = 0;
    OutputSize(width, height);
    const bool flash = p.ContainerFourCC == kFourCCFlv || p.ContainerFourCC == kFourCCSwf;
    const double rate = flash ? (p.FrameRate != 0 ? p.FrameRate : s->VideoFormat.FrameRate) : -1.0;
    std::shared_ptr<TVideoProcessor> vp;
    std::shared_ptr<TAudioProcessor> ap;
    if (video) {
      try {
        vp = std::make_shared<TVideoProcessor>(video,
                                              TVideoOutput{width, height, p.ScaleMode, p.Interpolation, rate});
      } catch (const std::exception& e) {
        Log(std::string("Cannot process the picture: ") + e.what());
      }
    }
    if (audio) {
      try {
        ap = std::make_shared<TAudioProcessor>(audio, p.SampleRate, p.Channels, p.SampleBits, flash);
      } catch (const std::exception& e) {
        Log(std::string("Cannot process the sound: ") + e.what());
      }
    }
    if (edits) edits->ApplyTo(vp.get(), ap.get(), p.ScaleMode, width, height, s->VideoDecodeOptions.SubtitleID);
    encoder = std::make_unique<TMediaEncoder>(vp, ap);
  }
  encoder->SetOutputFile(OutputPath());
  if (encoder->State() == TEncoderState::Ready) {
    if (p.FrameRate == 0) p.FrameRate = s->VideoFormat.FrameRate;
    if (p.Width == 0) p.Width = s->VideoFormat.Width;
    if (p.Height == 0) p.Height = s->VideoFormat.Height;
    encoder->SetEncodeParams(p);
  }
  return encoder;
}

// Base task

TMediaBaseTask::TMediaBaseTask(TMediaTaskList* list, std::unique_ptr<TMediaTaskMediaSource> source)
    : TMediaTask(list, TMediaTaskKind::Base),
      source_(std::move(source)),
      clips_(list ? list->Manager() : nullptr, this) {
  if (source_) source_->Owner = this;
  Record().ScaleMode = static_cast<int32_t>(TScaleMode::KeepOriginal);
  clips_.OnNotify = [this](TMediaTask* t, TMediaTaskList::TAction action) {
    if (action == TMediaTaskList::TAction::Added) static_cast<TMediaClipTask*>(t)->Parent = this;
  };
}

TMediaBaseTask::TMediaBaseTask(TMediaTaskList* list) : TMediaBaseTask(list, nullptr) {}

TMediaBaseTask::~TMediaBaseTask() { clips_.Clear(); }

std::unique_ptr<TMediaTask> TMediaBaseTask::NewLike(TMediaTaskList* list) const {
  return std::make_unique<TMediaBaseTask>(list);
}

void TMediaBaseTask::Assign(const TMediaTask& s, TAssignMode mode) {
  if (&s == this) return;
  TMediaTask::Assign(s, mode);
  const auto* base = dynamic_cast<const TMediaBaseTask*>(&s);
  if (!base) return;
  clip_counter_ = base->clip_counter_;
  if (base->source_) {
    source_ = base->source_->Copy();
    source_->Owner = this;
  }
  edits_.Assign(base->edits_);
  if (mode == TAssignMode::SameTasks) {
    clips_.SyncFrom(base->clips_, TAssignMode::Shallow);
  } else if (mode == TAssignMode::Clones) {
    clips_.Clear();
    clips_.SyncFrom(base->clips_, TAssignMode::Clones);
  }
}

TMediaTaskList& TMediaBaseTask::ChildTasks() {
  TMediaTask::ChildTasks();
  for (TMediaTask* t : clips_) child_cache_.Add(t);
  return child_cache_;
}

int32_t TMediaBaseTask::NextClipId() { return NextWrappingId(clip_counter_); }

void TMediaBaseTask::SyncClipsFrom(const TMediaBaseTask& edited) {
  if (&edited == this) return;
  clips_.SyncFrom(edited.clips_, TAssignMode::Shallow);
  clip_counter_ = std::max(clip_counter_, edited.clip_counter_);
}

TMediaClipTask* TMediaBaseTask::AddClip() {
  TMediaTask* last = clips_.Last();
  auto created = std::make_unique<TMediaClipTask>(&clips_, this);
  created->ClipId = NextClipId();
  auto* clip = static_cast<TMediaClipTask*>(clips_.Add(std::move(created)));
  clip->Assign(*this, TAssignMode::Shallow);
  clip->Title = GetString("ClipTaskTitle", "Segment") + " " + std::to_string(clips_.Count());
  if (last) {
    const double start = last->EndTime();
    const double end = last->Length();
    clip->SetRange(start, end);
  }
  return clip;
}

// Clip task

TMediaClipTask::TMediaClipTask(TMediaTaskList* list, TMediaBaseTask* parent)
    : TMediaTask(list, TMediaTaskKind::Clip), Parent(parent) {
  if (parent && parent->Source()) {
    source_ = parent->Source()->Copy();
    source_->Owner = this;
  }
}

TMediaClipTask::~TMediaClipTask() = default;

std::unique_ptr<TMediaTask> TMediaClipTask::NewLike(TMediaTaskList* list) const {
  return std::make_unique<TMediaClipTask>(list, Parent);
}

void TMediaClipTask::Assign(const TMediaTask& s, TAssignMode mode) {
  if (&s == this) return;
  TMediaTask::Assign(s, mode);
  if (const auto* clip = dynamic_cast<const TMediaClipTask*>(&s)) {
    ClipId = clip->ClipId;
    // The range edited in a copy comes back with it.
    if (clip->source_) {
      source_ = clip->source_->Copy();
      source_->Owner = this;
    }
  }
}

// Multi-profile task

TMediaMultiProfileTask::TMediaMultiProfileTask(TMediaTaskList* list, TMediaTask* owner)
    : TMediaTask(list, TMediaTaskKind::MultiProfile), OwnerTask(owner) {}

TMediaMultiProfileTask* TMediaMultiProfileTask::Create(TMediaTask* owner) {
  auto task = std::make_unique<TMediaMultiProfileTask>(&owner->SubTasks, owner);
  task->Record() = owner->Record();
  return static_cast<TMediaMultiProfileTask*>(owner->SubTasks.Add(std::move(task)));
}

TMediaTaskMediaSource* TMediaMultiProfileTask::Source() {
  if (!OwnerTask) return nullptr;
  TMediaTaskMediaSource* s = OwnerTask->Source();
  if (s) s->Owner = this;
  return s;
}

std::unique_ptr<TMediaTask> TMediaMultiProfileTask::NewLike(TMediaTaskList* list) const {
  return std::make_unique<TMediaMultiProfileTask>(list, OwnerTask);
}

std::unique_ptr<TMediaEncoder> TMediaMultiProfileTask::CreateEncoder() {
  // A slide's added sound track plays across all its members: each member mixes the part
  // that falls on it.
  if (Manager())
    for (TMediaTask* t : Manager()->Tasks()) {
      if (t->Kind() != TMediaTaskKind::Slide) continue;
      auto* slide = static_cast<TMediaSlideTask*>(t);
      const double offset = slide->MergeSource().MemberOffset(this);
      if (offset < 0) continue;
      const TExternalAudio& added = slide->MergeSource().ExternalAudio;
      if (!added.FileName.empty()) return CreateSourceEncoder(EditParams(), &added, offset);
      break;
    }
  return CreateSourceEncoder(EditParams(), nullptr, 0);
}

// Merge and slide tasks

TMediaMergeTask::TMediaMergeTask(TMediaTaskList* list)
    : TMediaMergeTask(list, TMediaTaskKind::Merge, nullptr) {}

TMediaMergeTask::TMediaMergeTask(TMediaTaskList* list, TMediaTaskKind kind,
                                 std::unique_ptr<TMediaTaskMergeSource> source)
    : TMediaTask(list, kind), source_(std::move(source)) {
  if (!source_) source_ = std::make_unique<TMediaTaskMergeSource>(this, Manager());
}

TMediaMergeTask::~TMediaMergeTask() = default;

TMediaTaskMediaSource* TMediaMergeTask::Source() {
  source_->Refresh();
  return source_.get();
}

std::unique_ptr<TMediaTask> TMediaMergeTask::NewLike(TMediaTaskList* list) const {
  return std::make_unique<TMediaMergeTask>(list);
}

void TMediaMergeTask::Assign(const TMediaTask& s, TAssignMode mode) {
  if (&s == this) return;
  TMediaTask::Assign(s, mode);
  if (const auto* merge = dynamic_cast<const TMediaMergeTask*>(&s)) {
    source_->Members().Clear();
    for (TMediaTask* m : merge->source_->Members()) source_->AddMember(m);
    source_->ExternalAudio = merge->source_->ExternalAudio;
  }
}

std::unique_ptr<TMediaEncoder> TMediaMergeTask::CreateEncoder() {
  TMediaTaskMergeSource& s = *source_;
  s.Refresh();
  if (s.Members().Count() == 0) return nullptr;
  // Pictures are made here, on the main thread, before the members open on the converter's.
  for (TMediaTask* m : s.Members())
    if (TMediaTaskEditParams* e = m->EditParams())
      if (e->Watermark.Enabled) e->Watermark.Picture();
  fc::TEncodeParams p = EncodeParams().Params;
  if (p.FrameRate == 0) p.FrameRate = s.VideoFormat.FrameRate;
  if (p.Width == 0 || p.Height == 0) {
    p.Width = s.VideoFormat.Width;
    p.Height = s.VideoFormat.Height;
  }
  const TContainerFormat* container = FindContainer(p.ContainerFourCC);
  std::shared_ptr<TVideoSource> video;
  std::shared_ptr<TAudioSource> audio;
  if (s.HasVideo && (!container || !container->Video.empty()))
    video = s.CreateVideoDecoder(TMediaPurpose::Encode, p);
  if ((s.HasAudio || !s.ExternalAudio.FileName.empty()) && (!container || !container->Audio.empty()))
    audio = s.CreateAudioDecoder(TMediaPurpose::Encode, p);
  if (!video && !audio) return nullptr;
  if (video) {
    const TVideoFormat f = video->VideoFormat();
    p.Width = f.Width;
    p.Height = f.Height;
    p.FrameRate = f.FrameRate;
  }
  auto encoder = std::make_unique<TMediaEncoder>(video, audio);
  encoder->SetOutputFile(OutputPath());
  encoder->SetEncodeParams(p);
  return encoder;
}

TMediaSlideTask::TMediaSlideTask(TMediaTaskList* list)
    : TMediaMergeTask(list, TMediaTaskKind::Slide, nullptr) {
  source_ = std::make_unique<TMediaTaskSlideSource>(this, Manager());
  source_->SourceKind = TSourceKind::Slide;
  Excluded = true;
  Flash.ShowSlide = true;
}

std::unique_ptr<TMediaTask> TMediaSlideTask::NewLike(TMediaTaskList* list) const {
  return std::make_unique<TMediaSlideTask>(list);
}

TMediaMultiProfileTask* TMediaSlideTask::AddSlideMember(TMediaTask* task) {
  TMediaMultiProfileTask* member = TMediaMultiProfileTask::Create(task);
  member->Assign(*task, TAssignMode::Shallow);
  member->Excluded = false;
  source_->AddMember(member);
  return member;
}

// ---------------------------------------------------------------------------------------------
// Custom profile

namespace {
const char kOutput[] = "Output";
}

void TCustomProfileSettings::LoadFromConfig(const TConfig& c) {
  FormatId = c.ReadInteger(kOutput, "FormatId", 0);
  VideoFourCC = static_cast<TFourCC>(c.ReadInteger(kOutput, "VideoFourCC", static_cast<int32_t>(VideoFourCC)));
  VideoBitrate = c.ReadInteger(kOutput, "VideoBitrate", VideoBitrate);
  VideoFrameRate = c.ReadFloat(kOutput, "VideoFrameRate", VideoFrameRate);
  VideoWidth = c.ReadInteger(kOutput, "VideoWidth", VideoWidth);
  VideoHeight = c.ReadInteger(kOutput, "VideoHeight", VideoHeight);
  AudioFourCC = static_cast<TFourCC>(c.ReadInteger(kOutput, "AudioFourCC", static_cast<int32_t>(AudioFourCC)));
  AudioBitrate = c.ReadInteger(kOutput, "AudioBitrate", AudioBitrate);
  AudioSampleRate = c.ReadInteger(kOutput, "AudioSampleRate", AudioSampleRate);
  Channels = c.ReadInteger(kOutput, "Channels", Channels);
}

void TCustomProfileSettings::SaveToConfig(const TConfig& c) const {
  TConfigBatch b(c);
  b.WriteInteger(kOutput, "FormatId", FormatId);
  b.WriteInteger(kOutput, "VideoFourCC", static_cast<int32_t>(VideoFourCC));
  b.WriteInteger(kOutput, "VideoBitrate", VideoBitrate);
  b.WriteFloat(kOutput, "VideoFrameRate", VideoFrameRate);
  b.WriteInteger(kOutput, "VideoWidth", VideoWidth);
  b.WriteInteger(kOutput, "VideoHeight", VideoHeight);
  b.WriteInteger(kOutput, "AudioFourCC", static_cast<int32_t>(AudioFourCC));
  b.WriteInteger(kOutput, "AudioBitrate", AudioBitrate);
  b.WriteInteger(kOutput, "AudioSampleRate", AudioSampleRate);
  b.WriteInteger(kOutput, "Channels", Channels);
  b.Commit();
}

void TCustomProfileSettings::CaptureFrom(const TMediaTask& task) {
  const fc::TEncodeParams& p = task.Record();
  FormatId = task.FormatId;
  VideoFourCC = p.VideoFourCC;
  VideoBitrate = p.VideoBitrate;
  VideoFrameRate = p.FrameRate;
  VideoWidth = p.Width;
  VideoHeight = p.Height;
  AudioFourCC = p.AudioFourCC;
  AudioBitrate = p.AudioBitrate;
  AudioSampleRate = p.SampleRate;
  Channels = p.Channels;
}

void TCustomProfileSettings::ApplyTo(TMediaTask& task, bool with_size) const {
  if (FormatId == 0) return;
  fc::TEncodeParams& p = task.Record();
  task.FormatId = FormatId;
  p.FrameRate = VideoFrameRate;
  if (VideoFourCC) p.VideoFourCC = VideoFourCC;
  if (VideoBitrate) p.VideoBitrate = VideoBitrate;
  if (with_size && VideoWidth) p.Width = VideoWidth;
  if (with_size && VideoHeight) p.Height = VideoHeight;
  if (AudioFourCC) p.AudioFourCC = AudioFourCC;
  if (AudioBitrate) p.AudioBitrate = AudioBitrate;
  if (AudioSampleRate) p.SampleRate = AudioSampleRate;
  if (Channels) p.Channels = Channels;
}

// ---------------------------------------------------------------------------------------------
// Manager

TMediaTaskMgr::TMediaTaskMgr() : tasks_(this, true) {}

TMediaTaskMgr::~TMediaTaskMgr() {
  closing_ = true;
  tasks_.Clear();
}

namespace {
uint64_t SizeOf(TMediaTask* task) {
  uint64_t total = task->Excluded ? 0 : task->EstimatedSize();
  for (TMediaTask* child : task->ChildTasks()) total += SizeOf(child);
  return total;
}

void CollectIncluded(TMediaTask* task, std::vector<TMediaTask*>& out) {
  if (!task->Excluded) out.push_back(task);
  // The child cache is rebuilt by ChildTasks: copy it before going deeper.
  const TMediaTaskList& children = task->ChildTasks();
  const std::vector<TMediaTask*> copy(children.begin(), children.end());
  for (TMediaTask* child : copy) CollectIncluded(child, out);
}

void IncludeTree(TMediaTask* task) {
  task->Excluded = false;
  for (TMediaTask* child : task->ChildTasks()) IncludeTree(child);
}
}  // namespace

uint64_t TMediaTaskMgr::TasksTotalSize() {
  uint64_t total = 0;
  for (TMediaTask* t : tasks_) total += SizeOf(t);
  return total;
}

void TMediaTaskMgr::IncludeAll() {
  for (TMediaTask* t : tasks_) IncludeTree(t);
}

std::vector<TMediaTask*> TMediaTaskMgr::IncludedTasks() {
  std::vector<TMediaTask*> included;
  for (TMediaTask* t : tasks_) CollectIncluded(t, included);
  return included;
}

int TMediaTaskMgr::AddRemovalListener(TRemovalListener listener) {
  listeners_.emplace_back(++next_listener_, std::move(listener));
  return next_listener_;
}

void TMediaTaskMgr::RemoveRemovalListener(int key) {
  std::erase_if(listeners_, [&](const auto& l) { return l.first == key; });
}

void TMediaTaskMgr::NotifyRemoval(TMediaTask* task) {
  const auto copy = listeners_;  // a listener may remove itself
  for (const auto& l : copy) l.second(task);
}

void TMediaTaskMgr::ForgetTask(TMediaTask* task) {
  if (closing_) return;
  for (TMediaTask* t : tasks_) {
    if (t == task) continue;
    if (t->Kind() == TMediaTaskKind::Merge || t->Kind() == TMediaTaskKind::Slide) {
      TMediaTaskList& members = static_cast<TMediaMergeTask*>(t)->MergeSource().Members();
      if (members.Contains(task)) members.Remove(task);
    }
  }
}

}  // namespace fc
