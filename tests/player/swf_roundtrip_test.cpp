// `flarecast-cli swf copy --decode` decodes every tag it knows into its object and writes it
// back from that object. The copy must play exactly like the original in a real Flash player:
// the same trace lines, and the same picture at the same frame.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "player_harness.h"

namespace fc {
namespace {

namespace fs = std::filesystem;
using test::ShellQuote;

// Share of pixels allowed to differ beyond the per-channel tolerance: the same movie drawn
// twice by the same renderer should match all but exactly.
const double kMaxPixelDifference = 0.002;

struct Movie {
  std::string name;
  std::string make;  // shell command that writes the file, {out} standing for its path
  bool blank = false;  // Ruffle draws nothing of it; the copy must still match
};

// Whether the picture shows anything at all; two blank screenshots would prove nothing.
bool HasDetail(const test::Image& img) {
  for (size_t i = 4; i < img.rgba.size(); ++i) {
    if (img.rgba[i] != img.rgba[i % 4]) return true;
  }
  return false;
}

std::string Replace(std::string text, const std::string& what, const std::string& with) {
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size())) {
    text.replace(at, what.size(), with);
  }
  return text;
}

TEST(SwfRoundTrip, DecodedCopiesPlayLikeTheOriginals) {
  const fs::path dir = test::ScratchDir("swf_roundtrip");
  const std::string cli = ShellQuote((test::ProgramDir() / "flarecast-cli").string());
  const std::string data = (fs::path(FLARECAST_TEST_DATA_DIR) / "player" / "data").string();
  const std::string ffmpeg = "ffmpeg -nostdin -v error -y ";
  const std::string swf_data = (fs::path(FLARECAST_TEST_DATA_DIR) / "swf" / "data").string();
  const std::vector<Movie> movies = {
      // Video (Sorenson H.263 in DefineVideoStream and VideoFrame tags).
      {"video", ffmpeg + "-f lavfi -i testsrc=size=160x120:rate=10 -t 1 -f swf {out}"},
      // Video with streamed MP3 sound. The harness plays without audio, so that frames follow
      // its virtual clock; Ruffle then holds such a movie near its first frame, which still
      // shows whether the copy decodes to the same picture.
      {"video_sound", ffmpeg + "-f lavfi -i testsrc=size=160x120:rate=10 -f lavfi -i sine=frequency=440 "
                               "-t 1 -f swf {out}"},
      // A JPEG bitmap per frame, shown through a bitmap-filled shape that is placed and removed.
      {"bitmaps", ffmpeg + "-f lavfi -i testsrc=size=160x120:rate=10 -t 1 -c:v mjpeg -f swf {out}"},
      // An LZMA-compressed (ZWS) file.
      {"lzma", "cp " + ShellQuote(swf_data + "/ffmpeg_flv1_lzma.swf") + " {out}"},
      // Control tags, a frame label and a DoAction of many kinds of actions.
      {"control_tags", "cp " + ShellQuote(swf_data + "/control_tags_and_actions.swf") + " {out}", true},
      // Another tool's shapes (solid and gradient fills, curves, strokes, alpha), text in
      // embedded fonts, text as outlines, and lossless and JPEG bitmap fills.
      {"freehep_shapes", "cp " + ShellQuote(swf_data + "/freehep/shapes.swf") + " {out}"},
      // Its text records follow each style record with an early glyph-only record, which
      // Ruffle does not read.
      {"freehep_text", "cp " + ShellQuote(swf_data + "/freehep/text.swf") + " {out}", true},
      {"freehep_text_shapes", "cp " + ShellQuote(swf_data + "/freehep/text_shapes.swf") + " {out}"},
      {"freehep_images_lossless", "cp " + ShellQuote(swf_data + "/freehep/images_lossless.swf") + " {out}"},
      // Its DefineBitsJPEG3 tags give an alpha offset of 0, so the JPEG sits where the alpha
      // should be: nothing to draw, but kept verbatim.
      {"freehep_images_jpeg", "cp " + ShellQuote(swf_data + "/freehep/images_jpeg.swf") + " {out}", true},
      // Our own compiler: shapes drawn by script, text conversions traced.
      {"drawing", cli + " as compile " + ShellQuote(data + "/drawing.as") + " -o {out}"},
  };

  std::vector<fs::path> files;
  for (const Movie& m : movies) {
    const fs::path original = dir / (m.name + ".swf");
    const fs::path copy = dir / (m.name + "_decoded.swf");
    const std::string make = Replace(m.make, "{out}", ShellQuote(original.string()));
    std::string messages;
    ASSERT_EQ(test::RunCommand(make + " 2>&1", &messages), 0) << make << "\n" << messages;
    const std::string copy_command =
        cli + " swf copy --decode " + ShellQuote(original.string()) + " " + ShellQuote(copy.string()) + " 2>&1";
    ASSERT_EQ(test::RunCommand(copy_command, &messages), 0) << copy_command << "\n" << messages;
    files.push_back(original);
    files.push_back(copy);
  }

  const fs::path shots = dir / "shots";
  const auto results = test::PlaySwfs(files, {.frames = 6, .screenshot_dir = shots});
  ASSERT_EQ(results.size(), files.size());
  for (size_t i = 0; i + 1 < results.size(); i += 2) {
    const test::PlayResult& original = results[i];
    const test::PlayResult& copy = results[i + 1];
    SCOPED_TRACE(copy.file.string());
    ASSERT_EQ(original.error, "");
    ASSERT_EQ(copy.error, "");
    EXPECT_EQ(copy.trace, original.trace);
    EXPECT_EQ(copy.frame_rate, original.frame_rate);
    const test::Image a = test::ReadPng(original.screenshot);
    const test::Image b = test::ReadPng(copy.screenshot);
    EXPECT_EQ(a.width, original.width);
    if (!movies[i / 2].blank) {
      EXPECT_TRUE(HasDetail(a)) << original.screenshot << " is one flat colour";
    }
    EXPECT_LE(test::PixelDifference(a, b), kMaxPixelDifference)
        << "screenshots differ: " << original.screenshot << " and " << copy.screenshot;
  }
  // The script movie really ran: without its trace lines, equal output would prove nothing.
  EXPECT_EQ(results[2 * (movies.size() - 1)].trace, (std::vector<std::string>{"sum 55", "width 140"}));
}

}  // namespace
}  // namespace fc
