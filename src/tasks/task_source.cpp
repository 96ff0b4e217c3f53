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
  SelectStream(AudioTracks, index, VideoDecodeOptions.AudioTrackID, AudioDecodeOptions.AudioTrackID);
}

void TMediaTaskMediaSource::SelectSubtitle(int index) {
  SelectStream(Subtitles, index, VideoDecodeOptions.SubtitleID, AudioDecodeOptions.SubtitleID);
}

void TMediaTaskMediaSource::LoadProgram(const TMediaInfo& info, size_t index) {
  if (index >= info.Programs.size()) throw TVideoDecodeException(Format("Fail to load file %s", FileName.c_str()));
  const TProgramInfo& p = info.Programs[index];
  HasVideo = !p.Video.empty();
  HasAudio = !p.Audio.empty();
  Length = p.Duration;
  ProgramValue = p.Value;
  VideoBitrate = HasVideo ? p.Video[0].BitRate : 0;
  VideoFormat = HasVideo ? p.Video[0].Format : fc::TVideoFormat{};
  AudioBitrate = HasAudio ? p.Audio[0].BitRate : 0;
  AudioFormat = HasAudio ? p.Audio[0].Format : fc::TAudioFormat{};
  VideoDecodeOptions.ProgramID = AudioDecodeOptions.ProgramID = p.ID;
  Subtitles.clear();
  AudioTracks.clear();
  for (const TSubtitleStreamInfo& s : p.Subtitles)
    if (s.ID != 0) Subtitles.push_back({s.Name, s.ID});
  for (const TAudioStreamInfo& a : p.Audio)
    if (a.ID != 0) AudioTracks.push_back({a.Name, a.ID});
  HasSubtitles = !Subtitles.empty();
}

std::shared_ptr<TAudioSource> TMediaTaskMediaSource::CreateAudioDecoder(TMediaPurpose purpose, const TEncodeParams&) {
  std::shared_ptr<TAudioSource> own = CreatePlainAudioDecoder(purpose);
  if (purpose != TMediaPurpose::Encode || ExternalAudio.FileName.empty()) return own;
  return MixAddedAudio(std::move(own), ExternalAudio, StartTime - DecoderOrigin(),
                       ExternalAudio.Loop ? Duration() : 0);
}

std::shared_ptr<TAudioSource> TMediaTaskMediaSource::MixAddedAudio(std::shared_ptr<TAudioSource> main,
                                                                  const TExternalAudio& added, double track_start,
                                                                  double loop_length) const {
  auto track = std::make_shared<TAudioDecoder>(added.FileName);
  const TTrackTimes times{added.ClipStart, added.ClipEnd, loop_length, track_start};
  return std::make_shared<TTrackMixer>(std::move(main), std::move(track), times);
}

// ---------------------------------------------------------------------------------------------
// Files

TMediaTaskVideoSource::TMediaTaskVideoSource(const std::string& file_name, int32_t open_flags) {
  FileName = file_name;
  OpenFlags = open_flags;
  Load();
}

void TMediaTaskVideoSource::Load() {
  TMediaInfo info;
  try {
    info = LoadMediaInfo(FileName);
  } catch (const std::exception& e) {
    throw TVideoDecodeException(Format("Fail to load file %s", FileName.c_str()), e.what());
  }
  LoadProgram(info, 0);
  Loaded = true;
  if (!(Length > 0)) Length = info.Duration;
  StartTime = 0;
  EndTime = Length;
}

std::unique_ptr<TMediaTaskMediaSource> TMediaTaskVideoSource::Copy() const {
  return std::make_unique<TMediaTaskVideoSource>(*this);
}

std::shared_ptr<TVideoSource> TMediaTaskVideoSource::CreateVideoDecoder(TMediaPurpose, const TEncodeParams&) {
  if (!HasVideo) return nullptr;
  return std::make_shared<TVideoDecoder>(FileName, VideoDecodeOptions);
}

std::shared_ptr<TAudioSource> TMediaTaskVideoSource::CreatePlainAudioDecoder(TMediaPurpose) {
  if (!HasAudio) return nullptr;
  return std::make_shared<TAudioDecoder>(FileName, AudioDecodeOptions);
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
  const TDvdTitle& title = info->Titles()[static_cast<size_t>(title_index)];
  AudioTracks.clear();
  Subtitles.clear();
  for (const TDvdAudioTrack& a : title.Audio)
    AudioTracks.push_back({Trim(a.Language + " " + a.Format + " " + a.Description).data(), a.ID});
  for (const TDvdSubtitleTrack& s : title.Subtitles)
    Subtitles.push_back({Trim(s.Language + " " + s.Description).data(), s.ID});
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
  VideoDecodeOptions.ProgramID = AudioDecodeOptions.ProgramID = 0;
  VideoDecodeOptions.SubtitleID = AudioDecodeOptions.SubtitleID = 0;
  const int32_t audio = AudioTracks.empty() ? 0 : AudioTracks[0].Id;
  VideoDecodeOptions.AudioTrackID = AudioDecodeOptions.AudioTrackID = audio;
  EndTime = StartTime + Length;
  Loaded = true;
}

std::unique_ptr<TMediaTaskMediaSource> TMediaTaskDVDSource::Copy() const {
  return std::unique_ptr<TMediaTaskMediaSource>(new TMediaTaskDVDSource(*this));
}

TInputOpener TMediaTaskDVDSource::Opener() const {
  const TDVDIFOInfo dvd(FileName);
  return ChapterIndex < 0 ? dvd.OpenTitle(TitleIndex) : dvd.OpenTitle(TitleIndex, ChapterIndex, ChapterIndex);
}

std::shared_ptr<TVideoSource> TMediaTaskDVDSource::CreateVideoDecoder(TMediaPurpose, const TEncodeParams&) {
  if (!HasVideo) return nullptr;
  return std::make_shared<TVideoDecoder>(Opener(), FileName, VideoDecodeOptions);
}

std::shared_ptr<TAudioSource> TMediaTaskDVDSource::CreatePlainAudioDecoder(TMediaPurpose) {
  if (!HasAudio) return nullptr;
  return std::make_shared<TAudioDecoder>(Opener(), FileName, AudioDecodeOptions);
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

std::shared_ptr<TVideoSource> TMediaTaskMergeSource::CreateVideoDecoder(TMediaPurpose purpose,
                                                                        const TEncodeParams& target) {
  if (target.NoVideo || (purpose == TMediaPurpose::Encode && target.VideoFourCC == 0)) return nullptr;
  Refresh();
  int32_t width = target.Width, height = target.Height;
  if (width == 0 && height == 0) {
    width = VideoFormat.Width;
    height = VideoFormat.Height;
  }
  const double rate = target.FrameRate != 0 ? target.FrameRate : VideoFormat.FrameRate;
  auto sequence = std::make_shared<TVideoSequence>(width, height, rate);
  double offset = 0;
  for (TMediaTask* m : members_) {
    m->AddVideoSegment(*sequence, offset, purpose);
    offset += m->Duration();
  }
  return sequence;
}

std::shared_ptr<TAudioSource> TMediaTaskMergeSource::CreateAudioDecoder(TMediaPurpose purpose,
                                                                        const TEncodeParams& target) {
  Refresh();
  const bool added = purpose == TMediaPurpose::Encode && !ExternalAudio.FileName.empty() &&
                     SourceKind != TSourceKind::Slide;
  if (target.NoAudio || (purpose == TMediaPurpose::Encode && target.AudioFourCC == 0)) return nullptr;
  std::shared_ptr<TAudioSource> sequence;
  if (HasAudio) {
    const int32_t rate = target.SampleRate ? target.SampleRate : (AudioFormat.SampleRate ? AudioFormat.SampleRate : 44100);
    const int32_t channels = target.Channels ? target.Channels : (AudioFormat.Channels ? AudioFormat.Channels : 2);
    auto audio = std::make_shared<TAudioSequence>(rate, channels);
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
