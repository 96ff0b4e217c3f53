#include "engine/dvd.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "engine/converter.h"
#include "media_fixture.h"
#include "test_dvd.h"

namespace fc {
namespace {

namespace fs = std::filesystem;

// A two-title PAL disc made with ffmpeg and dvdauthor (title 1: 3 s, chapters at 0 and 1.5 s;
// title 2: 4 s, chapters at 0, 1 and 2.5 s), and an ISO image of it.
class DvdTest : public testing::Test {
protected:
  static void SetUpTestSuite() {
    made_ = test::MakeTestDvd(test::MediaDir() / "dvd", {{3, "0,1.5"}, {4, "0,1,2.5"}}, "MYDISC");
  }
  void SetUp() override {
    if (!test::HaveDvdTools(true)) GTEST_SKIP() << "ffmpeg, dvdauthor or genisoimage is not installed";
    ASSERT_TRUE(made_) << "the test DVD could not be made";
  }
  static inline bool made_ = false;
  static std::string Folder() { return (test::MediaDir() / "dvd" / "disc" / "VIDEO_TS").string(); }
  static std::string Iso() { return (test::MediaDir() / "dvd" / "disc.iso").string(); }
};

void ExpectTwoTitles(const TDVDIFOInfo& dvd) {
  ASSERT_EQ(dvd.TitleCount(), 2);
  EXPECT_TRUE(dvd.TitleAvailable(0));
  EXPECT_FALSE(dvd.TitleAvailable(2));
  EXPECT_NEAR(dvd.TitleLength(0), 3.0, 0.2);
  EXPECT_NEAR(dvd.TitleLength(1), 4.0, 0.2);
  EXPECT_EQ(dvd.ChapterCount(0), 2);
  EXPECT_EQ(dvd.ChapterCount(1), 3);
  EXPECT_DOUBLE_EQ(dvd.ChapterBeginTime(1, 0), 0);
  EXPECT_NEAR(dvd.ChapterBeginTime(1, 1), 1.0, 0.5);   // cells start on whole GOPs
  EXPECT_NEAR(dvd.ChapterBeginTime(1, 2), 2.5, 0.5);
  double sum = 0;
  for (int c = 0; c < 3; ++c) sum += dvd.ChapterLength(1, c);
  EXPECT_NEAR(sum, dvd.TitleLength(1), 0.05);
  const TDvdTitle& t = dvd.Titles()[0];
  ASSERT_EQ(t.Audio.size(), 1u);
  EXPECT_EQ(t.Audio[0].ID, 0x80);
  EXPECT_EQ(t.Audio[0].Format, "AC-3");
  EXPECT_EQ(t.Audio[0].Language, "en");
  EXPECT_EQ(t.Audio[0].Channels, 2);
  EXPECT_EQ(t.Width, 720);
  EXPECT_EQ(t.Height, 576);
  EXPECT_FALSE(dvd.HaveCSSProtect());
  EXPECT_EQ(dvd.IfoCount(), 2);
  EXPECT_THROW(dvd.ChapterLength(0, 5), MediaError);
}

TEST_F(DvdTest, ListsTitlesChaptersAndTracksOfAFolder) {
  TDVDIFOInfo dvd(Folder());
  ExpectTwoTitles(dvd);
  const TMediaInfo info = dvd.GetFileInfo();
  ASSERT_EQ(info.Programs.size(), 2u);
  EXPECT_EQ(info.Programs[1].ID, 2);
  EXPECT_EQ(info.Programs[1].Audio[0].ID, 0x80);
  EXPECT_EQ(info.Programs[1].Video[0].Format.Width, 720);
}

TEST_F(DvdTest, ReadsTheSameFromAnIfoFileAndAnIsoImage) {
  ExpectTwoTitles(TDVDIFOInfo((fs::path(Folder()) / "VIDEO_TS.IFO").string()));
  TDVDIFOInfo iso(Iso());
  ExpectTwoTitles(iso);
  EXPECT_EQ(iso.VolumeName(), "MYDISC");
  EXPECT_TRUE(IsDvdPath(Iso()));
  EXPECT_TRUE(IsDvdPath(Folder()));
  EXPECT_FALSE(IsDvdPath((test::MediaDir() / "clip.mp4").string()));
}

TEST_F(DvdTest, ConvertsATitleAndAChapter) {
  TDVDIFOInfo dvd(Iso());
  struct Case {
    int title, first, last;
    double length;
  } cases[] = {{0, 0, -1, dvd.TitleLength(0)}, {1, 1, 1, dvd.ChapterLength(1, 1)}};
  for (const Case& c : cases) {
    const TInputOpener open = dvd.OpenTitle(c.title, c.first, c.last);
    TDecodeOptions options;
    options.AudioTrackID = dvd.Titles()[static_cast<size_t>(c.title)].Audio[0].ID;
    auto video = std::make_shared<TVideoDecoder>(open, Iso(), options);
    auto audio = std::make_shared<TAudioDecoder>(open, Iso(), options);
    EXPECT_EQ(video->VideoFormat().Width, 720);
    TConverter converter(video, audio);
    const std::string out = (test::MediaDir() / ("dvd_" + std::to_string(c.title) + ".flv")).string();
    converter.SetOutputFile(out);
    TEncodeParams p;
    p.ContainerFourCC = kFourCCFlv;
    p.Width = 352;
    p.Height = 288;
    converter.SetEncodeParams(p);
    converter.Start(0, 0, 0, nullptr);
    converter.Wait();
    ASSERT_EQ(converter.LastError(), "");
    const test::Probe probe = test::ProbeFile(out);
    ASSERT_NE(probe.Stream("video"), nullptr);
    ASSERT_NE(probe.Stream("audio"), nullptr);
    EXPECT_EQ(probe.Stream("video")->at("width"), "352");
    EXPECT_NEAR(probe.Duration(), c.length, 0.15) << out;
  }
}

TEST_F(DvdTest, NotADvdFailsClearly) {
  EXPECT_THROW(TDVDIFOInfo("/nonexistent/VIDEO_TS"), MediaError);
  const fs::path empty = test::MediaDir() / "empty_disc";
  fs::create_directories(empty / "VIDEO_TS");
  try {
    TDVDIFOInfo dvd(empty.string());
    FAIL() << "no error";
  } catch (const MediaError& e) {
    EXPECT_NE(std::string(e.what()).find("empty_disc"), std::string::npos) << e.what();
  }
}

// One 2048-byte pack holding one video PES packet, its scrambling bits set or clear.
std::vector<uint8_t> Pack(bool scrambled) {
  std::vector<uint8_t> b(2048, 0);
  const uint8_t header[] = {0x00, 0x00, 0x01, 0xBA, 0x44, 0, 0, 0, 0, 0, 0, 0, 0, 0xF8};
  std::copy(std::begin(header), std::end(header), b.begin());
  const size_t len = 2048 - 14 - 6;
  const uint8_t pes[] = {0x00, 0x00, 0x01, 0xE0, static_cast<uint8_t>(len >> 8), static_cast<uint8_t>(len & 0xFF),
                         static_cast<uint8_t>(scrambled ? 0x90 : 0x80)};
  std::copy(std::begin(pes), std::end(pes), b.begin() + 14);
  return b;
}

TEST(DvdBlocksTest, ScramblingBitsMarkAProtectedDisc) {
  EXPECT_FALSE(DvdBlocksScrambled(Pack(false)));
  EXPECT_TRUE(DvdBlocksScrambled(Pack(true)));
  std::vector<uint8_t> two = Pack(false);
  const std::vector<uint8_t> second = Pack(true);
  two.insert(two.end(), second.begin(), second.end());
  EXPECT_TRUE(DvdBlocksScrambled(two));
  // A partial block is not looked at; a PES length running past the block stops the scan.
  EXPECT_FALSE(DvdBlocksScrambled(std::span<const uint8_t>(Pack(true)).first(2047)));
  std::vector<uint8_t> runaway = Pack(false);
  runaway[18] = 0xFF;
  runaway[19] = 0xFF;
  EXPECT_FALSE(DvdBlocksScrambled(runaway));
  EXPECT_FALSE(DvdBlocksScrambled({}));
}

}  // namespace
}  // namespace fc
