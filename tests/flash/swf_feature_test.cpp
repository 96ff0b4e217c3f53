#include "flash/swf_feature.h"

#include <gtest/gtest.h>

#include "../core/test_folder.h"
#include "core/config.h"
#include "core/file_io.h"
#include "core/ini_file.h"

namespace fc {
namespace {

class SwfFeatureTest : public ::testing::Test {
protected:
  test::TempFolder dir;
  TConfig config{dir.file("flarecast.ini"), ""};
  std::string Stored(const char* key) { return TIniFile::Load(config.FileName).Get("SwfSet", key).value_or("<none>"); }
};

TEST_F(SwfFeatureTest, NewObjectAndEmptySectionHaveTheirOwnDefaults) {
  const TSwfFeature created;
  EXPECT_EQ(created.Generate.SwfType, 2);
  EXPECT_FALSE(created.AutoPlay);
  EXPECT_TRUE(created.Generate.GenerateFlv);
  EXPECT_EQ(created.Base.Width, 0);
  EXPECT_FLOAT_EQ(created.Base.FPS, 15);
  EXPECT_EQ(created.Text.URL, "http://");
  EXPECT_EQ(created.Image.URL, "http://");
  EXPECT_EQ(created.Playback.ClickingUrl, "http://");
  EXPECT_EQ(created.Head.Time, 0);

  TSwfFeature loaded;
  loaded.LoadFromConfig(config);  // no file at all
  EXPECT_EQ(loaded.Generate.SwfType, 1);
  EXPECT_TRUE(loaded.AutoPlay);
  EXPECT_FALSE(loaded.Generate.GenerateFlv);
  EXPECT_TRUE(loaded.Decorate.IsDecorate);
  EXPECT_FALSE(loaded.Skin.AutoHideSkin);
  EXPECT_EQ(loaded.Base.Width, 320);
  EXPECT_EQ(loaded.Base.Height, 281);
  EXPECT_EQ(loaded.Text.FontSize, 12);
  EXPECT_EQ(loaded.Text.URL, "");
  EXPECT_EQ(loaded.Head.Time, 1);
  EXPECT_EQ(loaded.Tail.FontSize, 12);
  EXPECT_EQ(loaded.Playback.ClickingUrl, "");
}

TEST_F(SwfFeatureTest, SavingStoresEffectiveValues) {
  TSwfFeature f;
  f.Playback.LaunchClicking = true;  // with the placeholder URL: no link
  f.Playback.LaunchEnd = false;      // a URL but the flag is clear: no link
  f.Playback.EndUrl = "http://example.com/end";
  f.Generate.GenerateSwf = false;
  f.Generate.SwfType = 3;
  f.Generate.UrlVar = "video";
  f.SaveToConfig(config);
  EXPECT_EQ(Stored("IsLaunchClicking"), "0");
  EXPECT_EQ(Stored("LaunchClickingUrl"), "");
  EXPECT_EQ(Stored("IsLaunchEnd"), "0");
  EXPECT_EQ(Stored("LaunchEndUrl"), "");
  EXPECT_EQ(Stored("GSwfType"), "0");
  EXPECT_EQ(Stored("IsGHtml"), "0");
  EXPECT_EQ(Stored("GSwfUrlVar"), "");
  EXPECT_EQ(Stored("TailBGColor"), "0");  // the last of the table's keys is written too
  EXPECT_EQ(Stored("RuffleSource"), "copy");  // and the page's Ruffle after them
  EXPECT_EQ(TIniFile::Load(config.FileName).Keys("SwfSet").size(), 81u);
}

TEST_F(SwfFeatureTest, RoundTripKeepsEverySetting) {
  TSwfFeature f;
  f.Playback.LaunchClicking = true;
  f.Playback.ClickingUrl = "https://example.com/?a=1&b=2";
  f.Playback.ClickingTarget = "_blank";
  f.Generate.SwfType = 3;
  f.Generate.UrlVar = "flv";
  f.Text.Content = "Gr\xC3\xBC\xC3\x9F" "e \xE2\x9C\x93";  // beyond any single code page
  f.Head.Content = "Line one#13Line two";
  f.Head.NameID = "Fade";
  f.Tail.BGColor = 0x00FF8000;
  f.Skin.SkinColor = 0x80000005;  // a system colour survives as the value it is
  f.ProfileAdd.ClipEndPos = 12.345;
  f.Base.FPS = 29.97f;
  f.RuffleSource = "https://example.com/ruffle/ruffle.js";
  f.SaveToConfig(config);

  TSwfFeature g;
  g.LoadFromConfig(config);
  EXPECT_EQ(g.Playback.ClickingUrl, f.Playback.ClickingUrl);
  EXPECT_TRUE(g.Playback.LaunchClicking);
  EXPECT_EQ(g.Playback.ClickingTarget, "_blank");
  EXPECT_EQ(g.Generate.SwfType, 3);
  EXPECT_EQ(g.EffectiveUrlVar(), "flv");
  EXPECT_EQ(g.Text.Content, f.Text.Content);
  EXPECT_EQ(g.Head.Content, "Line one#13Line two");
  EXPECT_EQ(g.Head.NameID, "Fade");
  EXPECT_EQ(g.Tail.BGColor, 0x00FF8000u);
  EXPECT_EQ(g.Skin.SkinColor, 0x80000005u);
  EXPECT_DOUBLE_EQ(g.ProfileAdd.ClipEndPos, 12.345);
  EXPECT_FLOAT_EQ(g.Base.FPS, 29.97f);
  EXPECT_EQ(g.RuffleSource, f.RuffleSource);
  TSwfFeature copy;
  copy.Assign(&g, false);
  EXPECT_EQ(copy.RuffleSource, f.RuffleSource);
}

TEST(SwfFeatureAssign, SlideShowNeverTakesEmbeddedVideo) {
  TSwfFeature source;
  source.Generate.SwfType = 1;
  source.AutoPlay = true;
  TSwfFeature slide;
  slide.ShowSlide = true;
  slide.Generate.SwfType = 2;
  slide.Assign(&source, false);
  EXPECT_EQ(slide.Generate.SwfType, 2);
  EXPECT_TRUE(slide.AutoPlay);
  EXPECT_TRUE(slide.ShowSlide);

  TSwfFeature plain;
  plain.Assign(&source, false);
  EXPECT_EQ(plain.Generate.SwfType, 1);
}

TEST(SwfFeatureAssign, CopiesEffectiveValuesButNotRunTimeFields) {
  TSwfFeature source;
  source.Playback.LaunchEnd = true;  // URL still "http://": copied as no link
  source.ProfileAdd.ReplaceAudio = "/music.mp3";
  source.ShowSlide = true;
  source.FlvFiles = {"a.flv"};
  source.OutputPath = "/out";
  source.Base.Left = 4;

  TSwfFeature target;
  target.Assign(&source, false);
  EXPECT_FALSE(target.Playback.LaunchEnd);
  EXPECT_EQ(target.Playback.EndUrl, "");
  EXPECT_EQ(target.ProfileAdd.ReplaceAudio, "");
  EXPECT_FALSE(target.ShowSlide);
  EXPECT_TRUE(target.FlvFiles.empty());
  EXPECT_EQ(target.OutputPath, "");
  EXPECT_EQ(target.Base.Left, 4);

  target.Assign(&source, true);
  EXPECT_EQ(target.ProfileAdd.ReplaceAudio, "/music.mp3");
  target.Assign(nullptr, true);  // nothing happens
  EXPECT_EQ(target.Base.Left, 4);
}

TEST(SwfFeatureDerived, GeneratedFilesFollowTheSwfSwitch) {
  TSwfFeature f;
  f.Generate.GenerateHtml = false;
  f.Generate.SwfType = 3;
  EXPECT_TRUE(f.EffectiveGenerateHtml());  // the URL variable lives in the page
  f.Generate.SwfType = 2;
  EXPECT_FALSE(f.EffectiveGenerateHtml());
  f.Generate.GenerateSwf = false;
  f.Generate.GenerateHtml = true;
  EXPECT_EQ(f.EffectiveSwfType(), 0);
  EXPECT_FALSE(f.EffectiveGenerateHtml());
}

TEST(SwfFeatureDerived, PlayerFileFallsBackToNone) {
  test::TempFolder program;
  TSwfFeature f;
  f.ProgramFolder = program.path();
  program.write("Templates/Players/Player01.swf", "FWS");
  program.write("Templates/Players/Sky.swf", "FWS");
  const std::string players = program.file("Templates/Players/");

  f.Base.Width = 299;
  EXPECT_EQ(f.PlayerFile(), players + "None.swf");
  EXPECT_TRUE(f.IsNoPlayer());
  f.Base.Width = 300;
  EXPECT_EQ(f.PlayerFile(), players + "Player01.swf");
  EXPECT_FALSE(f.IsNoPlayer());

  f.PlayerID = "C:\\Old\\Place\\Sky.fla";  // only the file-name part counts
  EXPECT_EQ(f.PlayerFile(), players + "Sky.swf");
  f.Skin.UseSkin = false;
  EXPECT_EQ(f.PlayerFile(), players + "None.swf");
  f.Skin.UseSkin = true;
  f.PlayerID = "Missing.swf";
  EXPECT_EQ(f.PlayerFile(), players + "None.swf");
}

TEST(SwfFeatureDerived, PreloaderOnlyWithExternalVideoAndAnExistingFile) {
  test::TempFolder program;
  TSwfFeature f;
  const std::string loader = program.write("Templates/Preloader/Bar.swf", "FWS");
  f.Preloader.PreloaderID = program.file("Templates/Preloader/Bar.fla");
  f.Generate.SwfType = 2;
  EXPECT_TRUE(f.UsePreloader());
  f.Generate.SwfType = 1;
  EXPECT_FALSE(f.UsePreloader());
  f.Generate.SwfType = 2;
  f.Preloader.PreloaderID = program.file("Templates/Preloader/None.swf");
  program.write("Templates/Preloader/None.swf", "FWS");
  EXPECT_FALSE(f.UsePreloader());
  EXPECT_EQ(f.EffectFile(), "");
}

TEST(SwfFeatureTemplates, ListsMatchingFilesRecursively) {
  test::TempFolder program;
  TSwfFeature f;
  f.ProgramFolder = program.path();
  program.write("Templates/Effect/a.swf", "");
  program.write("Templates/Effect/sub/b.swf", "");
  program.write("Templates/Effect/readme.txt", "");
  auto files = f.TemplateFiles("", "Templates/Effect", "*.swf");
  std::sort(files.begin(), files.end());
  EXPECT_EQ(files, (std::vector<std::string>{program.file("Templates/Effect/a.swf"),
                                             program.file("Templates/Effect/sub/b.swf")}));
  EXPECT_TRUE(f.TemplateFiles("", "Templates/Preloader", ".swf").empty());
  EXPECT_TRUE(std::filesystem::is_directory(program.file("Templates/Preloader")));
}

}  // namespace
}  // namespace fc
