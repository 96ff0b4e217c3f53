// flarecast-cli flash template seen from outside: the template movie it writes (version 8, the
// named video object, then the script) and its refusals.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "../core/test_folder.h"
#include "run_program.h"
#include "swf/actions.h"
#include "swf/objects.h"
#include "swf/placements.h"
#include "swf/sounds_video.h"
#include "swf/streams.h"
#include "swf/tag_codes.h"

namespace fc {
namespace {

const std::string kCli = std::string(FLARECAST_PROGRAM_DIR) + "/flarecast-cli";

class FlashTemplateTest : public ::testing::Test {
protected:
  test::TempFolder dir;

  test::ProgramResult Cli(std::vector<std::string> args) {
    args.insert(args.begin(), {"--ini", dir.file("settings.ini"), "flash", "template"});
    return test::RunProgram(kCli, args, dir.path(), "HOME=" + test::ShellQuote(dir.path()));
  }
};

TEST_F(FlashTemplateTest, TheVideoObjectIsPlacedBeforeTheScriptRuns) {
  dir.write("lib/shared.as", "function Hello() { return \"hello \" + vid; }\n");
  const std::string script = dir.write("skin.as", "#include \"shared.as\"\ntrace(Hello());\n");
  const auto r = Cli({script, "-o", dir.file("skin.swf"), "--size", "400x300", "--video", "vid,160x120", "-I",
                      dir.file("lib")});
  ASSERT_EQ(r.exit_code, 0) << r.err;

  TSWFStreamReader reader;
  reader.LoadFromFile(dir.file("skin.swf"));
  reader.ParseTags(true, true);
  EXPECT_EQ(reader.Version(), 8);
  EXPECT_EQ(reader.GetWidth(), 400 * 20);  // twips
  EXPECT_EQ(reader.GetHeight(), 300 * 20);
  std::vector<uint16_t> codes;
  for (const auto& tag : reader.TagList) codes.push_back(tag->TagID);
  ASSERT_EQ(codes, (std::vector<uint16_t>{TagNumber(TSWFTagCode::DefineVideoStream),
                                          TagNumber(TSWFTagCode::PlaceObject2), TagNumber(TSWFTagCode::DoAction),
                                          TagNumber(TSWFTagCode::ShowFrame), TagNumber(TSWFTagCode::End)}))
      << ::testing::PrintToString(codes);
  auto* video = dynamic_cast<TSWFDefineVideoStream*>(reader.TagList[0]->Object);
  auto* place = dynamic_cast<TSWFPlaceObject2*>(reader.TagList[1]->Object);
  ASSERT_TRUE(video && place);
  EXPECT_EQ(video->NumFrames, 0);
  EXPECT_EQ(video->Width, 160);
  EXPECT_EQ(video->Height, 120);
  EXPECT_EQ(place->CharacterID, video->CharacterID);
  EXPECT_EQ(place->Depth, 1);
  EXPECT_EQ(place->Name, "vid");

  // Without --video: the script alone, at the frame size given.
  const auto plain = Cli({script, "-o", dir.file("plain.swf"), "-I", dir.file("lib")});
  ASSERT_EQ(plain.exit_code, 0) << plain.err;
  TSWFStreamReader plain_reader;
  plain_reader.LoadFromFile(dir.file("plain.swf"));
  plain_reader.ParseTags(true, true);
  ASSERT_EQ(plain_reader.TagList.size(), 3u);
  EXPECT_EQ(plain_reader.TagList[0]->TagID, TagNumber(TSWFTagCode::DoAction));
  EXPECT_EQ(plain_reader.GetWidth(), 320 * 20);
}

TEST_F(FlashTemplateTest, CompileErrorsAndBadOptionsAreRefused) {
  const std::string broken = dir.write("broken.as", "var a = 1;\nvar b = ;\n");
  const auto r = Cli({broken, "-o", dir.file("broken.swf")});
  EXPECT_EQ(r.exit_code, 1);
  EXPECT_NE(r.err.find(broken + ":2:9: error: "), std::string::npos) << r.err;
  EXPECT_FALSE(std::filesystem::exists(dir.file("broken.swf")));

  const std::string fine = dir.write("fine.as", "trace(1);\n");
  for (const std::string& video : {"2vid", "my vid", "vid,0x10", "vid,12"}) {
    const auto bad = Cli({fine, "-o", dir.file("fine.swf"), "--video", video});
    EXPECT_EQ(bad.exit_code, 2) << video;
    EXPECT_NE(bad.err.find("--video"), std::string::npos) << bad.err;
  }
  EXPECT_EQ(Cli({fine}).exit_code, 2);  // no -o
}

}  // namespace
}  // namespace fc
