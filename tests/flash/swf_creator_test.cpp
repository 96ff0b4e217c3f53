// The player movie, its page and the preview, built from ffmpeg-made FLVs with stand-in
// player templates (one-frame movies) in a program folder of the test's own.
#include "flash/swf_creator.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "../core/test_folder.h"
#include "core/text.h"
#include "movie/flash_movie.h"
#include "readers/flv_reader.h"
#include "swf/buttons_sprites.h"
#include "swf/sounds_video.h"
#include "swf/streams.h"

namespace fc {
namespace {

namespace fs = std::filesystem;

std::string ReadBytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

std::string ShellQuote(const std::string& s) {
  std::string q = "'";
  for (const char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return q + "'";
}

// A Push of the string in an action block: type 0, the bytes, a terminating 0.
bool HasPushString(const std::string& swf, const std::string& text) {
  return swf.find(std::string("\0", 1) + text + std::string("\0", 1)) != std::string::npos;
}

// The page as UTF-8 (it is written as UTF-16LE with a byte order mark).
std::string ReadPage(const std::string& path) {
  const std::string bytes = ReadBytes(path);
  EXPECT_GE(bytes.size(), 2u);
  EXPECT_EQ(bytes.substr(0, 2), "\xFF\xFE");
  std::u16string wide;
  for (size_t i = 2; i + 1 < bytes.size(); i += 2)
    wide += static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) | (static_cast<uint8_t>(bytes[i + 1]) << 8));
  return Utf16ToUtf8(wide);
}

struct TSwfSize {
  int Width, Height, Frames;
};
TSwfSize SwfSize(const std::string& path) {
  TSWFStreamReader reader(path);
  EXPECT_TRUE(reader.IsValid) << path;
  return {(reader.FrameRect.Right - reader.FrameRect.Left) / 20, (reader.FrameRect.Bottom - reader.FrameRect.Top) / 20,
          reader.FrameCount};
}

// The video frames and the MP3 samples the segment sprites of a movie carry.
struct TEmbedded {
  int VideoFrames = 0;
  int64_t Mp3Samples = 0;
};
TEmbedded EmbeddedMedia(const std::string& swf) {
  TSWFStreamReader reader(swf);
  reader.ParseTags(true, false);
  TEmbedded e;
  for (const auto& info : reader.TagList)
    if (auto* sprite = dynamic_cast<TSWFDefineSprite*>(info->Object))
      for (const auto& tag : sprite->Tags) {
        if (dynamic_cast<const TSWFVideoFrame*>(tag.get())) ++e.VideoFrames;
        if (const auto* block = dynamic_cast<const TSWFSoundStreamBlock*>(tag.get())) e.Mp3Samples += block->SampleCount;
      }
  return e;
}

// The number of audio frames ffprobe decodes from a file.
int64_t ProbeAudioFrames(const std::string& path) {
  const std::string text = path + ".probe";
  const std::string cmd = "ffprobe -v error -select_streams a -count_frames -show_entries stream=nb_read_frames -of csv=p=0 " +
                          ShellQuote(path) + " > " + ShellQuote(text);
  EXPECT_EQ(std::system(cmd.c_str()), 0) << cmd;
  const std::string result = ReadBytes(text);
  std::remove(text.c_str());
  return std::atoll(result.c_str());
}

void MakeFlv(const std::string& path, int frames, int fps, bool sound) {
  std::string cmd = Format("ffmpeg -nostdin -y -loglevel error -f lavfi -i testsrc=s=64x48:r=%d ", fps);
  if (sound) cmd += "-f lavfi -i sine=r=22050 -c:a libmp3lame -ar 22050 ";
  cmd += Format("-frames:v %d -t %g -c:v flv1 ", frames, frames / double(fps)) + ShellQuote(path);
  ASSERT_EQ(std::system(cmd.c_str()), 0) << cmd;
}

// A one-frame movie with a script: the stand-in for a template.
void MakeTemplate(const std::string& path, const std::string& script) {
  fs::create_directories(fs::path(path).parent_path());
  TFlashMovie movie(0, 0, 200, 100, 12);
  movie.SetVersion(8);
  ASSERT_TRUE(movie.FrameActions().Compile(script)) << movie.CompileMessages;
  movie.ShowFrame();
  movie.Save(path);
}

class SwfCreatorTest : public ::testing::Test {
protected:
  void SetUp() override {
    if (std::system("ffmpeg -version >/dev/null 2>&1") != 0) GTEST_SKIP() << "ffmpeg is not installed";
    MakeTemplate(program.file("Templates/Players/Player01.swf"), "trace(\"player01\");");
    MakeTemplate(program.file("Templates/Players/None.swf"), "trace(\"none\");");
    program.write("ruffle/ruffle.js", "// ruffle");
    feature.ProgramFolder = program.path();
    feature.Base.Width = 64;
    feature.Base.Height = 48;
    feature.Base.FPS = 15;
    feature.Skin.UseSkin = true;
    feature.PlayerID = "Player01";
    feature.Skin.AutoHideSkin = false;
    feature.Decorate.IsDecorate = false;
    feature.OutputPath = out.path();
    feature.OutputFile = "/somewhere/movie.swf";
  }
  std::string Flv(const std::string& name, int frames = 10, bool sound = false) {
    const std::string path = out.file(name);
    MakeFlv(path, frames, 15, sound);
    return path;
  }

  test::TempFolder program, out, tmp;
  test::ScopedEnv tmpdir{"TMPDIR", tmp.path()};
  TSwfFeature feature;
};

TEST(SwfCreatorText, ValuesAreEscapedForTheirContext) {
  EXPECT_EQ(EscapeAsString("a\"b'c\\d\ne\rf\tg\x01h"), "a\\\"b\\'c\\\\d\\ne\\rf\\tg\\x01h");
  EXPECT_EQ(EscapeAsString("caf\xC3\xA9"), "caf\xC3\xA9");  // UTF-8 stays as it is
  EXPECT_EQ(EscapeHtml("<a href=\"x\">&'"), "&lt;a href=&quot;x&quot;&gt;&amp;&#39;");
  EXPECT_EQ(PercentEncode("a.flv,a.jpg#b c&d"), "a.flv%2Ca.jpg%23b%20c%26d");
  EXPECT_TRUE(IsIdentifier("_flv1"));
  EXPECT_TRUE(IsIdentifier("V"));
  EXPECT_FALSE(IsIdentifier("1v"));
  EXPECT_FALSE(IsIdentifier("a-b"));
  EXPECT_FALSE(IsIdentifier(""));
  EXPECT_FALSE(IsIdentifier("a\"b"));
}

TEST(SwfCreatorText, UrlsKeepTheirSchemeAndSlashes) {
  EXPECT_EQ(ScriptUrl("site/a"), "http://site/a");
  EXPECT_EQ(ScriptUrl("http://site/a"), "http://site/a");
  EXPECT_EQ(ScriptUrl("https://site/a?b=1#c"), "https://site/a?b=1#c");
  EXPECT_EQ(ScriptUrl("HTTPS://Site/A"), "HTTPS://Site/A");
  EXPECT_EQ(ScriptUrl("mailto:me@example.com"), "mailto:me@example.com");
  EXPECT_EQ(ScriptUrl("site:8080/a"), "http://site:8080/a");
}

TEST_F(SwfCreatorTest, ExternalLayoutNamesEveryFlvAndPoster) {
  feature.Generate.SwfType = kSwfTypeExternalFlv;
  feature.Generate.GenerateThumbnail = true;
  feature.FlvFiles = {Flv("a.flv"), Flv("b.flv")};
  std::string error;
  ASSERT_TRUE(feature.GenerateOutputs(&error)) << error;
  const std::string swf = out.file("movie.swf");
  const std::string bytes = ReadBytes(swf);
  for (const char* name : {"a.flv", "a.jpg", "b.flv", "b.jpg", "g_ArrFlvPath", "g_ArrPhotoPath", "player_mc"})
    EXPECT_TRUE(HasPushString(bytes, name) || bytes.find(name) != std::string::npos) << name;
  EXPECT_TRUE(HasPushString(bytes, "a.jpg"));
  const TSwfSize size = SwfSize(swf);
  EXPECT_EQ(size.Frames, 2);
  // The control bar takes 41 pixels below the video, in the movie and the page.
  EXPECT_EQ(size.Width, 64);
  EXPECT_EQ(size.Height, 48 + 41);
  const std::string page = ReadPage(out.file("movie.HTML"));
  EXPECT_NE(page.find("Width=\"64\" Height=\"89\">\r\n"), std::string::npos);
  EXPECT_NE(page.find("<param name=\"movie\" value=\"movie.swf\">\r\n"), std::string::npos);
  EXPECT_NE(page.find("<script src=\"ruffle/ruffle.js\" charset=\"utf-8\"></script>"), std::string::npos);
  EXPECT_NE(page.find("location.protocol === \"file:\""), std::string::npos);
  EXPECT_TRUE(fs::is_regular_file(out.file("ruffle/ruffle.js")));
  EXPECT_EQ(feature.WrittenFiles,
            (std::vector<std::string>{swf, out.file("movie.HTML"), out.file("ruffle")}));
  // No temporary folder stays behind, neither in the output folder nor in the system's.
  EXPECT_FALSE(fs::exists(out.file("Temp")));
  EXPECT_TRUE(fs::is_empty(tmp.path()));
}

TEST_F(SwfCreatorTest, AutoHiddenBarAndNoPlayerLeaveTheFrameAlone) {
  feature.Skin.AutoHideSkin = true;
  feature.FlvFiles = {Flv("a.flv")};
  ASSERT_TRUE(feature.GenerateOutputs());
  EXPECT_EQ(SwfSize(out.file("movie.swf")).Height, 48);
  EXPECT_NE(ReadPage(out.file("movie.HTML")).find("Height=\"48\">"), std::string::npos);

  feature.Skin.AutoHideSkin = false;
  feature.PlayerID = "None";
  ASSERT_TRUE(feature.GenerateOutputs());
  EXPECT_EQ(SwfSize(out.file("movie.swf")).Height, 48);
  EXPECT_TRUE(HasPushString(ReadBytes(out.file("movie.swf")), "g_noPlayer"));
}

TEST_F(SwfCreatorTest, UrlVariableLayoutPutsTheEncodedListIntoBothElements) {
  feature.Generate.SwfType = kSwfTypeUrlVariable;
  feature.Generate.UrlVar = "V";
  feature.Generate.GenerateThumbnail = true;
  feature.FlvFiles = {Flv("a.flv"), Flv("b.flv")};
  std::string error;
  ASSERT_TRUE(feature.GenerateOutputs(&error)) << error;
  const std::string page = ReadPage(out.file("movie.HTML"));
  const std::string query = "movie.swf?V=a.flv%2Ca.jpg%23b.flv%2Cb.jpg";
  EXPECT_NE(page.find("<param name=\"movie\" value=\"" + query + "\">"), std::string::npos) << page;
  EXPECT_NE(page.find("<embed src=\"" + query + "\" "), std::string::npos) << page;
  const std::string bytes = ReadBytes(out.file("movie.swf"));
  EXPECT_TRUE(HasPushString(bytes, "V"));
  EXPECT_EQ(bytes.find("g_ArrFlvPath"), std::string::npos);
  // One page only.
  EXPECT_EQ(std::count(feature.WrittenFiles.begin(), feature.WrittenFiles.end(), out.file("movie.HTML")), 1);
}

TEST_F(SwfCreatorTest, UrlVariableMustBeAnIdentifier) {
  feature.Generate.SwfType = kSwfTypeUrlVariable;
  feature.FlvFiles = {Flv("a.flv")};
  for (const char* bad : {"", "1v", "v\";getURL(\"x", "a b"}) {
    feature.Generate.UrlVar = bad;
    std::string error;
    EXPECT_FALSE(feature.GenerateOutputs(&error)) << bad;
    EXPECT_NE(error.find("URL variable"), std::string::npos) << error;
  }
  EXPECT_FALSE(fs::exists(out.file("movie.swf")));
  EXPECT_TRUE(fs::exists(out.file("a.flv")));
}

TEST_F(SwfCreatorTest, HostileNamesAndUrlsComeOutIntact) {
  const std::string name = "it's \"q\" \\ #&<caf\xC3\xA9>.flv";
  feature.Generate.SwfType = kSwfTypeExternalFlv;
  feature.Playback.LaunchClicking = true;
  feature.Playback.ClickingUrl = "https://example.com/a?b=1&c=\"2\"#x";
  feature.Playback.ClickingTarget = "_bl'ank";
  feature.Playback.LaunchEnd = true;
  feature.Playback.EndUrl = "example.com/end\\path";
  feature.OutputFile = "m<o>v&ie's.swf";
  feature.FlvFiles = {Flv(name)};
  std::string error;
  ASSERT_TRUE(feature.GenerateOutputs(&error)) << error;
  const std::string bytes = ReadBytes(out.file("m<o>v&ie's.swf"));
  EXPECT_TRUE(HasPushString(bytes, name));
  EXPECT_TRUE(HasPushString(bytes, "https://example.com/a?b=1&c=\"2\"#x"));
  EXPECT_TRUE(HasPushString(bytes, "_bl'ank"));
  EXPECT_TRUE(HasPushString(bytes, "http://example.com/end\\path"));
  const std::string page = ReadPage(out.file("m<o>v&ie's.HTML"));
  EXPECT_NE(page.find("<title>m&lt;o&gt;v&amp;ie&#39;s</title>"), std::string::npos) << page;
  EXPECT_NE(page.find("value=\"m%3Co%3Ev%26ie&#39;s.swf\""), std::string::npos) << page;
  EXPECT_EQ(page.find("<o>"), std::string::npos);
}

TEST_F(SwfCreatorTest, EmbeddedLayoutCountsTitleAndVideoFrames) {
  if (std::system("ffprobe -version >/dev/null 2>&1") != 0) GTEST_SKIP() << "ffprobe is not installed";
  feature.Generate.SwfType = kSwfTypeEmbedded;
  feature.Generate.GenerateFlv = true;
  for (TDTextEffect* t : {&feature.Head, &feature.Tail}) {
    t->Visible = true;
    t->Time = 3;
    t->NameID = "Fade";
  }
  const std::string flv = Flv("clip.flv", 300, true);
  feature.FlvFiles = {flv};
  std::string error;
  ASSERT_TRUE(feature.GenerateOutputs(&error)) << error;
  EXPECT_EQ(feature.SegmentFrames, (std::vector<int32_t>{46, 300, 46}));
  const std::string swf = out.file("movie.swf");
  const TSwfSize size = SwfSize(swf);
  EXPECT_EQ(size.Frames, 4);  // the script, then one frame per segment
  const std::string bytes = ReadBytes(swf);
  for (const char* name : {"FramesArrays", "realTotalFrames", "swffps", "mc1", "mc2", "mc3"})
    EXPECT_TRUE(HasPushString(bytes, name)) << name;
  // The embedded video and MP3 frames are the FLV's (MPEG-2 layer III at 22050 Hz: 576
  // samples a frame).
  const TFLVData data(flv);
  const TEmbedded embedded = EmbeddedMedia(swf);
  EXPECT_EQ(embedded.VideoFrames, static_cast<int>(data.VideoFrameCount()));
  EXPECT_EQ(embedded.VideoFrames, 300);
  EXPECT_EQ(embedded.Mp3Samples, ProbeAudioFrames(flv) * 576);
  EXPECT_TRUE(fs::exists(flv));  // kept: GenerateFlv is set
  EXPECT_FALSE(fs::exists(out.file("Temp")));
}

TEST_F(SwfCreatorTest, EmbeddedLayoutDeletesTheFlvsOnlyWhenAskedAndBuilt) {
  feature.Generate.SwfType = kSwfTypeEmbedded;
  feature.Generate.GenerateFlv = false;
  const std::string flv = Flv("clip.flv", 5);
  feature.FlvFiles = {flv};
  feature.PlayerID = "Missing";  // the build fails: the FLV stays
  EXPECT_FALSE(feature.GenerateOutputs());
  EXPECT_TRUE(fs::exists(flv));
  feature.PlayerID = "Player01";
  ASSERT_TRUE(feature.GenerateOutputs());
  EXPECT_FALSE(fs::exists(flv));
}

TEST_F(SwfCreatorTest, SmallFrameAddsItsLines) {
  feature.Base.Width = 100;
  feature.Base.Height = 300;
  feature.FlvFiles = {Flv("a.flv")};
  ASSERT_TRUE(feature.GenerateOutputs());
  const std::string bytes = ReadBytes(out.file("movie.swf"));
  EXPECT_TRUE(HasPushString(bytes, "g_noRePlay"));
}

TEST_F(SwfCreatorTest, FailuresAreReportedAndKeepTheFlvs) {
  feature.FlvFiles = {Flv("a.flv")};
  std::string reported;
  bool finished_ok = true;
  feature.OnFinished = [&](bool ok, const std::string& text) {
    finished_ok = ok;
    reported = text;
  };
  // A player that was asked for and does not exist.
  feature.PlayerID = "Nope";
  std::string error;
  EXPECT_FALSE(feature.GenerateOutputs(&error));
  EXPECT_FALSE(finished_ok);
  EXPECT_EQ(reported, error);
  EXPECT_NE(error.find("Nope.swf"), std::string::npos) << error;
  // A folder that cannot be written.
  feature.PlayerID = "Player01";
  const std::string locked = out.file("locked");
  fs::create_directories(locked);
  ::chmod(locked.c_str(), 0555);
  if (::access(locked.c_str(), W_OK) != 0) {
    feature.OutputPath = locked;
    EXPECT_FALSE(feature.GenerateOutputs(&error));
    EXPECT_FALSE(error.empty());
  }
  ::chmod(locked.c_str(), 0755);
  EXPECT_TRUE(fs::exists(out.file("a.flv")));
  EXPECT_TRUE(fs::is_empty(tmp.path()));
  // Validation comes first, with the interface texts.
  feature.Base.Width = 0;
  EXPECT_FALSE(feature.GenerateOutputs(&error));
  feature.Base.Width = 64;
  feature.FlvFiles.clear();
  EXPECT_FALSE(feature.GenerateOutputs(&error));
}

TEST_F(SwfCreatorTest, MissingEffectOrPreloaderIsAWarning) {
  feature.EffectMask.EffectID = program.file("Templates/Effect/Gone.swf");
  feature.Preloader.PreloaderID = program.file("Templates/Preloader/Gone.swf");
  feature.FlvFiles = {Flv("a.flv")};
  std::string error;
  ASSERT_TRUE(feature.GenerateOutputs(&error)) << error;
  EXPECT_EQ(feature.Warnings.size(), 2u);
}

TEST_F(SwfCreatorTest, RufflePageSources) {
  feature.FlvFiles = {Flv("a.flv")};
  feature.RuffleSource = "none";
  ASSERT_TRUE(feature.GenerateOutputs());
  EXPECT_FALSE(fs::exists(out.file("ruffle")));
  EXPECT_NE(ReadPage(out.file("movie.HTML")).find("<script src=\"ruffle/ruffle.js\" charset=\"utf-8\">"), std::string::npos);
  feature.RuffleSource = "https://cdn.example/ruffle.js?a=1&b=2";
  ASSERT_TRUE(feature.GenerateOutputs());
  EXPECT_NE(ReadPage(out.file("movie.HTML")).find("<script src=\"https://cdn.example/ruffle.js?a=1&amp;b=2\" charset=\"utf-8\">"),
            std::string::npos);
}

TEST_F(SwfCreatorTest, FrameRateZeroTakesTheFlvs) {
  feature.Base.FPS = 0;
  feature.Generate.SwfType = kSwfTypeEmbedded;
  feature.Generate.GenerateFlv = true;
  feature.Head.Visible = true;
  feature.Head.Time = 1;
  feature.FlvFiles = {Flv("a.flv")};
  std::string error;
  ASSERT_TRUE(feature.GenerateOutputs(&error)) << error;
  EXPECT_EQ(feature.SegmentFrames.front(), 16);  // 15 fps from the FLV, one second, plus one
  EXPECT_FLOAT_EQ(feature.Base.FPS, 0);          // the settings are given back as they were
}

TEST_F(SwfCreatorTest, PreviewUsesTheSampleInTheUserCache) {
  MakeFlv(program.file("Templates/Fcst.flv"), 10, 15, false);
  test::ScopedEnv cache("XDG_CACHE_HOME", out.file("cache"));
  const std::string path = feature.BuildPreview(nullptr);
  EXPECT_EQ(path, out.file("cache/flarecast/preview/Preview.Swf"));
  EXPECT_TRUE(fs::is_regular_file(out.file("cache/flarecast/preview/Fcst.flv")));
  EXPECT_EQ(SwfSize(path).Width, 320);
  EXPECT_EQ(SwfSize(path).Height, 281);
  EXPECT_EQ(feature.Base.Width, 64);  // given back after the build
  EXPECT_TRUE(HasPushString(ReadBytes(path), "Fcst.flv"));
}

}  // namespace
}  // namespace fc
