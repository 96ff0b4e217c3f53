// The title animations, read back from the movie they build: what each frame shows (the
// display list after every ShowFrame), how long each title lasts, and the limits of long titles.
#include "flash/title_animations.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <map>
#include <set>

#include "../core/test_folder.h"
#include "core/text.h"
#include "flash/swf_creator.h"
#include "movie/flash_movie.h"
#include "movie/flash_shape.h"
#include "movie/flash_sprite.h"
#include "movie/flash_text.h"
#include "swf/streams.h"

namespace fc {
namespace {

// One object on the display list.
struct TShown {
  std::string Text;  // a text's content; empty for other characters
  int32_t X = 0, Y = 0;  // pixels
  int32_t AlphaAdd = 0;
  float Scale = 1;
  const TFlashPlaceObject* Place = nullptr;
};
using TFrame = std::map<int, TShown>;  // by depth

// The display list after each ShowFrame of the movie.
std::vector<TFrame> Frames(const TFlashMovie& movie) {
  std::vector<TFrame> frames;
  TFrame list;
  for (const auto& object : movie.Objects) {
    if (const auto* place = dynamic_cast<const TFlashPlaceObject*>(object.get())) {
      TShown shown;
      if (const auto* text = dynamic_cast<const TFlashText*>(place->Character)) shown.Text = Utf16ToUtf8(text->Text());
      const TSWFMatrix& m = place->Tag.Matrix();
      shown.X = m.TranslateX / 20;
      shown.Y = m.TranslateY / 20;
      if (m.HasScale) shown.Scale = m.GetScaleX();
      if (place->Tag.HasColorTransform) shown.AlphaAdd = place->Tag.ColorTransform().AddA();
      shown.Place = place;
      EXPECT_EQ(list.count(place->Tag.Depth), 0u) << "depth " << place->Tag.Depth << " is taken";
      list[place->Tag.Depth] = shown;
    } else if (const auto* remove = dynamic_cast<const TSWFRemoveObject2*>(object.get())) {
      EXPECT_EQ(list.erase(remove->Depth), 1u) << "nothing to remove at " << remove->Depth;
    } else if (dynamic_cast<const TSWFShowFrame*>(object.get())) {
      frames.push_back(list);
    }
  }
  return frames;
}

// The texts a frame shows (not the background).
std::vector<TShown> Texts(const TFrame& frame) {
  std::vector<TShown> texts;
  for (const auto& [depth, shown] : frame)
    if (depth > 0) texts.push_back(shown);
  return texts;
}

TDTextEffect Title(const std::string& anim, const std::string& content, int32_t time) {
  TDTextEffect t;
  t.Visible = true;
  t.NameID = anim;
  t.Content = content;
  t.Time = time;
  t.FontSize = 18;
  t.FontColor = 0xFFFFFF;
  return t;
}

std::unique_ptr<TFlashMovie> Movie(double fps, int32_t w = 320, int32_t h = 240) {
  auto movie = std::make_unique<TFlashMovie>(0, 0, w, h, static_cast<float>(fps), true);
  movie->SetVersion(8);
  return movie;
}

const std::string kEightLines = "One#13Two#13Three#13Four#13Five#13Six#13Seven#13Eight";

TEST(TitleAnimations, TheTableListsEighteenAnimationsInTheCustomizeOrder) {
  std::vector<std::string> ids;
  for (const TTextEffect& e : TextEffects()) {
    ids.emplace_back(e.ID);
    EXPECT_EQ(e.Name, e.ID);
    EXPECT_NE(e.Proc, nullptr);
  }
  EXPECT_EQ(ids, (std::vector<std::string>{"Fade", "TypeWriter", "MoveDown", "MoveUp", "MoveLeft", "MoveRight",
                                           "MoveLeftBottom", "ZoomIn", "ZoomOut", "Rotate", "Target",
                                           "RandomColor2", "RandomColor", "ScrollUp", "ScrollDown", "ScrollLeft",
                                           "EZoomOut", "ScrollRight"}));
  EXPECT_EQ(FindTextEffect("ScrollUp")->ID, "ScrollUp");
  EXPECT_EQ(FindTextEffect("fade"), nullptr);  // names are compared exactly
  EXPECT_EQ(TitleLines("A#13#13B"), (std::vector<std::string>{"A", "", "B"}));
  EXPECT_EQ(TitleLines(""), (std::vector<std::string>{""}));
  EXPECT_EQ(TitleLines("#13"), (std::vector<std::string>{"", ""}));
  EXPECT_EQ(TitleFrames(29.97, 7), 210);  // the rate is rounded first
  EXPECT_EQ(TitleFrames(12.5, 2), 26);    // halves away from zero
  EXPECT_EQ(TitleFrames(0.4, 10), 0);
  EXPECT_EQ(TitleFrames(15, 0), 0);
}

// Every animation lasts exactly round(rate) * Time frames, whatever the shares of its phases,
// and never places two objects at one depth or removes what is not there (checked by Frames).
TEST(TitleAnimations, EveryAnimationLastsExactlyItsFrames) {
  struct TCase {
    double Fps;
    int32_t Time;
    std::string Content;
  };
  const std::vector<TCase> cases = {
      {1, 1, kEightLines},      {12, 1, "A"},  {15, 2, "Hello#13#13world"}, {25, 3, "x"},
      {29.97, 7, "Two#13lines"}, {0.4, 3, "A"}, {15, 0, "A"},                {30, 60, kEightLines},
      {24, 1, ""},
  };
  for (const TTextEffect& e : TextEffects())
    for (const TCase& c : cases) {
      SCOPED_TRACE(Format("%s at %g fps for %d s", std::string(e.ID).c_str(), c.Fps, c.Time));
      auto movie = Movie(c.Fps);
      const int32_t frames = DrawTitle(Title(std::string(e.ID), c.Content, c.Time), *movie);
      EXPECT_EQ(frames, TitleFrames(c.Fps, c.Time));
      EXPECT_EQ(movie->FrameCount, frames);
      EXPECT_EQ(static_cast<int32_t>(Frames(*movie).size()), frames);
      EXPECT_LE(movie->NextID, kMaxCharacterID + 1);
    }
}

TEST(TitleAnimations, FadeGoesFromTransparentToOpaqueAndTheLastStepStays) {
  auto movie = Movie(15);
  ASSERT_EQ(DrawTitle(Title("Fade", "Hello#13world", 2), *movie), 30);
  const std::vector<TFrame> frames = Frames(*movie);
  ASSERT_EQ(frames.size(), 30u);
  ASSERT_EQ(Texts(frames.front()).size(), 2u);
  EXPECT_EQ(Texts(frames.front())[0].AlphaAdd, -246);  // -round(28 / 29 * 255)
  EXPECT_EQ(Texts(frames[14])[0].AlphaAdd, 0);         // opaque from the middle on
  EXPECT_EQ(Texts(frames.back())[0].AlphaAdd, 255);    // +264, as far as the format goes
  EXPECT_EQ(frames.back().count(1 * 1000 + 30), 1u);   // line 1 of step 30
  // The lines are defined once and placed again at every step.
  EXPECT_EQ(movie->Texts.size(), 2u);
  // The last step is still there for the frame that follows the title.
  movie->ShowFrame();
  EXPECT_EQ(Texts(Frames(*movie).back()).size(), 2u);
}

TEST(TitleAnimations, TypeWriterSharesTheFramesOutWithTheLastCharactersLonger) {
  auto movie = Movie(15);
  ASSERT_EQ(DrawTitle(Title("TypeWriter", "abc#13defg", 2), *movie), 30);  // 7 characters
  std::map<size_t, int> frames_showing;                                   // characters shown -> frames
  for (const TFrame& frame : Frames(*movie)) ++frames_showing[Texts(frame).size()];
  EXPECT_EQ(frames_showing, (std::map<size_t, int>{{1, 4}, {2, 4}, {3, 4}, {4, 4}, {5, 4}, {6, 5}, {7, 5}}));
  // A character is defined once however often it occurs.
  auto again = Movie(15);
  DrawTitle(Title("TypeWriter", "aaaa#13aaab", 2), *again);
  EXPECT_EQ(again->Texts.size(), 2u);
  // More characters than frames: every character still appears, in T frames.
  auto short_title = Movie(2);
  ASSERT_EQ(DrawTitle(Title("TypeWriter", "abcdefgh", 1), *short_title), 2);
  EXPECT_EQ(Texts(Frames(*short_title).back()).size(), 8u);
}

TEST(TitleAnimations, LinesAreAFontHeightApartAndCentred) {
  auto movie = Movie(15, 640, 480);
  TDTextEffect title = Title("Fade", "Big#13Text", 1);
  title.FontSize = 72;  // 96 pixels
  DrawTitle(title, *movie);
  const std::vector<TShown> texts = Texts(Frames(*movie).back());
  ASSERT_EQ(texts.size(), 2u);
  const int32_t pitch = texts[1].Y - texts[0].Y;
  EXPECT_GE(pitch, 96);
  EXPECT_NEAR(texts[0].Y, (480 - 2 * pitch) / 2, 1);
  EXPECT_GT(texts[0].X, 0);
  // Zoomed lines keep apart: the block is scaled, not each line on its own.
  auto zoomed = Movie(15, 640, 480);
  title.NameID = "ZoomOut";
  DrawTitle(title, *zoomed);
  const std::vector<TShown> doubled = Texts(Frames(*zoomed).front());
  ASSERT_EQ(doubled.size(), 2u);
  EXPECT_FLOAT_EQ(doubled[0].Scale, 2);
  EXPECT_EQ(doubled[1].Y - doubled[0].Y, 2 * pitch);
}

TEST(TitleAnimations, ThePictureLiesOverTheBackgroundColourWhenItsExtensionIsExact) {
  test::TempFolder dir;
  // A 2x2 24-bit BMP.
  std::string bmp = "BM";
  const auto u32 = [&](uint32_t v) { for (int i = 0; i < 4; ++i) bmp += static_cast<char>(v >> (8 * i)); };
  const auto u16 = [&](uint16_t v) { bmp += static_cast<char>(v); bmp += static_cast<char>(v >> 8); };
  u32(54 + 16); u32(0); u32(54); u32(40); u32(2); u32(2); u16(1); u16(24); u32(0); u32(16); u32(0); u32(0); u32(0); u32(0);
  for (int row = 0; row < 2; ++row) bmp += std::string("\x10\x20\x30\x40\x50\x60\0\0", 8);
  const std::string lower = dir.write("back.bmp", bmp), upper = dir.write("back.BMP", bmp);

  const auto background = [](const TFlashMovie& movie) {
    const TShown& shown = Frames(movie).front().at(0);
    const auto* sprite = dynamic_cast<const TFlashSprite*>(shown.Place->Character);
    std::vector<std::pair<int, bool>> layers;  // depth, filled with a picture
    for (const auto& tag : sprite->ControlTags)
      if (const auto* place = dynamic_cast<const TFlashPlaceObject*>(tag.get()))
        layers.emplace_back(place->Tag.Depth, !movie.Images.empty() && place->Tag.Depth == 2);
    return layers;
  };
  TDTextEffect title = Title("Fade", "A", 1);
  title.BGPictureName = lower;
  auto with_picture = Movie(15);
  DrawTitle(title, *with_picture);
  EXPECT_EQ(background(*with_picture), (std::vector<std::pair<int, bool>>{{1, false}, {2, true}}));
  title.BGPictureName = upper;  // the extension is compared as written
  auto without = Movie(15);
  DrawTitle(title, *without);
  EXPECT_EQ(background(*without), (std::vector<std::pair<int, bool>>{{1, false}}));
  EXPECT_TRUE(without->Images.empty());
}

TEST(TitleAnimations, ScrollsAcrossEnterAndLeaveBeyondTheEdges) {
  for (const char* anim : {"ScrollLeft", "ScrollRight"}) {
    SCOPED_TRACE(anim);
    auto movie = Movie(15);
    DrawTitle(Title(anim, "Centred", 4), *movie);
    const std::vector<TFrame> frames = Frames(*movie);
    const TFlashText* text = movie->Texts.front();
    const int32_t width = (text->TextRect().Right - text->TextRect().Left) / 20;
    const int32_t first = Texts(frames.front())[0].X, last = Texts(frames.back())[0].X;
    const bool left = std::string(anim) == "ScrollLeft";
    EXPECT_TRUE(left ? first >= 320 : first + width <= 0) << first;
    EXPECT_TRUE(left ? last + width <= 0 : last >= 320) << last;
    EXPECT_NEAR(Texts(frames[frames.size() / 2])[0].X, (320 - width) / 2, 1) << "the hold is centred";
  }
}

TEST(TitleAnimations, RandomColoursEndInTheFontColour) {
  for (const char* anim : {"RandomColor", "RandomColor2"}) {
    SCOPED_TRACE(anim);
    auto movie = Movie(15);
    TDTextEffect title = Title(anim, "Hi", 3);
    title.FontColor = 0x123456;  // 0x00BBGGRR
    ASSERT_EQ(DrawTitle(title, *movie), 45);
    for (const TShown& shown : Texts(Frames(*movie).back())) {
      const TSWFColorTransform& c = shown.Place->Tag.ColorTransform();
      EXPECT_EQ(c.MultR(), 0);
      EXPECT_EQ(c.AddR(), 0x56);
      EXPECT_EQ(c.AddG(), 0x34);
      EXPECT_EQ(c.AddB(), 0x12);
    }
  }
}

TEST(TitleAnimations, TitlesTooLongForTheFormatAreRefusedClearly) {
  std::string many_lines;
  for (int i = 0; i < 70; ++i) many_lines += (i ? "#13" : "") + std::to_string(i);
  auto movie = Movie(15);
  EXPECT_THROW(DrawTitle(Title("Fade", many_lines, 1), *movie), TitleTooLongError);
  // Steps at 120 frames a second for 300 seconds run line 40 past the last depth.
  std::string forty;
  for (int i = 0; i < 40; ++i) forty += (i ? "#13" : "") + std::string("x");
  auto deep = Movie(120);
  try {
    DrawTitle(Title("ZoomIn", forty, 300), *deep);
    ADD_FAILURE() << "no error";
  } catch (const TitleTooLongError& e) {
    EXPECT_NE(std::string(e.what()).find("depth"), std::string::npos) << e.what();
  }
  auto long_line = Movie(15);
  EXPECT_THROW(DrawTitle(Title("TypeWriter", std::string(1000, 'a'), 1), *long_line), TitleTooLongError);
  auto frames = Movie(250);
  EXPECT_THROW(DrawTitle(Title("Fade", "A", 300), *frames), TitleTooLongError);
}

TEST(TitleAnimations, TheCreatorCountsTheFramesItWrote) {
  test::TempFolder dir;
  TSWFMakeEx maker;
  TBaseInfo base;
  base.Width = 160;
  base.Height = 120;
  base.FPS = 12.5f;  // 13 frames a second
  TDTextEffect title = Title("MoveLeftBottom", "A#13B", 3);
  ASSERT_TRUE(maker.MakeTitleMovie(title, base, dir.file("t.swf")));
  title.NameID = "NoSuchAnimation";  // shows the background for its time
  ASSERT_TRUE(maker.MakeTitleMovie(title, base, dir.file("u.swf")));
  title.Visible = false;
  EXPECT_FALSE(maker.MakeTitleMovie(title, base, dir.file("v.swf")));
  EXPECT_EQ(maker.SegmentFrames, (std::vector<int32_t>{40, 40}));
  TSWFStreamReader reader(dir.file("t.swf"));
  ASSERT_TRUE(reader.IsValid);
  EXPECT_EQ(reader.FrameCount, 40);
}

}  // namespace
}  // namespace fc
