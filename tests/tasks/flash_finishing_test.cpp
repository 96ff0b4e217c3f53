// The end of a Flash job: the thumbnail (the most detailed of the first 31 half-second
// pictures, written without touching any other file) and which files a task's Flash settings
// make beside its output.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "core/file_io.h"
#include "engine/formats.h"
#include "media_fixture.h"
#include "task_fixture.h"
#include "tasks/flash_finishing.h"
#include "tasks/media_task.h"

namespace fc {
namespace {

namespace fs = std::filesystem;

fs::path Folder(const std::string& name) {
  const fs::path dir = test::MediaDir() / name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

TEST(FlashThumbnail, TakesTheMostDetailedPictureAndTouchesNoOtherFile) {
  FC_REQUIRE_FFMPEG();
  // Two flat seconds, then a detailed picture: the thumbnail comes from the detailed part.
  const std::string flat = test::MakeMedia("thumb_flat.flv", "color=c=0x2040a0:size=160x120:rate=10:duration=2", "",
                                           "-c:v flv1");
  const std::string detailed = test::MakeMedia(
      "thumb_detail.flv", "color=c=0x2040a0:size=160x120:rate=10:duration=2[a];testsrc2=size=160x120:rate=10:duration=2[b];[a][b]concat=n=2:v=1",
      "", "-c:v flv1");
  const fs::path dir = Folder("thumb_out");
  // The user's own pictures with the names of numbered candidates stay as they are.
  for (int n : {1, 7, 30}) std::ofstream(dir / ("movie" + std::to_string(n) + ".jpg")) << "mine";

  ASSERT_TRUE(MakeThumbnail(flat, (dir / "flat.jpg").string()));
  ASSERT_TRUE(MakeThumbnail(detailed, (dir / "movie.jpg").string()));
  EXPECT_GT(fs::file_size(dir / "movie.jpg"), 2 * fs::file_size(dir / "flat.jpg"));
  const std::vector<uint8_t> jpeg = ReadFileBytes(dir / "movie.jpg");
  ASSERT_GE(jpeg.size(), 2u);
  EXPECT_EQ(jpeg[0], 0xFF);
  EXPECT_EQ(jpeg[1], 0xD8);

  std::vector<std::string> names;
  for (const auto& e : fs::directory_iterator(dir)) names.push_back(e.path().filename().string());
  std::sort(names.begin(), names.end());
  EXPECT_EQ(names, (std::vector<std::string>{"flat.jpg", "movie.jpg", "movie1.jpg", "movie30.jpg", "movie7.jpg"}));
  for (int n : {1, 7, 30}) EXPECT_EQ(ReadFileText(dir / ("movie" + std::to_string(n) + ".jpg")), "mine");
}

TEST(FlashThumbnail, AClipShorterThanHalfASecondGivesItsLastPicture) {
  FC_REQUIRE_FFMPEG();
  const std::string clip = test::MakeMedia("thumb_short.flv", "testsrc2=size=160x120:rate=10:duration=0.3", "", "-c:v flv1");
  const fs::path dir = Folder("thumb_short");
  EXPECT_TRUE(MakeThumbnail(clip, (dir / "short.jpg").string()));
  EXPECT_GT(fs::file_size(dir / "short.jpg"), 100u);
}

TEST(FlashThumbnail, AFileWithoutPicturesIsAnErrorAndWritesNothing) {
  const fs::path dir = Folder("thumb_bad");
  std::ofstream(dir / "junk.flv") << "not a video";
  EXPECT_ANY_THROW(MakeThumbnail((dir / "junk.flv").string(), (dir / "junk.jpg").string()));
  EXPECT_FALSE(fs::exists(dir / "junk.jpg"));
}

TEST(FlashOutputs, FollowTheTaskKindAndItsFlashSettings) {
  TMediaTaskMgr mgr;
  mgr.OutputFolder = "/out";
  TMediaBaseTask* t = test::AddFakeTask(mgr, 10, "movie.flv");
  t->Record().ContainerFourCC = kFourCCFlv;
  EXPECT_EQ(FlashOutputPaths(*t), (std::vector<std::string>{"/out/movie.jpg", "/out/movie.swf", "/out/movie.HTML"}));

  t->Flash.Generate.GenerateThumbnail = false;
  t->Flash.Generate.GenerateHtml = false;
  EXPECT_EQ(FlashOutputPaths(*t), (std::vector<std::string>{"/out/movie.swf"}));
  // Type 3 always has its page: the page carries the list of videos.
  t->Flash.Generate.SwfType = kSwfTypeUrlVariable;
  EXPECT_EQ(FlashOutputPaths(*t), (std::vector<std::string>{"/out/movie.swf", "/out/movie.HTML"}));
  t->Flash.Generate.GenerateSwf = false;
  EXPECT_TRUE(FlashOutputPaths(*t).empty());

  // Other containers get no Flash files.
  t->Flash.Generate.GenerateSwf = true;
  t->Record().ContainerFourCC = MakeFourCC("mp4 ");
  EXPECT_TRUE(FlashOutputPaths(*t).empty());
}

TEST(FlashOutputs, SlideMembersGetThumbnailsAndTheSlideItsMovie) {
  TMediaTaskMgr mgr;
  mgr.OutputFolder = "/out";
  TMediaBaseTask* a = test::AddFakeTask(mgr, 10, "a.flv");
  auto* slide = static_cast<TMediaSlideTask*>(mgr.Tasks().Add(std::make_unique<TMediaSlideTask>(&mgr.Tasks())));
  slide->OutputFileName = "show.flv";
  slide->Record().ContainerFourCC = kFourCCFlv;
  TMediaMultiProfileTask* member = slide->AddSlideMember(a);
  member->OutputFileName = "show_a.flv";
  member->Record().ContainerFourCC = kFourCCFlv;
  member->Flash.Generate.GenerateThumbnail = false;  // members always get theirs

  EXPECT_EQ(SlideOf(&mgr, member), slide);
  EXPECT_EQ(SlideOf(&mgr, a), nullptr);
  EXPECT_EQ(FlashOutputPaths(*member), (std::vector<std::string>{"/out/show_a.jpg"}));
  EXPECT_EQ(FlashOutputPaths(*slide), (std::vector<std::string>{"/out/show.swf", "/out/show.HTML"}));
}

}  // namespace
}  // namespace fc
