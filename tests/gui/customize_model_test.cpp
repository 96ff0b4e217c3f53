#include "gui/model/customize_model.h"

#include <gtest/gtest.h>

#include "tasks/media_task.h"

namespace fc::gui {
namespace {

TEST(CustomizeText, CaptionTargetsAndTitleLines) {
  EXPECT_EQ(CustomizeCaption("Customize", TCustomizePage::Generate), "Customize : Step 2 of 3");
  EXPECT_EQ(LinkTargetIndex("_top"), 3u);
  EXPECT_EQ(LinkTargetIndex("frame1"), 0u);  // unknown targets show "_blank"
  EXPECT_EQ(LinkTargetIndex(""), 0u);
  EXPECT_EQ(JoinTitleLines({"A", "", "B"}), "A#13 #13B");
  EXPECT_EQ(SplitTitleLines("A#13 #13B"), (std::vector<std::string>{"A", " ", "B"}));
  EXPECT_EQ(TransitionIndex("Fade"), 0u);
  EXPECT_EQ(TransitionIndex("ScrollRight"), 17u);
  EXPECT_EQ(TransitionIndex("NoSuchAnimation"), 0u);
}

TEST(CustomizeText, LinksAcceptOnlyWebAddresses) {
  for (const char* ok : {"", "   ", "http://", "HTTP://", "https://", "http://example.com/a?b=1",
                         "  HTTPS://example.com"})
    EXPECT_TRUE(LinkAcceptable(ok)) << ok;
  for (const char* bad : {"site/a", "javascript:alert(1)", "JavaScript:x", "file:///etc/passwd",
                          "data:text/html,x", "ftp://example.com", "http://exa mple.com", "http:///path"})
    EXPECT_FALSE(LinkAcceptable(bad)) << bad;
  EXPECT_EQ(StoredCreditUrl(" Http:// "), "");
  EXPECT_EQ(StoredCreditUrl("http://example.com"), "http://example.com");
}

TEST(CustomizeText, TypedValuesAreFilteredAndClamped) {
  // The URL variable goes into script and query: typed or pasted, only these characters stay.
  EXPECT_EQ(FilterUrlVar("my var-1_x\";alert(1)//"), "myvar1_xalert1");
  EXPECT_EQ(FilterUrlVar("ab\xc3\xa4"), "ab");
  EXPECT_EQ(FilterFrameRateText("45"), "30");
  EXPECT_EQ(FilterFrameRateText("29.97"), "29.97");
  EXPECT_EQ(FilterFrameRateText("2a5.0.1 fps"), "25.01");
  EXPECT_EQ(FilterFrameRateText("."), ".");
  EXPECT_EQ(FilterFrameRateText("30.5"), "30");
  EXPECT_EQ(ClampSpinText("", 1, 300), 1);
  EXPECT_EQ(ClampSpinText("abc", 1, 300), 1);
  EXPECT_EQ(ClampSpinText("0x10", 1, 300), 1);
  EXPECT_EQ(ClampSpinText("999999999999", 1, 300), 300);
  EXPECT_EQ(ClampSpinText(" 42 ", 1, 300), 42);
  EXPECT_EQ(ClampSpinText("0", 1, 300), 1);
}

TEST(CustomizeText, ProportionalSizesNeverDivideByZero) {
  TProportionalSize size;
  EXPECT_EQ(size.HeightFor(640, 77), 77);  // nothing remembered yet
  size.Remember(0, 480);
  EXPECT_EQ(size.HeightFor(640, 77), 77);
  EXPECT_EQ(size.WidthFor(240, 55), 55);
  size.Remember(640, 480);
  EXPECT_EQ(size.HeightFor(320, 0), 240);
  EXPECT_EQ(size.WidthFor(241, 0), 321);  // truncated
  EXPECT_EQ(size.HeightFor(1999, 0), 1499);
  size.Remember(100, 1000);
  EXPECT_EQ(size.HeightFor(1500, 0), kMaxFrameSize);
}

TSwfFeature Feature(bool flv, bool swf, uint8_t type, bool html = true) {
  TSwfFeature feature;
  feature.Generate.GenerateFlv = flv;
  feature.Generate.GenerateSwf = swf;
  feature.Generate.SwfType = type;
  feature.Generate.GenerateHtml = html;
  return feature;
}

TEST(GeneratePage, OneOutputAlwaysStaysAndEmbeddingNeedsNoFlv) {
  TGeneratePage page(Feature(true, true, kSwfTypeExternalFlv), false, false);
  page.ClickFlv(false);
  EXPECT_EQ(page.Choices().SwfType, kSwfTypeEmbedded);  // the video goes into the movie
  EXPECT_FALSE(page.Enables().External);
  EXPECT_FALSE(page.Enables().UrlType);
  page.ClickSwf(false);  // both cleared: the box just clicked comes back
  EXPECT_TRUE(page.Choices().Swf);
  page.ClickFlv(true);
  page.ClickSwf(false);  // only the FLV: no template page, no page
  EXPECT_FALSE(page.HasTemplatePage());
  EXPECT_FALSE(page.Choices().Html);
  EXPECT_FALSE(page.Enables().Html);
  EXPECT_FALSE(page.Enables().Embed);
  page.ClickFlv(false);
  EXPECT_TRUE(page.Choices().Flv);
  page.ClickSwf(true);  // the HTML choice comes back with the SWF
  EXPECT_TRUE(page.Choices().Html);
}

TEST(GeneratePage, UrlVariableTypeNeedsBothOutputsAndItsPage) {
  TGeneratePage page(Feature(true, true, kSwfTypeExternalFlv, false), false, false);
  EXPECT_FALSE(page.Choices().Html);
  page.ChooseSwfType(kSwfTypeUrlVariable);
  EXPECT_EQ(page.Choices().UrlVar, kDefaultUrlVar);
  EXPECT_TRUE(page.Choices().Html);
  EXPECT_FALSE(page.Enables().Html);  // cannot be cleared while this type holds
  page.ClickHtml(false);
  EXPECT_TRUE(page.Choices().Html);
  EXPECT_TRUE(page.Enables().UrlVar);
  page.SetUrlVar("a b-c");
  EXPECT_EQ(page.Choices().UrlVar, "abc");
  page.SetUrlVar("");
  page.ChooseSwfType(kSwfTypeExternalFlv);
  EXPECT_FALSE(page.Enables().UrlVar);
  EXPECT_TRUE(page.Enables().Html);
  page.ChooseSwfType(kSwfTypeUrlVariable);  // enabled again while empty: "abc" again
  EXPECT_EQ(page.Choices().UrlVar, "abc");

  TSwfFeature stored;
  page.StoreInto(stored);
  EXPECT_EQ(stored.EffectiveSwfType(), kSwfTypeUrlVariable);
  EXPECT_EQ(stored.EffectiveUrlVar(), "abc");
  EXPECT_TRUE(stored.EffectiveGenerateHtml());
}

TEST(GeneratePage, F4vAndSlideShowsKeepTheFlvAndNeverEmbed) {
  for (const bool slide : {false, true}) {
    TGeneratePage page(Feature(false, true, kSwfTypeEmbedded), !slide, slide);
    EXPECT_TRUE(page.Choices().Flv);
    EXPECT_EQ(page.Choices().SwfType, kSwfTypeExternalFlv);
    EXPECT_FALSE(page.Enables().Embed);
    page.ChooseSwfType(kSwfTypeEmbedded);
    EXPECT_EQ(page.Choices().SwfType, kSwfTypeExternalFlv);
    page.ClickFlv(false);
    EXPECT_TRUE(page.Choices().Flv);
    page.ClickThumbnail(false);
    EXPECT_EQ(page.Choices().Thumbnail, slide);  // a slide show keeps its thumbnail
  }
}

TEST(GeneratePage, TheTitleScreensOnlyWithTheVideoInTheMovie) {
  EXPECT_TRUE(TemplateTabsFor(kSwfTypeEmbedded).Head);
  EXPECT_FALSE(TemplateTabsFor(kSwfTypeEmbedded).Preloader);
  EXPECT_FALSE(TemplateTabsFor(kSwfTypeUrlVariable).Tail);
  EXPECT_TRUE(TemplateTabsFor(kSwfTypeExternalFlv).Preloader);
}

TProfilePageValues Values(int32_t width, int32_t height, const char* rate = "25") {
  TProfilePageValues values;
  values.FormatId = 7;
  values.Container = kFourCCFlv;
  values.Width = width;
  values.Height = height;
  values.FrameRateText = rate;
  return values;
}

TEST(CustomizeChecks, TheChainStopsAtTheFirstFailureAndNamesItsPlace) {
  TSwfFeature feature = Feature(true, true, kSwfTypeExternalFlv);
  feature.PlayerID = "Templates/Players/Default.png";
  TLinkFields links;
  EXPECT_TRUE(CheckCustomize(links, Values(320, 240), feature, 10).Ok);

  links.Clicking = true;
  links.ClickingUrl = "javascript:alert(1)";
  TCustomizeCheck check = CheckCustomize(links, Values(100, 240), feature, 10);
  ASSERT_FALSE(check.Ok);
  EXPECT_EQ(check.Messages, std::vector<std::string>{"INF_HyperlinkBeginError"});
  EXPECT_EQ(check.Page, TCustomizePage::Generate);
  EXPECT_EQ(check.Field, "Edit_GClick_Url");
  links.Clicking = false;  // an unused field is not checked
  links.Credit = true;
  links.CreditUrl = "site/a";
  EXPECT_EQ(CheckCustomize(links, Values(320, 240), feature, 10).Field, "edtURL");
  links.CreditUrl = "";

  check = CheckCustomize(links, Values(299, 240), feature, 10);
  EXPECT_EQ(check.Messages, std::vector<std::string>{"INF_PlayerMinWidthError"});
  EXPECT_EQ(check.Field, "seVideoWidth");
  feature.Skin.UseSkin = false;  // no skin: no player to fit
  EXPECT_TRUE(CheckCustomize(links, Values(100, 240), feature, 10).Ok);
  feature.Skin.UseSkin = true;
  feature.PlayerID = "None.png";
  EXPECT_TRUE(CheckCustomize(links, Values(100, 240), feature, 10).Ok);

  feature.Generate.SwfType = kSwfTypeUrlVariable;
  feature.Generate.UrlVar = "";
  check = CheckCustomize(links, Values(320, 240), feature, 10);
  EXPECT_EQ(check.Messages, std::vector<std::string>{"INF_URLExternalVariableError"});
  EXPECT_EQ(check.Page, TCustomizePage::Generate);
}

TEST(CustomizeChecks, ProfileValuesShowEveryMessageAndCopyIsNotChecked) {
  TCustomizeCheck check = CheckProfileValues(Values(79, 240, "10"));
  EXPECT_FALSE(check.Ok);
  EXPECT_EQ(check.Messages, (std::vector<std::string>{"INF_Reso_Error", "INF_Frame_Erro"}));
  EXPECT_EQ(check.Field, "seVideoWidth");
  check = CheckProfileValues(Values(320, 1281));
  EXPECT_EQ(check.Field, "seVideoHeight");
  TProfilePageValues keep = Values(320, 240, "0");
  EXPECT_FALSE(CheckProfileValues(keep).Ok);
  keep.KeepsFrameRate = true;
  EXPECT_TRUE(CheckProfileValues(keep).Ok);
  TProfilePageValues copy = Values(0, 0, "");
  copy.Container = kFourCCCopy;
  EXPECT_TRUE(CheckProfileValues(copy).Ok);
}

TEST(CustomizeChecks, F4vLimitsAndThePlayerVersionNotice) {
  TSwfFeature feature = Feature(true, true, kSwfTypeExternalFlv);
  feature.PlayerID = "None.png";
  TProfilePageValues values = Values(1281, 720);
  values.Container = MakeFourCC("F4V ");
  EXPECT_EQ(CheckCustomize({}, values, feature, 10).Messages,
            std::vector<std::string>{"INF_F4VMinWidthHeightError"});
  values.Width = 1280;
  EXPECT_TRUE(CheckCustomize({}, values, feature, 10).Ok);
  const TCustomizeCheck old_player = CheckCustomize({}, values, feature, 9);
  EXPECT_TRUE(old_player.Ok);
  EXPECT_EQ(old_player.Messages, std::vector<std::string>{"INF_F4VNeedPlayer10Error"});
  feature.Generate.SwfType = kSwfTypeEmbedded;
  const TCustomizeCheck embedded = CheckCustomize({}, values, feature, 10);
  EXPECT_EQ(embedded.Messages, std::vector<std::string>{"INF_F4VToExternalError"});
  EXPECT_EQ(embedded.Page, TCustomizePage::Generate);
}

TEST(CustomizeChecks, TheProfileValuesGoIntoTheCustomProfile) {
  TProfilePageValues values = Values(640, 360, "0");
  values.VideoKbps = 800;
  values.AudioKbps = 96;
  values.SampleRate = 44100;
  values.ChannelsText = "Stereo";
  values.KeepsFrameRate = true;
  TCustomProfileSettings settings;
  settings.VideoFrameRate = 12.5;
  StoreProfileValues(values, settings);
  EXPECT_EQ(settings.FormatId, 7);
  EXPECT_EQ(settings.VideoBitrate, 800000);
  EXPECT_EQ(settings.AudioBitrate, 96000);
  EXPECT_EQ(settings.VideoFrameRate, 0);  // the source's rate, not the one there was
  EXPECT_EQ(settings.Channels, 1);        // not a number
  values.KeepsFrameRate = false;
  values.FrameRateText = "29.97";
  values.ChannelsText = "2 (Stereo)";
  StoreProfileValues(values, settings);
  EXPECT_DOUBLE_EQ(settings.VideoFrameRate, 29.97);
  EXPECT_EQ(settings.Channels, 2);
}

TEST(CustomizeChoices, EntriesAreFoundByTheirLeadingNumber) {
  EXPECT_EQ(LeadingNumber("400 kbps"), 400);
  EXPECT_EQ(LeadingNumber(" 29.97"), 29.97);
  EXPECT_EQ(LeadingNumber("2 (Stereo)"), 2);
  EXPECT_EQ(LeadingNumber("Stereo"), 0);
  EXPECT_EQ(LeadingNumber("1.2.3"), 1.2);
  const std::vector<std::string> rates = {"100 kbps", "400 kbps", "1200 kbps"};
  EXPECT_EQ(FindChoice(rates, 400), 1);
  EXPECT_EQ(FindChoice(rates, 401), -1);
  EXPECT_EQ(FindChoice({"23.976", "29.97"}, 29.97), 1);
  EXPECT_EQ(FrameRateText(25), "25");
  EXPECT_EQ(FrameRateText(29.97), "29.97");
  EXPECT_EQ(FrameRateText(12.5), "12.5");
  EXPECT_EQ(FrameRateText(23.976), "23.98");
}

}  // namespace
}  // namespace fc::gui
