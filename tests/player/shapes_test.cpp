// `flarecast-cli swf shapes` in a real Flash player: every part of the gallery shows where
// its help says, in its colours (fills, alpha blending, dash gaps, the image fill, the
// button's up state and a line longer than one edge record).
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "player_harness.h"

namespace fc {
namespace {

namespace fs = std::filesystem;
using test::ShellQuote;

struct TRgb {
  int R, G, B;
};

// Colour channels may differ this much from the expected value (antialiasing, blending).
constexpr int kTolerance = 12;

struct TProbe {
  int X, Y;
  TRgb Expected;
  const char* What;
};

const TRgb kWhite{255, 255, 255}, kBlack{0, 0, 0}, kRed{255, 0, 0}, kBlue{0, 0, 255}, kYellow{255, 255, 0},
    kGreen{0, 160, 0};

const std::vector<TProbe> kProbes = {
    {70, 50, kRed, "inside the red rectangle"},
    {22, 22, kRed, "inside the red rectangle's corner"},
    {10, 10, kWhite, "background above the red rectangle"},
    {125, 50, kWhite, "background right of the red rectangle"},
    {70, 85, kWhite, "background below the red rectangle"},
    {200, 50, kBlue, "the ellipse's centre"},
    {240, 72, kWhite, "outside the ellipse's curve, inside its box"},
    // Half-transparent green over white, then half-transparent blue over that.
    {290, 30, {127, 191, 127}, "the green square blended with the background"},
    {330, 70, {63, 95, 191}, "blue over green over white"},
    {370, 85, {127, 127, 255}, "the blue square blended with the background"},
    {100, 128, {255, 0, 255}, "the 6-pixel magenta line"},
    {100, 115, kBlue, "the 3-pixel blue line"},
    {100, 122, kWhite, "between the lines"},
    // Dashes of 10 pixels from x 20 with gaps of 10.
    {25, 165, kBlack, "first dash"},
    {35, 165, kWhite, "first gap"},
    {45, 165, kBlack, "second dash"},
    {55, 165, kWhite, "second gap"},
    {365, 165, kBlack, "last dash"},
    {375, 165, kWhite, "last gap"},
    {25, 185, kBlack, "first dash of the gap-coloured line"},
    {35, 185, kYellow, "a gap drawn in the gap colour"},
    {45, 185, kBlack, "second dash of the gap-coloured line"},
    {255, 230, {173, 216, 230}, "inside the rectangle with the dashed outline"},
    {327, 215, kRed, "the picture's top-left pixel"},
    {362, 215, kGreen, "the picture's top-right pixel"},
    {327, 245, kBlue, "the picture's bottom-left pixel"},
    {362, 245, kYellow, "the picture's bottom-right pixel"},
    {350, 120, kGreen, "the button's up state"},
    {5, 288, {255, 128, 0}, "the long line at the stage's left edge"},
    {200, 288, {255, 128, 0}, "the long line in the middle"},
    {395, 288, {255, 128, 0}, "the long line at the stage's right edge"},
    {200, 295, kWhite, "below the long line"},
};

TRgb PixelAt(const test::Image& img, int x, int y) {
  const size_t i = (static_cast<size_t>(y) * img.width + x) * 4;
  return {img.rgba[i], img.rgba[i + 1], img.rgba[i + 2]};
}

bool Near(TRgb a, TRgb b) {
  return std::abs(a.R - b.R) <= kTolerance && std::abs(a.G - b.G) <= kTolerance && std::abs(a.B - b.B) <= kTolerance;
}

TEST(Shapes, TheGalleryShowsEveryPartWhereItsHelpSays) {
  const fs::path dir = test::ScratchDir("shapes");
  const std::string cli = ShellQuote((test::ProgramDir() / "flarecast-cli").string());
  // The default movie (version 5, image fills shifted for older players) and a compressed
  // version-8 one (no shift).
  const std::vector<std::pair<std::string, std::string>> movies = {
      {"gallery", ""}, {"gallery_v8", " --swf-version 8 --compress"}};
  std::vector<fs::path> files;
  for (const auto& [name, options] : movies) {
    const fs::path file = dir / (name + ".swf");
    const std::string command = cli + " swf shapes -o " + ShellQuote(file.string()) + options + " 2>&1";
    std::string messages;
    ASSERT_EQ(test::RunCommand(command, &messages), 0) << command << "\n" << messages;
    files.push_back(file);
  }

  const auto results = test::PlaySwfs(files, {.frames = 3, .screenshot_dir = dir / "shots"});
  ASSERT_EQ(results.size(), files.size());
  for (const test::PlayResult& result : results) {
    SCOPED_TRACE(result.file.string());
    ASSERT_EQ(result.error, "");
    EXPECT_EQ(result.trace, (std::vector<std::string>{"shapes gallery"}));
    const test::Image img = test::ReadPng(result.screenshot);
    ASSERT_EQ(img.width, 400);
    ASSERT_EQ(img.height, 300);
    for (const TProbe& probe : kProbes) {
      const TRgb got = PixelAt(img, probe.X, probe.Y);
      EXPECT_TRUE(Near(got, probe.Expected))
          << probe.What << " at (" << probe.X << ", " << probe.Y << "): got " << got.R << "," << got.G << ","
          << got.B << ", expected " << probe.Expected.R << "," << probe.Expected.G << "," << probe.Expected.B
          << " in " << result.screenshot;
    }
  }
}

}  // namespace
}  // namespace fc
