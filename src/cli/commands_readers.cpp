// flarecast-cli flv ... and sound ...: what the media readers find in a file, as the movie
// builder will see it.

#include <cmath>
#include <ostream>
#include <sstream>

#include "cli/command.h"
#include "cli/output_text.h"
#include "core/error.h"
#include "core/text.h"
#include "readers/flv_reader.h"
#include "readers/wave_reader.h"

namespace fc::cli {
namespace {

// Numbers that JSON cannot hold (infinities, NaN) become null.
TJson JsonNumber(double v) { return std::isfinite(v) ? TJson(v) : TJson(); }

TJson MetaToJson(const TFLVCustomData& v);

TJson PropertiesToJson(const std::vector<std::unique_ptr<TFLVCustomData>>& items) {
  TJson object = TJson::object();
  for (const auto& item : items) object[item->Name] = MetaToJson(*item);
  return object;
}

TJson MetaToJson(const TFLVCustomData& v) {
  if (const auto* n = dynamic_cast<const TFLVDataNumber*>(&v)) return JsonNumber(n->Value);
  if (const auto* b = dynamic_cast<const TFLVDataBoolean*>(&v)) return b->Value;
  if (const auto* s = dynamic_cast<const TFLVDataString*>(&v)) return s->Value;
  if (const auto* w = dynamic_cast<const TFLVDataWord*>(&v)) return w->Value;
  if (const auto* d = dynamic_cast<const TFLVDataDate*>(&v))
    return {{"milliseconds", JsonNumber(d->Milliseconds)}, {"timezone", d->TimeZone}};
  if (const auto* a = dynamic_cast<const TFLVDataECMAArray*>(&v)) return PropertiesToJson(a->Items);
  if (const auto* sa = dynamic_cast<const TFLVDataStrictArray*>(&v)) {
    TJson array = TJson::array();
    for (const auto& item : sa->Items) array.push_back(MetaToJson(*item));
    return array;
  }
  if (const auto* k = dynamic_cast<const TFLVKeyFramesObjectData*>(&v)) {
    TJson times = TJson::array();
    for (const double t : k->Times) times.push_back(JsonNumber(t));
    return {{"count", k->Count}, {"times", std::move(times)}, {"filepositions", k->FilePositions}};
  }
  return nullptr;
}

void MetaToText(const TFLVCustomData& v, int indent, std::ostream& out) {
  const std::string pad(static_cast<size_t>(indent) * 2, ' ');
  out << pad << (v.Name.empty() ? "-" : v.Name);
  if (const auto* n = dynamic_cast<const TFLVDataNumber*>(&v)) out << " = " << FormatDouble(n->Value) << "\n";
  else if (const auto* b = dynamic_cast<const TFLVDataBoolean*>(&v)) out << " = " << (b->Value ? "true" : "false") << "\n";
  else if (const auto* s = dynamic_cast<const TFLVDataString*>(&v)) out << " = \"" << s->Value << "\"\n";
  else if (const auto* w = dynamic_cast<const TFLVDataWord*>(&v)) out << " = reference " << w->Value << "\n";
  else if (const auto* d = dynamic_cast<const TFLVDataDate*>(&v))
    out << " = date " << FormatDouble(d->Milliseconds) << " ms, zone " << d->TimeZone << "\n";
  else if (const auto* a = dynamic_cast<const TFLVDataECMAArray*>(&v)) {
    out << ":\n";
    for (const auto& item : a->Items) MetaToText(*item, indent + 1, out);
  } else if (const auto* sa = dynamic_cast<const TFLVDataStrictArray*>(&v)) {
    out << ": " << sa->Items.size() << " values\n";
    for (const auto& item : sa->Items) MetaToText(*item, indent + 1, out);
  } else if (const auto* k = dynamic_cast<const TFLVKeyFramesObjectData*>(&v)) {
    out << ": " << k->Count << " keyframes\n";
    for (size_t i = 0; i < std::max(k->Times.size(), k->FilePositions.size()); ++i) {
      out << pad << "  " << i << ":";
      if (i < k->Times.size()) out << " " << FormatDouble(k->Times[i]) << " s";
      if (i < k->FilePositions.size()) out << " at " << k->FilePositions[i];
      out << "\n";
    }
  } else {
    out << " = null\n";
  }
}

const char* const kRates[] = {"5.5 kHz", "11 kHz", "22 kHz", "44 kHz"};

int FlvInfo(const TArgs& args, std::ostream& out) {
  const std::string& file = args.At(0);
  const TFLVData flv{std::filesystem::path(file)};
  if (!flv.IsFLV) throw Error(Format("%s is not an FLV file (version 1)", file.c_str()));
  const bool audio_usable = !flv.AudioFrames.empty();
  if (args.Has("--json")) {
    TJson j = {{"file", file},
               {"version", flv.Version},
               {"hasVideo", flv.HasVideo},
               {"hasAudio", flv.HasAudio},
               {"video",
                {{"codecId", flv.VideoCodecID},
                 {"codec", FlvVideoCodecName(flv.VideoCodecID)},
                 {"width", flv.Width},
                 {"height", flv.Height},
                 {"frames", flv.FrameCount},
                 {"frameRate", JsonNumber(flv.FrameRateValue())},
                 {"frameRateFixed", flv.FrameRate},
                 {"firstFrameType", flv.FirstFrameType},
                 {"lastTimestamp", flv.LastVideoTimestamp}}}};
    if (flv.SoundHeader) {
      const TSHeader& s = *flv.SoundHeader;
      j["audio"] = {{"format", s.SoundFormat()},
                    {"formatName", FlvSoundFormatName(s.SoundFormat())},
                    {"rate", s.SoundRate()},
                    {"size", s.SoundSize()},
                    {"type", s.SoundType()},
                    {"mp3FrameHeader", s.MP3FrameHeader},
                    {"frames", flv.AudioFrameCount()},
                    {"usable", audio_usable}};
    }
    if (flv.MetaData) j["metadata"] = MetaToJson(*flv.MetaData);
    if (!flv.MetaDataError.empty()) j["metadataError"] = flv.MetaDataError;
    out << JsonDocument(j);
    return 0;
  }
  out << "file: " << file << "\n"
      << "header: FLV version " << int{flv.Version} << ", video " << (flv.HasVideo ? "yes" : "no") << ", audio "
      << (flv.HasAudio ? "yes" : "no") << "\n"
      << "video: codec " << int{flv.VideoCodecID} << " (" << FlvVideoCodecName(flv.VideoCodecID) << "), " << flv.Width
      << " x " << flv.Height << ", " << flv.FrameCount << " frames, "
      << Format("%.2f fps (8.8: 0x%04X)", flv.FrameRateValue(), flv.FrameRate) << ", first frame type "
      << int{flv.FirstFrameType} << "\n";
  if (flv.SoundHeader) {
    const TSHeader& s = *flv.SoundHeader;
    out << "audio: format " << int{s.SoundFormat()} << " (" << FlvSoundFormatName(s.SoundFormat()) << "), "
        << kRates[s.SoundRate()] << ", " << (s.SoundSize() ? "16-bit" : "8-bit") << ", "
        << (s.SoundType() ? "stereo" : "mono") << ", " << flv.AudioFrameCount() << " frames"
        << (audio_usable ? "" : " (not embeddable)") << "\n";
  } else {
    out << "audio: none\n";
  }
  if (flv.MetaData) {
    out << "metadata:\n";
    for (const auto& item : flv.MetaData->Items) MetaToText(*item, 1, out);
  }
  if (!flv.MetaDataError.empty()) out << "metadata stopped early: " << flv.MetaDataError << "\n";
  return 0;
}

int SoundInfo(const TArgs& args, std::ostream& out) {
  const std::string& file = args.At(0);
  const std::string extension = ToUpperAscii(std::filesystem::path(file).extension().string());
  if (extension != ".WAV" && extension != ".MP3") throw Error(Format("%s: only .wav and .mp3 files are read", file.c_str()));
  const TWaveReader sound{std::filesystem::path(file)};
  if (sound.FormatTag == 0) throw Error(Format("%s: no sound found", file.c_str()));
  out << "file: " << file << "\n"
      << "format: " << sound.FormatTag << " (" << WaveFormatName(sound.FormatTag) << ")\n"
      << "rate: " << sound.SampleRate << " Hz\n"
      << "channels: " << sound.Channels << "\n"
      << "bits: " << sound.BitsPerSample << "\n"
      << "samples: " << sound.SampleCount << "\n"
      << Format("duration: %.3f s\n", sound.Duration)
      << "data: " << sound.DataSize << " bytes at " << sound.DataOffset << "\n";
  if (sound.FormatTag == kWaveFormatMSADPCM)
    out << "blocks: " << sound.BlockAlign << " bytes, " << sound.ADPCMFormat.SamplesPerBlock << " samples each\n";
  if (sound.MPEG && sound.MPEG->Frame.Found) {
    const TMPEGaudio& mpeg = *sound.MPEG;
    out << "frames: " << sound.FrameCount << " (" << mpeg.AudioFrameCount() << " with audio), " << sound.FrameSize
        << " bytes first, " << sound.SamplesPerFrame << " samples each\n"
        << "bit rate: " << sound.BitRate << " kbit/s" << (mpeg.VBR.Found ? " (" + mpeg.VBR.ID + " header)" : "") << "\n";
  }
  return 0;
}

}  // namespace

void RegisterReaderCommands(TCommandTable& table) {
  table.Add({.Name = "flv info",
             .Args = "FILE",
             .Summary = "show what the FLV index finds: codec, size, frames, frame rate, audio, metadata",
             .Details = "The frame rate comes from the frame count and the first and last video timestamps, to one decimal.\n"
                        "Audio other than MP3 and Nellymoser is reported but cannot be embedded in a movie.",
             .Options = {{"--json", "", "print JSON"}},
             .MinPositional = 1,
             .MaxPositional = 1,
             .Run = FlvInfo});
  table.Add({.Name = "sound info",
             .Args = "FILE",
             .Summary = "show the sound parameters of a .wav or .mp3 file: format, rate, channels, samples, frames",
             .Details = "WAV files may hold PCM, Microsoft ADPCM or MPEG audio; MP3 files are indexed frame by frame.",
             .MinPositional = 1,
             .MaxPositional = 1,
             .Run = SoundInfo});
}

}  // namespace fc::cli
