// The DVD loader's rules: the rows a disc gives, the check rules, the enabled states, the
// bounded search for the next row with a task, the stream choices, and OK and Cancel.

#include "gui/model/dvd_loader_model.h"

#include <gtest/gtest.h>

#include "model_fixture.h"
#include "tasks/task_source.h"
#include "test_dvd.h"

namespace fc {
namespace {

namespace fs = std::filesystem;
using gui::TDvdRowKind;

TEST(DvdLoader, TheSearchForARowWithATaskEnds) {
  gui::TDvdLoaderModel loader;
  EXPECT_EQ(loader.NextRowWithTask(0, 1), -1);
  loader.Disc("a", "A");
  loader.Disc("b", "B");
  // Only disc rows: every row is looked at once, then the search gives up.
  EXPECT_EQ(loader.NextRowWithTask(0, 1), -1);
  EXPECT_EQ(loader.NextRowWithTask(1, -1), -1);
  EXPECT_EQ(loader.NextRowWithTask(-5, 1), -1);
  EXPECT_FALSE(loader.HasTitles());
  EXPECT_FALSE(loader.Controls(0, false).Play);
  loader.RemoveEmptyLastDisc();
  EXPECT_EQ(loader.Count(), 1u);
}

// A two-title disc: title 1 with chapters at 0 and 1.5 s, title 2 with chapters at 0, 1, 2.5 s.
class DvdLoaderTest : public test::JobListTest {
protected:
  void SetUp() override {
    test::JobListTest::SetUp();
    if (!test::HaveDvdTools(true)) GTEST_SKIP() << "ffmpeg, dvdauthor or genisoimage is not installed";
    ASSERT_TRUE(test::MakeTestDvd(test::MediaDir() / "gui_dvd", {{3, "0,1.5"}, {4, "0,1,2.5"}}, "GUIDISC"));
  }
  static fs::path Disc() { return test::MediaDir() / "gui_dvd" / "disc"; }
  // The disc's folder under the name the loader shows.
  std::string Movie() {
    const fs::path movie = dir / "Movie";
    if (!fs::exists(movie)) fs::create_directory_symlink(Disc(), movie);
    return movie.string();
  }
};

TEST_F(DvdLoaderTest, ADiscGivesItsTitlesAndChaptersWithTasksButNoListItems) {
  gui::TAddResult r = list.AddDvdFolder(Movie(), *profile);
  EXPECT_EQ(r.Added, 1);
  EXPECT_TRUE(r.Messages.empty());
  EXPECT_TRUE(list.Empty());
  ASSERT_TRUE(r.DvdLoader);
  gui::TDvdLoaderModel& loader = *r.DvdLoader;
  ASSERT_EQ(loader.Count(), 8u);
  const std::vector<std::pair<TDvdRowKind, std::string>> expected = {
      {TDvdRowKind::Disc, "Movie"},
      {TDvdRowKind::Title, "Title_01_01"},
      {TDvdRowKind::Chapter, "Chapter_010101"},
      {TDvdRowKind::Chapter, "Chapter_010102"},
      {TDvdRowKind::Title, "Title_01_02"},
      {TDvdRowKind::Chapter, "Chapter_010201"},
      {TDvdRowKind::Chapter, "Chapter_010202"},
      {TDvdRowKind::Chapter, "Chapter_010203"},
  };
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(loader.Row(i).Kind, expected[i].first) << i;
    EXPECT_EQ(loader.Row(i).Caption, expected[i].second) << i;
    EXPECT_EQ(loader.Row(i).Task != nullptr, i != 0) << i;
  }
  EXPECT_EQ(loader.Row(5).Parent, 4);
  EXPECT_EQ(loader.Row(1).Task->Title, "Movie_Title_01_01");
  EXPECT_EQ(manager.Tasks().Count(), 7u);

  // Showing: titles expanded and as the list made them, chapters unticked, the first title.
  EXPECT_EQ(loader.PrepareShow(), 1);
  EXPECT_TRUE(loader.Row(1).Checked);
  EXPECT_TRUE(loader.Row(1).Expanded);
  EXPECT_TRUE(loader.Row(4).Checked);
  EXPECT_FALSE(loader.Row(2).Checked);
  EXPECT_FALSE(loader.Row(7).Checked);

  // The buttons: row 0 is the disc, so the first title has no previous row.
  EXPECT_FALSE(loader.Controls(0, false).Play);
  gui::TDvdLoaderControls c = loader.Controls(1, false);
  EXPECT_TRUE(c.Play);
  EXPECT_FALSE(c.Stop);
  EXPECT_FALSE(c.Previous);
  EXPECT_TRUE(c.Next);
  EXPECT_TRUE(c.Streams);
  c = loader.Controls(7, true);
  EXPECT_TRUE(c.Stop);
  EXPECT_TRUE(c.Previous);
  EXPECT_FALSE(c.Next);
  EXPECT_FALSE(c.Streams);  // not while a preview plays
  // Next on the last row goes on at the first row with a task; previous goes round too.
  EXPECT_EQ(loader.NextRowWithTask(7, 1), 1);
  EXPECT_EQ(loader.NextRowWithTask(1, -1), 7);
  EXPECT_EQ(loader.NextRowWithTask(3, 1), 4);

  // The streams: the subtitle list ends with "no subtitle", shown while none is chosen.
  gui::TDvdStreamChoices s = loader.Streams(1, false);
  ASSERT_FALSE(s.Subtitles.empty());
  EXPECT_EQ(s.Subtitle, static_cast<int>(s.Subtitles.size()) - 1);
  ASSERT_EQ(s.AudioTracks.size(), 1u);
  EXPECT_EQ(s.AudioTrack, 0);
  EXPECT_TRUE(s.Enabled);
  loader.SelectAudioTrack(1, 0);
  EXPECT_EQ(loader.Row(1).Task->Source()->AudioDecodeOptions.AudioTrackID, 0x80);
  EXPECT_TRUE(loader.Streams(0, false).Subtitles.empty());

  loader.CheckAll(false);
  EXPECT_FALSE(loader.Row(1).Checked);
  loader.CheckAll(true);
  EXPECT_TRUE(loader.Row(2).Checked);
}

TEST_F(DvdLoaderTest, OkMovesTheTickedRowsAndDeletesTheOthers) {
  gui::TAddResult r = list.AddDvdFolder(Movie(), *profile);
  ASSERT_TRUE(r.DvdLoader);
  gui::TDvdLoaderModel& loader = *r.DvdLoader;
  loader.PrepareShow();
  loader.SetChecked(2, true);   // a chapter of a ticked title stays its child
  loader.SetChecked(4, false);  // the second title goes ...
  loader.SetChecked(6, true);   // ... but one of its chapters is wanted on its own
  const gui::TCommandResult taken = list.TakeDvdChoices(loader);
  EXPECT_TRUE(taken.Changed);
  EXPECT_EQ(loader.Count(), 0u);
  ASSERT_EQ(list.Count(), 2u);
  gui::TJobItem& title = *list.Item(0);
  EXPECT_EQ(taken.Select, &title);
  EXPECT_EQ(list.Caption(title), "Movie_Title_01_01");
  EXPECT_EQ(title.Role(), gui::TJobItemRole::DvdTitle);
  ASSERT_EQ(title.ChildCount(), 2u);
  EXPECT_TRUE(title.Child(0)->Checked);
  EXPECT_FALSE(title.Child(1)->Checked);
  EXPECT_EQ(list.Icon(*title.Child(0)), gui::TJobIcon::DvdChapter);
  gui::TJobItem& chapter = *list.Item(1);
  EXPECT_EQ(list.Caption(chapter), "Movie_Chapter_010202");
  EXPECT_TRUE(chapter.Checked);
  EXPECT_NEAR(chapter.Task()->Duration(), 1.5, 0.5);
  // Title 2 and its other chapters are gone: the manager holds the four tasks shown.
  EXPECT_EQ(manager.Tasks().Count(), 4u);
  for (TMediaTask* t : manager.Tasks()) EXPECT_NE(list.FindItem(t), nullptr) << t->Title;
}

TEST_F(DvdLoaderTest, CancelAndAnUnusedLoaderLeaveNoTaskBehind) {
  AddClips(1);
  const size_t before = manager.Tasks().Count();
  {
    gui::TAddResult r = list.AddDvdFolder(Movie(), *profile);
    ASSERT_TRUE(r.DvdLoader);
    EXPECT_GT(manager.Tasks().Count(), before);
    r.DvdLoader->DeleteAll();  // Cancel
    EXPECT_EQ(manager.Tasks().Count(), before);
  }
  {
    gui::TAddResult r = list.AddPaths({(Disc() / "VIDEO_TS" / "VTS_01_0.IFO").string()}, *profile);
    ASSERT_TRUE(r.DvdLoader);
  }  // nobody took it
  EXPECT_EQ(manager.Tasks().Count(), before);
  EXPECT_EQ(list.Count(), 1u);
}

TEST_F(DvdLoaderTest, AnImageIsADiscOfItsOwnAndChaptersFollowTheSwitch) {
  list.ShowChapters = false;
  gui::TAddResult r = list.AddPaths({(test::MediaDir() / "gui_dvd" / "disc.iso").string()}, *profile);
  ASSERT_TRUE(r.DvdLoader);
  ASSERT_EQ(r.DvdLoader->Count(), 3u);
  EXPECT_EQ(r.DvdLoader->Row(0).Caption, "disc");
  EXPECT_EQ(r.DvdLoader->Row(2).Caption, "Title_01_02");
  EXPECT_EQ(r.DvdLoader->Row(2).Task->Source()->SourceKind, TSourceKind::Dvd);
  // Titles without chapter rows are unticked when shown: the user picks them.
  r.DvdLoader->PrepareShow();
  EXPECT_FALSE(r.DvdLoader->Row(1).Checked);
}

}  // namespace
}  // namespace fc
