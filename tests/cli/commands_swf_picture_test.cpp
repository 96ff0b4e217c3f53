// flarecast-cli swf picture seen from outside: the movie it writes, read back with the SWF
// library, and its errors.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../core/test_folder.h"
#include "run_program.h"
#include "swf/streams.h"

namespace fc {
namespace {

const std::string kCli = std::string(FLARECAST_PROGRAM_DIR) + "/flarecast-cli";
const std::string kData = std::string(FLARECAST_TEST_DATA_DIR) + "/movie/data/";

class SwfPictureTest : public ::testing::Test {
protected:
  test::TempFolder dir;

  test::ProgramResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--ini", dir.file("settings.ini"), "swf", "picture"});
    return test::RunProgram(kCli, args, dir.path(), "HOME=" + test::ShellQuote(dir.path()));
  }
};

std::vector<uint16_t> Codes(const TSWFStreamReader& reader) {
  std::vector<uint16_t> codes;
  for (const auto& tag : reader.TagList) codes.push_back(tag->TagID);
  return codes;
}

TEST_F(SwfPictureTest, APictureFillsTheStage) {
  auto r = Cli({kData + "baseline.jpg", "-o", dir.file("jpeg.swf")});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("(16x8, JPEG)"), std::string::npos) << r.out;
  TSWFStreamReader jpeg;
  jpeg.LoadFromFile(dir.file("jpeg.swf"));
  jpeg.ParseTags(true, true);
  EXPECT_EQ(jpeg.GetWidth(), 16 * 20);
  EXPECT_EQ(jpeg.GetHeight(), 8 * 20);  // twips
  // DefineBitsJPEG2, DefineShape2, PlaceObject2, ShowFrame, End
  EXPECT_EQ(Codes(jpeg), (std::vector<uint16_t>{21, 22, 26, 1, 0}));

  r = Cli({kData + "rgba.png", "-o", dir.file("png.swf"), "--background", "00ff00", "--size", "40x30"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("lossless 24-bit with alpha"), std::string::npos) << r.out;
  TSWFStreamReader png;
  png.LoadFromFile(dir.file("png.swf"));
  png.ParseTags(true, true);
  EXPECT_EQ(png.GetWidth(), 40 * 20);
  EXPECT_EQ(Codes(png), (std::vector<uint16_t>{9, 36, 22, 26, 1, 0}));
  EXPECT_GE(png.Version(), 3);

  r = Cli({kData + "baseline.jpg", "-o", dir.file("lossless.swf"), "--lossless"});
  ASSERT_EQ(r.exit_code, 0) << r.err;
  EXPECT_NE(r.out.find("lossless 24-bit)"), std::string::npos) << r.out;
}

TEST_F(SwfPictureTest, BadInputIsRefusedOnStderr) {
  dir.write("picture.gif", "GIF89a");
  auto r = Cli({dir.file("picture.gif"), "-o", dir.file("out.swf")});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("Image format \"GIF\" not supported!"), std::string::npos) << r.err;

  const std::string jpeg = test::Slurp(kData + "baseline.jpg");
  dir.write("cut.jpg", jpeg.substr(0, jpeg.size() / 2));
  r = Cli({dir.file("cut.jpg"), "-o", dir.file("out.swf")});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("cut short"), std::string::npos) << r.err;

  r = Cli({kData + "rgba.png", "-o", dir.file("out.swf"), "--background", "green"});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_NE(r.err.find("RRGGBB"), std::string::npos) << r.err;
  r = Cli({kData + "rgba.png"});
  EXPECT_EQ(r.exit_code, 2);
  // A mask is for JPEG pictures, and of the picture's size.
  r = Cli({kData + "rgba.png", "-o", dir.file("out.swf"), "--alpha", kData + "rgba.png"});
  EXPECT_EQ(r.exit_code, 2);
  EXPECT_NE(r.err.find("carry their own"), std::string::npos) << r.err;
  r = Cli({kData + "baseline.jpg", "-o", dir.file("out.swf"), "--alpha", kData + "rgba.png"});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find("needs the picture's size"), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(dir.file("out.swf")));
}

}  // namespace
}  // namespace fc
