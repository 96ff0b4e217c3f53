// flarecast-cli swf sound ...: a WAV or MP3 file as a movie's stream sound or event sound.

#include <cmath>
#include <filesystem>
#include <ostream>

#include "cli/command.h"
#include "cli/option_values.h"
#include "cli/swf_toolbox.h"
#include "core/error.h"
#include "core/text.h"
#include "movie/flash_sound.h"
#include "swf/actions.h"

namespace fc::cli {
namespace {

constexpr TFrameSize kSoundStage{200, 100};
constexpr double kSoundFrameRate = 12;
constexpr uint16_t kLoopForever = 0xFFFF;  // the most a StartSound repeats

std::string Describe(const TFlashSound& sound) {
  const char* format = sound.Format == kSoundMP3 ? "MP3" : sound.Format == kSoundADPCM ? "ADPCM" : "PCM";
  const double seconds = sound.SampleRate ? double(sound.SampleCount) / sound.SampleRate : 0;
  return Format("%s, %u Hz %s, %.2f s", format, sound.SampleRate, sound.Stereo ? "stereo" : "mono", seconds);
}

int SwfSound(const TArgs& args, std::ostream& out) {
  const std::string command = "swf sound";
  const std::filesystem::path input = args.At(0);
  const TToolboxSettings settings = ReadToolboxSettings(args, command);
  if (args.Has("--stream") && args.Has("--event")) throw UsageError("--stream and --event exclude each other");
  const bool event = args.Has("--event");
  const bool loop = args.Has("--loop");
  const std::optional<int32_t> bits = IntValue(args, "--adpcm", 0, 5);
  if (bits == 1) throw UsageError("--adpcm takes 0 (uncompressed) or a code size of 2 to 5");
  std::error_code ec;
  if (!std::filesystem::is_regular_file(input, ec)) throw IoError(Format("%s: no such file", input.string().c_str()));

  auto movie = MakeToolboxMovie(settings, kSoundStage, kSoundFrameRate);
  TFlashSound* sound = nullptr;
  if (event) {
    sound = movie->AddSound(input);
    movie->StartSound(sound, loop ? kLoopForever : 0);
    movie->ShowFrame();
  } else {
    sound = &movie->AddStreamSound(input);
    sound->Loop = loop;  // the last block continues with the beginning: a seamless repeat
    const uint32_t frames = std::max<uint32_t>(sound->StreamFrameCount(movie->GetFrameRate()), 1);
    if (frames > 0xFFFF)
      throw Error(Format("%s lasts %u frames at this frame rate; a movie holds at most 65535.", input.string().c_str(),
                         frames));
    if (frames > 1) movie->ShowFrame(static_cast<int>(frames - 1));
    // Played once unless looping: the movie would otherwise start over with its sound.
    if (!loop) movie->FrameActions().Add<TSWFActionStop>();
    movie->ShowFrame();
  }
  if (sound->IsEmpty()) throw Error(Format("%s holds no sound Flash can read.", input.string().c_str()));
  if (bits) sound->SetADPCMBits(*bits);
  SaveToolboxMovie(*movie, settings, Format("%s sound %s (%s)", event ? "event" : "stream",
                                            input.filename().string().c_str(), Describe(*sound).c_str()),
                   out);
  return 0;
}

}  // namespace

void RegisterSwfSoundCommands(TCommandTable& table) {
  table.Add({.Name = "swf sound",
             .Args = "IN.wav|IN.mp3",
             .Summary = "a movie that plays a WAV or MP3 file",
             .Details = std::string(
                            "With --stream (the default) the sound is the movie's stream sound: the movie has as\n"
                            "many frames as the sound lasts at the frame rate (default 12) and stops on the last\n"
                            "one (with --loop it plays on and the sound repeats). With --event it is one frame\n"
                            "holding the sound (DefineSound) and its start.\n"
                            "PCM and Microsoft ADPCM WAV files are written as SWF ADPCM with 4-bit codes unless\n"
                            "--adpcm says otherwise (0 keeps PCM uncompressed); MP3 frames are copied as they are.\n"
                            "Flash plays 5512, 11025, 22050 and 44100 Hz only: sounds at other rates are refused.\n") +
                        kToolboxDetails,
             .Options = ToolboxOptions(
                 {{"--stream", "", "the sound streams with the frames (the default)"},
                  {"--event", "", "the sound is defined and started in one frame"},
                  {"--adpcm", "BITS", "ADPCM code size 2 to 5, or 0 for uncompressed PCM (default 4)"},
                  {"--loop", "", "repeat: the stream runs on seamlessly, an event sound plays 65535 times"}}),
             .MinPositional = 1,
             .MaxPositional = 1,
             .Run = SwfSound});
}

}  // namespace fc::cli
