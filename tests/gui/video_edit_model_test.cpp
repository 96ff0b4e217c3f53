// The edit dialog's model: loading, the limits, what each change hands to the preview, and
// what OK stores (and Cancel does not).

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "edit_params_compare.h"
#include "gui/model/video_edit_model.h"
#include "media_fixture.h"
#include "task_fixture.h"
#include "tasks/task_source.h"
#include "gui/model/track_scale.h"

namespace fc::gui {
namespace {

// Records what reaches the preview, one line per call.
class TRecordingPreview final : public TEditPreview {
public:
  std::vector<std::string> Calls;
  int ChangedCount = 0;
  // The last watermark: opacity and rectangle, or "none".
  std::string LastWatermark;
  std::string LastSubtitle;

  void SetCrop(const TCropRect& r, int32_t mode) override {
    Calls.push_back(Text("crop %d %d %d %d %d", r.Left, r.Top, r.Right, r.Bottom, mode));
  }
  void SetBrightness(int32_t v) override { Calls.push_back(Text("brightness %d", v)); }
  void SetContrast(int32_t v) override { Calls.push_back(Text("contrast %d", v)); }
  void SetSaturation(int32_t v) override { Calls.push_back(Text("saturation %d", v)); }
  void SetEffects(int32_t v) override { Calls.push_back(Text("effects %d", v)); }
  void SetFlip(int32_t v) override { Calls.push_back(Text("flip %d", v)); }
  void SetDeinterlace(int32_t v) override { Calls.push_back(Text("deinterlace %d", v)); }
  void SetWatermark(const TDibImage* image, int32_t opacity, float l, float t, float r, float b) override {
    LastWatermark = image ? Text("%dx%d %d %.3f %.3f %.3f %.3f", image->Width(), image->Height(), opacity, l, t, r, b)
                          : Text("none %d", opacity);
    Calls.push_back("watermark " + LastWatermark);
  }
  void SetSubtitle(const TSubtitleSettings* s, int32_t opacity) override {
    LastSubtitle = s ? Text("%d %d %d %d %s %d", s->StreamID, s->OwnStyle ? 1 : 0, s->X, s->Y, s->FontName.c_str(),
                            opacity)
                     : Text("none %d", opacity);
    Calls.push_back("subtitle " + LastSubtitle);
  }
  void SetVolume(int32_t v) override { Calls.push_back(Text("volume %d", v)); }
  void Changed() override { ++ChangedCount; }

  bool Has(const std::string& prefix) const {
    for (const std::string& c : Calls)
      if (c.rfind(prefix, 0) == 0) return true;
    return false;
  }

private:
  template <typename... A>
  static std::string Text(const char* format, A... args) {
    char buf[256];
    std::snprintf(buf, sizeof buf, format, args...);
    return buf;
  }
};

// A base task over a made-up 640 x 480 source (output size the same) with its own edits.
class VideoEditModelTest : public ::testing::Test {
protected:
  TMediaTaskMgr mgr;
  TMediaBaseTask* task = nullptr;
  TRecordingPreview preview;

  void SetUp() override { task = MakeTask(640, 480); }

  TMediaBaseTask* MakeTask(int width, int height) {
    auto* t = static_cast<TMediaBaseTask*>(mgr.Tasks().Add(
        std::make_unique<TMediaBaseTask>(&mgr.Tasks(), std::make_unique<test::FakeSource>(10, width, height))));
    t->Record().ScaleMode = static_cast<int32_t>(TScaleMode::KeepOriginal);
    return t;
  }
  TMediaTaskEditParams& Edits() { return *task->EditParams(); }
  TMediaTaskEditParams Snapshot() {
    TMediaTaskEditParams copy(nullptr);
    copy.Assign(Edits());
    return copy;
  }
  // A picture file of the given size, made with the ffmpeg tool.
  static std::string Picture(int width, int height) {
    const std::string size = std::to_string(width) + "x" + std::to_string(height);
    return test::MakeMedia("mark_" + size + ".png", "color=c=red:size=" + size, "", "-frames:v 1");
  }
};

TEST_F(VideoEditModelTest, LimitsOfA640x480Source) {
  const TVideoEditModel m(*task);
  EXPECT_EQ(m.CropWidthRange(), (TEditRange{16, 640}));
  EXPECT_EQ(m.CropHeightRange(), (TEditRange{16, 480}));
  EXPECT_EQ(m.CropLeftRange(), (TEditRange{0, 624}));
  EXPECT_EQ(m.CropTopRange(), (TEditRange{0, 464}));
  EXPECT_EQ(m.SubtitleXRange(), (TEditRange{0, 560}));
  EXPECT_EQ(m.SubtitleYRange(), (TEditRange{0, 440}));
  EXPECT_EQ(m.MarkWidthRange(), (TEditRange{0, 640}));
  // An empty stored crop opens as the whole picture.
  EXPECT_EQ(m.CropSpins(), (TCropSpins{0, 0, 640, 480}));
}

TEST_F(VideoEditModelTest, LimitsNeverCrossOnPicturesSmallerThanTheControls) {
  for (const auto& [w, h] : {std::pair{8, 6}, std::pair{0, 0}, std::pair{16, 16}, std::pair{40, 20}}) {
    TMediaBaseTask* small = MakeTask(w, h);
    small->EditParams()->Watermark.Width = 500;  // larger than the output
    small->EditParams()->Watermark.Height = 500;
    TVideoEditModel m(*small);
    for (const TEditRange r : {m.CropWidthRange(), m.CropHeightRange(), m.CropLeftRange(), m.CropTopRange(),
                               m.SubtitleXRange(), m.SubtitleYRange(), m.MarkXRange(), m.MarkYRange(),
                               m.MarkWidthRange(), m.MarkHeightRange()})
      EXPECT_LE(r.Min, r.Max) << w << "x" << h;
    EXPECT_LE(m.Slot().Width, std::max(0, w));
    EXPECT_EQ(m.Slot().X, 0);
    const TCropRect crop = m.CropRect();
    EXPECT_LE(crop.Right, w);
    EXPECT_LE(crop.Bottom, h);
    EXPECT_GE(crop.Left, 0);
  }
}

TEST_F(VideoEditModelTest, CropSpinsAreClampedAndThinRectanglesNeverApplied) {
  TVideoEditModel m(*task);
  // Without a preview the spin edits keep their values but nothing is applied.
  EXPECT_FALSE(m.SetCropSpins({10, 20, 300, 200}));
  m.AttachPreview(&preview);
  preview.Calls.clear();
  EXPECT_TRUE(m.SetCropSpins({10, 20, 300, 200}));
  EXPECT_EQ(preview.Calls, std::vector<std::string>{"crop 10 20 310 220 1"});
  // Left past its maximum is clamped; the right edge stays within the picture.
  EXPECT_TRUE(m.SetCropSpins({700, 0, 640, 480}));
  EXPECT_EQ(m.CropRect(), (TCropRect{624, 0, 640, 480}));
  preview.Calls.clear();
  // A spin edit below its minimum is raised to it.
  m.SetCropSpins({0, 0, 1, 1});
  EXPECT_EQ(m.CropSpins().Width, 16);
  // The view: its rectangle goes to the preview and fills the spin edits.
  preview.Calls.clear();
  m.SetCropFromView({32, 24, 352, 264});
  EXPECT_EQ(preview.Calls, std::vector<std::string>{"crop 32 24 352 264 1"});
  EXPECT_EQ(m.CropSpins(), (TCropSpins{32, 24, 320, 240}));
  preview.Calls.clear();
  m.SetCropFromView({32, 24, 33, 264});  // one pixel wide
  EXPECT_TRUE(preview.Calls.empty());
}

TEST_F(VideoEditModelTest, ThinCropOnATinyPictureIsNotApplied) {
  TVideoEditModel m(*MakeTask(1, 1));
  m.AttachPreview(&preview);
  EXPECT_FALSE(preview.Has("crop"));
  EXPECT_FALSE(m.SetCropSpins({0, 0, 1, 1}));
}

TEST_F(VideoEditModelTest, ResetCropStoresTheWholePictureAndKeepOriginal) {
  Edits().Crop = {10, 10, 100, 100};
  task->Record().ScaleMode = static_cast<int32_t>(TScaleMode::FullScreen);
  TVideoEditModel m(*task);
  EXPECT_EQ(m.ScaleMode(), 0);
  m.ResetCrop();
  m.Store();
  EXPECT_EQ(Edits().Crop, (TCropRect{0, 0, 640, 480}));
  EXPECT_EQ(task->Record().ScaleMode, 1);
  EXPECT_EQ(Edits().UserScaleMode, 1);
}

TEST_F(VideoEditModelTest, ZoomIsWrittenOnlyWhenChanged) {
  {
    TVideoEditModel m(*task);
    m.Store();
    EXPECT_EQ(task->Record().ScaleMode, 1);
    EXPECT_EQ(Edits().UserScaleMode, 0);
  }
  TVideoEditModel m(*task);
  m.AttachPreview(&preview);
  preview.Calls.clear();
  m.SetScaleMode(static_cast<int32_t>(TScaleMode::FullScreen));
  EXPECT_EQ(preview.Calls, std::vector<std::string>{"crop 0 0 640 480 0"});
  m.Store();
  EXPECT_EQ(task->Record().ScaleMode, 0);
  EXPECT_EQ(Edits().UserScaleMode, 1);
}

TEST_F(VideoEditModelTest, ValuesOutsideTheListsOpenAsTheFirstEntry) {
  Edits().EffectFlags = 3;
  Edits().Deinterlace = 9;
  TVideoEditModel m(*task);
  EXPECT_EQ(ChoiceIndex(EffectChoices(), m.EffectFlags()), 0);
  EXPECT_EQ(m.EffectFlags(), 0);
  EXPECT_EQ(m.Deinterlace(), 0);
  m.Store();
  EXPECT_EQ(Edits().EffectFlags, 0);
  EXPECT_EQ(Edits().Deinterlace, 0);
  EXPECT_EQ(ChoiceIndex(ZoomChoices(), 5), 5);
  EXPECT_STREQ(ZoomChoices()[1].Caption, "Full screen");
}

TEST_F(VideoEditModelTest, AttachingHandsEveryEditInTheProcessorsOrder) {
  Edits().Brightness = 10;
  Edits().Contrast = -20;
  Edits().Saturation = 30;
  Edits().EffectFlags = kEffectEmboss;
  Edits().FlipVertical = true;
  Edits().Deinterlace = 3;
  Edits().Volume = 150;
  Edits().Mute = true;
  TVideoEditModel m(*task);
  m.AttachPreview(&preview);
  EXPECT_EQ(preview.Calls, (std::vector<std::string>{"crop 0 0 640 480 1", "brightness 10", "contrast -20",
                                                     "saturation 30", "effects 2", "flip 2", "deinterlace 3",
                                                     "watermark none 100", "subtitle none 0", "volume 0"}));
  EXPECT_GE(preview.ChangedCount, 1);
}

TEST_F(VideoEditModelTest, EffectsFlipsAndSoundGoToThePreview) {
  TVideoEditModel m(*task);
  m.AttachPreview(&preview);
  preview.Calls.clear();
  const int changed = preview.ChangedCount;
  m.SetBrightness(150);  // clamped
  m.SetContrast(-40);
  m.SetSaturation(20);
  m.SetEffectFlags(kEffectNegative);
  m.SetDeinterlace(2);
  m.ToggleFlipHorizontal();
  m.ToggleFlipVertical();
  m.SetVolume(120);
  m.ToggleMute();
  m.SetVolume(80);  // muted: the player stays silent
  m.ToggleMute();
  EXPECT_EQ(preview.Calls, (std::vector<std::string>{"brightness 100", "contrast -40", "saturation 20", "effects 4",
                                                     "deinterlace 2", "flip 1", "flip 3", "volume 120", "volume 0",
                                                     "volume 80"}));
  EXPECT_EQ(preview.ChangedCount, changed + 7);  // every picture edit shows at once
  m.ResetEffect();
  EXPECT_EQ(m.Brightness(), 0);
  EXPECT_EQ(m.EffectFlags(), 0);
  EXPECT_EQ(preview.Calls.back(), "deinterlace 0");
}

TEST_F(VideoEditModelTest, WatermarkRectangleIsHandedAsFractionsOfTheOutput) {
  FC_REQUIRE_FFMPEG();
  TMediaTaskWatermark& w = Edits().Watermark;
  w.Enabled = true;
  w.ImageFile = Picture(128, 96);
  w.X = 64;
  w.Y = 48;
  w.Width = 128;
  w.Height = 96;
  w.Transparency = 30;
  TVideoEditModel m(*task);
  m.AttachPreview(&preview);
  EXPECT_EQ(preview.LastWatermark, "128x96 70 0.100 0.100 0.300 0.300");
  EXPECT_EQ(m.WatermarkArea(), (TCropRect{64, 48, 192, 144}));
  EXPECT_EQ(m.MarkXRange(), (TEditRange{0, 512}));
  EXPECT_TRUE(m.MarkXEnabled());
  // As large as the output: back to the corner, the position controls disabled.
  m.SetMarkSize(640, 480);
  EXPECT_EQ(m.Slot().X, 0);
  EXPECT_EQ(m.Slot().Y, 0);
  EXPECT_FALSE(m.MarkXEnabled());
  EXPECT_FALSE(m.MarkYEnabled());
  EXPECT_EQ(m.MarkXRange(), (TEditRange{0, 1}));
  EXPECT_EQ(preview.LastWatermark, "128x96 70 0.000 0.000 1.000 1.000");
  // Larger than the output is cut to it.
  m.SetMarkSize(900, 100);
  EXPECT_EQ(m.Slot().Width, 640);
  // Dragged on the output view.
  m.SetWatermarkFromView({320, 240, 384, 288});
  EXPECT_EQ(m.Slot(), (TWatermarkSlot{320, 240, 64, 48, 30}));
}

TEST_F(VideoEditModelTest, AChosenPictureComesInItsOwnSizeAtTheCorner) {
  FC_REQUIRE_FFMPEG();
  Edits().Watermark.Enabled = true;
  Edits().Watermark.X = 10;
  Edits().Watermark.Y = 10;
  Edits().Watermark.Width = 50;
  Edits().Watermark.Height = 50;
  TVideoEditModel m(*task);
  m.AttachPreview(&preview);
  EXPECT_EQ(preview.LastWatermark, "none 100");  // no file yet
  m.ChooseMarkImage(Picture(128, 96));
  EXPECT_EQ(m.Slot(), (TWatermarkSlot{0, 0, 128, 96, 0}));
  // A missing file leaves the watermark without a picture.
  m.ChooseMarkImage("/nonexistent/mark.png");
  EXPECT_EQ(preview.LastWatermark, "none 100");
  EXPECT_FALSE(m.WatermarkArea());
}

TEST_F(VideoEditModelTest, TypedPathsAreReadWhenTypingEndsAndOnlyWhenSensible) {
  FC_REQUIRE_FFMPEG();
  Edits().Watermark.Enabled = true;
  TVideoEditModel m(*task);
  m.AttachPreview(&preview);
  preview.Calls.clear();
  const std::string good = Picture(64, 32);
  m.TypeMarkImage(good);
  EXPECT_TRUE(m.MarkImageTyped());
  EXPECT_FALSE(preview.Has("watermark"));  // nothing read while typing
  m.FinishTypedMarkImage();
  EXPECT_FALSE(m.MarkImageTyped());
  EXPECT_EQ(preview.LastWatermark, "64x32 100 0.000 0.000 0.100 0.067");

  // A folder, and a picture padded past the size limit, are never read.
  const std::filesystem::path dir = test::MediaDir() / "typed_folder.png";
  std::filesystem::create_directories(dir);
  m.TypeMarkImage(dir.string());
  m.FinishTypedMarkImage();
  EXPECT_EQ(preview.LastWatermark, "none 100");
  const std::filesystem::path huge = test::MediaDir() / "huge.png";
  std::filesystem::copy_file(good, huge, std::filesystem::copy_options::overwrite_existing);
  std::filesystem::resize_file(huge, kMaxWatermarkFileBytes + 1);
  EXPECT_FALSE(IsReadableWatermarkFile(huge.string()));
  m.TypeMarkImage(huge.string());
  m.FinishTypedMarkImage();
  EXPECT_EQ(preview.LastWatermark, "none 100");
  EXPECT_TRUE(m.MarkImage().empty());
  // The same picture within the limit is read.
  std::filesystem::resize_file(huge, kMaxWatermarkFileBytes);
  EXPECT_TRUE(IsReadableWatermarkFile(huge.string()));
  EXPECT_FALSE(IsReadableWatermarkFile("/dev/null"));
}

TEST_F(VideoEditModelTest, EachKindKeepsItsOwnSlot) {
  FC_REQUIRE_FFMPEG();
  TMediaTaskWatermark& w = Edits().Watermark;
  w.Enabled = true;
  w.ImageFile = Picture(128, 96);
  w.X = 5;
  w.Y = 6;
  w.Width = 128;
  w.Height = 96;
  w.Transparency = 40;
  TVideoEditModel m(*task);
  m.AttachPreview(&preview);
  m.SetWatermarkKind(kWatermarkText);
  EXPECT_EQ(m.Slot().Transparency, 0);  // the other kind starts at zero
  m.SetMarkTransparency(70);
  m.SetMarkPosition(1, 2);
  const TWatermarkSlot text_slot = m.Slot();
  m.SetWatermarkKind(kWatermarkPicture);
  EXPECT_EQ(m.Slot(), (TWatermarkSlot{5, 6, 128, 96, 40}));
  m.SetWatermarkKind(kWatermarkText);
  EXPECT_EQ(m.Slot(), text_slot);
}

TEST_F(VideoEditModelTest, TextIsCutTo1023Units) {
  TVideoEditModel m(*task);
  m.SetMarkText(std::string(1024, 'x'));
  EXPECT_EQ(m.MarkText().size(), 1023u);
  m.Store();
  EXPECT_EQ(Edits().Watermark.Text.size(), 1023u);
}

TEST_F(VideoEditModelTest, ResetWatermarkWithoutPictureShowsSizeZero) {
  Edits().Watermark.Enabled = true;
  Edits().Watermark.Width = 50;
  Edits().Watermark.Height = 40;
  Edits().Watermark.Transparency = 20;
  Edits().Watermark.Font.Size = 12;
  TVideoEditModel m(*task);
  m.ResetWatermark();
  EXPECT_EQ(m.Slot(), (TWatermarkSlot{}));
  EXPECT_EQ(m.MarkFont().Size, TMediaTaskFont{}.Size);
}

TEST_F(VideoEditModelTest, SubtitleResetAndLimits) {
  TVideoEditModel m(*task);
  m.ResetSubtitle();
  EXPECT_EQ(m.SubtitleX(), 187);
  EXPECT_EQ(m.SubtitleY(), 396);
  m.SetSubtitlePosition(9999, -5);
  EXPECT_EQ(m.SubtitleX(), 560);
  EXPECT_EQ(m.SubtitleY(), 0);
  // A source without subtitle streams cannot have one switched on.
  EXPECT_FALSE(m.SubtitleBoxEnabled());
  m.SetSubtitleEnabled(true);
  EXPECT_FALSE(m.SubtitleEnabled());
}

TEST_F(VideoEditModelTest, SubtitleChoiceAndStyleGoToThePreviewAndTheTask) {
  auto& source = *task->Source();
  source.HasSubtitles = true;
  source.Subtitles = {{"English", 3}, {"German", 4}};
  TVideoEditModel m(*task);
  EXPECT_TRUE(m.SubtitleBoxEnabled());
  EXPECT_EQ(m.SubtitleIndex(), 1);  // none selected: the last entry
  m.AttachPreview(&preview);
  m.SetSubtitleEnabled(true);
  EXPECT_EQ(preview.LastSubtitle, "4 0 0 0  100");
  m.SetSubtitleIndex(0);
  m.SetSubtitleOwnStyle(true);
  m.SetSubtitleTransparency(25);
  m.SetSubtitlePosition(100, 200);
  EXPECT_EQ(preview.LastSubtitle, "3 1 100 200 " + TMediaTaskFont{}.Name + " 75");
  EXPECT_TRUE(m.SubtitleStyleEnabled());
  m.Store();
  EXPECT_TRUE(Edits().Subtitle.Enabled);
  EXPECT_EQ(Edits().Subtitle.Kind, 1);
  EXPECT_EQ(Edits().Subtitle.Transparency, 25);
  EXPECT_EQ(source.VideoDecodeOptions.SubtitleID, 3);
  m.SetSubtitleEnabled(false);
  EXPECT_EQ(preview.LastSubtitle, "none 0");
}

TEST_F(VideoEditModelTest, ASubtitleChosenElsewhereIsKeptWhenTheDialogOffersNone) {
  // A disc title: its subtitle was chosen in the main window, the dialog lists none.
  task->Source()->SourceKind = TSourceKind::Dvd;
  task->Source()->HasSubtitles = true;
  task->Source()->Subtitles = {{"English", 0x20}};
  task->Source()->VideoDecodeOptions.SubtitleID = 0x20;
  TVideoEditModel m(*task);
  EXPECT_FALSE(m.SubtitleBoxEnabled());
  m.Store();
  EXPECT_EQ(task->Source()->VideoDecodeOptions.SubtitleID, 0x20);
}

TEST_F(VideoEditModelTest, OkStoresEveryEdit) {
  FC_REQUIRE_FFMPEG();
  TVideoEditModel m(*task);
  m.AttachPreview(&preview);
  m.SetCropSpins({8, 4, 320, 240});
  m.SetBrightness(25);
  m.SetEffectFlags(kEffectGray);
  m.ToggleFlipHorizontal();
  m.SetVolume(150);
  m.ToggleMute();
  m.SetWatermarkEnabled(true);
  m.ChooseMarkImage(Picture(128, 96));
  m.SetMarkTransparency(35);
  m.SetMarkPosition(100, 50);
  m.Store();
  const TMediaTaskEditParams& e = Edits();
  EXPECT_EQ(e.Crop, (TCropRect{8, 4, 328, 244}));
  EXPECT_EQ(e.Brightness, 25);
  EXPECT_EQ(e.EffectFlags, kEffectGray);
  EXPECT_TRUE(e.FlipHorizontal);
  EXPECT_FALSE(e.FlipVertical);
  EXPECT_EQ(e.Volume, 150);
  EXPECT_TRUE(e.Mute);
  EXPECT_TRUE(e.Watermark.Enabled);
  EXPECT_EQ(e.Watermark.Kind, kWatermarkPicture);
  EXPECT_EQ(e.Watermark.X, 100);
  EXPECT_EQ(e.Watermark.Y, 50);
  EXPECT_EQ(e.Watermark.Width, 128);
  EXPECT_EQ(e.Watermark.Transparency, 35);
  EXPECT_EQ(e.Watermark.Image.Width(), 128);  // the dialog's picture, copied
}

TEST_F(VideoEditModelTest, CancelWritesNothingNotEvenTheWatermarkSwitch) {
  Edits().Brightness = 7;
  Edits().Watermark.Text = "kept";
  const TMediaTaskEditParams before = Snapshot();
  const int32_t scale_mode = task->Record().ScaleMode;
  {
    TVideoEditModel m(*task);
    m.AttachPreview(&preview);
    m.SetWatermarkEnabled(true);
    m.SetWatermarkKind(kWatermarkText);
    m.SetMarkText("changed");
    m.SetBrightness(-50);
    m.SetScaleMode(0);
    m.ResetCrop();
    m.ResetSubtitle();
    m.ToggleMute();
  }  // the dialog is cancelled: the model goes without Store
  EXPECT_EQ(test::EditDifference(Edits(), before), "");
  EXPECT_EQ(task->Record().ScaleMode, scale_mode);
}

TEST(VideoEditPositionBar, NeverDividesByZero) {
  EXPECT_EQ(BarTime(50, 0, 0, 10), 0);
  EXPECT_EQ(BarTime(50, 0, 100, 0), 0);
  EXPECT_DOUBLE_EQ(BarTime(50, 0, 100, 10), 5);
  EXPECT_EQ(BarPosition(5, 0, 0, 100), 0);
  EXPECT_EQ(BarPosition(5, 10, 0, 0), 0);
  EXPECT_EQ(BarPosition(5, 10, 0, 100), 50);
  EXPECT_EQ(BarPosition(50, 10, 0, 100), 100);  // past the end stays at the end
}

}  // namespace
}  // namespace fc::gui
