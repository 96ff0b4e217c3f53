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

TFourCC ParseFourCCOption(const TArgs& args, const std::string& name) {
  const auto v = args.get(name);
  if (!v) return 0;
  if (v->empty() || v->size() > 4) throw UsageError(name + " takes a code of 1 to 4 characters, not '" + *v + "'");
  return MakeFourCC(*v);
}

TJson StreamFormatJson(int32_t id, int32_t index, const std::string& name, const std::string& codec) {
  return {{"id", id}, {"index", index}, {"name", name}, {"codec", codec}};
}

TJson MediaInfoJson(const TMediaInfo& info) {
  TJson programs = TJson::array();
  for (const TProgramInfo& p : info.Programs) {
    TJson video = TJson::array(), audio = TJson::array(), subtitles = TJson::array();
    for (const TVideoStreamInfo& v : p.Video) {
      TJson j = StreamFormatJson(v.ID, v.Index, v.Name, v.Codec);
      j["bit_rate"] = v.BitRate;
      j["duration"] = v.Duration;
      j["width"] = v.Format.Width;
      j["height"] = v.Format.Height;
      j["frame_rate"] = v.Format.FrameRate;
      j["aspect"] = Format("%d:%d", v.Format.AspectX, v.Format.AspectY);
      j["size_unknown"] = (v.Format.Flags & kFormatSizeUnknown) != 0;
      video.push_back(std::move(j));
    }
    for (const TAudioStreamInfo& a : p.Audio) {
      TJson j = StreamFormatJson(a.ID, a.Index, a.Name, a.Codec);
      j["language"] = a.Language;
      j["bit_rate"] = a.BitRate;
      j["duration"] = a.Duration;
      j["sample_rate"] = a.Format.SampleRate;
      j["channels"] = a.Format.Channels;
      j["size_unknown"] = (a.Format.Flags & kFormatSizeUnknown) != 0;
      audio.push_back(std::move(j));
    }
    for (const TSubtitleStreamInfo& t : p.Subtitles) {
      TJson j = StreamFormatJson(t.ID, t.Index, t.Name, t.Codec);
      j["language"] = t.Language;
      j["bitmap"] = t.Bitmap;
      subtitles.push_back(std::move(j));
    }
    programs.push_back({{"id", p.ID},
                        {"duration", p.Duration},
                        {"value", p.Value},
                        {"video", std::move(video)},
                        {"audio", std::move(audio)},
                        {"subtitles", std::move(subtitles)}});
  }
  return {{"file", info.FileName},
          {"format", info.FormatName},
          {"duration", info.Duration},
          {"bit_rate", info.BitRate},
          {"programs", std::move(programs)}};
}

int MediaInfoCommand(const TArgs& args, std::ostream& out) {
  const TMediaInfo info = LoadMediaInfo(args.At(0));
  if (args.Has("--json")) {
    out << JsonDocument(MediaInfoJson(info));
    return 0;
  }
  out << info.FileName << ": " << info.FormatName << ", " << FormatDouble(info.Duration) << " s";
  if (info.BitRate > 0) out << ", " << info.BitRate / 1000 << " kbit/s";
  out << "\n";
  for (const TProgramInfo& p : info.Programs) {
    out << "Program " << p.ID << ": " << FormatDouble(p.Duration) << " s\n";
    for (const auto& v : p.Video) {
      out << Format("  [%d] %s: %dx%d, %s fps, aspect %d:%d, %lld kbit/s%s\n", v.ID, v.Name.c_str(),
                    v.Format.Width, v.Format.Height, FormatDouble(v.Format.FrameRate).c_str(), v.Format.AspectX,
                    v.Format.AspectY, static_cast<long long>(v.BitRate / 1000),
                    (v.Format.Flags & kFormatSizeUnknown) ? ", size cannot be estimated" : "");
    }
    for (const auto& a : p.Audio) {
      out << Format("  [%d] %s: %d Hz, %d channels, %lld kbit/s%s\n", a.ID, a.Name.c_str(), a.Format.SampleRate,
                    a.Format.Channels, static_cast<long long>(a.BitRate / 1000),
                    (a.Format.Flags & kFormatSizeUnknown) ? ", size cannot be estimated" : "");
    }
    for (const auto& s : p.Subtitles)
      out << Format("  [%d] %s%s\n", s.ID, s.Name.c_str(), s.Bitmap ? ", pictures" : ", text");
  }
  return 0;
}

int FormatsCommand(const TArgs&, std::ostream& out) {
  for (const TContainerFormat& f : SupportedFormats()) {
    out << "\"" << FourCCToString(f.FourCC) << "\"  " << f.DisplayName << " (" << f.Extension << ")\n";
    for (const TCodecEntry& c : f.Video)
      out << "    video \"" << FourCCToString(c.FourCC) << "\"  " << c.DisplayName << (c.Value ? " (default)" : "")
          << "\n";
    for (const TCodecEntry& c : f.Audio)
      out << "    audio \"" << FourCCToString(c.FourCC) << "\"  " << c.DisplayName << (c.Value ? " (default)" : "")
          << "\n";
  }
  return 0;
}

// The container for an output name: --container, else the format list entry with its extension.
TFourCC ContainerFor(const TArgs& args, const std::string& output) {
  if (args.Has("--copy")) return kFourCCCopy;
  if (const TFourCC c = ParseFourCCOption(args, "--container")) return c;
  const std::string ext = ToLowerAscii(std::filesystem::path(output).extension().string());
  for (const TContainerFormat& f : SupportedFormats())
    if (f.Extension == ext) return f.FourCC;
  throw UsageError("cannot tell the container from '" + ext + "'; give --container");
}

int MediaConvertCommand(const TArgs& args, std::ostream& out) {
  const std::string& input = args.At(0);
  const std::string& output = args.At(1);
  TEncodeParams params;
  params.ContainerFourCC = ContainerFor(args, output);
  params.VideoFourCC = ParseFourCCOption(args, "--vcodec");
  params.AudioFourCC = ParseFourCCOption(args, "--acodec");
  if (const auto size = SizeValue(args, "--size", {1, 1}, {8192, 8192})) {
    params.Width = size->Width;
    params.Height = size->Height;
  }
  params.FrameRate = FrameRateValue(args, "--fps", 0, 120).value_or(0);
  params.VideoBitrate = BitRateValue(args, "--vbitrate", 0, 100000000).value_or(0);
  params.AudioBitrate = BitRateValue(args, "--abitrate", 0, 1536000).value_or(0);
  params.SampleRate = SampleRateValue(args, "--sample-rate", 0, 96000).value_or(0);
  params.Channels = IntValue(args, "--channels", 0, 2).value_or(0);
  params.NoVideo = args.Has("--no-video");
  params.NoAudio = args.Has("--no-audio");
  const double start = TimeValue(args, "--start").value_or(0);
  const double duration = TimeValue(args, "--duration").value_or(0);
  const double split = TimeValue(args, "--split").value_or(0);

  TDecodeOptions options;
  options.Copy = params.ContainerFourCC == kFourCCCopy;
  std::shared_ptr<TVideoDecoder> video;
  std::shared_ptr<TAudioDecoder> audio;
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
    const TInputOpener open = dvd.OpenTitle(title, first, last);
    const TDvdTitle& t = dvd.Titles().at(static_cast<size_t>(title));
    if (!t.Audio.empty()) options.AudioTrackID = t.Audio.front().ID;
    if (!params.NoVideo) video = std::make_shared<TVideoDecoder>(open, input, options);
    if (!t.Audio.empty() && !params.NoAudio) audio = std::make_shared<TAudioDecoder>(open, input, options);
  } else {
    const TMediaInfo info = LoadMediaInfo(input);
    const TProgramInfo& program = info.Programs.front();
    options.ProgramID = program.ID;
    if (!program.Video.empty() && !params.NoVideo) video = std::make_shared<TVideoDecoder>(input, options);
    if (!program.Audio.empty() && !params.NoAudio) audio = std::make_shared<TAudioDecoder>(input, options);
  }

  // The processor chain of a conversion: the edits, the output size and, for Flash, the rate.
  std::shared_ptr<TVideoSource> video_source = video;
  std::shared_ptr<TAudioSource> audio_source = audio;
  if (!options.Copy) {
    const bool flash = IsFlashContainer(params.ContainerFourCC);
    if (video) {
      TVideoOutput vo;
      vo.Width = params.Width;
      vo.Height = params.Height;
      vo.ScaleMode = NamedValue(args, "--scale", kZoomNames).value_or(vo.ScaleMode);
      vo.FrameRate = flash ? (params.FrameRate > 0 ? params.FrameRate : video->VideoFormat().FrameRate) : -1.0;
      auto processor = std::make_shared<TVideoProcessor>(video, vo);
      if (const auto crop = CropValue(args, "--crop")) processor->SetCrop(*crop, vo.ScaleMode);
      processor->SetBrightness(IntValue(args, "--brightness", -100, 100).value_or(0));
      processor->SetContrast(IntValue(args, "--contrast", -100, 100).value_or(0));
      processor->SetSaturation(IntValue(args, "--saturation", -100, 100).value_or(0));
      processor->SetEffects(FlagsValue(args, "--effects", kEffectNames).value_or(0));
      processor->SetFlip(FlagsValue(args, "--flip", kFlipNames).value_or(0));
      processor->SetDeinterlace(
          NamedValue(args, "--deinterlace", kDeinterlaceNames).value_or(static_cast<int32_t>(TDeinterlaceMode::None)));
      video_source = processor;
    }
    if (audio) {
      auto processor = std::make_shared<TAudioProcessor>(audio, params.SampleRate, params.Channels, 16, flash);
      processor->SetVolume(IntValue(args, "--volume", 0, 400).value_or(100));
      audio_source = processor;
    }
  }

  TMediaEncoder encoder(video_source, audio_source);
  encoder.SetOutputFile(output);
  encoder.SetEncodeParams(params);
  if (split > 0) encoder.SetSplit(kSplitByLength, static_cast<int64_t>(std::llround(split * 1000)));
  int last_tenth = -1;
  TEncoderStatus end = TEncoderStatus::Failed;
  const bool quiet = args.Has("--quiet");
  const bool started = encoder.Start(start, duration, 0,
      [&](TEncoderStatus status, int32_t value, const TProgressInfo* progress, std::stop_token) {
        if (status == TEncoderStatus::Progress && progress && !quiet) {
          const int tenth = value / 1000;
          if (tenth != last_tenth) {
            last_tenth = tenth;
            out << Format("%3d%%  %.2f of %.2f s  speed %.1fx\n", value / 100, progress->ConvertedLength,
                          progress->TotalLength, progress->Speed)
                << std::flush;
          }
        }
        if (status >= TEncoderStatus::Succeeded && status <= TEncoderStatus::WriteFailed) end = status;
        return true;
      });
  if (!started) throw Error("cannot start the conversion: " + encoder.LastError());
  encoder.Wait();
  if (end != TEncoderStatus::Succeeded) throw Error("the conversion failed: " + encoder.LastError());
  const TEncodeParams used = encoder.EncodeParams();
  for (const std::string& file : encoder.TargetFiles()) {
    std::error_code ec;
    out << "wrote " << file << " (" << SizeText(std::filesystem::file_size(file, ec)) << ")\n";
  }
  if (video && params.ContainerFourCC != kFourCCCopy)
    out << Format("video %dx%d at %s fps, %d bit/s\n", used.Width, used.Height, FormatDouble(used.FrameRate).c_str(),
                  used.VideoBitrate);
  if (audio && params.ContainerFourCC != kFourCCCopy)
    out << Format("audio %d Hz, %d channels, %d bit/s\n", used.SampleRate, used.Channels, used.AudioBitrate);
  return 0;
}

// A picture of FILE at TIME seconds, through a processor as the program's snapshots are.
int MediaGrabCommand(const TArgs& args, std::ostream& out) {
  const std::string& input = args.At(0);
  std::string time_text, output;
  if (args.Positional().size() == 3) {
    time_text = args.At(1);
    output = args.At(2);
  } else {
    time_text = args.get("--at").value_or("0");
    output = args.get("-o").value_or("");
    if (output.empty()) throw UsageError("give the picture file with -o");
  }
  const double seconds = ParseTimeText(args.Positional().size() == 3 ? "TIME" : "--at", time_text);
  auto processor = std::make_shared<TVideoProcessor>(std::make_shared<TVideoDecoder>(input), TVideoOutput{});
  processor->Seek(seconds);
  TVideoFrame frame;
  if (!processor->Read(frame)) throw Error(Format("%s has no picture at %s s", input.c_str(), time_text.c_str()));
  processor->SaveCurrentFrame(output);
  out << Format("wrote %s (%dx%d, frame at %.3f s)\n", output.c_str(), frame.Frame->width, frame.Frame->height,
                frame.Time);
  return 0;
}

int DvdListCommand(const TArgs& args, std::ostream& out) {
  const TDVDIFOInfo dvd(args.At(0));
  if (args.Has("--json")) {
    TJson titles = TJson::array();
    for (const TDvdTitle& t : dvd.Titles()) {
      TJson chapters = TJson::array(), audio = TJson::array(), subtitles = TJson::array();
      for (const auto& c : t.Chapters) chapters.push_back({{"begin", c.begin}, {"length", c.Length}});
      for (const TDvdAudioTrack& a : t.Audio)
        audio.push_back({{"id", a.ID},
                         {"language", a.Language},
                         {"format", a.Format},
                         {"channels", a.Channels},
                         {"description", a.Description}});
      for (const TDvdSubtitleTrack& s : t.Subtitles) subtitles.push_back({{"id", s.ID}, {"language", s.Language}});
      titles.push_back({{"title", t.Number},
                        {"available", t.Available},
                        {"length", t.Length},
                        {"chapters", std::move(chapters)},
                        {"audio", std::move(audio)},
                        {"subtitles", std::move(subtitles)}});
    }
    out << JsonDocument({{"volume", dvd.VolumeName()}, {"protected", dvd.HaveCSSProtect()}, {"titles", std::move(titles)}});
    return 0;
  }
  out << "Volume " << (dvd.VolumeName().empty() ? "(no name)" : dvd.VolumeName()) << ", " << dvd.TitleCount()
      << " titles" << (dvd.HaveCSSProtect() ? ", copy-protected" : "") << "\n";
  for (const TDvdTitle& t : dvd.Titles()) {
    if (!t.Available) {
      out << "Title " << t.Number << ": cannot be read\n";
      continue;
    }
    out << Format("Title %d: %s s, %dx%d, %zu chapters\n", t.Number, FormatDouble(t.Length).c_str(), t.Width, t.Height,
                  t.Chapters.size());
    for (size_t c = 0; c < t.Chapters.size(); ++c)
      out << Format("  Chapter %zu: at %.2f s, %.2f s long\n", c + 1, t.Chapters[c].begin, t.Chapters[c].Length);
    for (const TDvdAudioTrack& a : t.Audio)
      out << Format("  Audio [0x%X] %s %s, %d channels %s\n", a.ID, a.Format.c_str(),
                    a.Language.empty() ? "(no language)" : a.Language.c_str(), a.Channels, a.Description.c_str());
    for (const TDvdSubtitleTrack& s : t.Subtitles)
      out << Format("  Subtitle [0x%X] %s\n", s.ID, s.Description.c_str());
  }
  return 0;
}

int MediaEstimateCommand(const TArgs& args, std::ostream& out) {
  TEncodeParams params;
  params.ContainerFourCC = ParseFourCCOption(args, "--container");
  params.VideoBitrate = BitRateValue(args, "--vbitrate", 0, 100000000).value_or(0);
  params.AudioBitrate = BitRateValue(args, "--abitrate", 0, 1536000).value_or(0);
  const double seconds = TimeValue(args, "--duration").value_or(0);
  out << EstimateDiskSpace(params, args.Has("--no-video"), args.Has("--no-audio"), seconds) << "\n";
  return 0;
}

}  // namespace

void RegisterEngineCommands(TCommandTable& table) {
  const TOptionSpec json{"--json", "", "print JSON"};
  table.Add({.Name = "media info",
             .Args = "FILE",
             .Summary = "print the programs and the video, audio and subtitle streams of a media file",
             .Details = "Stream ids are the ones the decode options take (--audio-track of media convert).",
             .Options = {json},
             .MinPositional = 1,
             .MaxPositional = 1,
             .Run = MediaInfoCommand});
  table.Add({.Name = "probe",
             .Args = "FILE",
             .Summary = "the same as media info",
             .Options = {json},
             .MinPositional = 1,
             .MaxPositional = 1,
             .Run = MediaInfoCommand});
  table.Add({.Name = "formats",
             .Summary = "list the output containers and their video and audio codecs as FourCC codes",
             .Run = FormatsCommand});
  table.Add({.Name = "media convert",
             .Args = "INPUT OUTPUT",
             .Summary = "convert a media file with the engine's converter, printing progress",
             .Details = "INPUT may be a media file or a DVD (VIDEO_TS folder, .IFO or .ISO).\n"
                        "The container comes from --container or the output's extension (see formats);\n"
                        "codecs default to the container's first. Sizes and rates of 0 keep the source's.\n"
                        "A failed or stopped conversion leaves no output file.",
             .Options = {{"--container", "FOURCC", "output container, such as \"flv \" (quote the blank)"},
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
             .MinPositional = 2,
             .MaxPositional = 2,
             .Run = MediaConvertCommand});
  table.Add({.Name = "media grab",
             .Args = "FILE TIME OUT.jpg|OUT.bmp",
             .Summary = "save the picture shown at TIME seconds as a JPEG or BMP file",
             .MinPositional = 3,
             .MaxPositional = 3,
             .Run = MediaGrabCommand});
  table.Add({.Name = "snapshot",
             .Args = "FILE",
             .Summary = "the same as media grab: --at TIME -o OUT.jpg",
             .Options = {{"--at", "TIME", "time of the picture (seconds, or MM:SS or HH:MM:SS; default 0)"},
                         {"-o", "FILE", "the picture file, .jpg or .bmp"}},
             .MinPositional = 1,
             .MaxPositional = 1,
             .Run = MediaGrabCommand});
  table.Add({.Name = "dvd list",
             .Args = "PATH",
             .Summary = "list the titles, chapters and tracks of a DVD folder, .IFO file or .ISO image",
             .Options = {json},
             .MinPositional = 1,
             .MaxPositional = 1,
             .Run = DvdListCommand});
  table.Add({.Name = "media estimate",
             .Summary = "print the expected output size in bytes for bit rates and a duration",
             .Options = {{"--container", "FOURCC", "output container"},
                         {"--vbitrate", "RATE", "video bit rate in kbit/s (or 800k, 1.5M, 96000bit; 0: a default "
                                                "for the size)"},
                         {"--abitrate", "RATE", "audio bit rate in kbit/s (or 128k, 96000bit)"},
                         {"--duration", "TIME", "length (seconds, or MM:SS or HH:MM:SS)"},
                         {"--no-video", "", "the source has no video"},
                         {"--no-audio", "", "the source has no audio"}},
             .Run = MediaEstimateCommand});
}

}  // namespace fc::cli
