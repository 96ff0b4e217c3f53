// flarecast-cli flash build ...: the player movie, its HTML page and Ruffle for FLVs that exist;
// flash preview: the preview movie of the Flash settings; flash title: one title screen.

#include <filesystem>
#include <ostream>
#include <system_error>

#include "cli/command.h"
#include "cli/flash_options.h"
#include "cli/option_values.h"
#include "cli/output_text.h"
#include "core/config.h"
#include "core/error.h"
#include "core/text.h"
#include "flash/swf_creator.h"
#include "flash/swf_feature.h"
#include "flash/title_animations.h"

namespace fc::cli {
namespace {

int FlashBuild(const TArgs& args, std::ostream& out) {
  const std::optional<std::string> folder = args.get("-o");
  if (!folder || folder->empty()) throw UsageError("flash build needs -o DIR");
  const std::optional<std::string> name = args.get("--name");
  if (!name || name->empty()) throw UsageError("flash build needs --name NAME");
  if (name->find('/') != std::string::npos) throw UsageError("--name is a file name without a folder");

  TSwfFeature feature;
  feature.LoadFromConfig(GlobalConfig());
  ApplyFlashOptions(args, feature);
  // The FLVs are the user's own files here: they stay whatever the layout.
  feature.Generate.GenerateFlv = true;
  feature.FlvFiles = args.Positional();
  for (const std::string& flv : feature.FlvFiles) {
    std::error_code ec;
    if (!std::filesystem::is_regular_file(flv, ec)) throw Error(Format("%s does not exist", flv.c_str()));
  }
  // Frame size and rate: the first FLV's unless given.
  const TFlvFrame first = ReadFlvFrame(feature.FlvFiles.front());
  const std::optional<TFrameSize> size = SizeValue(args, "--size", {1, 1}, {8191, 8191});
  feature.Base.Width = size ? size->Width : static_cast<int32_t>(first.Width);
  feature.Base.Height = size ? size->Height : static_cast<int32_t>(first.Height);
  const std::optional<double> fps = FrameRateValue(args, "--fps", 0.01, 255);
  feature.Base.FPS = static_cast<float>(fps ? *fps : first.FPS);
  if (feature.Base.Width <= 0 || feature.Base.Height <= 0)
    throw Error(Format("%s does not tell its frame size: give --size WxH", feature.FlvFiles.front().c_str()));

  namespace fs = std::filesystem;
  std::error_code ec;
  fs::create_directories(*folder, ec);
  if (ec) throw Error(Format("cannot create %s: %s", folder->c_str(), ec.message().c_str()));
  std::vector<std::string> copied;
  if (feature.Generate.GenerateSwf && feature.Generate.SwfType != kSwfTypeEmbedded) {
    // The player finds the FLVs (and their posters) beside the page.
    for (std::string& flv : feature.FlvFiles) {
      const fs::path target = fs::path(*folder) / fs::path(flv).filename();
      if (fs::exists(target, ec) && fs::equivalent(flv, target, ec)) continue;
      fs::copy_file(flv, target, fs::copy_options::overwrite_existing, ec);
      if (ec) throw Error(Format("cannot copy %s to %s: %s", flv.c_str(), folder->c_str(), ec.message().c_str()));
      copied.push_back(target.string());
      const fs::path poster = ChangeFileExt(flv, ".jpg");
      if (fs::is_regular_file(poster, ec)) {
        const fs::path poster_target = fs::path(*folder) / poster.filename();
        fs::copy_file(poster, poster_target, fs::copy_options::overwrite_existing, ec);
        if (!ec) copied.push_back(poster_target.string());
      }
      flv = target.string();
    }
  }
  feature.OutputPath = *folder;
  feature.OutputFile = ChangeFileExt(*name, ".swf");
  std::string error;
  if (!feature.GenerateOutputs(&error)) throw Error(error);
  feature.WrittenFiles.insert(feature.WrittenFiles.end(), copied.begin(), copied.end());

  if (args.Has("--json")) {
    TJson json = {{"files", feature.WrittenFiles}, {"warnings", feature.Warnings}};
    if (!feature.SegmentFrames.empty()) json["segment_frames"] = feature.SegmentFrames;
    out << JsonDocument(json);
  } else {
    for (const std::string& warning : feature.Warnings) out << "warning: " << warning << "\n";
    for (const std::string& file : feature.WrittenFiles) out << file << "\n";
  }
  return 0;
}

// The Customize page's preview: the movie for the Flash settings, at the preview size, in the
// user's preview cache.
int FlashPreview(const TArgs& args, std::ostream& out) {
  TSwfFeature feature;
  feature.LoadFromConfig(GlobalConfig());
  ApplyFlashOptions(args, feature);
  std::vector<std::string> flvs = args.Positional();
  const std::string movie = feature.BuildPreview(flvs.empty() ? nullptr : &flvs);
  if (args.Has("--json")) {
    out << JsonDocument(TJson{{"movie", movie}, {"files", feature.WrittenFiles}, {"warnings", feature.Warnings}});
  } else {
    for (const std::string& warning : feature.Warnings) out << "warning: " << warning << "\n";
    out << movie << "\n";
  }
  return 0;
}

// One title screen as a movie of its own, as the embedded layout builds it before or after
// the video.
int FlashTitle(const TArgs& args, std::ostream& out) {
  if (args.Has("--list")) {
    for (const TTextEffect& effect : TextEffects()) out << effect.ID << "\n";
    return 0;
  }
  const std::optional<std::string> output = args.get("-o");
  if (!output || output->empty()) throw UsageError("flash title needs -o OUT.swf (or --list)");
  if (!args.Has("--anim")) throw UsageError("flash title needs --anim NAME (flash title --list names them)");
  TDTextEffect title;
  ApplyTitleOptions(args, "", title);
  const TFrameSize size = SizeValue(args, "--size", {1, 1}, {8191, 8191}).value_or(TFrameSize{320, 240});
  TBaseInfo base;
  base.Width = size.Width;
  base.Height = size.Height;
  base.FPS = static_cast<float>(FrameRateValue(args, "--fps", 0.01, 120).value_or(15));
  TSWFMakeEx maker;
  maker.MakeTitleMovie(title, base, *output);
  const int32_t frames = maker.SegmentFrames.back();
  if (args.Has("--json"))
    out << JsonDocument(TJson{{"movie", *output}, {"frames", frames}});
  else
    out << Format("%s: %s, %dx%d, %d frames\n", output->c_str(), title.NameID.c_str(), size.Width, size.Height,
                  frames);
  return 0;
}

}  // namespace

void RegisterFlashCommands(TCommandTable& table) {
  std::vector<TOptionSpec> options = WithFlashOptions({
      {"-o", "DIR", "output folder (created when missing)"},
      {"--name", "NAME", "name of the movie and its page (NAME.swf, NAME.HTML)"},
      {"--size", "WxH", "frame size of the video (default: the first FLV's)"},
      {"--fps", "RATE", "frame rate (default: the first FLV's)"},
      {"--json", "", "print the files written as JSON"},
  });
  table.Add({.Name = "flash build",
             .Args = "FLV...",
             .Summary = "make the player movie, its HTML page and Ruffle's web player for FLV files",
             .Details = "Options left out take the Flash settings of the settings file (section SwfSet).\n"
                        "The movie and page are written as DIR/NAME.swf and DIR/NAME.HTML. With the external\n"
                        "layouts (2, 3) the FLVs and their .jpg posters are copied into DIR; the given FLVs are\n"
                        "never deleted.\n"
                        "Browsers run Ruffle only from a web server: view the page with\n"
                        "  flarecast-cli serve DIR --open",
             .Options = std::move(options),
             .MinPositional = 1,
             .MaxPositional = 1000,
             .Run = FlashBuild});
  std::vector<TOptionSpec> preview_options =
      WithFlashOptions({{"--json", "", "print the movie and the files written as JSON"}});
  table.Add({.Name = "flash preview",
             .Args = "[FLV...]",
             .Summary = "make the preview movie of the Flash settings (the Customize page's) and print its path",
             .Details = "The movie is 320x281 at 15 frames per second and plays the given FLVs, or the sample\n"
                        "video of the program folder (Templates/Fcst.flv), copied with their .jpg posters into\n"
                        "the user's preview folder ($XDG_CACHE_HOME/flarecast/preview, or\n"
                        "~/.cache/flarecast/preview), which is overwritten each time. Options left out take\n"
                        "the Flash settings of the settings file.",
             .Options = std::move(preview_options),
             .MinPositional = 0,
             .MaxPositional = 1000,
             .Run = FlashPreview});
  std::vector<TOptionSpec> title_options = TitleOptions("", "title");
  title_options.insert(title_options.end(),
                       {{"-o", "OUT.swf", "the movie to write"},
                        {"--size", "WxH", "frame size in pixels (default 320x240)"},
                        {"--fps", "RATE", "frame rate (default 15)"},
                        {"--list", "", "print the names of the animations, one a line, and stop"},
                        {"--json", "", "print the movie and its frame count as JSON"}});
  table.Add({.Name = "flash title",
             .Args = "",
             .Summary = "make one title screen (opening or closing title) as a movie, or list the animations",
             .Details = "The movie lasts round(RATE) x SECONDS frames of animation, then one frame that moves\n"
                        "the main movie on (\"_root.nextFrame();\") as the embedded layout plays it; the frame\n"
                        "count printed includes that frame. The background picture is used when its name ends\n"
                        "in \".jpg\" or \".bmp\" (as written); it lies over the background colour.",
             .Options = std::move(title_options),
             .MinPositional = 0,
             .MaxPositional = 0,
             .Run = FlashTitle});
}

}  // namespace fc::cli
