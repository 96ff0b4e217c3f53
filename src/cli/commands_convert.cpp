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
#include "core/error.h"
#include "core/language.h"
#include "core/paths.h"
#include "core/text.h"
#include "engine/dvd.h"
#include "engine/formats.h"
#include "profiles/profile_catalogue.h"
#include "profiles/profile_choices.h"
#include "tasks/encode_run.h"
#include "tasks/task_source.h"

namespace fc::cli {
namespace {

namespace fs = std::filesystem;

// Ctrl-C asks the run to stop; the run loop sees the flag within a tenth of a second.
std::atomic<bool> g_interrupted{false};
extern "C" void OnInterrupt(int) { g_interrupted = true; }

class InterruptGuard {
public:
  InterruptGuard() {
    g_interrupted = false;
    struct sigaction action {};
    action.sa_handler = OnInterrupt;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &old_int_);
    sigaction(SIGTERM, &action, &old_term_);
  }
  ~InterruptGuard() {
    sigaction(SIGINT, &old_int_, nullptr);
    sigaction(SIGTERM, &old_term_, nullptr);
  }

private:
  struct sigaction old_int_ {};
  struct sigaction old_term_ {};
};

std::string Json(std::string_view s) {
  std::string out = "\"";
  for (const char c : s) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\t') {
      out += "\\t";
    } else if (u < 0x20) {
      out += Format("\\u%04x", u);
    } else {
      out += c;
    }
  }
  return out + "\"";
}

std::string SizeText(uint64_t bytes) {
  if (bytes < 1024) return Format("%lluB", static_cast<unsigned long long>(bytes));
  const char* units[] = {"KB", "MB", "GB", "TB"};
  double v = static_cast<double>(bytes);
  int u = -1;
  while (v >= 1024 && u < 3) v /= 1024, ++u;
  return Format("%.1f%s", v, units[u]);
}

std::string TimeText(double seconds) {
  const auto s = static_cast<long long>(std::max(0.0, std::nearbyint(seconds)));
  return Format("%.2lld:%.2lld:%.2lld", s / 3600, s / 60 % 60, s % 60);
}

// --- option parsing ---------------------------------------------------------------------------

double NumberOption(const Args& args, const std::string& name, double fallback, double low, double high) {
  const auto v = args.get(name);
  if (!v) return fallback;
  const auto d = ParseDouble(*v);
  if (!d || !std::isfinite(*d) || *d < low || *d > high)
    throw UsageError(name + " takes a number from " + FormatDouble(low) + " to " + FormatDouble(high) + ", not '" +
                     *v + "'");
  return *d;
}

int IntOption(const Args& args, const std::string& name, int fallback, int low, int high) {
  const auto v = args.get(name);
  if (!v) return fallback;
  const auto n = ParseInt32(*v);
  if (!n || *n < low || *n > high)
    throw UsageError(name + " takes a whole number from " + std::to_string(low) + " to " + std::to_string(high) +
                     ", not '" + *v + "'");
  return *n;
}

std::vector<int32_t> IntList(const std::string& name, const std::string& text, size_t count) {
  std::vector<int32_t> values;
  for (const std::string& part : Split(text, ',')) {
    const auto n = ParseInt32(Trim(part));
    if (!n) throw UsageError(name + " takes " + std::to_string(count) + " whole numbers separated by commas");
    values.push_back(*n);
  }
  if (values.size() != count)
    throw UsageError(name + " takes " + std::to_string(count) + " whole numbers separated by commas");
  return values;
}

// "START-END" in seconds (END may be empty: to the end).
std::pair<double, double> ClipRange(const std::string& text) {
  const auto dash = text.find('-', 1);
  const auto a = dash == std::string::npos ? std::nullopt : ParseDouble(text.substr(0, dash));
  const std::string end_text = dash == std::string::npos ? "" : text.substr(dash + 1);
  const auto b = end_text.empty() ? std::optional<double>(0) : ParseDouble(end_text);
  if (!a || !b || *a < 0 || !std::isfinite(*a) || !std::isfinite(*b) || (*b != 0 && *b <= *a))
    throw UsageError("--clip takes START-END in seconds, such as 1.5-4, with END after START");
  return {*a, *b};
}

const TProfileItem& FindProfile(const TProfileCatalogue& catalogue, const std::string& key) {
  if (const auto id = ParseInt32(key))
    if (const TProfileItem* p = catalogue.FindProfile(*id)) return *p;
  for (const TProfileItemList* list : {&catalogue.User(), &catalogue.BuiltIn()})
    for (const TProfileItem* p : list->Items())
      if (IEquals(p->Name, key)) return *p;
  throw Error("No profile with the identifier or name '" + key + "' (see: flarecast-cli profiles list)");
}

int32_t ZoomMode(const std::string& text) {
  static const std::pair<const char*, ScaleMode> modes[] = {
      {"full", ScaleMode::FullScreen}, {"keep", ScaleMode::KeepOriginal}, {"16:9", ScaleMode::Wide16x9},
      {"4:3", ScaleMode::Standard4x3}, {"letterbox", ScaleMode::LetterBox}, {"panscan", ScaleMode::PanScan}};
  for (const auto& [name, mode] : modes)
    if (IEquals(text, name)) return static_cast<int32_t>(mode);
  throw UsageError("--zoom takes full, keep, 16:9, 4:3, letterbox or panscan");
}

int32_t EffectBits(const std::vector<std::string>& names) {
  int32_t bits = 0;
  for (const std::string& name : names) {
    if (IEquals(name, "gray")) bits |= kEffectGray;
    else if (IEquals(name, "emboss")) bits |= kEffectEmboss;
    else if (IEquals(name, "negative")) bits |= kEffectNegative;
    else if (IEquals(name, "oldfilm")) bits |= kEffectOldFilm;
    else throw UsageError("--effect takes gray, emboss, negative or oldfilm");
  }
  return bits;
}

int32_t DeinterlaceMode(const std::string& text) {
  static const char* names[] = {"none", "odd", "even", "odd-interpolate", "even-interpolate"};
  for (int i = 0; i < 5; ++i)
    if (IEquals(text, names[i])) return i;
  throw UsageError("--deinterlace takes none, odd, even, odd-interpolate or even-interpolate");
}

// --- building the tasks -----------------------------------------------------------------------

struct Settings {
  const TProfileItem* profile = nullptr;
  std::string ext;  // output extension with the dot
};

// The profile and the encoder options onto a task's record.
void ApplyEncoding(TMediaTask& task, const Settings& s, const Args& args) {
  EncodeParams& p = task.Record();
  ApplyProfile(s.profile, &p);
  task.FormatId = s.profile->EffectiveId();
  task.ProfileExt = s.ext;
  p.scale_mode = args.has("--zoom") ? ZoomMode(*args.get("--zoom")) : s.profile->ResizeStyle;
  if (const auto size = args.get("--size")) {
    const auto parts = Split(*size, 'x');
    const auto w = parts.size() == 2 ? ParseInt32(parts[0]) : std::nullopt;
    const auto h = parts.size() == 2 ? ParseInt32(parts[1]) : std::nullopt;
    if (!w || !h || *w < 16 || *h < 16 || *w > 8192 || *h > 8192)
      throw UsageError("--size takes WIDTHxHEIGHT from 16x16 to 8192x8192, such as 320x240");
    p.width = *w & ~1;
    p.height = *h & ~1;
  }
  p.frame_rate = NumberOption(args, "--fps", p.frame_rate, 1, 120);
  p.video_bitrate = IntOption(args, "--vbitrate", p.video_bitrate / 1000, 8, 100000) * 1000;
  p.audio_bitrate = IntOption(args, "--abitrate", p.audio_bitrate / 1000, 8, 1536) * 1000;
  p.sample_rate = IntOption(args, "--sample-rate", p.sample_rate, 8000, 96000);
  p.channels = IntOption(args, "--channels", p.channels, 1, 2);
  if (args.has("--no-audio")) p.no_audio = 1;
}

void ApplyEdits(TMediaTaskEditParams& e, const Args& args) {
  if (args.has("--zoom")) e.UserScaleMode = 1;
  if (const auto crop = args.get("--crop")) {
    const auto v = IntList("--crop", *crop, 4);
    if (v[0] < 0 || v[1] < 0 || v[2] <= v[0] || v[3] <= v[1])
      throw UsageError("--crop takes LEFT,TOP,RIGHT,BOTTOM with RIGHT > LEFT and BOTTOM > TOP");
    e.Crop = {v[0], v[1], v[2], v[3]};
  }
  e.Brightness = IntOption(args, "--brightness", 0, -100, 100);
  e.Contrast = IntOption(args, "--contrast", 0, -100, 100);
  e.Saturation = IntOption(args, "--saturation", 0, -100, 100);
  e.EffectFlags = EffectBits(args.all("--effect"));
  if (const auto d = args.get("--deinterlace")) e.Deinterlace = DeinterlaceMode(*d);
  if (const auto flip = args.get("--flip")) {
    const std::string f = ToLowerAscii(*flip);
    if (f != "h" && f != "v" && f != "hv" && f != "vh") throw UsageError("--flip takes h, v or hv");
    e.FlipHorizontal = f.find('h') != std::string::npos;
    e.FlipVertical = f.find('v') != std::string::npos;
  }
  e.Volume = IntOption(args, "--volume", 100, 0, 400);
  e.Mute = args.has("--mute");
  const auto picture = args.get("--watermark");
  const auto text = args.get("--watermark-text");
  if (picture && text) throw UsageError("give --watermark or --watermark-text, not both");
  if (picture || text) {
    TMediaTaskWatermark& w = e.Watermark;
    w.Enabled = true;
    w.Kind = picture ? 0 : 1;
    if (picture) {
      if (!fs::is_regular_file(*picture)) throw Error("The watermark picture " + *picture + " does not exist");
      w.ImageFile = *picture;
    } else {
      w.Text = *text;
    }
    if (const auto pos = args.get("--watermark-pos")) {
      const auto v = IntList("--watermark-pos", *pos, 2);
      w.X = v[0];
      w.Y = v[1];
    }
    w.Transparency = IntOption(args, "--watermark-transparency", 0, 0, 100);
  }
}

// One base task per input (or per DVD title/chapter); null with a message when it fails.
struct Inputs {
  std::vector<TMediaBaseTask*> tasks;
  int failures = 0;
};

std::string Stem(const std::string& path) {
  fs::path p(path);
  if (p.filename().empty()) p = p.parent_path();  // "VIDEO_TS/"
  std::string stem = p.stem().string();
  return stem.empty() ? "output" : stem;
}

void AddBaseTask(TMediaTaskMgr& mgr, std::unique_ptr<TMediaTaskMediaSource> source, const std::string& stem,
                 const Settings& s, const Args& args, Inputs& inputs) {
  auto task = std::make_unique<TMediaBaseTask>(&mgr.Tasks(), std::move(source));
  TMediaBaseTask* t = static_cast<TMediaBaseTask*>(mgr.Tasks().Add(std::move(task)));
  t->Order = static_cast<int32_t>(mgr.Tasks().Count());
  t->Title = stem;
  ApplyEncoding(*t, s, args);
  ApplyEdits(*t->EditParams(), args);
  TMediaTaskMediaSource& src = *t->Source();
  if (const auto track = args.get("--audio-track")) {
    const int n = IntOption(args, "--audio-track", 1, 1, 1000);
    if (static_cast<size_t>(n) > src.AudioTracks.size())
      throw Error(Format("%s has %d audio track(s), not %d", stem.c_str(), static_cast<int>(src.AudioTracks.size()), n));
    src.SelectAudioTrack(n - 1);
  }
  if (args.has("--subtitle")) {
    const int n = IntOption(args, "--subtitle", 1, 1, 1000);
    if (static_cast<size_t>(n) > src.Subtitles.size())
      throw Error(Format("%s has %d subtitle stream(s), not %d", stem.c_str(), static_cast<int>(src.Subtitles.size()), n));
    src.SelectSubtitle(n - 1);
    t->EditParams()->Subtitle.Enabled = true;
  }
  if (const auto added = args.get("--add-audio")) {
    if (!fs::is_regular_file(*added)) throw Error("The added sound track " + *added + " does not exist");
    src.ExternalAudio.FileName = *added;
    src.ExternalAudio.Loop = args.has("--add-audio-loop");
    t->Flash.ProfileAdd.ReplaceAudio = *added;
    t->Flash.ProfileAdd.ReplaceLoop = src.ExternalAudio.Loop;
  }
  if (args.has("--replace-audio")) {
    if (!args.has("--add-audio")) throw UsageError("--replace-audio needs --add-audio");
    // The source's own sound is left out: the added track plays alone.
    src.HasAudio = false;
    t->Flash.ProfileAdd.AudioEnabled = false;
  }
  if (args.has("--start") || args.has("--end")) {
    // Seconds from the beginning of the input (of the chapter, for a DVD chapter).
    const double length = src.Duration();
    const double start = NumberOption(args, "--start", 0, 0, 1e9);
    const double end = std::min(NumberOption(args, "--end", length, 0, 1e9), length);
    if (start >= length || end <= start)
      throw Error(Format("the range %s-%s lies outside the media (%s s)", FormatDouble(start).c_str(),
                         FormatDouble(end).c_str(), FormatDouble(length).c_str()));
    t->SetRange(src.StartTime + start, src.StartTime + end);
  }
  t->OutputFileName = mgr.Tasks().MakeUniqueName(t, stem, s.ext);
  inputs.tasks.push_back(t);
}

void LoadInput(TMediaTaskMgr& mgr, const std::string& input, const Settings& s, const Args& args, Inputs& inputs,
               std::ostream& err) {
  try {
    if (IsDvdPath(input)) {
      const TDVDIFOInfo dvd(input);
      const int title = IntOption(args, "--dvd-title", 1, 1, 99) - 1;
      if (title >= dvd.TitleCount()) throw Error(Format("the DVD has %d title(s), not %d", dvd.TitleCount(), title + 1));
      std::vector<int> chapters;
      for (const std::string& c : args.all("--dvd-chapter")) {
        const auto n = ParseInt32(c);
        if (!n || *n < 1 || *n > dvd.ChapterCount(title))
          throw Error(Format("title %d has %d chapter(s); --dvd-chapter %s is not one of them", title + 1,
                             dvd.ChapterCount(title), c.c_str()));
        chapters.push_back(*n - 1);
      }
      const std::string stem = SanitizePathComponent(dvd.VolumeName(), "DVD") + Format("_title%d", title + 1);
      if (chapters.empty()) chapters.push_back(-1);
      for (const int chapter : chapters) {
        auto source = std::make_unique<TMediaTaskDVDSource>(input, &dvd, chapter, title, 0);
        AddBaseTask(mgr, std::move(source), chapter < 0 ? stem : stem + Format("_chapter%d", chapter + 1), s, args,
                    inputs);
      }
      return;
    }
    AddBaseTask(mgr, std::make_unique<TMediaTaskVideoSource>(input, 0), Stem(input), s, args, inputs);
  } catch (const TVideoDecodeException& e) {
    err << "flarecast-cli: " << e.what() << (e.Reason.empty() ? "" : ": " + e.Reason) << "\n";
    ++inputs.failures;
  } catch (const UsageError&) {
    throw;
  } catch (const std::exception& e) {
    err << "flarecast-cli: " << input << ": " << e.what() << "\n";
    ++inputs.failures;
  }
}

// --- the run ----------------------------------------------------------------------------------

class Reporter {
public:
  Reporter(std::ostream& out, bool json, bool bar) : out_(out), json_(json), bar_(bar) {}

  void Progress(const TMediaEncodeTask& job, const ProgressInfo* info) {
    if (!info) return;
    const double total = info->total_length, done = info->converted_length, speed = info->speed;
    const double left = speed > 0 ? (total - done) / speed : 0;
    if (json_) {
      out_ << "{\"event\":\"progress\",\"output\":" << Json(job.Task->OutputPath()) << ",\"percent\":" << job.Percent
           << ",\"position\":" << FormatDouble(std::round(done * 1000) / 1000)
           << ",\"duration\":" << FormatDouble(std::round(total * 1000) / 1000)
           << ",\"speed\":" << FormatDouble(std::round(speed * 100) / 100)
           << ",\"remaining\":" << FormatDouble(std::round(left * 10) / 10) << "}\n";
      out_.flush();
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
      out_ << "{\"event\":\"start\",\"task\":" << Json(job.Task->Title) << ",\"output\":" << Json(job.Task->OutputPath())
           << ",\"duration\":" << FormatDouble(std::round(job.Task->Duration() * 1000) / 1000) << "}\n";
    else if (!bar_)
      out_ << "Converting " << job.Task->Title << " -> " << job.Task->OutputPath() << "\n";
    out_.flush();
  }

  void End(const TMediaEncodeTask& job, EncoderStatus status, std::ostream& err) {
    ClearBar();
    const bool ok = status == EncoderStatus::Succeeded;
    if (json_) {
      out_ << "{\"event\":\"end\",\"output\":" << Json(job.Task->OutputPath()) << ",\"status\":"
           << (ok ? "\"succeeded\"" : status == EncoderStatus::Cancelled ? "\"cancelled\"" : "\"failed\"");
      if (!ok) out_ << ",\"error\":" << Json(job.Error);
      out_ << ",\"files\":[";
      for (size_t i = 0; i < job.Outputs.size(); ++i) out_ << (i ? "," : "") << Json(job.Outputs[i]);
      out_ << "]}\n";
    } else if (ok) {
      for (const std::string& f : job.Outputs) {
        std::error_code ec;
        const auto size = fs::file_size(f, ec);
        out_ << "Wrote " << f << " (" << (ec ? "?" : SizeText(size)) << ")\n";
      }
    } else {
      err << "flarecast-cli: " << job.Task->OutputPath() << ": " << job.Error << "\n";
    }
    out_.flush();
  }

  void Skipped(const TMediaEncodeTask& job, std::ostream& err) {
    ClearBar();
    if (json_) {
      out_ << "{\"event\":\"end\",\"output\":" << Json(job.Task->OutputPath())
           << ",\"status\":\"failed\",\"error\":" << Json(job.Error) << ",\"files\":[]}\n";
      out_.flush();
    } else {
      err << "flarecast-cli: " << job.Task->OutputPath() << ": cannot convert: " << job.Error << "\n";
    }
  }

  void Note(const std::string& output, const std::string& text) {
    if (json_)
      out_ << "{\"event\":\"skipped\",\"output\":" << Json(output) << ",\"reason\":" << Json(text) << "}\n";
    else
      out_ << "Skipped " << output << ": " << text << "\n";
  }

  void ClearBar() {
    if (drawn_) out_ << "\r\x1b[K";
    drawn_ = false;
  }

private:
  std::ostream& out_;
  bool json_, bar_;
  bool drawn_ = false;
  std::chrono::steady_clock::time_point last_{};
};

// Every task that will be converted, depth first.
void CollectIncluded(TMediaTask* task, std::vector<TMediaTask*>& out) {
  if (!task->Excluded) out.push_back(task);
  const TMediaTaskList& children = task->ChildTasks();
  const std::vector<TMediaTask*> copy(children.begin(), children.end());
  for (TMediaTask* c : copy) CollectIncluded(c, out);
}

int ConvertCommand(const Args& args, std::ostream& out) {
  std::ostream& err = std::cerr;
  const bool json = args.has("--json");
  if (args.has("--merge") && args.has("--slide")) throw UsageError("give --merge or --slide, not both");
  if (args.has("--overwrite") && args.has("--skip-existing"))
    throw UsageError("give --overwrite or --skip-existing, not both");
  if (args.has("--clip") && (args.has("--start") || args.has("--end")))
    throw UsageError("give --clip or --start/--end, not both");

  TProfileCatalogue catalogue;
  catalogue.LoadCatalogue(ProgramFolder(), TLanguageMgr::Instance().Current());
  Settings settings;
  settings.profile = &FindProfile(catalogue, args.get("--profile").value_or("101"));
  const ContainerFormat* container = FindContainer(settings.profile->FourCC);
  if (!container)
    throw Error("The profile " + settings.profile->Name + " names a container this program cannot write");
  settings.ext = container->extension;

  TMediaTaskMgr mgr;
  mgr.OutputFolder = args.get("-o").value_or(".");
  std::error_code ec;
  fs::create_directories(mgr.OutputFolder, ec);
  if (!fs::is_directory(mgr.OutputFolder)) throw Error("Cannot make the output folder " + mgr.OutputFolder);

  Inputs inputs;
  for (const std::string& input : args.positional()) LoadInput(mgr, input, settings, args, inputs, err);
  if (inputs.tasks.empty()) {
    if (json) out << "{\"event\":\"finished\",\"succeeded\":0,\"failed\":" << inputs.failures << "}\n";
    return 1;
  }

  // Clips, merges and slides.
  const std::vector<std::string> clips = args.all("--clip");
  if (!clips.empty()) {
    for (TMediaBaseTask* base : inputs.tasks) {
      for (const std::string& text : clips) {
        const auto [start, end] = ClipRange(text);
        const double source_end = base->StartTime() + base->Duration();
        if (start >= source_end) throw Error(base->Title + ": the clip " + text + " starts after the media's end");
        TMediaClipTask* clip = base->AddClip();
        clip->SetRange(base->StartTime() + start,
                       end == 0 ? source_end : std::min(source_end, base->StartTime() + end));
        clip->OutputFileName =
            mgr.Tasks().MakeUniqueName(nullptr, base->Title + Format("_clip%d", static_cast<int>(base->Clips().Count())),
                                       settings.ext);
      }
      base->Excluded = true;  // only its clips are converted
    }
  }
  const std::string name = args.get("--name").value_or("");
  if (args.has("--merge")) {
    auto merge = std::make_unique<TMediaMergeTask>(&mgr.Tasks());
    TMediaTask* m = mgr.Tasks().Add(std::move(merge));
    m->Title = name.empty() ? "merged" : name;
    for (TMediaBaseTask* base : inputs.tasks) {
      static_cast<TMediaMergeTask*>(m)->MergeSource().AddMember(base);
      base->Excluded = true;
    }
    ApplyEncoding(*m, settings, args);
    m->OutputFileName = mgr.Tasks().MakeUniqueName(m, SanitizePathComponent(m->Title, "merged"), settings.ext);
  } else if (args.has("--slide")) {
    auto slide = std::make_unique<TMediaSlideTask>(&mgr.Tasks());
    auto* s = static_cast<TMediaSlideTask*>(mgr.Tasks().Add(std::move(slide)));
    s->Title = name.empty() ? "slide" : name;
    ApplyEncoding(*s, settings, args);
    s->OutputFileName = SanitizePathComponent(s->Title, "slide") + settings.ext;
    for (TMediaBaseTask* base : inputs.tasks) {
      TMediaMultiProfileTask* member = s->AddSlideMember(base);
      member->OutputFileName = SanitizePathComponent(s->Title, "slide") + "_" + base->OutputFileName;
      base->Excluded = true;
    }
  } else if (!name.empty() && inputs.tasks.size() == 1 && clips.empty()) {
    inputs.tasks[0]->OutputFileName = SanitizePathComponent(name, "output") + settings.ext;
  }

  // Existing outputs: replaced, skipped, or refused.
  Reporter reporter(out, json, !json && isatty(STDOUT_FILENO));
  int failures = inputs.failures;
  {
    std::vector<TMediaTask*> included;
    for (TMediaTask* t : mgr.Tasks()) CollectIncluded(t, included);
    for (TMediaTask* t : included) {
      if (!fs::exists(t->OutputPath()) || args.has("--overwrite")) continue;
      if (args.has("--skip-existing")) {
        reporter.Note(t->OutputPath(), "it exists already");
      } else {
        err << "flarecast-cli: " << t->OutputPath() << " exists already (give --overwrite or --skip-existing)\n";
        ++failures;
      }
      t->Excluded = true;
    }
  }

  // The run: this thread is the main thread; the converter reports through the loop.
  TMainLoop loop;
  std::unique_ptr<TMediaSerialEncodeTaskList> run = mgr.CreateSerialEncodeList(loop);
  int succeeded = 0;
  run->OnStatus = [&](TMediaEncodeTask& job, EncoderStatus status, int32_t, int32_t, const ProgressInfo* info) {
    if (status == EncoderStatus::Progress) {
      reporter.Progress(job, info);
    } else if (status >= EncoderStatus::Succeeded && status <= EncoderStatus::WriteFailed) {
      reporter.End(job, status, err);
      if (status == EncoderStatus::Succeeded) ++succeeded;
      else ++failures;
    }
    return !g_interrupted;
  };
  InterruptGuard guard;
  bool interrupted = false;
  size_t reported = 0;  // jobs before this index have been reported as skipped or started
  const auto report_until = [&](size_t index) {
    for (; reported < index && reported < run->Count(); ++reported) {
      TMediaEncodeTask& job = run->Items(reported);
      if (!job.Started) {
        reporter.Skipped(job, err);
        ++failures;
      }
    }
  };
  while (run->StartNext()) {
    report_until(static_cast<size_t>(run->NextIndex) - 1);
    reporter.Start(*run->Current);
    reported = static_cast<size_t>(run->NextIndex);
    TMediaEncodeTask* job = run->Current;
    while (!job->Ended) {
      loop.RunFor(100);
      if (g_interrupted) {
        run->StopCurrent();
        reporter.ClearBar();
        interrupted = true;
        break;
      }
    }
    if (interrupted) break;
  }
  if (!interrupted) report_until(run->Count());
  mgr.IncludeAll();
  if (interrupted) {
    err << "flarecast-cli: interrupted; the unfinished output was removed\n";
    if (json) out << "{\"event\":\"interrupted\"}\n";
    return 130;
  }
  if (json) out << "{\"event\":\"finished\",\"succeeded\":" << succeeded << ",\"failed\":" << failures << "}\n";
  return failures == 0 ? 0 : 1;
}

}  // namespace

void RegisterConvertCommands(CommandTable& table) {
  table.Add({.name = "convert",
             .args = "INPUT...",
             .summary = "convert media files or DVD titles and chapters through an output profile",
             .details = "Each INPUT becomes one task (a DVD folder, .ifo or .iso gives its title or chapters).\n"
                        "Outputs are named after the inputs, made unique within the run, and written under a\n"
                        "temporary name that is renamed only when complete. Exit code 0 when everything\n"
                        "converted, 1 when anything failed, 130 when interrupted (Ctrl-C).",
             .options = {{"-o", "DIR", "output folder (default: the current folder)"},
                         {"--profile", "ID|NAME", "output profile (default 101, FLV 320x240); see 'profiles list'"},
                         {"--name", "NAME", "output name of a merge, a slide or a single input"},
                         {"--size", "WxH", "frame size"},
                         {"--fps", "RATE", "frame rate"},
                         {"--vbitrate", "KBPS", "video bit rate in kbit/s"},
                         {"--abitrate", "KBPS", "audio bit rate in kbit/s"},
                         {"--sample-rate", "HZ", "audio sample rate"},
                         {"--channels", "N", "audio channels (1 or 2)"},
                         {"--no-audio", "", "leave the sound out"},
                         {"--start", "SEC", "convert from this time"},
                         {"--end", "SEC", "convert up to this time"},
                         {"--clip", "START-END", "convert this part of each input as a clip (seconds; repeatable)", true},
                         {"--merge", "", "play all inputs back to back into one output"},
                         {"--slide", "", "make a slide: every input converted with the same format for one player"},
                         {"--crop", "L,T,R,B", "crop rectangle in source pixels"},
                         {"--zoom", "MODE", "full, keep, 16:9, 4:3, letterbox or panscan"},
                         {"--brightness", "N", "-100 to 100"},
                         {"--contrast", "N", "-100 to 100"},
                         {"--saturation", "N", "-100 to 100"},
                         {"--effect", "NAME", "gray, emboss, negative or oldfilm (repeatable)", true},
                         {"--deinterlace", "MODE", "none, odd, even, odd-interpolate or even-interpolate"},
                         {"--flip", "h|v|hv", "mirror horizontally, vertically or both"},
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
                         {"--dvd-chapter", "N", "convert this chapter of the title (1-based; repeatable)", true},
                         {"--overwrite", "", "replace outputs that exist"},
                         {"--skip-existing", "", "leave outputs that exist alone and skip their jobs"},
                         {"--json", "", "print one JSON line per status instead of the progress bar"}},
             .min_positional = 1,
             .max_positional = 1000,
             .run = ConvertCommand});
}

}  // namespace fc::cli
