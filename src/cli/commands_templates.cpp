// flarecast-cli flash template: the movies that the generated Flash output imports (player
// skins, and later effects and preloaders) are built from ActionScript source with this command.

#include <filesystem>
#include <optional>
#include <ostream>
#include <string>

#include "cli/command.h"
#include "cli/frame_script.h"
#include "cli/option_values.h"
#include "core/file_io.h"
#include "core/text.h"
#include "movie/flash_movie.h"
#include "movie/flash_sprite.h"
#include "movie/flash_video.h"

namespace fc::cli {
namespace {

// Templates are imported into movies of version 8 (script text UTF-8, NetStream video).
constexpr uint8_t kTemplateSwfVersion = 8;
// The video object lies under everything the script draws at run time.
constexpr int kVideoDepth = 1;
constexpr TFrameSize kMinSize{1, 1}, kMaxSize{8191, 8191};

struct TVideoObject {
  std::string Name;
  TFrameSize Size;
};

// --video NAME[,WxH]; the size defaults to the stage's.
std::optional<TVideoObject> VideoObjectValue(const TArgs& args, TFrameSize stage) {
  const std::optional<std::string> value = args.get("--video");
  if (!value) return std::nullopt;
  const size_t comma = value->find(',');
  TVideoObject video{value->substr(0, comma), stage};
  if (!IsScriptIdentifier(video.Name))
    throw UsageError(Format("--video takes NAME[,WxH] with NAME a script identifier, not '%s'", value->c_str()));
  if (comma != std::string::npos) video.Size = ParseSizeText("--video", value->substr(comma + 1), kMinSize, kMaxSize);
  return video;
}

int FlashTemplate(const TArgs& args, std::ostream& out) {
  const std::filesystem::path file = args.At(0);
  const std::optional<std::string> output = args.get("-o");
  if (!output) throw UsageError("flash template needs -o OUT.swf");
  const TFrameSize size = SizeValue(args, "--size", kMinSize, kMaxSize).value_or(TFrameSize{320, 240});
  const double fps = FrameRateValue(args, "--fps", 1, 120).value_or(15);
  const std::optional<TVideoObject> video = VideoObjectValue(args, size);
  const std::string text = ReadFileText(file);

  TFlashMovie movie(0, 0, size.Width, size.Height, static_cast<float>(fps), true);
  movie.SetVersion(kTemplateSwfVersion);
  // The video object first, so that the frame's script finds it placed.
  if (video) {
    TFlashScriptVideo* object = movie.AddScriptVideo(static_cast<uint16_t>(video->Size.Width),
                                                     static_cast<uint16_t>(video->Size.Height));
    movie.PlaceObject(object, kVideoDepth)->SetName(video->Name);
  }
  CompileFrameScript(movie, args, file, text);
  movie.ShowFrame();
  movie.BuildBody();
  movie.SaveToFile(*output);
  out << Format("%s: %dx%d, version %d, %zu bytes\n", output->c_str(), size.Width, size.Height, movie.Version(),
                static_cast<size_t>(movie.FileLength));
  return 0;
}

}  // namespace

void RegisterTemplateCommands(TCommandTable& table) {
  table.Add(TCommand{
      .Name = "flash template",
      .Args = "SCRIPT.as",
      .Summary = "Build a template movie (player skin, effect, preloader) from ActionScript",
      .Details = "Writes a one-frame movie of version 8 whose frame holds, in this order, the video\n"
                 "object named by --video (a video stream without frames, placed at depth 1 under\n"
                 "that instance name, for script to attach a NetStream to) and the compiled script.\n"
                 "The frame size is what the Flash output fits a template into; a player lays itself\n"
                 "out from Stage.width and Stage.height at run time.\n"
                 "\n"
                 "On compile errors prints each (up to 20) as FILE:LINE:COLUMN: error: MESSAGE with the\n"
                 "source line and a caret under the column, and exits with 1.",
      .Options = WithScriptFolderOptions(
          {{.Name = "-o", .ValueName = "OUT.swf", .Help = "The movie to write"},
           {.Name = "--size", .ValueName = "WxH", .Help = "Frame size in pixels (default 320x240)"},
           {.Name = "--fps", .ValueName = "RATE", .Help = "Frame rate, 1 to 120 (default 15)"},
           {.Name = "--video", .ValueName = "NAME[,WxH]",
            .Help = "Place a video object under this instance name (size: the frame's)"}}),
      .MinPositional = 1,
      .MaxPositional = 1,
      .Run = FlashTemplate,
  });
}

}  // namespace fc::cli
