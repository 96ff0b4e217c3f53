// flarecast-cli swf sound seen from outside: the movie it writes from a WAV file (one stream
// block per frame, as many frames as the sound lasts), and its refusals.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../core/test_folder.h"
#include "run_program.h"
#include "swf/sounds_video.h"
#include "swf/streams.h"

namespace fc {
namespace {

const std::string kCli = std::string(FLARECAST_PROGRAM_DIR) + "/flarecast-cli";

// A mono 16-bit PCM WAV file of `samples` silent samples.
std::string Wave(uint32_t rate, uint32_t samples) {
  std::string b;
  auto le = [&](uint32_t v, int n) {
    for (int i = 0; i < n; ++i) b += static_cast<char>((v >> (8 * i)) & 0xFF);
  };
  b += "RIFF";
  le(36 + 2 * samples, 4);
  b += "WAVEfmt ";
  le(16, 4), le(1, 2), le(1, 2), le(rate, 4), le(rate * 2, 4), le(2, 2), le(16, 2);
  b += "data";
  le(2 * samples, 4);
  b.append(2 * samples, '\0');
  return b;
}

class SwfSoundTest : public ::testing::Test {
protected:
  test::TempFolder dir;

  test::ProgramResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--ini", dir.file("settings.ini"), "swf", "sound"});
    return test::RunProgram(kCli, args, dir.path(), "HOME=" + test::ShellQuote(dir.path()));
  }
};

TEST_F(SwfSoundTest, StreamAndEventMovies) {
  const std::string wav = dir.write("tone.wav", Wave(22050, 22050));  // one second
  const auto r = Cli({wav, "-o", dir.file("stream.swf"), "--fps", "10", "--adpcm", "0"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("stream sound tone.wav (PCM, 22050 Hz mono, 1.00 s); 10 frames"), std::string::npos) << r.out;

  TSWFStreamReader reader;
  reader.LoadFromFile(dir.file("stream.swf"));
  reader.ParseTags(true, true);
  int blocks = 0, frames = 0;
  for (const auto& info : reader.TagList) {
    if (info->Code() == TSWFTagCode::SoundStreamBlock) {
      ++blocks;
      EXPECT_EQ(info->Length, 2205u * 2);
    }
    if (info->Code() == TSWFTagCode::ShowFrame) ++frames;
  }
  EXPECT_EQ(reader.TagList[0]->Code(), TSWFTagCode::SoundStreamHead2);
  EXPECT_EQ(blocks, 10);
  EXPECT_EQ(frames, 10);

  const auto e = Cli({wav, "-o", dir.file("event.swf"), "--event", "--loop"});
  ASSERT_EQ(e.exit_code, 0) << e.err;
  TSWFStreamReader event;
  event.LoadFromFile(dir.file("event.swf"));
  event.ParseTags(true, true);
  ASSERT_GE(event.TagList.size(), 3u);
  auto* define = dynamic_cast<TSWFDefineSound*>(event.TagList[0]->Object);
  ASSERT_NE(define, nullptr);
  EXPECT_EQ(define->SoundFormat, kSoundADPCM);
  EXPECT_EQ(define->SoundSampleCount, 22050u);
  auto* start = dynamic_cast<TSWFStartSound*>(event.TagList[1]->Object);
  ASSERT_NE(start, nullptr);
  EXPECT_EQ(start->SoundID, define->SoundID);
  EXPECT_EQ(start->LoopCount, 65535);
}

TEST_F(SwfSoundTest, RefusesWhatFlashCannotPlayAndBadOptions) {
  const std::string wav = dir.write("high.wav", Wave(48000, 100));
  const auto rate = Cli({wav, "-o", dir.file("out.swf")});
  EXPECT_EQ(rate.exit_code, 1);
  EXPECT_NE(rate.err.find("48000 Hz"), std::string::npos) << rate.err;
  EXPECT_FALSE(std::filesystem::exists(dir.file("out.swf")));

  const std::string ok = dir.write("ok.wav", Wave(11025, 100));
  EXPECT_EQ(Cli({ok, "-o", dir.file("out.swf"), "--adpcm", "1"}).exit_code, 2);
  EXPECT_EQ(Cli({ok, "-o", dir.file("out.swf"), "--stream", "--event"}).exit_code, 2);
  EXPECT_EQ(Cli({ok}).exit_code, 2);  // no -o
  const auto missing = Cli({dir.file("none.wav"), "-o", dir.file("out.swf")});
  EXPECT_EQ(missing.exit_code, 1);
  EXPECT_NE(missing.err.find("none.wav"), std::string::npos) << missing.err;
}

}  // namespace
}  // namespace fc
