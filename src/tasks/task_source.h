#pragma once
// Where a task's media comes from: a file, a DVD title or chapter, or a sequence of other
// tasks (merge and slide). A source knows the media's range and formats, its audio and
// subtitle streams, and opens the engine's decoders for preview or for encoding.

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/decoder.h"
#include "engine/media_info.h"
#include "engine/sequence.h"
#include "tasks/media_task.h"

namespace fc {

class TDVDIFOInfo;

// A file that cannot be loaded: "Fail to load file %s".
// The engine's reason is kept apart from the message.
class TVideoDecodeException : public Error {
public:
  explicit TVideoDecodeException(const std::string& message, std::string reason = {})
      : Error(message), Reason(std::move(reason)) {}
  std::string Reason;
};

enum class TSourceKind : uint8_t { File = 0, Dvd = 2, Merge = 3, Slide = 4 };

// An added sound track laid under the task's own sound (filled from TProfileAdd).
struct TExternalAudio {
  std::string FileName;  // empty: none
  bool Loop = false;
  double ClipStart = 0, ClipEnd = 0;  // part of the track; 0 and 0: all of it
};

// One entry of the audio or subtitle list: display name and stream id.
struct TStreamEntry {
  std::string Name;
  int32_t Id = 0;
};

class TMediaTaskMediaSource {
public:
  virtual ~TMediaTaskMediaSource() = default;

  TMediaTask* Owner = nullptr;
  bool Loaded = false;
  TSourceKind SourceKind = TSourceKind::File;
  std::string FileName;
  double Length = 0, StartTime = 0, EndTime = 0;
  int32_t ProgramValue = 0;
  int64_t VideoBitrate = 0, AudioBitrate = 0;
  fc::TVideoFormat VideoFormat;
  fc::TAudioFormat AudioFormat;
  bool HasVideo = false, HasAudio = false, HasSubtitles = false;
  std::vector<TStreamEntry> Subtitles, AudioTracks;
  int32_t OpenFlags = 0;
  TDecodeOptions VideoDecodeOptions, AudioDecodeOptions;
  TExternalAudio ExternalAudio;

  // (EndTime when above 0, else Length) - StartTime.
  double Duration() const;
  // Refreshed information (merge sources recompute it from their members).
  virtual void Refresh() {}
  virtual std::unique_ptr<TMediaTaskMediaSource> Copy() const = 0;
  virtual std::shared_ptr<TVideoSource> CreateVideoDecoder(TMediaPurpose purpose, const TEncodeParams& target) = 0;
  // The audio decoder; for encoding with an added sound track, the track mixer over it.
  virtual std::shared_ptr<TAudioSource> CreateAudioDecoder(TMediaPurpose purpose, const TEncodeParams& target);
  // The source's own sound only (null when it has none).
  virtual std::shared_ptr<TAudioSource> CreatePlainAudioDecoder(TMediaPurpose purpose) = 0;
  // Where the decoders' time line starts within the source's times (a DVD chapter is decoded
  // on its own, from 0).
  virtual double DecoderOrigin() const { return 0; }
  // The mixer of `added` under `main` (which may be null), the track starting at `track_start`
  // of the decoders' time line, repeated for `loop_length` seconds when above 0.
  std::shared_ptr<TAudioSource> MixAddedAudio(std::shared_ptr<TAudioSource> main, const TExternalAudio& added,
                                             double track_start, double loop_length) const;
  // Stores the stream id of the list entry in the decode options (0 when out of range).
  void SelectAudioTrack(int index);
  void SelectSubtitle(int index);

protected:
  // Steps shared by file and DVD loading: program `index` of `info`.
  void LoadProgram(const TMediaInfo& info, size_t index);
};

// A media file (TMediaTaskVideoSource).
class TMediaTaskVideoSource : public TMediaTaskMediaSource {
public:
  TMediaTaskVideoSource() = default;
  // Loads at once; throws TVideoDecodeException "Fail to load file %s".
  TMediaTaskVideoSource(const std::string& file_name, int32_t open_flags);
  void Load();
  std::unique_ptr<TMediaTaskMediaSource> Copy() const override;
  std::shared_ptr<TVideoSource> CreateVideoDecoder(TMediaPurpose purpose, const TEncodeParams& target) override;
  std::shared_ptr<TAudioSource> CreatePlainAudioDecoder(TMediaPurpose purpose) override;
};

// A DVD title (ChapterIndex -1) or one chapter of it.
class TMediaTaskDVDSource : public TMediaTaskMediaSource {
public:
  // `info` may be null: the DVD is then opened on the path for loading.
  TMediaTaskDVDSource(const std::string& path, const TDVDIFOInfo* info, int chapter_index, int title_index,
                      int32_t open_flags);
  int TitleIndex = 0;
  int ChapterIndex = -1;
  int ChapterCount = 0;
  double ChapterBegin = 0;  // where a chapter starts in its title (its decoders start there)
  std::unique_ptr<TMediaTaskMediaSource> Copy() const override;
  std::shared_ptr<TVideoSource> CreateVideoDecoder(TMediaPurpose purpose, const TEncodeParams& target) override;
  std::shared_ptr<TAudioSource> CreatePlainAudioDecoder(TMediaPurpose purpose) override;
  double DecoderOrigin() const override { return ChapterIndex >= 0 ? ChapterBegin : 0; }

private:
  TMediaTaskDVDSource() = default;
  TInputOpener Opener() const;
};

// True for ".ifo" and ".iso" names (any case).
bool IsDvdImageOrIfo(const std::string& path);

// Tasks played back to back.
class TMediaTaskMergeSource : public TMediaTaskMediaSource {
public:
  TMediaTaskMergeSource(TMediaTask* merge_task, TMediaTaskMgr* manager);
  ~TMediaTaskMergeSource() override;

  TMediaTaskList& Members() { return members_; }
  void AddMember(TMediaTask* task);
  virtual void RemoveMember(TMediaTask* task);
  void Refresh() override;
  std::unique_ptr<TMediaTaskMediaSource> Copy() const override;
  std::shared_ptr<TVideoSource> CreateVideoDecoder(TMediaPurpose purpose, const TEncodeParams& target) override;
  std::shared_ptr<TAudioSource> CreateAudioDecoder(TMediaPurpose purpose, const TEncodeParams& target) override;
  std::shared_ptr<TAudioSource> CreatePlainAudioDecoder(TMediaPurpose) override { return nullptr; }
  // The offset of a member within the sequence (sum of the durations before it); -1 when absent.
  double MemberOffset(const TMediaTask* task) const;

protected:
  TMediaTaskList members_;
};

// A slide: members are multi-profile tasks of their source tasks.
class TMediaTaskSlideSource : public TMediaTaskMergeSource {
public:
  using TMediaTaskMergeSource::TMediaTaskMergeSource;
  ~TMediaTaskSlideSource() override;
  // Also takes the member out of its owner task's SubTasks (which frees it).
  void RemoveMember(TMediaTask* task) override;
};

}  // namespace fc
