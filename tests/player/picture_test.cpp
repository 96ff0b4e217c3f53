// Pictures made into movies by `flarecast-cli swf picture`, shown by the player as they are:
// JPEG (baseline, progressive, forced lossless), PNG, 8-bit and 24-bit BMP, and a PNG whose
// transparent and half-transparent parts let the background through, as do those of a JPEG
// given a mask.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "cli_runner.h"
#include "player_harness.h"

namespace fc {
namespace {

namespace fs = std::filesystem;
using test::ShellQuote;
using test::Cli;
using test::Psnr;
using test::Q;
using test::Shell;

std::vector<int> PixelAt(const test::Image& image, int x, int y) {
  const size_t i = 4 * (size_t(y) * size_t(image.width) + size_t(x));
  return {image.rgba[i], image.rgba[i + 1], image.rgba[i + 2]};
}

TEST(Picture, PicturesShowAsTheirSource) {
  const fs::path dir = test::ScratchDir("picture");
  const fs::path source = dir / "source.png";
  Shell("convert -size 64x48 gradient:red-blue -fill yellow -draw 'rectangle 8,8 27,23' -fill white "
      "-draw 'circle 44,30 52,30' PNG24:" + Q(source));
  Shell("convert " + Q(source) + " -quality 95 -interlace none " + Q(dir / "baseline.jpg"));
  Shell("convert " + Q(source) + " -quality 95 -interlace JPEG " + Q(dir / "progressive.jpg"));
  Shell("convert " + Q(source) + " -colors 64 -type palette BMP3:" + Q(dir / "palette.bmp"));
  Shell("convert " + Q(source) + " -type truecolor BMP3:" + Q(dir / "true.bmp"));
  // Opaque red, a transparent band at x 22..41, half-transparent blue at x 48..63.
  Shell("convert -size 64x48 xc:red \\( -size 20x48 xc:none \\) -geometry +22+0 -compose copy -composite "
      "\\( -size 16x48 'xc:rgba(0,0,255,0.5)' \\) -geometry +48+0 -compose copy -composite PNG32:" +
      Q(dir / "transparent.png"));
  // A red JPEG given the transparency of a grey mask: clear at x 22..41, half at x 48..63.
  Shell("convert -size 64x48 xc:red -quality 95 " + Q(dir / "red.jpg"));
  Shell("convert -size 64x48 xc:white -fill black -draw 'rectangle 22,0 41,47' -fill gray50 "
      "-draw 'rectangle 48,0 63,47' PNG24:" + Q(dir / "mask.png"));
  // What the BMP files hold, as a reference decoder reads them.
  Shell("convert " + Q(dir / "palette.bmp") + " PNG24:" + Q(dir / "palette_ref.png"));
  Shell("convert " + Q(dir / "true.bmp") + " PNG24:" + Q(dir / "true_ref.png"));

  struct TCase {
    std::string Name, Input, Options;
    fs::path Reference;
    double MinPsnr;
  };
  const std::vector<TCase> cases = {
      {"baseline", "baseline.jpg", "", source, 30},
      {"progressive", "progressive.jpg", "", source, 30},
      {"jpeg_lossless", "baseline.jpg", "--lossless", source, 30},
      {"png", "source.png", "", source, 40},
      {"palette_bmp", "palette.bmp", "", dir / "palette_ref.png", 40},
      {"true_bmp", "true.bmp", "", dir / "true_ref.png", 40},
      {"transparent", "transparent.png", "--background 00ff00", {}, 0},
      {"jpeg_alpha", "red.jpg", "--alpha " + Q(dir / "mask.png") + " --background 00ff00", {}, 0},
  };
  std::vector<fs::path> movies;
  for (const TCase& c : cases) {
    movies.push_back(dir / (c.Name + ".swf"));
    Cli("swf picture " + Q(dir / c.Input) + " -o " + Q(movies.back()) + " " + c.Options);
  }

  const std::vector<test::PlayResult> results = test::PlaySwfs(movies, {.frames = 2, .screenshot_dir = dir / "shots"});
  ASSERT_EQ(results.size(), cases.size());
  for (size_t i = 0; i < cases.size(); ++i) {
    const test::PlayResult& r = results[i];
    ASSERT_TRUE(r.ok()) << r.file << ": " << r.error;
    EXPECT_EQ(r.width, 64) << cases[i].Name << ": the stage takes the picture's size";
    EXPECT_EQ(r.height, 48) << cases[i].Name;
    const test::Image shot = test::ReadPng(r.screenshot);
    if (cases[i].Reference.empty()) continue;
    const double psnr = Psnr(shot, test::ReadPng(cases[i].Reference));
    EXPECT_GE(psnr, cases[i].MinPsnr) << cases[i].Name << ": " << r.screenshot;
  }

  const auto near = [](std::vector<int> got, std::vector<int> want) {
    for (size_t c = 0; c < 3; ++c)
      if (std::abs(got[c] - want[c]) > 6) return false;
    return true;
  };
  // Both transparent pictures: red, the background where clear, half and half where half.
  const std::vector<int> half_over_green[] = {{0, 128, 127}, {128, 127, 0}};
  for (size_t k = 0; k < 2; ++k) {
    const test::Image shot = test::ReadPng(results[cases.size() - 2 + k].screenshot);
    ASSERT_EQ(shot.width, 64);
    EXPECT_PRED2(near, PixelAt(shot, 10, 20), (std::vector<int>{255, 0, 0})) << k << ": opaque";
    EXPECT_PRED2(near, PixelAt(shot, 31, 20), (std::vector<int>{0, 255, 0})) << k << ": transparent: the background";
    EXPECT_PRED2(near, PixelAt(shot, 56, 20), half_over_green[k]) << k << ": half over green";
  }
}

}  // namespace
}  // namespace fc
