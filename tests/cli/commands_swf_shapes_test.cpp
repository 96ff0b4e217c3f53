// flarecast-cli swf shapes seen from outside: the gallery movie it writes and its usage error.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../core/test_folder.h"
#include "run_program.h"
#include "swf/buttons_sprites.h"
#include "swf/shapes.h"
#include "swf/streams.h"

namespace fc {
namespace {

const std::string kCli = std::string(FLARECAST_PROGRAM_DIR) + "/flarecast-cli";

class SwfShapesTest : public ::testing::Test {
protected:
  test::TempFolder dir;

  test::ProgramResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--ini", dir.file("settings.ini")});
    return test::RunProgram(kCli, args, dir.path(), "HOME=" + test::ShellQuote(dir.path()));
  }
};

TEST_F(SwfShapesTest, WritesTheGallery) {
  const auto r = Cli({"swf", "shapes", "-o", dir.file("g.swf"), "--size", "500x350", "--fps", "24"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("shapes gallery; 1 frames"), std::string::npos) << r.out;

  TSWFStreamReader reader;
  reader.LoadFromFile(dir.file("g.swf"));
  reader.ParseTags(true, true);
  EXPECT_TRUE(reader.Warnings.empty());
  EXPECT_EQ(reader.FrameRect, (TRect{0, 0, 10000, 7000}));
  int shapes = 0, buttons = 0, bitmaps = 0;
  bool red_rectangle = false;
  for (const auto& info : reader.TagList) {
    if (auto* shape = dynamic_cast<TSWFDefineShape*>(info->Object)) {
      ++shapes;
      // The red rectangle at (20, 20)-(120, 80) pixels.
      if (shape->ShapeBounds == TSWFRect::FromScreen({400, 400, 2400, 1600}) && shape->FillStyles.size() == 1)
        if (auto* fill = dynamic_cast<TSWFColorFill*>(shape->FillStyles[0].get()))
          red_rectangle |= fill->Color.RGB() == SWFRGBA(255, 0, 0, 0);
    }
    if (dynamic_cast<TSWFDefineButton2*>(info->Object)) ++buttons;
    if (info->TagID == 20 || info->TagID == 36) ++bitmaps;
  }
  EXPECT_TRUE(red_rectangle);
  EXPECT_EQ(shapes, 16);
  EXPECT_EQ(buttons, 1);
  EXPECT_EQ(bitmaps, 1);
}

TEST_F(SwfShapesTest, NeedsAnOutputAndTakesNoFiles) {
  auto r = Cli({"swf", "shapes"});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_NE(r.err.find("swf shapes needs -o OUT.swf"), std::string::npos) << r.err;
  r = Cli({"swf", "shapes", "extra.png", "-o", dir.file("g.swf")});
  EXPECT_EQ(r.exit_code, 2);
  r = Cli({"swf", "shapes", "--help"});
  EXPECT_EQ(r.exit_code, 0);
  EXPECT_NE(r.out.find("red rectangle"), std::string::npos) << r.out;
}

}  // namespace
}  // namespace fc
