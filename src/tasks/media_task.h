#pragma once
// The conversion tasks of the job list: a source (a file, a DVD title or chapter, or a
// sequence of other tasks), the encode record of its output profile, the picture and sound
// edits, and the Flash player settings. A plain object model without user interface; the
// task manager owns the tasks for the program's whole run.
//
// Kinds: 0 base task (a file or DVD title/chapter), 1 clip of a base task, 2 multi-profile
// task (a second output of a task, used as a slide member), 3 merge (tasks played back to
// back into one output), 4 slide (a Flash playlist whose members are encoded one by one).
//
// All texts are UTF-8.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "engine/encode_params.h"
#include "engine/media_encoder.h"
#include "engine/sequence.h"
#include "engine/text_renderer.h"
#include "engine/video_processor.h"
#include "flash/swf_feature.h"

namespace fc {

struct TConfig;
class TMediaTask;
class TMediaTaskList;
class TMediaTaskMgr;
class TMediaTaskMediaSource;
class TMediaTaskMergeSource;
class TMediaBaseTask;
class TMediaClipTask;
class TAudioProcessor;
struct TExternalAudio;

enum class TMediaTaskKind : uint8_t { Base = 0, Clip = 1, MultiProfile = 2, Merge = 3, Slide = 4 };

// How Assign treats the child lists (clips and multi-profile tasks).
enum class TAssignMode : int {
  Shallow = 0,    // leave them alone
  SameTasks = 1,  // hold the same task objects as the source
  Clones = 2,     // fill them with clones
};

// Why decoders are opened.
enum class TMediaPurpose : int { Preview = 1, Encode = 2 };

// The encode record of a task.
class TMediaTaskEncodeParams {
public:
  explicit TMediaTaskEncodeParams(TMediaTask* task) : task_(task) {}
  TMediaTask* Task() const { return task_; }
  TEncodeParams Params;

  // Missing video or audio codecs become the first codecs of the container's entry in the
  // converter's format list.
  void CompleteDefaultCodecs();

private:
  TMediaTask* task_;
};

struct TMediaTaskFont {
  std::string Name = "DejaVu Sans";
  int32_t Size = 36;         // points
  uint32_t Color = 0xFFFFFF; // RGB, red in the high byte (white)
  int32_t Style = 0;         // kText... bits
};

// Watermark kinds.
inline constexpr uint8_t kWatermarkPicture = 0;  // an image file
inline constexpr uint8_t kWatermarkText = 1;     // a text rendered with the watermark's font

// Subtitle kinds: this one keeps the subtitle's own look; every other kind draws it with the
// task's font, colour and position (the kinds are kept and passed on unchanged).
inline constexpr uint8_t kSubtitleOwnLook = 0;

struct TMediaTaskWatermark {
  bool Enabled = false;
  int32_t X = 0, Y = 0;          // output pixels
  uint8_t Kind = kWatermarkPicture;
  int32_t Width = 0, Height = 0; // output pixels; 0 takes the picture's own size
  int32_t Transparency = 0;      // 0 (opaque) to 100
  std::string Text;
  std::string ImageFile;
  TMediaTaskFont Font;
  TDibImage Image;               // the rendered picture, made on first use

  // The picture (loaded or rendered once); empty when there is none.
  const TDibImage& Picture();
};

struct TMediaTaskSubtitle {
  bool Enabled = false;
  int32_t X = 0, Y = 0;
  int32_t Transparency = 0;
  uint8_t Kind = kSubtitleOwnLook;
  int32_t Style = 0;
  TMediaTaskFont Font;
};

// The picture and sound edits of a base task (its clips and multi-profile tasks share them).
class TMediaTaskEditParams {
public:
  explicit TMediaTaskEditParams(TMediaTask* owner) : Owner(owner) {}
  TMediaTask* Owner;
  uint8_t UserScaleMode = 0;  // 1: the user chose the zoom; profiles then keep ScaleMode
  int32_t Deinterlace = static_cast<int32_t>(TDeinterlaceMode::None);  // a TDeinterlaceMode value
  int32_t Contrast = 0, EffectFlags = 0, Saturation = 0, Brightness = 0;
  bool FlipHorizontal = false, FlipVertical = false;
  TCropRect Crop;
  int32_t Volume = 100;
  bool Mute = false;
  TMediaTaskWatermark Watermark;
  TMediaTaskSubtitle Subtitle;

  void Assign(const TMediaTaskEditParams& source);
  // Applies the edits in the processors' order: crop with the scale mode, brightness,
  // contrast, saturation, effects, flip, deinterlace, subtitle, watermark; then the volume
  // (0 when muted). Either processor may be null. `output_width/height` place the watermark;
  // `subtitle_stream_id` is the source's selected subtitle stream (0: none).
  void ApplyTo(TVideoProcessor* video, TAudioProcessor* audio, int32_t scale_mode, int32_t output_width,
               int32_t output_height, int32_t subtitle_stream_id);

private:
  void ApplySubtitle(TVideoProcessor& video, int32_t stream_id) const;
};

// A list of tasks; owning lists free what they hold and become the Owner of each task added.
class TMediaTaskList {
public:
  enum class TAction { Added, Removed };
  using TNotify = std::function<void(TMediaTask*, TAction)>;

  TMediaTaskList(TMediaTaskMgr* manager, bool owns) : manager_(manager), owns_(owns) {}
  virtual ~TMediaTaskList();
  TMediaTaskList(const TMediaTaskList&) = delete;
  TMediaTaskList& operator=(const TMediaTaskList&) = delete;

  TMediaTaskMgr* Manager() const { return manager_; }
  bool OwnsTasks() const { return owns_; }
  // Owning lists take the task; views must be given a task someone else owns.
  TMediaTask* Add(std::unique_ptr<TMediaTask> task);
  TMediaTask* Add(TMediaTask* task);
  // Takes the task out (and frees it in an owning list); false when it was not in the list.
  bool Remove(TMediaTask* task);
  // Takes the task out without freeing it (owning lists hand it back).
  std::unique_ptr<TMediaTask> Extract(TMediaTask* task);
  void Clear();
  size_t Count() const { return items_.size(); }
  TMediaTask* Items(size_t i) const { return items_.at(i); }
  TMediaTask* Last() const { return items_.empty() ? nullptr : items_.back(); }
  bool Contains(const TMediaTask* task) const;
  TMediaTask* FindById(int32_t id) const;
  auto begin() const { return items_.begin(); }
  auto end() const { return items_.end(); }
  // Stable sort by Order, ascending.
  void SortByOrder();
  // Adds the tasks of another list (cleared first when mode is not Shallow): the same objects,
  // or clones for Clones. Views always add the same objects.
  void AddFrom(const TMediaTaskList& source, TAssignMode mode);
  // Base + Ext when no task of the list other than `except` has that output name (compared
  // without case); otherwise Base(n) + Ext with the first free number n, starting at the count
  // of clashes. The base name is data, never a format.
  std::string MakeUniqueName(const TMediaTask* except, const std::string& base, const std::string& ext) const;

  TNotify OnNotify;

protected:
  virtual void Notify(TMediaTask* task, TAction action);

private:
  TMediaTaskMgr* manager_;
  bool owns_;
  std::vector<TMediaTask*> items_;
  std::vector<std::unique_ptr<TMediaTask>> owned_;
};

// The clips of a base task.
class TMediaClipTaskList : public TMediaTaskList {
public:
  TMediaClipTaskList(TMediaTaskMgr* manager, TMediaBaseTask* parent) : TMediaTaskList(manager, true), Parent(parent) {}
  TMediaBaseTask* Parent;
  TMediaClipTask* FindByClipId(int32_t clip_id) const;
  int IndexOfClipId(int32_t clip_id) const;  // -1 when absent
  // Makes this list match `other` (an edited copy): clips missing there are removed, the
  // others assigned from their namesakes, new ones created.
  void SyncFrom(const TMediaClipTaskList& other, TAssignMode mode);
};

class TMediaTask {
public:
  virtual ~TMediaTask();
  TMediaTask(const TMediaTask&) = delete;
  TMediaTask& operator=(const TMediaTask&) = delete;

  TMediaTaskList* Owner = nullptr;
  const int32_t Id;
  int32_t Order = 0;
  std::string Title;
  std::string Tag;             // kept and copied with the task, not interpreted
  std::string OutputFileName;  // file name only
  bool Excluded = false;
  int32_t FormatId = 0;
  std::string ProfileExt;      // with the dot
  TMediaTaskList SubTasks;     // multi-profile tasks made from this task (owning)
  TSwfFeature Flash;

  TMediaTaskKind Kind() const { return kind_; }
  TMediaTaskMgr* Manager() const { return manager_; }

  virtual TMediaTaskMediaSource* Source() = 0;
  const TMediaTaskMediaSource* Source() const { return const_cast<TMediaTask*>(this)->Source(); }
  // The encode record, its default codecs completed.
  TMediaTaskEncodeParams& EncodeParams();
  // The record as stored, without completing anything.
  fc::TEncodeParams& Record() { return encode_.Params; }
  const fc::TEncodeParams& Record() const { return encode_.Params; }
  virtual TMediaTaskEditParams* EditParams() { return nullptr; }
  // A new, empty task of the same class on `list`'s manager (not added to it).
  virtual std::unique_ptr<TMediaTask> NewLike(TMediaTaskList* list) const = 0;
  virtual void Assign(const TMediaTask& source, TAssignMode mode);
  // The encoder ready to start, or null when the chain cannot be built.
  virtual std::unique_ptr<TMediaEncoder> CreateEncoder();
  // The multi-profile tasks, then (for base tasks) the clips. Rebuilt on every call.
  virtual TMediaTaskList& ChildTasks();
  // Registers this task as a member of a sequence at `offset` seconds (merges and slides).
  virtual void AddVideoSegment(TVideoSequence& sequence, double offset, TMediaPurpose purpose);
  virtual void AddAudioSegment(TAudioSequence& sequence, double offset, TMediaPurpose purpose);

  double Duration() const;
  double StartTime() const;
  double EndTime() const;
  double Length() const;
  void SetRange(double start, double end);
  // The record's size when both are set, else the source's picture size.
  void OutputSize(int32_t& width, int32_t& height) const;
  std::string OutputPath() const;
  // Bytes the output is expected to take (0 when the size cannot be estimated).
  uint64_t EstimatedSize();
  // The task's picture as the converter makes it, for preview and snapshots: its decoder under
  // a processor at the output size, zoom and scaler of the record with the edits applied, in
  // the source's own timing. Null when the source has no video.
  std::shared_ptr<TVideoProcessor> OpenProcessedVideo(TMediaPurpose purpose);
  // The task's own sound with the volume edit applied, at the source's rate and channels. Null
  // when the source has no sound.
  std::shared_ptr<TAudioProcessor> OpenProcessedAudio(TMediaPurpose purpose);
  // True when the source's video or audio says its size cannot be estimated.
  bool SizeUnknown() const;
  std::unique_ptr<TMediaTask> Clone() const;
  // Tells the manager's removal listeners, then takes the task out of its owner list (which
  // frees it when it owns it). The task must not be used afterwards.
  void Delete();

protected:
  TMediaTask(TMediaTaskList* list, TMediaTaskKind kind);
  // The decoders, processors and converter over a single source.
  // `added_audio` (a slide's sound track) replaces the source's own added track; it plays from
  // `added_audio_offset` seconds before this task's start.
  std::unique_ptr<TMediaEncoder> CreateSourceEncoder(TMediaTaskEditParams* edits, const TExternalAudio* added_audio,
                                                    double added_audio_offset);
  // Opens the processors of this task over its own decoders for a sequence member.
  std::shared_ptr<TVideoSource> OpenMemberVideo(TMediaPurpose purpose, const fc::TEncodeParams& target);
  std::shared_ptr<TAudioSource> OpenMemberAudio(TMediaPurpose purpose, const fc::TEncodeParams& target);
  // The picture processor over `decoder` with the edits applied: `width` x `height` (0: the
  // source's) with the target's zoom and scaler, at `frame_rate` (-1: the source's timing).
  std::shared_ptr<TVideoProcessor> MakeVideoProcessor(std::shared_ptr<TVideoSource> decoder,
                                                      const fc::TEncodeParams& target, int32_t width, int32_t height,
                                                      double frame_rate);

  TMediaTaskList child_cache_;

private:
  TMediaTaskMgr* manager_;
  TMediaTaskKind kind_;
  TMediaTaskEncodeParams encode_{this};
};

class TMediaBaseTask : public TMediaTask {
public:
  // The task over a source; the source is usually loaded already.
  TMediaBaseTask(TMediaTaskList* list, std::unique_ptr<TMediaTaskMediaSource> source);
  explicit TMediaBaseTask(TMediaTaskList* list);
  ~TMediaBaseTask() override;

  TMediaTaskMediaSource* Source() override { return source_.get(); }
  TMediaTaskEditParams* EditParams() override { return &edits_; }
  std::unique_ptr<TMediaTask> NewLike(TMediaTaskList* list) const override;
  void Assign(const TMediaTask& source, TAssignMode mode) override;
  TMediaTaskList& ChildTasks() override;

  TMediaClipTaskList& Clips() { return clips_; }
  const TMediaClipTaskList& Clips() const { return clips_; }
  int32_t ClipCounter() const { return clip_counter_; }
  // A new clip after the last one (see the clip rules in the .cpp).
  TMediaClipTask* AddClip();
  // The next clip id (wraps to 0 after the largest value).
  int32_t NextClipId();
  // Takes over the clips of an edited copy of this task (its clip list synchronised, mode
  // Shallow) and its clip counter, so clips made later never reuse an id the copy handed out.
  void SyncClipsFrom(const TMediaBaseTask& edited);

private:
  std::unique_ptr<TMediaTaskMediaSource> source_;
  TMediaTaskEditParams edits_{this};
  TMediaClipTaskList clips_;
  int32_t clip_counter_ = 0;
};

class TMediaClipTask : public TMediaTask {
public:
  // A clip of `parent`, its source a copy of the parent's; added to nothing yet.
  TMediaClipTask(TMediaTaskList* list, TMediaBaseTask* parent);
  ~TMediaClipTask() override;

  TMediaBaseTask* Parent = nullptr;
  int32_t ClipId = 0;

  TMediaTaskMediaSource* Source() override { return source_.get(); }
  TMediaTaskEditParams* EditParams() override { return Parent ? Parent->EditParams() : nullptr; }
  std::unique_ptr<TMediaTask> NewLike(TMediaTaskList* list) const override;
  void Assign(const TMediaTask& source, TAssignMode mode) override;

private:
  std::unique_ptr<TMediaTaskMediaSource> source_;
};

// A second output of a task, sharing its source and edits: a slide member.
class TMediaMultiProfileTask : public TMediaTask {
public:
  // Copies the owner's encode record and joins the owner's SubTasks.
  static TMediaMultiProfileTask* Create(TMediaTask* owner);
  TMediaMultiProfileTask(TMediaTaskList* list, TMediaTask* owner);

  TMediaTask* OwnerTask = nullptr;
  TMediaTaskMediaSource* Source() override;
  TMediaTaskEditParams* EditParams() override { return OwnerTask ? OwnerTask->EditParams() : nullptr; }
  std::unique_ptr<TMediaTask> NewLike(TMediaTaskList* list) const override;
  std::unique_ptr<TMediaEncoder> CreateEncoder() override;
};

class TMediaMergeTask : public TMediaTask {
public:
  explicit TMediaMergeTask(TMediaTaskList* list);
  ~TMediaMergeTask() override;

  TMediaTaskMediaSource* Source() override;
  TMediaTaskMergeSource& MergeSource() { return *source_; }
  std::unique_ptr<TMediaTask> NewLike(TMediaTaskList* list) const override;
  void Assign(const TMediaTask& source, TAssignMode mode) override;
  std::unique_ptr<TMediaEncoder> CreateEncoder() override;

protected:
  TMediaMergeTask(TMediaTaskList* list, TMediaTaskKind kind, std::unique_ptr<TMediaTaskMergeSource> source);
  std::unique_ptr<TMediaTaskMergeSource> source_;
};

class TMediaSlideTask : public TMediaMergeTask {
public:
  explicit TMediaSlideTask(TMediaTaskList* list);
  std::unique_ptr<TMediaTask> NewLike(TMediaTaskList* list) const override;
  // A slide is presented by its player; its members are what gets encoded.
  std::unique_ptr<TMediaEncoder> CreateEncoder() override { return nullptr; }
  // Adds a member made from `task` (a multi-profile task of it).
  TMediaMultiProfileTask* AddSlideMember(TMediaTask* task);
};

// The custom profile remembered by the manager (section "Output").
struct TCustomProfileSettings {
  int32_t FormatId = 0;
  TFourCC VideoFourCC = 0;
  int32_t VideoBitrate = 0;
  double VideoFrameRate = 0;
  int32_t VideoWidth = 0, VideoHeight = 0;
  TFourCC AudioFourCC = 0;
  int32_t AudioBitrate = 0, AudioSampleRate = 0, Channels = 0;

  void LoadFromConfig(const TConfig& config);
  void SaveToConfig(const TConfig& config) const;
  void CaptureFrom(const TMediaTask& task);
  // Nothing when FormatId is 0; else the format and frame rate, and every other non-zero value
  // (the size only with `with_size`).
  void ApplyTo(TMediaTask& task, bool with_size) const;
};

class TMediaSerialEncodeTaskList;
class TMainLoop;

class TMediaTaskMgr {
public:
  using TRemovalListener = std::function<void(TMediaTask*)>;

  TMediaTaskMgr();
  ~TMediaTaskMgr();
  TMediaTaskMgr(const TMediaTaskMgr&) = delete;
  TMediaTaskMgr& operator=(const TMediaTaskMgr&) = delete;

  TMediaTaskList& Tasks() { return tasks_; }
  TCustomProfileSettings CustomProfile;
  TSwfFeature DefaultFlash;
  std::string OutputFolder;

  // Sum of EstimatedSize over every task and child that is not Excluded.
  uint64_t TasksTotalSize();
  void IncludeAll();
  // Every task that is not Excluded: each top-level task, then its children (multi-profile
  // tasks, then clips), depth first.
  std::vector<TMediaTask*> IncludedTasks();
  // The jobs of a run: one per task to convert, in task order.
  std::unique_ptr<TMediaSerialEncodeTaskList> CreateSerialEncodeList(TMainLoop& loop);

  // Returns a key for removing the listener again.
  int AddRemovalListener(TRemovalListener listener);
  void RemoveRemovalListener(int key);
  void NotifyRemoval(TMediaTask* task);

  // Called by every task as it is freed: views that hold it (merge and slide members) forget it.
  void ForgetTask(TMediaTask* task);

private:
  TMediaTaskList tasks_;
  std::vector<std::pair<int, TRemovalListener>> listeners_;
  int next_listener_ = 0;
  bool closing_ = false;
};

// The next process-wide task id (wraps to 0 after the largest value).
int32_t NextTaskId();
// Wrapping counter step shared by task and clip ids.
int32_t NextWrappingId(int32_t& counter);

}  // namespace fc
