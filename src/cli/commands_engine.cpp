// flarecast-cli media ... and formats: the media engine on the command line.

#include <cmath>
#include <filesystem>
#include <ostream>

#include "cli/command.h"
#include "cli/option_values.h"
#include "cli/output_text.h"
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

FourCC ParseFourCCOption(const Args& args, const std::string& name) {
  const auto v = args.get(name);
  if (!v) return 0;
  if (v->empty() || v->size() > 4) throw UsageError(name + " takes a code of 1 to 4 characters, not '" + *v + "'");
  return MakeFourCC(*v);
}

TJson StreamFormatJson(int32_t id, int32_t index, const std::string& name, const std::string& codec) {
  return {{"id", id}, {"index", index}, {"name", name}, {"codec", codec}};
}

TJson MediaInfoJson(const MediaInfo& info) {
  TJson programs = TJson::array();
  for (const ProgramInfo& p : info.programs) {
    TJson video = TJson::array(), audio = TJson::array(), subtitles = TJson::array();
    for (const VideoStreamInfo& v : p.video) {
      TJson j = StreamFormatJson(v.id, v.index, v.name, v.codec);
      j["bit_rate"] = v.bit_rate;
      j["duration"] = v.duration;
      j["width"] = v.format.width;
      j["height"] = v.format.height;
      j["frame_rate"] = v.format.frame_rate;
      j["aspect"] = Format("%d:%d", v.format.aspect_x, v.format.aspect_y);
      j["size_unknown"] = (v.format.flags & kFormatSizeUnknown) != 0;
      video.push_back(std::move(j));
    }
    for (const AudioStreamInfo& a : p.audio) {
      TJson j = StreamFormatJson(a.id, a.index, a.name, a.codec);
      j["language"] = a.language;
      j["bit_rate"] = a.bit_rate;
      j["duration"] = a.duration;
      j["sample_rate"] = a.format.sample_rate;
      j["channels"] = a.format.channels;
      j["size_unknown"] = (a.format.flags & kFormatSizeUnknown) != 0;
      audio.push_back(std::move(j));
    }
    for (const SubtitleStreamInfo& t : p.subtitles) {
      TJson j = StreamFormatJson(t.id, t.index, t.name, t.codec);
      j["language"] = t.language;
      j["bitmap"] = t.bitmap;
      subtitles.push_back(std::move(j));
    }
    programs.push_back({{"id", p.id},
                        {"duration", p.duration},
                        {"value", p.value},
                        {"video", std::move(video)},
                        {"audio", std::move(audio)},
                        {"subtitles", std::move(subtitles)}});
  }
  return {{"file", info.file_name},
          {"format", info.format_name},
          {"duration", info.duration},
          {"bit_rate", info.bit_rate},
          {"programs", std::move(programs)}};
}

int MediaInfoCommand(const Args& args, std::ostream& out) {
  const MediaInfo info = LoadMediaInfo(args.at(0));
  if (args.has("--json")) {
    out << JsonDocument(MediaInfoJson(info));
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
  if (const auto size = SizeValue(args, "--size", {1, 1}, {8192, 8192})) {
    params.width = size->Width;
    params.height = size->Height;
  }
  params.frame_rate = FrameRateValue(args, "--fps", 0, 120).value_or(0);
  params.video_bitrate = BitRateValue(args, "--vbitrate", 0, 100000000).value_or(0);
  params.audio_bitrate = BitRateValue(args, "--abitrate", 0, 1536000).value_or(0);
  params.sample_rate = SampleRateValue(args, "--sample-rate", 0, 96000).value_or(0);
  params.channels = IntValue(args, "--channels", 0, 2).value_or(0);
  params.no_video = args.has("--no-video");
  params.no_audio = args.has("--no-audio");
  const double start = TimeValue(args, "--start").value_or(0);
  const double duration = TimeValue(args, "--duration").value_or(0);
  const double split = TimeValue(args, "--split").value_or(0);

  DecodeOptions options;
  options.copy = params.container_fourcc == kFourCCCopy;
  std::shared_ptr<VideoDecoder> video;
  std::shared_ptr<AudioDecoder> audio;
  if (IsDvdPath(input)) {
    // A DVD title, or a range of its chapters (1-based on the command line).
    const TDVDIFOInfo dvd(input);
    const int title = IntValue(args, "--title", 1, 99).value_or(1) - 1;
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
      vo.scale_mode = NamedValue(args, "--scale", kZoomNames).value_or(vo.scale_mode);
      vo.frame_rate = flash ? (params.frame_rate > 0 ? params.frame_rate : video->format().frame_rate) : -1.0;
      auto processor = std::make_shared<VideoProcessor>(video, vo);
      if (const auto crop = CropValue(args, "--crop")) processor->SetCrop(*crop, vo.scale_mode);
      processor->SetBrightness(IntValue(args, "--brightness", -100, 100).value_or(0));
      processor->SetContrast(IntValue(args, "--contrast", -100, 100).value_or(0));
      processor->SetSaturation(IntValue(args, "--saturation", -100, 100).value_or(0));
      processor->SetEffects(FlagsValue(args, "--effects", kEffectNames).value_or(0));
      processor->SetFlip(FlagsValue(args, "--flip", kFlipNames).value_or(0));
      processor->SetDeinterlace(
          NamedValue(args, "--deinterlace", kDeinterlaceNames).value_or(static_cast<int32_t>(DeinterlaceMode::None)));
      video_source = processor;
    }
    if (audio) {
      auto processor = std::make_shared<AudioProcessor>(audio, params.sample_rate, params.channels, 16, flash);
      processor->SetVolume(IntValue(args, "--volume", 0, 400).value_or(100));
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
  const double seconds = ParseTimeText(args.positional().size() == 3 ? "TIME" : "--at", time_text);
  auto processor = std::make_shared<VideoProcessor>(std::make_shared<VideoDecoder>(input), VideoOutput{});
  processor->Seek(seconds);
  VideoFrame frame;
  if (!processor->Read(frame)) throw Error(Format("%s has no picture at %s s", input.c_str(), time_text.c_str()));
  processor->SaveCurrentFrame(output);
  out << Format("wrote %s (%dx%d, frame at %.3f s)\n", output.c_str(), frame.frame->width, frame.frame->height,
                frame.time);
  return 0;
}

int DvdListCommand(const Args& args, std::ostream& out) {
  const TDVDIFOInfo dvd(args.at(0));
  if (args.has("--json")) {
    TJson titles = TJson::array();
    for (const DvdTitle& t : dvd.titles()) {
      TJson chapters = TJson::array(), audio = TJson::array(), subtitles = TJson::array();
      for (const auto& c : t.chapters) chapters.push_back({{"begin", c.begin}, {"length", c.length}});
      for (const DvdAudioTrack& a : t.audio)
        audio.push_back({{"id", a.id},
                         {"language", a.language},
                         {"format", a.format},
                         {"channels", a.channels},
                         {"description", a.description}});
      for (const DvdSubtitleTrack& s : t.subtitles) subtitles.push_back({{"id", s.id}, {"language", s.language}});
      titles.push_back({{"title", t.number},
                        {"available", t.available},
                        {"length", t.length},
                        {"chapters", std::move(chapters)},
                        {"audio", std::move(audio)},
                        {"subtitles", std::move(subtitles)}});
    }
    out << JsonDocument({{"volume", dvd.VolumeName()}, {"protected", dvd.HaveCSSProtect()}, {"titles", std::move(titles)}});
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
  params.video_bitrate = BitRateValue(args, "--vbitrate", 0, 100000000).value_or(0);
  params.audio_bitrate = BitRateValue(args, "--abitrate", 0, 1536000).value_or(0);
  const double seconds = TimeValue(args, "--duration").value_or(0);
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
                         {"--fps", "RATE", "output frame rate, up to 120, such as 25, 29.97 or 30000/1001"},
                         {"--vbitrate", "RATE", "video bit rate in kbit/s, up to 100000 (or 800k, 1.5M, 96000bit)"},
                         {"--abitrate", "RATE", "audio bit rate in kbit/s, up to 1536 (or 128k, 96000bit)"},
                         {"--sample-rate", "HZ", "sample rate, up to 96000 (or 44.1kHz; Flash outputs snap to 44100, "
                                                 "22050 or 11025)", false, "--rate"},
                         {"--channels", "N", "audio channels, 1 or 2 (0 keeps the source's)"},
                         {"--start", "TIME", "start time in the source (seconds, or MM:SS or HH:MM:SS)"},
                         {"--duration", "TIME", "length to convert (default: to the end)"},
                         {"--split", "TIME", "write pieces of this length, named OUTPUT_1, OUTPUT_2, ..."},
                         {"--copy", "", "copy the streams without re-encoding (container from the extension)"},
                         {"--scale", "MODE", "zoom: " + ChoiceHelp(kZoomNames) + " (default keep)"},
                         {"--crop", "L,T,R,B", "crop rectangle in source pixels"},
                         {"--brightness", "N", "-100 to 100"},
                         {"--contrast", "N", "-100 to 100"},
                         {"--saturation", "N", "-100 to 100"},
                         {"--effects", "NAMES", FlagsHelp(kEffectNames)},
                         {"--deinterlace", "MODE", ChoiceHelp(kDeinterlaceNames)},
                         {"--flip", "h|v|hv", "mirror: " + FlagsHelp(kFlipNames)},
                         {"--volume", "PERCENT", "0 to 400 (100 unchanged)"},
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
             .summary = "the same as media grab: --at TIME -o OUT.jpg",
             .options = {{"--at", "TIME", "time of the picture (seconds, or MM:SS or HH:MM:SS; default 0)"},
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
                         {"--vbitrate", "RATE", "video bit rate in kbit/s (or 800k, 1.5M, 96000bit; 0: a default "
                                                "for the size)"},
                         {"--abitrate", "RATE", "audio bit rate in kbit/s (or 128k, 96000bit)"},
                         {"--duration", "TIME", "length (seconds, or MM:SS or HH:MM:SS)"},
                         {"--no-video", "", "the source has no video"},
                         {"--no-audio", "", "the source has no audio"}},
             .run = MediaEstimateCommand});
}

}  // namespace fc::cli
