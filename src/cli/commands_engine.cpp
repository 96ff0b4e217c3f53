// flarecast-cli media ... and formats: the media engine on the command line.

#include <cmath>
#include <filesystem>
#include <ostream>

#include "cli/command.h"
#include "core/error.h"
#include "core/text.h"
#include "engine/audio_processor.h"
#include "engine/decoder.h"
#include "engine/dvd.h"
#include "engine/formats.h"
#include "engine/media_encoder.h"
#include "engine/media_info.h"
#include "engine/video_processor.h"

namespace fc::cli {
namespace {

int ParseIntOption(const Args& args, const std::string& name, int fallback) {
  const auto v = args.get(name);
  if (!v) return fallback;
  const auto n = ParseInt32(*v);
  if (!n || *n < 0) throw UsageError(name + " takes a whole number of 0 or more, not '" + *v + "'");
  return *n;
}

double ParseDoubleOption(const Args& args, const std::string& name, double fallback) {
  const auto v = args.get(name);
  if (!v) return fallback;
  const auto d = ParseDouble(*v);
  if (!d || !std::isfinite(*d) || *d < 0) throw UsageError(name + " takes a number of 0 or more, not '" + *v + "'");
  return *d;
}

FourCC ParseFourCCOption(const Args& args, const std::string& name) {
  const auto v = args.get(name);
  if (!v) return 0;
  if (v->empty() || v->size() > 4) throw UsageError(name + " takes a code of 1 to 4 characters, not '" + *v + "'");
  return MakeFourCC(*v);
}

std::string SizeText(uint64_t bytes) {
  if (bytes < 1024) return Format("%lluB", static_cast<unsigned long long>(bytes));
  const char* units[] = {"KB", "MB", "GB", "TB"};
  double v = static_cast<double>(bytes);
  int u = -1;
  while (v >= 1024 && u < 3) v /= 1024, ++u;
  return Format("%.1f%s", v, units[u]);
}

int MediaInfoCommand(const Args& args, std::ostream& out) {
  const MediaInfo info = LoadMediaInfo(args.at(0));
  if (args.has("--json")) {
    out << MediaInfoToJson(info);
    return 0;
  }
  out << info.file_name << ": " << info.format_name << ", " << FormatDouble(info.duration) << " s";
  if (info.bit_rate > 0) out << ", " << info.bit_rate / 1000 << " kbit/s";
  out << "\n";
  for (const ProgramInfo& p : info.programs) {
    out << "Program " << p.id << ": " << FormatDouble(p.duration) << " s\n";
    for (const auto& v : p.video) {
      out << Format("  [%d] %s: %dx%d, %s fps, aspect %d:%d, %lld kbit/s%s\n", v.id, v.name.c_str(),
                    v.format.width, v.format.height, FormatDouble(v.format.frame_rate).c_str(), v.format.aspect_x,
                    v.format.aspect_y, static_cast<long long>(v.bit_rate / 1000),
                    (v.format.flags & kFormatSizeUnknown) ? ", size cannot be estimated" : "");
    }
    for (const auto& a : p.audio) {
      out << Format("  [%d] %s: %d Hz, %d channels, %lld kbit/s%s\n", a.id, a.name.c_str(), a.format.sample_rate,
                    a.format.channels, static_cast<long long>(a.bit_rate / 1000),
                    (a.format.flags & kFormatSizeUnknown) ? ", size cannot be estimated" : "");
    }
    for (const auto& s : p.subtitles)
      out << Format("  [%d] %s%s\n", s.id, s.name.c_str(), s.bitmap ? ", pictures" : ", text");
  }
  return 0;
}

int FormatsCommand(const Args&, std::ostream& out) {
  for (const ContainerFormat& f : SupportedFormats()) {
    out << "\"" << FourCCToString(f.fourcc) << "\"  " << f.display_name << " (" << f.extension << ")\n";
    for (const CodecEntry& c : f.video)
      out << "    video \"" << FourCCToString(c.fourcc) << "\"  " << c.display_name << (c.value ? " (default)" : "")
          << "\n";
    for (const CodecEntry& c : f.audio)
      out << "    audio \"" << FourCCToString(c.fourcc) << "\"  " << c.display_name << (c.value ? " (default)" : "")
          << "\n";
  }
  return 0;
}

// The container for an output name: --container, else the format list entry with its extension.
FourCC ContainerFor(const Args& args, const std::string& output) {
  if (args.has("--copy")) return kFourCCCopy;
  if (const FourCC c = ParseFourCCOption(args, "--container")) return c;
  const std::string ext = ToLowerAscii(std::filesystem::path(output).extension().string());
  for (const ContainerFormat& f : SupportedFormats())
    if (f.extension == ext) return f.fourcc;
  throw UsageError("cannot tell the container from '" + ext + "'; give --container");
}

int MediaConvertCommand(const Args& args, std::ostream& out) {
  const std::string& input = args.at(0);
  const std::string& output = args.at(1);
  EncodeParams params;
  params.container_fourcc = ContainerFor(args, output);
  params.video_fourcc = ParseFourCCOption(args, "--vcodec");
  params.audio_fourcc = ParseFourCCOption(args, "--acodec");
  if (const auto size = args.get("--size")) {
    const auto parts = Split(*size, 'x');
    const auto w = parts.size() == 2 ? ParseInt32(parts[0]) : std::nullopt;
    const auto h = parts.size() == 2 ? ParseInt32(parts[1]) : std::nullopt;
    if (!w || !h || *w <= 0 || *h <= 0 || *w > 8192 || *h > 8192)
      throw UsageError("--size takes WIDTHxHEIGHT, such as 320x240");
    params.width = *w;
    params.height = *h;
  }
  params.frame_rate = ParseDoubleOption(args, "--fps", 0);
  params.video_bitrate = ParseIntOption(args, "--vbitrate", 0);
  params.audio_bitrate = ParseIntOption(args, "--abitrate", 0);
  params.sample_rate = ParseIntOption(args, "--rate", 0);
  params.channels = ParseIntOption(args, "--channels", 0);
  params.no_video = args.has("--no-video");
  params.no_audio = args.has("--no-audio");
  const double start = ParseDoubleOption(args, "--start", 0);
  const double duration = ParseDoubleOption(args, "--duration", 0);
  const double split = ParseDoubleOption(args, "--split", 0);

  DecodeOptions options;
  options.copy = params.container_fourcc == kFourCCCopy;
  std::shared_ptr<VideoDecoder> video;
  std::shared_ptr<AudioDecoder> audio;
  if (IsDvdPath(input)) {
    // A DVD title, or a range of its chapters (1-based on the command line).
    const TDVDIFOInfo dvd(input);
    const int title = ParseIntOption(args, "--title", 1) - 1;
    int first = 0, last = -1;
    if (const auto range = args.get("--chapters")) {
      const auto parts = Split(*range, '-');
      const auto a = ParseInt32(parts.front());
      const auto b = parts.size() == 2 ? ParseInt32(parts[1]) : a;
      if (!a || !b || parts.size() > 2 || *a < 1 || *b < *a) throw UsageError("--chapters takes N or N-M, from 1");
      first = *a - 1;
      last = *b - 1;
    }
    const InputOpener open = dvd.OpenTitle(title, first, last);
    const DvdTitle& t = dvd.titles().at(static_cast<size_t>(title));
    if (!t.audio.empty()) options.audio_track_id = t.audio.front().id;
    if (!params.no_video) video = std::make_shared<VideoDecoder>(open, input, options);
    if (!t.audio.empty() && !params.no_audio) audio = std::make_shared<AudioDecoder>(open, input, options);
  } else {
    const MediaInfo info = LoadMediaInfo(input);
    const ProgramInfo& program = info.programs.front();
    options.program_id = program.id;
    if (!program.video.empty() && !params.no_video) video = std::make_shared<VideoDecoder>(input, options);
    if (!program.audio.empty() && !params.no_audio) audio = std::make_shared<AudioDecoder>(input, options);
  }

  // The processor chain of a conversion: the edits, the output size and, for Flash, the rate.
  std::shared_ptr<VideoSource> video_source = video;
  std::shared_ptr<AudioSource> audio_source = audio;
  if (!options.copy) {
    const bool flash = IsFlashContainer(params.container_fourcc);
    if (video) {
      VideoOutput vo;
      vo.width = params.width;
      vo.height = params.height;
      vo.scale_mode = ParseIntOption(args, "--scale", 1);
      vo.frame_rate = flash ? (params.frame_rate > 0 ? params.frame_rate : video->format().frame_rate) : -1.0;
      auto processor = std::make_shared<VideoProcessor>(video, vo);
      if (const auto crop = args.get("--crop")) {
        const auto parts = Split(*crop, ',');
        std::vector<int32_t> v;
        for (const auto& part : parts)
          if (const auto n = ParseInt32(part)) v.push_back(*n);
        if (v.size() != 4) throw UsageError("--crop takes LEFT,TOP,RIGHT,BOTTOM in source pixels");
        processor->SetCrop({v[0], v[1], v[2], v[3]}, vo.scale_mode);
      }
      auto level = [&](const char* name) {
        const auto text = args.get(name);
        if (!text) return 0;
        const auto n = ParseInt32(*text);
        if (!n || *n < -100 || *n > 100) throw UsageError(std::string(name) + " takes -100 to 100");
        return *n;
      };
      processor->SetBrightness(level("--brightness"));
      processor->SetContrast(level("--contrast"));
      processor->SetSaturation(level("--saturation"));
      processor->SetEffects(ParseIntOption(args, "--effects", 0));
      processor->SetFlip(ParseIntOption(args, "--flip", 0));
      processor->SetDeinterlace(ParseIntOption(args, "--deinterlace", 0));
      video_source = processor;
    }
    if (audio) {
      auto processor = std::make_shared<AudioProcessor>(audio, params.sample_rate, params.channels, 16, flash);
      processor->SetVolume(ParseIntOption(args, "--volume", 100));
      audio_source = processor;
    }
  }

  MediaEncoder encoder(video_source, audio_source);
  encoder.SetOutputFile(output);
  encoder.SetEncodeParams(params);
  if (split > 0) encoder.SetSplit(1, static_cast<int64_t>(std::llround(split * 1000)));
  int last_tenth = -1;
  EncoderStatus end = EncoderStatus::Failed;
  const bool quiet = args.has("--quiet");
  const bool started = encoder.Start(start, duration, 0,
      [&](EncoderStatus status, int32_t value, const ProgressInfo* progress, std::stop_token) {
        if (status == EncoderStatus::Progress && progress && !quiet) {
          const int tenth = value / 1000;
          if (tenth != last_tenth) {
            last_tenth = tenth;
            out << Format("%3d%%  %.2f of %.2f s  speed %.1fx\n", value / 100, progress->converted_length,
                          progress->total_length, progress->speed)
                << std::flush;
          }
        }
        if (status >= EncoderStatus::Succeeded && status <= EncoderStatus::WriteFailed) end = status;
        return true;
      });
  if (!started) throw Error("cannot start the conversion: " + encoder.error());
  encoder.Wait();
  if (end != EncoderStatus::Succeeded) throw Error("the conversion failed: " + encoder.error());
  const EncodeParams used = encoder.encode_params();
  for (const std::string& file : encoder.TargetFiles()) {
    std::error_code ec;
    out << "wrote " << file << " (" << SizeText(std::filesystem::file_size(file, ec)) << ")\n";
  }
  if (video && params.container_fourcc != kFourCCCopy)
    out << Format("video %dx%d at %s fps, %d bit/s\n", used.width, used.height, FormatDouble(used.frame_rate).c_str(),
                  used.video_bitrate);
  if (audio && params.container_fourcc != kFourCCCopy)
    out << Format("audio %d Hz, %d channels, %d bit/s\n", used.sample_rate, used.channels, used.audio_bitrate);
  return 0;
}

// A picture of FILE at TIME seconds, through a processor as the program's snapshots are.
int MediaGrabCommand(const Args& args, std::ostream& out) {
  const std::string& input = args.at(0);
  std::string time_text, output;
  if (args.positional().size() == 3) {
    time_text = args.at(1);
    output = args.at(2);
  } else {
    time_text = args.get("--at").value_or("0");
    output = args.get("-o").value_or("");
    if (output.empty()) throw UsageError("give the picture file with -o");
  }
  const auto seconds = ParseDouble(time_text);
  if (!seconds || !std::isfinite(*seconds) || *seconds < 0) throw UsageError("the time is seconds of 0 or more");
  auto processor = std::make_shared<VideoProcessor>(std::make_shared<VideoDecoder>(input), VideoOutput{});
  processor->Seek(*seconds);
  VideoFrame frame;
  if (!processor->Read(frame)) throw Error(Format("%s has no picture at %s s", input.c_str(), time_text.c_str()));
  processor->SaveCurrentFrame(output);
  out << Format("wrote %s (%dx%d, frame at %.3f s)\n", output.c_str(), frame.frame->width, frame.frame->height,
                frame.time);
  return 0;
}

std::string JsonText(const std::string& s) {
  std::string out = "\"";
  for (const unsigned char c : s) {
    if (c == '"' || c == '\\') out += '\\', out += static_cast<char>(c);
    else if (c < 0x20) out += Format("\\u%04x", c);
    else out += static_cast<char>(c);
  }
  return out + "\"";
}

int DvdListCommand(const Args& args, std::ostream& out) {
  const TDVDIFOInfo dvd(args.at(0));
  if (args.has("--json")) {
    out << "{\"volume\": " << JsonText(dvd.VolumeName()) << ", \"protected\": " << (dvd.HaveCSSProtect() ? "true" : "false")
        << ", \"titles\": [";
    for (size_t i = 0; i < dvd.titles().size(); ++i) {
      const DvdTitle& t = dvd.titles()[i];
      out << (i ? ",\n  " : "\n  ") << "{\"title\": " << t.number << ", \"available\": " << (t.available ? "true" : "false")
          << ", \"length\": " << FormatDouble(t.length) << ", \"chapters\": [";
      for (size_t c = 0; c < t.chapters.size(); ++c)
        out << (c ? ", " : "") << "{\"begin\": " << FormatDouble(t.chapters[c].begin)
            << ", \"length\": " << FormatDouble(t.chapters[c].length) << "}";
      out << "], \"audio\": [";
      for (size_t a = 0; a < t.audio.size(); ++a)
        out << (a ? ", " : "") << "{\"id\": " << t.audio[a].id << ", \"language\": " << JsonText(t.audio[a].language)
            << ", \"format\": " << JsonText(t.audio[a].format) << ", \"channels\": " << t.audio[a].channels
            << ", \"description\": " << JsonText(t.audio[a].description) << "}";
      out << "], \"subtitles\": [";
      for (size_t s = 0; s < t.subtitles.size(); ++s)
        out << (s ? ", " : "") << "{\"id\": " << t.subtitles[s].id << ", \"language\": " << JsonText(t.subtitles[s].language)
            << "}";
      out << "]}";
    }
    out << "\n]}\n";
    return 0;
  }
  out << "Volume " << (dvd.VolumeName().empty() ? "(no name)" : dvd.VolumeName()) << ", " << dvd.TitleCount()
      << " titles" << (dvd.HaveCSSProtect() ? ", copy-protected" : "") << "\n";
  for (const DvdTitle& t : dvd.titles()) {
    if (!t.available) {
      out << "Title " << t.number << ": cannot be read\n";
      continue;
    }
    out << Format("Title %d: %s s, %dx%d, %zu chapters\n", t.number, FormatDouble(t.length).c_str(), t.width, t.height,
                  t.chapters.size());
    for (size_t c = 0; c < t.chapters.size(); ++c)
      out << Format("  Chapter %zu: at %.2f s, %.2f s long\n", c + 1, t.chapters[c].begin, t.chapters[c].length);
    for (const DvdAudioTrack& a : t.audio)
      out << Format("  Audio [0x%X] %s %s, %d channels %s\n", a.id, a.format.c_str(),
                    a.language.empty() ? "(no language)" : a.language.c_str(), a.channels, a.description.c_str());
    for (const DvdSubtitleTrack& s : t.subtitles)
      out << Format("  Subtitle [0x%X] %s\n", s.id, s.description.c_str());
  }
  return 0;
}

int MediaEstimateCommand(const Args& args, std::ostream& out) {
  EncodeParams params;
  params.container_fourcc = ParseFourCCOption(args, "--container");
  params.video_bitrate = ParseIntOption(args, "--vbitrate", 0);
  params.audio_bitrate = ParseIntOption(args, "--abitrate", 0);
  const double seconds = ParseDoubleOption(args, "--duration", 0);
  out << EstimateDiskSpace(params, args.has("--no-video"), args.has("--no-audio"), seconds) << "\n";
  return 0;
}

}  // namespace

void RegisterEngineCommands(CommandTable& table) {
  const OptionSpec json{"--json", "", "print JSON"};
  table.Add({.name = "media info",
             .args = "FILE",
             .summary = "print the programs and the video, audio and subtitle streams of a media file",
             .details = "Stream ids are the ones the decode options take (--audio-track of media convert).",
             .options = {json},
             .min_positional = 1,
             .max_positional = 1,
             .run = MediaInfoCommand});
  table.Add({.name = "probe",
             .args = "FILE",
             .summary = "the same as media info",
             .options = {json},
             .min_positional = 1,
             .max_positional = 1,
             .run = MediaInfoCommand});
  table.Add({.name = "formats",
             .summary = "list the output containers and their video and audio codecs as FourCC codes",
             .run = FormatsCommand});
  table.Add({.name = "media convert",
             .args = "INPUT OUTPUT",
             .summary = "convert a media file with the engine's converter, printing progress",
             .details = "INPUT may be a media file or a DVD (VIDEO_TS folder, .IFO or .ISO).\n"
                        "The container comes from --container or the output's extension (see formats);\n"
                        "codecs default to the container's first. Sizes and rates of 0 keep the source's.\n"
                        "A failed or stopped conversion leaves no output file.",
             .options = {{"--container", "FOURCC", "output container, such as \"flv \" (quote the blank)"},
                         {"--vcodec", "FOURCC", "video codec, such as FLV1 or H264"},
                         {"--acodec", "FOURCC", "audio codec, such as MP3 or AAC"},
                         {"--size", "WxH", "output frame size"},
                         {"--fps", "N", "output frame rate"},
                         {"--vbitrate", "N", "video bit rate in bits per second"},
                         {"--abitrate", "N", "audio bit rate in bits per second"},
                         {"--rate", "N", "sample rate in Hz (Flash outputs snap to 44100, 22050 or 11025)"},
                         {"--channels", "N", "audio channels"},
                         {"--start", "SECONDS", "start time in the source"},
                         {"--duration", "SECONDS", "length to convert (default: to the end)"},
                         {"--split", "SECONDS", "write pieces of this length, named OUTPUT_1, OUTPUT_2, ..."},
                         {"--copy", "", "copy the streams without re-encoding (container from the extension)"},
                         {"--scale", "MODE", "zoom: 0 full screen, 1 keep original, 2 16:9, 3 4:3, 4 letter box, "
                                             "5 pan & scan"},
                         {"--crop", "L,T,R,B", "crop rectangle in source pixels"},
                         {"--brightness", "N", "-100 to 100"},
                         {"--contrast", "N", "-100 to 100"},
                         {"--saturation", "N", "-100 to 100"},
                         {"--effects", "BITS", "1 gray, 2 emboss, 4 negative, 32 old film"},
                         {"--deinterlace", "MODE", "1 repeat odd, 2 repeat even, 3 odd interpolate, "
                                                   "4 even interpolate"},
                         {"--flip", "BITS", "1 horizontal, 2 vertical"},
                         {"--volume", "PERCENT", "sound volume (100 unchanged)"},
                         {"--title", "N", "for a DVD input: the title to convert (default 1)"},
                         {"--chapters", "N[-M]", "for a DVD input: the chapters to convert"},
                         {"--no-video", "", "leave the video out"},
                         {"--no-audio", "", "leave the audio out"},
                         {"--quiet", "", "print no progress"}},
             .min_positional = 2,
             .max_positional = 2,
             .run = MediaConvertCommand});
  table.Add({.name = "media grab",
             .args = "FILE TIME OUT.jpg|OUT.bmp",
             .summary = "save the picture shown at TIME seconds as a JPEG or BMP file",
             .min_positional = 3,
             .max_positional = 3,
             .run = MediaGrabCommand});
  table.Add({.name = "snapshot",
             .args = "FILE",
             .summary = "the same as media grab: --at SECONDS -o OUT.jpg",
             .options = {{"--at", "SECONDS", "time of the picture (default 0)"},
                         {"-o", "FILE", "the picture file, .jpg or .bmp"}},
             .min_positional = 1,
             .max_positional = 1,
             .run = MediaGrabCommand});
  table.Add({.name = "dvd list",
             .args = "PATH",
             .summary = "list the titles, chapters and tracks of a DVD folder, .IFO file or .ISO image",
             .options = {json},
             .min_positional = 1,
             .max_positional = 1,
             .run = DvdListCommand});
  table.Add({.name = "media estimate",
             .summary = "print the expected output size in bytes for bit rates and a duration",
             .options = {{"--container", "FOURCC", "output container"},
                         {"--vbitrate", "N", "video bit rate (0: a default for the size)"},
                         {"--abitrate", "N", "audio bit rate"},
                         {"--duration", "SECONDS", "length"},
                         {"--no-video", "", "the source has no video"},
                         {"--no-audio", "", "the source has no audio"}},
             .run = MediaEstimateCommand});
}

}  // namespace fc::cli
