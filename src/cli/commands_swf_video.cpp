// flarecast-cli swf video ...: an FLV file embedded frame by frame in a movie of its own.

#include <ostream>

#include "cli/command.h"
#include "cli/swf_toolbox.h"
#include "core/error.h"
#include "core/text.h"
#include "movie/flash_video.h"

namespace fc::cli {
namespace {

int SwfVideo(const TArgs& args, std::ostream& out) {
  const TToolboxSettings settings = ReadToolboxSettings(args, "swf video");
  const std::string input = args.At(0);
  // Opened before the movie so that its frame size and rate are known; the movie takes it over.
  auto video = std::make_unique<TFlashVideo>(input);
  const TFlashVideo& flv = *video;
  if (flv.FrameCount() == 0) throw Error(Format("%s has no video frames to embed.", input.c_str()));
  if (!settings.Size && (flv.Width() == 0 || flv.Height() == 0))
    throw Error(Format("%s does not tell its frame size: give --size WxH.", input.c_str()));
  if (!settings.FrameRate && flv.FrameRate8() == 0)
    throw Error(Format("%s does not tell its frame rate: give --fps RATE.", input.c_str()));
  std::unique_ptr<TFlashMovie> movie =
      MakeToolboxMovie(settings, TFrameSize{flv.Width(), flv.Height()}, flv.FrameRate8() / 256.0);
  if (!settings.FrameRate) movie->SetFrameRate8(flv.FrameRate8());  // exactly the FLV's 8.8 value

  TFlashVideo* added = movie->AddVideo(std::move(video));
  TFlashPlaceVideo* placed = movie->PlaceVideo(added, 1);
  placed->Loop = !args.Has("--no-loop");
  if (!args.Has("--no-sound") && !flv.SoundName().empty()) {
    try {
      placed->EnableSound(true);
    } catch (const FormatError& e) {
      throw Error(Format("%s: %s Give --no-sound to embed the picture alone.", input.c_str(), e.what()));
    }
  }
  if (placed->Loop) {
    movie->ShowFrame(added->FrameCount());
  } else {
    // The movie holds the last picture instead of starting again.
    if (added->FrameCount() > 1) movie->ShowFrame(added->FrameCount() - 1);
    movie->FrameActions().Add<TSWFActionStop>();
    movie->ShowFrame(1);
  }

  std::string what = Format("%s, %u frames of %s video %ux%u", input.c_str(), added->FrameCount(),
                            flv.CodecName().c_str(), flv.Width(), flv.Height());
  if (placed->SoundEnabled()) what += Format(" with %s sound", flv.SoundName().c_str());
  SaveToolboxMovie(*movie, settings, what, out);
  return 0;
}

}  // namespace

void RegisterSwfVideoCommands(TCommandTable& table) {
  table.Add({.Name = "swf video",
             .Args = "IN.flv",
             .Summary = "embed an FLV video frame by frame in a movie",
             .Details = std::string(
                            "Writes a movie whose stage is the video's frame size and whose frame rate is the\n"
                            "FLV's, with one frame per video frame. The video is placed at depth 1 from the\n"
                            "first frame and plays its sound as the movie's stream sound. Embeddable are\n"
                            "Sorenson H.263, screen video and On2 VP6 pictures with MP3, ADPCM, PCM or\n"
                            "Nellymoser sound; H.264 video is refused, and so is AAC or other sound unless\n"
                            "--no-sound leaves it out. The movie plays again from its start unless --no-loop\n"
                            "stops it at the last frame. When --fps differs from the FLV's rate the picture\n"
                            "plays faster or slower while the sound keeps its speed.\n") +
                        kToolboxDetails,
             .Options = ToolboxOptions({{"--no-sound", "", "leave the FLV's sound out"},
                                        {"--no-loop", "", "stop at the last frame instead of playing again"}}),
             .MinPositional = 1,
             .MaxPositional = 1,
             .Run = SwfVideo});
}

}  // namespace fc::cli
