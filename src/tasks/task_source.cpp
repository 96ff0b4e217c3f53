#include "tasks/task_source.h"

#include <algorithm>
#include <filesystem>

#include "core/error.h"
#include "core/text.h"
#include "engine/dvd.h"
#include "engine/sequence.h"

namespace fc {

double TMediaTaskMediaSource::Duration() const { return (EndTime > 0 ? EndTime : Length) - StartTime; }

namespace {
void SelectStream(const std::vector<TStreamEntry>& list, int index, int32_t& video_id, int32_t& audio_id) {
  const int32_t id = index >= 0 && static_cast<size_t>(index) < list.size() ? list[static_cast<size_t>(index)].Id : 0;
  video_id = id;
  audio_id = id;
}
}  // namespace

void TMediaTaskMediaSource::SelectAudioTrack(int index) {
  SelectStream(AudioTracks, index, VideoDecodeOptions.audio_track_id, AudioDecodeOptions.audio_track_id);
}

void TMediaTaskMediaSource::SelectSubtitle(int index) {
  SelectStream(Subtitles, index, VideoDecodeOptions.subtitle_id, AudioDecodeOptions.subtitle_id);
}

void TMediaTaskMediaSource::LoadProgram(const MediaInfo& info, size_t index) {
  if (index >= info.programs.size()) throw TVideoDecodeException(Format("Fail to load file %s", FileName.c_str()));
  const ProgramInfo& p = info.programs[index];
  HasVideo = !p.video.empty();
  HasAudio = !p.audio.empty();
  Length = p.duration;
  ProgramValue = p.value;
  VideoBitrate = HasVideo ? p.video[0].bit_rate : 0;
  VideoFormat = HasVideo ? p.video[0].format : fc::VideoFormat{};
  AudioBitrate = HasAudio ? p.audio[0].bit_rate : 0;
  AudioFormat = HasAudio ? p.audio[0].format : fc::AudioFormat{};
  VideoDecodeOptions.program_id = AudioDecodeOptions.program_id = p.id;
  Subtitles.clear();
  AudioTracks.clear();
  for (const SubtitleStreamInfo& s : p.subtitles)
    if (s.id != 0) Subtitles.push_back({s.name, s.id});
  for (const AudioStreamInfo& a : p.audio)
    if (a.id != 0) AudioTracks.push_back({a.name, a.id});
  HasSubtitles = !Subtitles.empty();
}

std::shared_ptr<AudioSource> TMediaTaskMediaSource::CreateAudioDecoder(TMediaPurpose purpose, const EncodeParams&) {
  std::shared_ptr<AudioSource> own = CreatePlainAudioDecoder(purpose);
  if (purpose != TMediaPurpose::Encode || ExternalAudio.FileName.empty()) return own;
  return MixAddedAudio(std::move(own), ExternalAudio, StartTime - DecoderOrigin(),
                       ExternalAudio.Loop ? Duration() : 0);
}

std::shared_ptr<AudioSource> TMediaTaskMediaSource::MixAddedAudio(std::shared_ptr<AudioSource> main,
                                                                  const TExternalAudio& added, double track_start,
                                                                  double loop_length) const {
  auto track = std::make_shared<AudioDecoder>(added.FileName);
  const TrackTimes times{added.ClipStart, added.ClipEnd, loop_length, track_start};
  return std::make_shared<TrackMixer>(std::move(main), std::move(track), times);
}

// ---------------------------------------------------------------------------------------------
// Files

TMediaTaskVideoSource::TMediaTaskVideoSource(const std::string& file_name, int32_t open_flags) {
  FileName = file_name;
  OpenFlags = open_flags;
  Load();
}

void TMediaTaskVideoSource::Load() {
  MediaInfo info;
  try {
    info = LoadMediaInfo(FileName);
  } catch (const std::exception& e) {
    throw TVideoDecodeException(Format("Fail to load file %s", FileName.c_str()), e.what());
  }
  LoadProgram(info, 0);
  Loaded = true;
  if (!(Length > 0)) Length = info.duration;
  StartTime = 0;
  EndTime = Length;
}

std::unique_ptr<TMediaTaskMediaSource> TMediaTaskVideoSource::Copy() const {
  return std::make_unique<TMediaTaskVideoSource>(*this);
}

std::shared_ptr<VideoSource> TMediaTaskVideoSource::CreateVideoDecoder(TMediaPurpose, const EncodeParams&) {
  if (!HasVideo) return nullptr;
  return std::make_shared<VideoDecoder>(FileName, VideoDecodeOptions);
}

std::shared_ptr<AudioSource> TMediaTaskVideoSource::CreatePlainAudioDecoder(TMediaPurpose) {
  if (!HasAudio) return nullptr;
  return std::make_shared<AudioDecoder>(FileName, AudioDecodeOptions);
}

// ---------------------------------------------------------------------------------------------
// DVD

bool IsDvdImageOrIfo(const std::string& path) {
  const std::string ext = ToLowerAscii(std::filesystem::path(path).extension().string());
  return ext == ".ifo" || ext == ".iso";
}

TMediaTaskDVDSource::TMediaTaskDVDSource(const std::string& path, const TDVDIFOInfo* info, int chapter_index,
                                         int title_index, int32_t open_flags) {
  SourceKind = TSourceKind::Dvd;
  FileName = path;
  OpenFlags = open_flags;
  TitleIndex = title_index;
  ChapterIndex = chapter_index;
  std::unique_ptr<TDVDIFOInfo> opened;
  try {
    if (!info) {
      opened = std::make_unique<TDVDIFOInfo>(path);
      info = opened.get();
    }
    if (title_index < 0 || title_index >= info->TitleCount())
      throw Error(Format("the DVD has no title %d", title_index + 1));
    if (chapter_index >= info->ChapterCount(title_index))
      throw Error(Format("title %d has no chapter %d", title_index + 1, chapter_index + 1));
    LoadProgram(info->GetFileInfo(), static_cast<size_t>(title_index));
  } catch (const TVideoDecodeException&) {
    throw;
  } catch (const std::exception& e) {
    throw TVideoDecodeException(Format("Fail to load file %s", path.c_str()), e.what());
  }
  const DvdTitle& title = info->titles()[static_cast<size_t>(title_index)];
  AudioTracks.clear();
  Subtitles.clear();
  for (const DvdAudioTrack& a : title.audio)
    AudioTracks.push_back({Trim(a.language + " " + a.format + " " + a.description).data(), a.id});
  for (const DvdSubtitleTrack& s : title.subtitles)
    Subtitles.push_back({Trim(s.language + " " + s.description).data(), s.id});
  HasSubtitles = !Subtitles.empty();
  if (chapter_index < 0) {
    StartTime = info->TitleBeginTime(title_index);
    Length = info->TitleLength(title_index);
    ChapterCount = info->ChapterCount(title_index);
  } else {
    StartTime = info->ChapterBeginTime(title_index, chapter_index);
    Length = info->ChapterLength(title_index, chapter_index);
    ChapterCount = 0;
    ChapterBegin = StartTime;
  }
  // The decoders read the title's own blocks: no program to choose within them.
  VideoDecodeOptions.program_id = AudioDecodeOptions.program_id = 0;
  VideoDecodeOptions.subtitle_id = AudioDecodeOptions.subtitle_id = 0;
  const int32_t audio = AudioTracks.empty() ? 0 : AudioTracks[0].Id;
  VideoDecodeOptions.audio_track_id = AudioDecodeOptions.audio_track_id = audio;
  EndTime = StartTime + Length;
  Loaded = true;
}

std::unique_ptr<TMediaTaskMediaSource> TMediaTaskDVDSource::Copy() const {
  return std::unique_ptr<TMediaTaskMediaSource>(new TMediaTaskDVDSource(*this));
}

InputOpener TMediaTaskDVDSource::Opener() const {
  const TDVDIFOInfo dvd(FileName);
  return ChapterIndex < 0 ? dvd.OpenTitle(TitleIndex) : dvd.OpenTitle(TitleIndex, ChapterIndex, ChapterIndex);
}

std::shared_ptr<VideoSource> TMediaTaskDVDSource::CreateVideoDecoder(TMediaPurpose, const EncodeParams&) {
  if (!HasVideo) return nullptr;
  return std::make_shared<VideoDecoder>(Opener(), FileName, VideoDecodeOptions);
}

std::shared_ptr<AudioSource> TMediaTaskDVDSource::CreatePlainAudioDecoder(TMediaPurpose) {
  if (!HasAudio) return nullptr;
  return std::make_shared<AudioDecoder>(Opener(), FileName, AudioDecodeOptions);
}

// ---------------------------------------------------------------------------------------------
// Merges and slides

TMediaTaskMergeSource::TMediaTaskMergeSource(TMediaTask* merge_task, TMediaTaskMgr* manager)
    : members_(manager, false) {
  Owner = merge_task;
  SourceKind = TSourceKind::Merge;
  Loaded = true;
}

TMediaTaskMergeSource::~TMediaTaskMergeSource() = default;

void TMediaTaskMergeSource::AddMember(TMediaTask* task) {
  if (!task || task == Owner || members_.Contains(task)) return;
  members_.Add(task);
  Refresh();
}

void TMediaTaskMergeSource::RemoveMember(TMediaTask* task) {
  members_.Remove(task);
  Refresh();
}

void TMediaTaskMergeSource::Refresh() {
  double length = 0;
  ProgramValue = 0;
  HasVideo = HasAudio = false;
  VideoFormat = {};
  AudioFormat = {};
  VideoBitrate = AudioBitrate = 0;
  // Last to first, each overwriting: the first member that has a stream wins.
  for (size_t i = members_.Count(); i-- > 0;) {
    TMediaTask* m = members_.Items(i);
    const TMediaTaskMediaSource* s = m->Source();
    if (!s) continue;
    length += s->Duration();
    ProgramValue = std::max(ProgramValue, s->ProgramValue);
    if (s->HasVideo) {
      HasVideo = true;
      VideoFormat = s->VideoFormat;
      VideoBitrate = s->VideoBitrate;
    }
    if (s->HasAudio) {
      HasAudio = true;
      AudioFormat = s->AudioFormat;
      AudioBitrate = s->AudioBitrate;
    }
  }
  Length = length;
  StartTime = 0;
  EndTime = length;
}

std::unique_ptr<TMediaTaskMediaSource> TMediaTaskMergeSource::Copy() const {
  auto copy = std::make_unique<TMediaTaskMergeSource>(Owner, members_.Manager());
  copy->SourceKind = SourceKind;
  copy->ExternalAudio = ExternalAudio;
  for (TMediaTask* m : members_) copy->members_.Add(m);
  copy->Refresh();
  return copy;
}

double TMediaTaskMergeSource::MemberOffset(const TMediaTask* task) const {
  double offset = 0;
  for (TMediaTask* m : members_) {
    if (m == task) return offset;
    offset += m->Duration();
  }
  return -1;
}

std::shared_ptr<VideoSource> TMediaTaskMergeSource::CreateVideoDecoder(TMediaPurpose purpose,
                                                                        const EncodeParams& target) {
  if (target.no_video || (purpose == TMediaPurpose::Encode && target.video_fourcc == 0)) return nullptr;
  Refresh();
  int32_t width = target.width, height = target.height;
  if (width == 0 && height == 0) {
    width = VideoFormat.width;
    height = VideoFormat.height;
  }
  const double rate = target.frame_rate != 0 ? target.frame_rate : VideoFormat.frame_rate;
  auto sequence = std::make_shared<VideoSequence>(width, height, rate);
  double offset = 0;
  for (TMediaTask* m : members_) {
    m->AddVideoSegment(*sequence, offset, purpose);
    offset += m->Duration();
  }
  return sequence;
}

std::shared_ptr<AudioSource> TMediaTaskMergeSource::CreateAudioDecoder(TMediaPurpose purpose,
                                                                        const EncodeParams& target) {
  Refresh();
  const bool added = purpose == TMediaPurpose::Encode && !ExternalAudio.FileName.empty() &&
                     SourceKind != TSourceKind::Slide;
  if (target.no_audio || (purpose == TMediaPurpose::Encode && target.audio_fourcc == 0)) return nullptr;
  std::shared_ptr<AudioSource> sequence;
  if (HasAudio) {
    const int32_t rate = target.sample_rate ? target.sample_rate : (AudioFormat.sample_rate ? AudioFormat.sample_rate : 44100);
    const int32_t channels = target.channels ? target.channels : (AudioFormat.channels ? AudioFormat.channels : 2);
    auto audio = std::make_shared<AudioSequence>(rate, channels);
    double offset = 0;
    for (TMediaTask* m : members_) {
      m->AddAudioSegment(*audio, offset, purpose);
      offset += m->Duration();
    }
    sequence = audio;
  }
  if (!added) return sequence;
  return MixAddedAudio(std::move(sequence), ExternalAudio, 0, ExternalAudio.Loop ? Duration() : 0);
}

TMediaTaskSlideSource::~TMediaTaskSlideSource() {
  // The members belong to their source tasks' SubTasks: take them out there (freeing them).
  while (members_.Count() > 0) {
    TMediaTask* m = members_.Last();
    members_.Remove(m);
    if (m->Owner) m->Owner->Remove(m);
  }
}

void TMediaTaskSlideSource::RemoveMember(TMediaTask* task) {
  if (!members_.Contains(task)) return;
  members_.Remove(task);
  if (task->Owner) task->Owner->Remove(task);
  Refresh();
}

}  // namespace fc
