// flarecast-cli convert: files and DVD titles or chapters through an output profile, with
// clips, merges, slides and every picture and sound edit a task holds.

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cmath>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <ostream>

#include "cli/command.h"
#include "cli/flash_options.h"
#include "cli/option_values.h"
#include "cli/output_text.h"
#include "core/config.h"
#include "core/error.h"
#include "core/language.h"
#include "core/paths.h"
#include "core/text.h"
#include "profiles/profile_catalogue.h"
#include "tasks/conversion_run.h"
#include "tasks/task_builder.h"

namespace fc::cli {
namespace {

namespace fs = std::filesystem;

// Ctrl-C asks the run to stop; the run loop sees the flag within a tenth of a second.
std::atomic<bool> g_interrupted{false};
extern "C" void OnInterrupt(int) { g_interrupted = true; }

class TInterruptGuard {
public:
  TInterruptGuard() {
    g_interrupted = false;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &old_int_);
    sigaction(SIGTERM, &action, &old_term_);
  }
  ~TInterruptGuard() {
    sigaction(SIGINT, &old_int_, nullptr);
    sigaction(SIGTERM, &old_term_, nullptr);
  }

private:
  struct sigaction old_int_ {};
  struct sigaction old_term_ {};
};

const TProfileItem& FindProfile(const TProfileCatalogue& catalogue, const std::string& key) {
  if (const auto id = ParseInt32(key))
    if (const TProfileItem* p = catalogue.FindProfile(*id)) return *p;
  for (const TProfileItemList* list : {&catalogue.User(), &catalogue.BuiltIn()})
    for (const TProfileItem* p : list->Items())
      if (IEquals(p->Name, key)) return *p;
  throw Error("No profile with the identifier or name '" + key + "' (see: flarecast-cli profiles list)");
}

// "START-END" (END may be empty: to the end), each a time.
TTimeRange ClipRange(const std::string& text) {
  const auto dash = text.find('-', 1);
  const auto start = dash == std::string::npos ? std::nullopt : TimeFromText(text.substr(0, dash));
  const std::string end_text = dash == std::string::npos ? "" : text.substr(dash + 1);
  const auto end = end_text.empty() ? std::optional<double>(0) : TimeFromText(end_text);
  const TTimeRange range{start.value_or(-1), end.value_or(-1)};
  if (!start || !end || !range.IsValid())
    throw UsageError("--clip takes START-END in seconds (or MM:SS), such as 1.5-4 or 1:00-, with END after START; not '" +
                     text + "'");
  return range;
}

TConversionRequest ReadRequest(const TArgs& args) {
  if (args.Has("--merge") && args.Has("--slide")) throw UsageError("give --merge or --slide, not both");
  if (args.Has("--overwrite") && args.Has("--skip-existing"))
    throw UsageError("give --overwrite or --skip-existing, not both");
  if (args.Has("--clip") && (args.Has("--start") || args.Has("--end")))
    throw UsageError("give --clip or --start/--end, not both");
  if (args.Has("--replace-audio") && !args.Has("--add-audio")) throw UsageError("--replace-audio needs --add-audio");

  TConversionRequest r;
  r.Inputs = args.Positional();
  r.OutputFolder = args.get("-o").value_or(".");
  r.Name = args.get("--name").value_or("");

  TEncodeChoices& e = r.Encode;
  e.ScaleMode = NamedValue(args, "--zoom", kZoomNames);
  if (const auto size = SizeValue(args, "--size", {16, 16}, {8192, 8192})) {
    e.Width = size->Width;
    e.Height = size->Height;
  }
  e.FrameRate = FrameRateValue(args, "--fps", 1, 120);
  e.VideoBitrate = BitRateValue(args, "--vbitrate", 8000, 100000000);
  e.AudioBitrate = BitRateValue(args, "--abitrate", 8000, 1536000);
  e.SampleRate = SampleRateValue(args, "--sample-rate", 8000, 96000);
  e.Channels = IntValue(args, "--channels", 1, 2);
  e.NoAudio = args.Has("--no-audio");

  TMediaTaskEditParams& edits = r.Edits;
  if (const auto crop = CropValue(args, "--crop")) edits.Crop = *crop;
  edits.Brightness = IntValue(args, "--brightness", -100, 100).value_or(0);
  edits.Contrast = IntValue(args, "--contrast", -100, 100).value_or(0);
  edits.Saturation = IntValue(args, "--saturation", -100, 100).value_or(0);
  edits.EffectFlags = FlagsValue(args, "--effect", kEffectNames).value_or(0);
  edits.Deinterlace = NamedValue(args, "--deinterlace", kDeinterlaceNames).value_or(edits.Deinterlace);
  if (const auto flip = FlagsValue(args, "--flip", kFlipNames)) {
    edits.FlipHorizontal = (*flip & kFlipHorizontal) != 0;
    edits.FlipVertical = (*flip & kFlipVertical) != 0;
  }
  edits.Volume = IntValue(args, "--volume", 0, 400).value_or(100);
  edits.Mute = args.Has("--mute");
  const auto picture = args.get("--watermark");
  const auto text = args.get("--watermark-text");
  if (picture && text) throw UsageError("give --watermark or --watermark-text, not both");
  if (picture || text) {
    TMediaTaskWatermark& w = edits.Watermark;
    w.Enabled = true;
    w.Kind = picture ? kWatermarkPicture : kWatermarkText;
    if (picture) w.ImageFile = *picture;
    else w.Text = *text;
    if (const auto pos = IntListValue(args, "--watermark-pos", 2)) {
      w.X = (*pos)[0];
      w.Y = (*pos)[1];
    }
    w.Transparency = IntValue(args, "--watermark-transparency", 0, 100).value_or(0);
  }

  r.AudioTrack = IntValue(args, "--audio-track", 1, 1000).value_or(0);
  r.Subtitle = IntValue(args, "--subtitle", 1, 1000).value_or(0);
  r.AddedAudio = args.get("--add-audio").value_or("");
  r.AddedAudioLoop = args.Has("--add-audio-loop");
  r.ReplaceAudio = args.Has("--replace-audio");
  r.RangeStart = TimeValue(args, "--start");
  r.RangeEnd = TimeValue(args, "--end");
  for (const std::string& clip : args.All("--clip")) r.Clips.push_back(ClipRange(clip));
  r.Join = args.Has("--merge") ? TJoinMode::Merge : args.Has("--slide") ? TJoinMode::Slide : TJoinMode::None;
  r.DvdTitle = IntValue(args, "--dvd-title", 1, 99).value_or(1);
  for (const std::string& chapter : args.All("--dvd-chapter"))
    r.DvdChapters.push_back(ParseIntText("--dvd-chapter", chapter, 1, 999));
  r.ExistingOutputs = args.Has("--overwrite")       ? TExistingOutputPolicy::Overwrite
                      : args.Has("--skip-existing") ? TExistingOutputPolicy::Skip
                                                    : TExistingOutputPolicy::Refuse;
  return r;
}

// --- what the run prints ----------------------------------------------------------------------

double Rounded(double value, double scale) { return std::round(value * scale) / scale; }

class TReporter {
public:
  TReporter(std::ostream& out, std::ostream& err, bool json, bool bar) : out_(out), err_(err), json_(json), bar_(bar) {}

  void Progress(const TMediaEncodeTask& job, const TProgressInfo& info) {
    const double total = info.TotalLength, done = info.ConvertedLength, speed = info.Speed;
    const double left = speed > 0 ? (total - done) / speed : 0;
    if (json_) {
      Print({{"event", "progress"},
             {"output", job.Task->OutputPath()},
             {"percent", job.Percent.load()},
             {"position", Rounded(done, 1000)},
             {"duration", Rounded(total, 1000)},
             {"speed", Rounded(speed, 100)},
             {"remaining", Rounded(left, 10)}});
      return;
    }
    if (!bar_) return;
    const auto now = std::chrono::steady_clock::now();
    if (now - last_ < std::chrono::milliseconds(100) && job.Percent < 100) return;
    last_ = now;
    const int filled = job.Percent * 30 / 100;
    out_ << "\r[" << std::string(static_cast<size_t>(filled), '#') << std::string(static_cast<size_t>(30 - filled), '-')
         << Format("] %3d%%  %5.1fx  %s left  ", static_cast<int>(job.Percent), speed, TimeText(left).c_str())
         << ExtractFileName(job.Task->OutputPath()) << "\x1b[K";
    out_.flush();
    drawn_ = true;
  }

  void Start(const TMediaEncodeTask& job) {
    if (json_)
      Print({{"event", "start"},
             {"task", job.Task->Title},
             {"output", job.Task->OutputPath()},
             {"duration", Rounded(job.Task->Duration(), 1000)}});
    else if (!bar_)
      out_ << "Converting " << job.Task->Title << " -> " << job.Task->OutputPath() << "\n";
    out_.flush();
  }

  void End(const TMediaEncodeTask& job, TEncoderStatus status) {
    ClearBar();
    // A job whose Flash output failed converted its video: its files are told, then the error.
    const bool converted = status == TEncoderStatus::Succeeded;
    const bool ok = converted && !job.FlashFailed;
    if (json_) {
      TJson line = {{"event", "end"},
                    {"output", job.Task->OutputPath()},
                    {"status", ok ? "succeeded" : status == TEncoderStatus::Cancelled ? "cancelled" : "failed"}};
      if (!ok) line["error"] = job.Error;
      line["files"] = job.Outputs;
      Print(line);
    } else {
      if (converted)
        for (const std::string& f : job.Outputs) {
          std::error_code ec;
          const auto size = fs::is_directory(f, ec) ? 0 : fs::file_size(f, ec);
          out_ << "Wrote " << f << (fs::is_directory(f, ec) ? "/" : " (" + (ec ? "?" : SizeText(size)) + ")") << "\n";
        }
      if (!ok) err_ << "flarecast-cli: " << job.Task->OutputPath() << ": " << job.Error << "\n";
    }
    out_.flush();
  }

  void Skipped(const TMediaEncodeTask& job) {
    ClearBar();
    if (json_)
      Print({{"event", "end"},
             {"output", job.Task->OutputPath()},
             {"status", "failed"},
             {"error", job.Error},
             {"files", TJson::array()}});
    else
      err_ << "flarecast-cli: " << job.Task->OutputPath() << ": cannot convert: " << job.Error << "\n";
  }

  void Existing(const TExistingOutput& existing) {
    if (existing.Refused) {
      err_ << "flarecast-cli: " << existing.OutputPath << " exists already (give --overwrite or --skip-existing)\n";
    } else if (json_) {
      Print({{"event", "skipped"}, {"output", existing.OutputPath}, {"reason", "it exists already"}});
    } else {
      out_ << "Skipped " << existing.OutputPath << ": it exists already\n";
    }
  }

  void Finished(const TConversionSummary& summary, int failures) {
    if (summary.Interrupted) {
      ClearBar();
      err_ << "flarecast-cli: interrupted; the unfinished output was removed\n";
      if (json_) Print({{"event", "interrupted"}});
    } else if (json_) {
      Print({{"event", "finished"}, {"succeeded", summary.Succeeded}, {"failed", failures}});
    }
  }

  void ClearBar() {
    if (drawn_) out_ << "\r\x1b[K";
    drawn_ = false;
  }

private:
  void Print(const TJson& line) {
    out_ << JsonLine(line);
    out_.flush();
  }

  std::ostream& out_;
  std::ostream& err_;
  bool json_, bar_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point last_{};
};

int ConvertCommand(const TArgs& args, std::ostream& out) {
  const TConversionRequest request = ReadRequest(args);
  const bool json = args.Has("--json");
  TReporter reporter(out, std::cerr, json, !json && isatty(STDOUT_FILENO));

  TProfileCatalogue catalogue;
  catalogue.LoadCatalogue(ProgramFolder(), TLanguageMgr::Instance().Current());
  TMediaTaskMgr mgr;
  // Every task starts with these Flash settings: the settings file's, changed by the options.
  mgr.DefaultFlash.LoadFromConfig(GlobalConfig());
  ApplyFlashOptions(args, mgr.DefaultFlash);
  TTaskBuilder builder(mgr, FindProfile(catalogue, args.get("--profile").value_or("101")));
  mgr.OutputFolder = request.OutputFolder;
  std::error_code ec;
  fs::create_directories(mgr.OutputFolder, ec);
  if (!fs::is_directory(mgr.OutputFolder)) throw Error("Cannot make the output folder " + mgr.OutputFolder);

  // Each input's failure is told as it happens; the others go on.
  std::vector<TMediaBaseTask*> bases;
  for (const std::string& input : request.Inputs) {
    const size_t failed_before = builder.Failures().size();
    const std::vector<TMediaBaseTask*> added = builder.AddInput(input, request);
    bases.insert(bases.end(), added.begin(), added.end());
    for (size_t i = failed_before; i < builder.Failures().size(); ++i)
      std::cerr << "flarecast-cli: " << builder.Failures()[i].Message << "\n";
  }
  int failures = static_cast<int>(builder.Failures().size());
  if (bases.empty()) {
    reporter.Finished({}, failures);
    return 1;
  }
  builder.Assemble(bases, request);

  for (const TExistingOutput& existing : ApplyExistingOutputPolicy(mgr, request.ExistingOutputs)) {
    reporter.Existing(existing);
    if (existing.Refused) ++failures;
  }

  // The run: this thread is the main thread; the converter reports through the loop.
  TMainLoop loop;
  TConversionRun run(mgr, loop);
  run.OnStart = [&](const TMediaEncodeTask& job) { reporter.Start(job); };
  run.OnProgress = [&](const TMediaEncodeTask& job, const TProgressInfo& info) { reporter.Progress(job, info); };
  run.OnEnd = [&](const TMediaEncodeTask& job, TEncoderStatus status) { reporter.End(job, status); };
  run.OnSkipped = [&](const TMediaEncodeTask& job) { reporter.Skipped(job); };
  TInterruptGuard guard;
  run.StopWhen(&g_interrupted);
  const TConversionSummary& summary = run.Run();
  failures += summary.Failed;
  reporter.Finished(summary, failures);
  if (summary.Interrupted) return 130;
  return failures == 0 ? 0 : 1;
}

}  // namespace

void RegisterConvertCommands(TCommandTable& table) {
  TCommand command{.Name = "convert",
             .Args = "INPUT...",
             .Summary = "convert media files or DVD titles and chapters through an output profile",
             .Details = "Each INPUT becomes one task (a DVD folder, .ifo or .iso gives its title or chapters).\n"
                        "Outputs are named after the inputs, made unique within the run, and written under a\n"
                        "temporary name that is renamed only when complete. Exit code 0 when everything\n"
                        "converted, 1 when anything failed, 130 when interrupted (Ctrl-C).\n"
                        "With a Flash video (FLV) profile each task also gets, as its Flash settings ask (the\n"
                        "settings file's section SwfSet, changed by the options below), a thumbnail NAME.jpg,\n"
                        "the player movie NAME.swf and the page NAME.HTML with Ruffle beside it, which plays\n"
                        "the movie in today's browsers (see 'flarecast-cli serve'). A job whose Flash output\n"
                        "fails keeps its FLV and counts as failed.",
             .Options = {{"-o", "DIR", "output folder (default: the current folder)"},
                         {"--profile", "ID|NAME", "output profile (default 101, FLV 320x240); see 'profiles list'"},
                         {"--name", "NAME", "output name of a merge, a slide or a single input"},
                         {"--size", "WxH", "frame size, 16x16 to 8192x8192 (rounded down to even values)"},
                         {"--fps", "RATE", "frame rate, 1 to 120, such as 25, 29.97 or 30000/1001"},
                         {"--vbitrate", "RATE", "video bit rate in kbit/s, 8 to 100000 (or 800k, 1.5M, 96000bit)"},
                         {"--abitrate", "RATE", "audio bit rate in kbit/s, 8 to 1536 (or 128k, 96000bit)"},
                         {"--sample-rate", "HZ", "audio sample rate, 8000 to 96000 (or 44.1kHz)", false, "--rate"},
                         {"--channels", "N", "audio channels (1 or 2)"},
                         {"--no-audio", "", "leave the sound out"},
                         {"--start", "TIME", "convert from this time (seconds, or MM:SS or HH:MM:SS)"},
                         {"--end", "TIME", "convert up to this time"},
                         {"--clip", "START-END", "convert this part of each input as a clip (times as for --start)", true},
                         {"--merge", "", "play all inputs back to back into one output"},
                         {"--slide", "", "make a slide: every input converted with the same format for one player"},
                         {"--crop", "L,T,R,B", "crop rectangle in source pixels"},
                         {"--zoom", "MODE", ChoiceHelp(kZoomNames)},
                         {"--brightness", "N", "-100 to 100"},
                         {"--contrast", "N", "-100 to 100"},
                         {"--saturation", "N", "-100 to 100"},
                         {"--effect", "NAMES", FlagsHelp(kEffectNames), true},
                         {"--deinterlace", "MODE", ChoiceHelp(kDeinterlaceNames)},
                         {"--flip", "h|v|hv", "mirror: " + FlagsHelp(kFlipNames)},
                         {"--volume", "PERCENT", "0 to 400 (100 unchanged)"},
                         {"--mute", "", "silence the sound"},
                         {"--watermark", "FILE", "lay this picture over the video"},
                         {"--watermark-text", "TEXT", "lay this text over the video"},
                         {"--watermark-pos", "X,Y", "watermark position in output pixels"},
                         {"--watermark-transparency", "N", "0 (opaque) to 100"},
                         {"--subtitle", "N", "subtitle stream to select (1-based)"},
                         {"--audio-track", "N", "audio track to convert (1-based)"},
                         {"--add-audio", "FILE", "mix this sound track under the video"},
                         {"--add-audio-loop", "", "repeat the added sound track for the whole video"},
                         {"--replace-audio", "", "use the added sound track instead of the input's sound"},
                         {"--dvd-title", "N", "DVD title (1-based, default 1)"},
                         {"--dvd-chapter", "N", "convert this chapter of the title (1-based)", true},
                         {"--overwrite", "", "replace outputs that exist"},
                         {"--skip-existing", "", "leave outputs that exist alone and skip their jobs"},
                         {"--json", "", "print one JSON line per status instead of the progress bar"}},
             .MinPositional = 1,
             .MaxPositional = 1000,
             .Run = ConvertCommand};
  command.Options = WithFlashOptions(std::move(command.Options));
  table.Add(std::move(command));
}

}  // namespace fc::cli
