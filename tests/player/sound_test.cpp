// Sound movies written by `flarecast-cli swf sound` and by the movie builder load and run in
// the player. The harness plays without audio, so what is checked is that every movie loads
// and plays without error, and that a movie starting an event sound runs through all its
// frames (one trace per frame) and stops on the last. Without audio the player holds a
// timeline with a stream sound near its first frames (it waits for an audio clock that does
// not run), so those movies are only seen to start their frames in order.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <utility>
#include <string>
#include <vector>

#include "movie/flash_sound.h"
#include "movie/flash_sprite.h"
#include "cli_runner.h"
#include "player_harness.h"
#include "swf/actions.h"

namespace fc {
namespace {

namespace fs = std::filesystem;
using test::ShellQuote;
using test::Cli;
using test::Psnr;
using test::Q;
using test::Shell;

TEST(Sound, StreamAndEventMoviesPlay) {
  const fs::path dir = test::ScratchDir("sound");
  const fs::path wav = dir / "tone.wav", mp3 = dir / "tone.mp3";
  const std::string ffmpeg = "ffmpeg -nostdin -y -loglevel error -f lavfi -i sine=frequency=440:duration=1 ";
  Shell(ffmpeg + "-ar 22050 -ac 2 " + Q(wav));
  Shell(ffmpeg + "-ar 44100 -c:a libmp3lame -b:a 128k " + Q(mp3));

  const fs::path pcm = dir / "stream_pcm.swf", adpcm = dir / "stream_adpcm.swf", stream_mp3 = dir / "stream_mp3.swf",
                 event = dir / "event.swf";
  Cli("swf sound " + Q(wav) + " --adpcm 0 --fps 10 -o " + Q(pcm));
  Cli("swf sound " + Q(wav) + " --adpcm 3 -o " + Q(adpcm));
  Cli("swf sound " + Q(mp3) + " --fps 30 -o " + Q(stream_mp3));
  Cli("swf sound " + Q(mp3) + " --event --loop -o " + Q(event));

  // Sounds under frames that trace their number; the last one stops. An event sound started
  // in frame 1, a stream sound of the movie and one of a sprite.
  const fs::path counted = dir / "counted.swf", in_movie = dir / "counted_stream.swf",
                 in_sprite = dir / "counted_sprite.swf";
  int frames = 0;
  auto trace_frames = [&](auto& timeline, const std::string& text) {
    for (int i = 1; i <= frames; ++i) {
      timeline.FrameActions().PushString(text + std::to_string(i));
      timeline.FrameActions().template Add<TSWFActionTrace>();
      if (i == frames) timeline.FrameActions().template Add<TSWFActionStop>();
      timeline.ShowFrame();
    }
  };
  {
    TFlashMovie movie(0, 0, 100, 100, 10);
    TFlashSound& sound = movie.AddStreamSound(mp3);
    frames = static_cast<int>(sound.StreamFrameCount(movie.GetFrameRate()));
    trace_frames(movie, "frame ");
    movie.Save(in_movie);
  }
  {
    TFlashMovie movie(0, 0, 100, 100, 10);
    movie.StartSound(movie.AddSound(mp3));
    trace_frames(movie, "frame ");
    movie.Save(counted);
  }
  {
    TFlashMovie movie(0, 0, 100, 100, 10);
    TFlashSprite* sprite = movie.AddSprite();
    auto sound = std::make_unique<TFlashSound>(mp3);
    sound->SetOwner(&movie);
    sprite->SetStreamSound(std::move(sound));
    trace_frames(*sprite, "sprite frame ");
    movie.PlaceObject(sprite, 1);
    movie.ShowFrame();
    movie.Save(in_sprite);
  }
  ASSERT_GE(frames, 10);  // a second at 10 frames per second

  const auto results =
      test::PlaySwfs({pcm, adpcm, stream_mp3, event, counted, in_movie, in_sprite}, {.frames = frames + 5});
  ASSERT_EQ(results.size(), 7u);
  for (const auto& r : results) EXPECT_TRUE(r.ok()) << r.file << ": " << r.error;
  EXPECT_DOUBLE_EQ(results[2].frame_rate, 30);
  std::vector<std::string> expected, expected_sprite;
  for (int i = 1; i <= frames; ++i) {
    expected.push_back("frame " + std::to_string(i));
    expected_sprite.push_back("sprite frame " + std::to_string(i));
  }
  EXPECT_EQ(results[4].trace, expected);
  // The stream-sound timelines: their first frames, in order.
  for (const auto& [r, all] : {std::pair{&results[5], &expected}, std::pair{&results[6], &expected_sprite}}) {
    ASSERT_FALSE(r->trace.empty()) << r->file;
    ASSERT_LE(r->trace.size(), all->size()) << r->file;
    EXPECT_TRUE(std::equal(r->trace.begin(), r->trace.end(), all->begin())) << r->file;
  }
}

}  // namespace
}  // namespace fc
