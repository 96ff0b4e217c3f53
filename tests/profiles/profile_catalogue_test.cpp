#include "profiles/profile_catalogue.h"

#include <gtest/gtest.h>

#include "../core/test_folder.h"
#include "core/file_io.h"
#include "core/language.h"
#include "engine/formats.h"
#include "profiles/profile_choices.h"

namespace fc {
namespace {

const char* kCategories = R"(<Profiles>
  <category id="1" title="All" type="ALL"/>
  <Category id="2" title="Recent" type="recent"/>
  <category id="3" title="Flash"/>
  <category id="4" title="Hidden" skip="true"/>
  <category id="9" title="Mine" type="custom"/>
</Profiles>)";

const char* kFormats = R"(<Formats>
  <FormatInfo id="101" categoryid="3" FourCC="flv" icon="flv" Format="FLV">
    <name>FLV small</name><description>desc</description>
    <EncParam><Width>320</Width><Height>240</Height><FrameRate>29970</FrameRate><VideoBitrate>400000</VideoBitrate>
      <AudioBitrate>64000</AudioBitrate><SampleRate>22050</SampleRate><Channels>2</Channels>
      <VideoEncoder>FLV1</VideoEncoder><AudioEncoder>MP3</AudioEncoder><ResizeStyle>4</ResizeStyle><Interpolation>2</Interpolation></EncParam>
    <Resolution>176x144, 320x240</Resolution><FrameRate>15,25,29.97</FrameRate><VideoBitrate>200 kbps,400 kbps</VideoBitrate>
    <AudioBitrate>32 kbps,64 kbps</AudioBitrate><SampleRate>11025,22050</SampleRate><Channel>1 (Mono),2 (Stereo)</Channel>
    <VideoEnclist>FLV1,H264</VideoEnclist><AudioEnclist>AAC,MP3</AudioEnclist>
  </FormatInfo>
  <FORMATINFO id="250" categoryid="77" FourCC="mp3"><description>Only a description</description></FORMATINFO>
  <FormatInfo id="300" skip="1"><name>skipped</name></FormatInfo>
</Formats>)";

class ProfileCatalogueTest : public ::testing::Test {
protected:
  test::TempFolder dir;
  TProfileCatalogue catalogue;
  void SetUp() override {
    dir.write("profile.dat", kCategories);
    dir.write("format.dat", kFormats);
    catalogue.LoadCatalogue(dir.path());
  }
};

TEST_F(ProfileCatalogueTest, ReadsCategoriesAndProfiles) {
  ASSERT_EQ(catalogue.CategoryCount(), 4u);
  EXPECT_EQ(catalogue.Category(0).Type, TProfileCategoryType::All);
  EXPECT_EQ(catalogue.Category(1).Type, TProfileCategoryType::Recent);
  EXPECT_EQ(catalogue.Category(3).Type, TProfileCategoryType::Custom);
  ASSERT_EQ(catalogue.BuiltIn().Count(), 2u);
  EXPECT_EQ(catalogue.BuiltIn().MaxId(), 250);

  const TProfileItem& flv = *catalogue.BuiltIn().Item(0);
  EXPECT_EQ(flv.FourCC, MakeFourCC("flv "));
  EXPECT_DOUBLE_EQ(flv.FrameRate, 29.97);
  EXPECT_EQ(FrameRateCaption(flv.FrameRate), "29.97 fps");
  EXPECT_EQ(FrameRateCaption(25), "25 fps");
  EXPECT_EQ(flv.Resolutions, (std::vector<std::string>{"176x144", "320x240"}));
  EXPECT_EQ(flv.AudioEncoders.at(1).Code, MakeFourCC("MP3 "));
  EXPECT_FALSE(flv.NoVideo());

  const TProfileItem& audio = *catalogue.BuiltIn().Item(1);
  EXPECT_EQ(audio.Name, "Only a description");  // the description stands in for a missing name
  EXPECT_EQ(audio.Description, "");
  EXPECT_TRUE(audio.NoVideo());  // no EncParam: every value 0
}

TEST_F(ProfileCatalogueTest, CategoriesFillOnFirstUse) {
  EXPECT_EQ(catalogue.CategoryItems(catalogue.Category(2)).Count(), 1u);  // Flash
  // "All" lists profiles of ordinary categories and of none; 250 names a missing category.
  EXPECT_EQ(catalogue.CategoryItems(catalogue.Category(0)).Count(), 1u);
  catalogue.SetRecentList(" 250 ; 101,x, 999 ,101");
  const TProfileItemList& recent = catalogue.CategoryItems(catalogue.Category(1));
  ASSERT_EQ(recent.Count(), 3u);
  EXPECT_EQ(recent.Item(0)->Id, 250);
  EXPECT_EQ(recent.Item(1)->Id, 101);
}

TEST_F(ProfileCatalogueTest, UserProfilesGetFreshIdsAndSurviveSaving) {
  TProfileItem* first = catalogue.AddUserProfile(*catalogue.BuiltIn().Item(0), "My FLV");
  TProfileItem* second = catalogue.AddUserProfile(*catalogue.BuiltIn().Item(0), "My FLV 2");
  EXPECT_EQ(first->EffectiveId(), 1250);
  EXPECT_EQ(second->EffectiveId(), 1251);
  EXPECT_EQ(first->CategoryId, 9);
  first->Width = 400;
  first->FrameRate = 23.976;
  first->Formate = 3;
  first->Norm = 1;
  catalogue.SaveUserProfiles();

  TProfileCatalogue again;
  again.LoadCatalogue(dir.path());
  ASSERT_EQ(again.User().Count(), 2u);
  const TProfileItem* mine = again.FindProfile(1250);
  ASSERT_NE(mine, nullptr);
  EXPECT_TRUE(mine->IsUser);
  EXPECT_EQ(mine->Name, "My FLV");
  EXPECT_EQ(mine->Width, 400);
  EXPECT_DOUBLE_EQ(mine->FrameRate, 23.976);
  EXPECT_EQ(mine->VideoEncoder, MakeFourCC("FLV1"));
  EXPECT_EQ(mine->AudioEncoder, MakeFourCC("MP3"));
  EXPECT_EQ(mine->Interpolation, 2);
  EXPECT_EQ(mine->Formate, 3);
  EXPECT_EQ(mine->Norm, 1);
  ASSERT_EQ(mine->AudioEncoders.size(), 2u);
  EXPECT_EQ(mine->AudioEncoders[1].Code, MakeFourCC("MP3"));
  EXPECT_EQ(mine->Resolutions, (std::vector<std::string>{"176x144", "320x240"}));
  EXPECT_EQ(again.CategoryItems(again.Category(3)).Count(), 2u);
}

TEST_F(ProfileCatalogueTest, UserProfileWhoseBaseIsGoneIsStillSaved) {
  TProfileItem orphan;
  orphan.Id = 555;  // not in format.dat
  orphan.Width = 10;
  catalogue.AddUserProfile(orphan, "Orphan");
  catalogue.SaveUserProfiles();
  TProfileCatalogue again;
  again.LoadCatalogue(dir.path());
  ASSERT_EQ(again.User().Count(), 1u);
  EXPECT_EQ(again.User().Item(0)->Name, "Orphan");
}

TEST_F(ProfileCatalogueTest, SelectingFindsTheProfilesCategory) {
  catalogue.SelectProfile(101);
  EXPECT_EQ(catalogue.SelectedId(), 101);
  EXPECT_EQ(catalogue.CurrentCategory()->Title, "Flash");
  catalogue.SelectProfile(250);  // its category is missing: the "all" category
  EXPECT_EQ(catalogue.CurrentCategory()->Type, TProfileCategoryType::All);
  catalogue.SelectProfile(4242);
  EXPECT_EQ(catalogue.SelectedProfile(), nullptr);
  EXPECT_EQ(catalogue.SelectedId(), 0);
}

TEST_F(ProfileCatalogueTest, LocalisedTextsReplaceBuiltInOnes) {
  dir.write("Languages/x.dat", R"(<LanguageResource Id="DEU" name="Deutsch"><Strings/>
    <Formats><FormatInfo ID="101"><name>FLV klein</name><description>Beschreibung</description></FormatInfo></Formats>
    <Profiles><category ID="3" title="Flash-Video"/></Profiles></LanguageResource>)");
  TLanguageMgr languages;
  languages.LoadLanguages(dir.file("Languages/*.dat"));
  ASSERT_TRUE(languages.SelectLanguage("DEU"));
  catalogue.AddUserProfile(*catalogue.BuiltIn().Item(0), "Mine");
  catalogue.ApplyLanguage(languages.Current());
  EXPECT_EQ(catalogue.FindProfile(101)->Name, "FLV klein");
  EXPECT_EQ(catalogue.FindProfile(101)->Description, "Beschreibung");
  EXPECT_EQ(catalogue.FindProfile(1250)->Name, "Mine");
  EXPECT_EQ(catalogue.Category(2).Title, "Flash-Video");
}

TEST(ProfileChoices, ProfileFillsTheEncodeRecord) {
  TProfileItem p;
  p.FourCC = MakeFourCC("flv");
  p.VideoEncoder = MakeFourCC("FLV1");
  p.Width = 320;
  p.Height = 240;
  p.FrameRate = 25;
  p.VideoBitrate = 400000;
  p.AudioEncoder = MakeFourCC("MP3");
  p.SampleRate = 22050;
  p.Channels = 1;
  p.AudioBitrate = 32000;
  p.VideoBitrates = {"200 kbps", "400 kbps"};
  p.ChannelChoices = {"1 (Mono)", "2 (Stereo)"};
  p.VideoEncoders = {{"H264", MakeFourCC("H264")}, {"FLV1", MakeFourCC("FLV1")}};
  p.AudioEncoders = {{"MP3", MakeFourCC("MP3")}};
  TEncodeParams e;
  e.Reserved28 = 7;
  ASSERT_TRUE(ApplyProfile(&p, &e));
  EXPECT_EQ(e.ContainerFourCC, MakeFourCC("flv "));
  EXPECT_EQ(e.Width, 320);
  EXPECT_EQ(e.Reserved28, 0);
  EXPECT_EQ(e.SlidePixelFormat, MakeFourCC("YV12"));
  EXPECT_EQ(e.SlideBits, 12);
  EXPECT_EQ(e.SampleBits, 16);
  EXPECT_FALSE(ApplyProfile(nullptr, &e));
  EXPECT_EQ(VideoBitrateIndex(p), 1);
  EXPECT_EQ(ChannelsIndex(p), 0);
  EXPECT_EQ(VideoEncoderIndex(p), 1);
  EXPECT_EQ(AudioEncoderIndex(p), 0);  // "MP3 " found through its trimmed text
  EXPECT_EQ(SampleRateIndex(p), -1);
}

// Every shipped profile names a container and codecs the engine really writes.
TEST(ShippedProfiles, EveryProfileEncodesThroughTheEngine) {
  TProfileCatalogue catalogue;
  catalogue.LoadCatalogue(FLARECAST_PROGRAM_DIR);
  ASSERT_GT(catalogue.BuiltIn().Count(), 10u);
  ASSERT_GT(catalogue.CategoryCount(), 3u);
  for (const TProfileItem* p : catalogue.BuiltIn().Items()) {
    SCOPED_TRACE(p->Name);
    const TContainerFormat* container = FindContainer(p->FourCC);
    ASSERT_NE(container, nullptr);
    EXPECT_NE(FindAudioCodec(*container, p->AudioEncoder), nullptr);
    if (!p->NoVideo()) {
      EXPECT_NE(FindVideoCodec(*container, p->VideoEncoder), nullptr);
      EXPECT_GE(VideoBitrateIndex(*p), 0);
      EXPECT_GE(FrameRateIndex(*p), 0);
    }
    for (const TCodecChoice& c : p->VideoEncoders) EXPECT_NE(FindVideoCodec(*container, c.Code), nullptr) << c.Text;
    for (const TCodecChoice& c : p->AudioEncoders) EXPECT_NE(FindAudioCodec(*container, c.Code), nullptr) << c.Text;
    EXPECT_GE(AudioBitrateIndex(*p), 0);
    EXPECT_GE(SampleRateIndex(*p), 0);
    EXPECT_GE(ChannelsIndex(*p), 0);
  }
}

}  // namespace
}  // namespace fc
