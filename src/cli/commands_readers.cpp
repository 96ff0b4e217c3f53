// flarecast-cli flv ... and sound ...: what the media readers find in a file, as the movie
// builder will see it.

#include <cmath>
#include <ostream>
#include <sstream>

#include "cli/command.h"
#include "core/error.h"
#include "core/text.h"
#include "readers/flv_reader.h"
#include "readers/wave_reader.h"

namespace fc::cli {
namespace {

std::string JsonString(std::string_view s) {
  std::string out = "\"";
  for (const char c : s) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (static_cast<unsigned char>(c) < 0x20) out += Format("\\u%04x", static_cast<unsigned char>(c));
        else out += c;
    }
  }
  return out + "\"";
}

std::string JsonNumber(double v) { return std::isfinite(v) ? FormatDouble(v) : "null"; }

void MetaToJson(const TFLVCustomData& v, std::ostream& out);

void PropertiesToJson(const std::vector<std::unique_ptr<TFLVCustomData>>& items, std::ostream& out) {
  out << "{";
  for (size_t i = 0; i < items.size(); ++i) {
    out << (i ? ", " : "") << JsonString(items[i]->Name) << ": ";
    MetaToJson(*items[i], out);
  }
  out << "}";
}

void MetaToJson(const TFLVCustomData& v, std::ostream& out) {
  if (const auto* n = dynamic_cast<const TFLVDataNumber*>(&v)) out << JsonNumber(n->Value);
  else if (const auto* b = dynamic_cast<const TFLVDataBoolean*>(&v)) out << (b->Value ? "true" : "false");
  else if (const auto* s = dynamic_cast<const TFLVDataString*>(&v)) out << JsonString(s->Value);
  else if (const auto* w = dynamic_cast<const TFLVDataWord*>(&v)) out << w->Value;
  else if (const auto* d = dynamic_cast<const TFLVDataDate*>(&v))
    out << "{\"milliseconds\": " << JsonNumber(d->Milliseconds) << ", \"timezone\": " << d->TimeZone << "}";
  else if (const auto* a = dynamic_cast<const TFLVDataECMAArray*>(&v)) PropertiesToJson(a->Items, out);
  else if (const auto* sa = dynamic_cast<const TFLVDataStrictArray*>(&v)) {
    out << "[";
    for (size_t i = 0; i < sa->Items.size(); ++i) {
      out << (i ? ", " : "");
      MetaToJson(*sa->Items[i], out);
    }
    out << "]";
  } else if (const auto* k = dynamic_cast<const TFLVKeyFramesObjectData*>(&v)) {
    out << "{\"count\": " << k->Count << ", \"times\": [";
    for (size_t i = 0; i < k->Times.size(); ++i) out << (i ? ", " : "") << JsonNumber(k->Times[i]);
    out << "], \"filepositions\": [";
    for (size_t i = 0; i < k->FilePositions.size(); ++i) out << (i ? ", " : "") << k->FilePositions[i];
    out << "]}";
  } else {
    out << "null";
  }
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

int FlvInfo(const Args& args, std::ostream& out) {
  const std::string& file = args.at(0);
  const TFLVData flv{std::filesystem::path(file)};
  if (!flv.IsFLV) throw Error(Format("%s is not an FLV file (version 1)", file.c_str()));
  const bool audio_usable = !flv.AudioFrames.empty();
  if (args.has("--json")) {
    out << "{\"file\": " << JsonString(file) << ", \"version\": " << int{flv.Version}
        << ", \"hasVideo\": " << (flv.HasVideo ? "true" : "false") << ", \"hasAudio\": " << (flv.HasAudio ? "true" : "false")
        << ",\n \"video\": {\"codecId\": " << int{flv.VideoCodecID} << ", \"codec\": " << JsonString(FlvVideoCodecName(flv.VideoCodecID))
        << ", \"width\": " << flv.Width << ", \"height\": " << flv.Height << ", \"frames\": " << flv.FrameCount
        << ", \"frameRate\": " << JsonNumber(flv.FrameRateValue()) << ", \"frameRateFixed\": " << flv.FrameRate
        << ", \"firstFrameType\": " << int{flv.FirstFrameType} << ", \"lastTimestamp\": " << flv.LastVideoTimestamp << "}";
    if (flv.SoundHeader) {
      const TSHeader& s = *flv.SoundHeader;
      out << ",\n \"audio\": {\"format\": " << int{s.SoundFormat()} << ", \"formatName\": "
          << JsonString(FlvSoundFormatName(s.SoundFormat())) << ", \"rate\": " << int{s.SoundRate()}
          << ", \"size\": " << int{s.SoundSize()} << ", \"type\": " << int{s.SoundType()}
          << ", \"mp3FrameHeader\": " << s.MP3FrameHeader << ", \"frames\": " << flv.AudioFrameCount()
          << ", \"usable\": " << (audio_usable ? "true" : "false") << "}";
    }
    if (flv.MetaData) {
      out << ",\n \"metadata\": ";
      MetaToJson(*flv.MetaData, out);
    }
    if (!flv.MetaDataError.empty()) out << ",\n \"metadataError\": " << JsonString(flv.MetaDataError);
    out << "}\n";
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

int SoundInfo(const Args& args, std::ostream& out) {
  const std::string& file = args.at(0);
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

void RegisterReaderCommands(CommandTable& table) {
  table.Add({.name = "flv info",
             .args = "FILE",
             .summary = "show what the FLV index finds: codec, size, frames, frame rate, audio, metadata",
             .details = "The frame rate comes from the frame count and the first and last video timestamps, to one decimal.\n"
                        "Audio other than MP3 and Nellymoser is reported but cannot be embedded in a movie.",
             .options = {{"--json", "", "print JSON"}},
             .min_positional = 1,
             .max_positional = 1,
             .run = FlvInfo});
  table.Add({.name = "sound info",
             .args = "FILE",
             .summary = "show the sound parameters of a .wav or .mp3 file: format, rate, channels, samples, frames",
             .details = "WAV files may hold PCM, Microsoft ADPCM or MPEG audio; MP3 files are indexed frame by frame.",
             .min_positional = 1,
             .max_positional = 1,
             .run = SoundInfo});
}

}  // namespace fc::cli
