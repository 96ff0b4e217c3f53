// Sound movies written by `flarecast-cli swf sound` and by the movie builder load and run in
// the player. The harness plays without audio, so what is checked is that every movie loads
// and plays without error, and that a stream-sound movie runs through all its frames (one
// trace per frame) and stops on the last.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "movie/flash_sound.h"
#include "player_harness.h"
#include "swf/actions.h"

namespace fc {
namespace {

namespace fs = std::filesystem;
using test::ShellQuote;

std::string Q(const fs::path& path) { return ShellQuote(path.string()); }

void Run(const std::string& command) { ASSERT_EQ(test::RunCommand(command), 0) << command; }

void Cli(const std::string& arguments) {
  Run(ShellQuote((test::ProgramDir() / "flarecast-cli").string()) + " " + arguments);
}

TEST(Sound, StreamAndEventMoviesPlay) {
  const fs::path dir = test::ScratchDir("sound");
  const fs::path wav = dir / "tone.wav", mp3 = dir / "tone.mp3";
  const std::string ffmpeg = "ffmpeg -nostdin -y -loglevel error -f lavfi -i sine=frequency=440:duration=1 ";
  Run(ffmpeg + "-ar 22050 -ac 2 " + Q(wav));
  Run(ffmpeg + "-ar 44100 -c:a libmp3lame -b:a 128k " + Q(mp3));

  const fs::path pcm = dir / "stream_pcm.swf", adpcm = dir / "stream_adpcm.swf", stream_mp3 = dir / "stream_mp3.swf",
                 event = dir / "event.swf";
  Cli("swf sound " + Q(wav) + " --adpcm 0 --fps 10 -o " + Q(pcm));
  Cli("swf sound " + Q(wav) + " --adpcm 3 -o " + Q(adpcm));
  Cli("swf sound " + Q(mp3) + " --fps 30 -o " + Q(stream_mp3));
  Cli("swf sound " + Q(mp3) + " --event --loop -o " + Q(event));

  // A stream sound under frames that trace their number; the last one stops.
  const fs::path counted = dir / "counted.swf";
  int frames = 0;
  {
    TFlashMovie movie(0, 0, 100, 100, 10);
    TFlashSound& sound = movie.AddStreamSound(mp3);
    frames = static_cast<int>(sound.StreamFrameCount(movie.GetFrameRate()));
    for (int i = 1; i <= frames; ++i) {
      movie.FrameActions().PushString("frame " + std::to_string(i));
      movie.FrameActions().Add<TSWFActionTrace>();
      if (i == frames) movie.FrameActions().Add<TSWFActionStop>();
      movie.ShowFrame();
    }
    movie.Save(counted);
  }
  ASSERT_GE(frames, 10);  // a second at 10 frames per second

  const auto results = test::PlaySwfs({pcm, adpcm, stream_mp3, event, counted}, {.frames = frames + 5});
  ASSERT_EQ(results.size(), 5u);
  for (const auto& r : results) EXPECT_TRUE(r.ok()) << r.file << ": " << r.error;
  std::vector<std::string> expected;
  for (int i = 1; i <= frames; ++i) expected.push_back("frame " + std::to_string(i));
  EXPECT_EQ(results[4].trace, expected);
  EXPECT_DOUBLE_EQ(results[2].frame_rate, 30);
}

}  // namespace
}  // namespace fc
