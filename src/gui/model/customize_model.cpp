#include "gui/model/customize_model.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>

#include "core/text.h"
#include "flash/title_animations.h"
#include "tasks/media_task.h"

namespace fc::gui {

namespace {

constexpr std::string_view kLinkTargets[] = {"_blank", "_self", "_parent", "_top"};
constexpr std::string_view kTitleLineSeparator = "#13";

// A skin other than the "None" player is chosen in the list.
bool ChoosesPlayer(const TSwfFeature& feature) {
  return feature.Skin.UseSkin && !feature.PlayerID.empty() &&
         !IEquals(ChangeFileExt(ExtractFileName(feature.PlayerID), ""), "None");
}

bool IsUrlVarChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }

int32_t ClampFrameSize(int64_t value) { return static_cast<int32_t>(std::clamp<int64_t>(value, 0, kMaxFrameSize)); }

TCustomizeCheck Failure(std::string key, TCustomizePage page, std::string field) {
  TCustomizeCheck check;
  check.Ok = false;
  check.Messages.push_back(std::move(key));
  check.Page = page;
  check.Field = std::move(field);
  return check;
}

}  // namespace

std::string CustomizeCaption(std::string_view form_caption, TCustomizePage page) {
  return std::string(form_caption) + " : Step " + std::to_string(static_cast<int32_t>(page) + 1) + " of " +
         std::to_string(kCustomizePageCount);
}

std::span<const std::string_view> LinkTargets() { return kLinkTargets; }

size_t LinkTargetIndex(std::string_view stored) {
  const auto* found = std::find(std::begin(kLinkTargets), std::end(kLinkTargets), stored);
  return found == std::end(kLinkTargets) ? 0 : static_cast<size_t>(found - std::begin(kLinkTargets));
}

bool LinkAcceptable(std::string_view text) {
  const std::string_view link = Trim(text);
  if (link.empty() || IEquals(link, "http://") || IEquals(link, "https://")) return true;
  return IsWebAddress(link);
}

std::string StoredCreditUrl(std::string_view text) {
  const std::string_view link = Trim(text);
  return IEquals(link, "http://") ? std::string() : std::string(link);
}

std::string FilterUrlVar(std::string_view text) {
  std::string kept;
  std::copy_if(text.begin(), text.end(), std::back_inserter(kept), IsUrlVarChar);
  return kept;
}

std::string FilterFrameRateText(std::string_view text) {
  std::string kept;
  bool point = false;
  for (const char c : text) {
    if (std::isdigit(static_cast<unsigned char>(c))) {
      kept += c;
    } else if (c == '.' && !point) {
      point = true;
      kept += c;
    }
  }
  if (!kept.empty() && kept != "." && std::strtod(kept.c_str(), nullptr) > kMaxFrameRate) return "30";
  return kept;
}

double LeadingNumber(std::string_view text) {
  const std::string_view t = Trim(text);
  size_t end = 0;
  bool point = false;
  while (end < t.size() && (std::isdigit(static_cast<unsigned char>(t[end])) || (t[end] == '.' && !point))) {
    point = point || t[end] == '.';
    ++end;
  }
  return end == 0 ? 0 : std::strtod(std::string(t.substr(0, end)).c_str(), nullptr);
}

int FindChoice(const std::vector<std::string>& entries, double value) {
  for (size_t i = 0; i < entries.size(); ++i)
    if (std::fabs(LeadingNumber(entries[i]) - value) < 0.005) return static_cast<int>(i);
  return -1;
}

std::string FrameRateText(double fps) {
  std::string text = Format("%.2f", fps);
  while (text.back() == '0') text.pop_back();
  if (text.back() == '.') text.pop_back();
  return text;
}

int32_t ClampSpinText(std::string_view text, int32_t min, int32_t max) {
  const std::string_view digits = Trim(text);
  // Only plain decimal numbers count: a typed "0x10" is not a number to the user.
  if (digits.empty() ||
      !std::all_of(digits.begin(), digits.end(), [](char c) { return std::isdigit(static_cast<unsigned char>(c)); }))
    return min;
  if (digits.size() > 10) return max;
  const int64_t value = std::strtoll(std::string(digits).c_str(), nullptr, 10);
  return static_cast<int32_t>(std::clamp<int64_t>(value, min, max));
}

int32_t TProportionalSize::HeightFor(int32_t width, int32_t current) const {
  if (width_ <= 0 || height_ <= 0) return current;
  return ClampFrameSize(static_cast<int64_t>(width) * height_ / width_);
}

int32_t TProportionalSize::WidthFor(int32_t height, int32_t current) const {
  if (width_ <= 0 || height_ <= 0) return current;
  return ClampFrameSize(static_cast<int64_t>(height) * width_ / height_);
}

std::string JoinTitleLines(const std::vector<std::string>& lines) {
  std::string content;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (i > 0) content += kTitleLineSeparator;
    content += lines[i].empty() ? std::string(" ") : lines[i];
  }
  return content;
}

std::vector<std::string> SplitTitleLines(const std::string& content) { return TitleLines(content); }

size_t TransitionIndex(std::string_view name_id) {
  const std::span<const TTextEffect> effects = TextEffects();
  for (size_t i = 0; i < effects.size(); ++i)
    if (effects[i].ID == name_id) return i;
  return 0;
}

// --- The Generate page ----------------------------------------------------------------------

TGeneratePage::TGeneratePage(const TSwfFeature& feature, bool f4v_container, bool slide_show)
    : f4v_(f4v_container), slide_(slide_show) {
  const TSwfGenerate& g = feature.Generate;
  choices_.Flv = g.GenerateFlv;
  choices_.Swf = g.GenerateSwf;
  choices_.Thumbnail = g.GenerateThumbnail || slide_;
  choices_.SwfType = g.SwfType >= kSwfTypeEmbedded && g.SwfType <= kSwfTypeUrlVariable ? g.SwfType : kSwfTypeExternalFlv;
  choices_.UrlVar = FilterUrlVar(g.UrlVar);
  choices_.LaunchClicking = feature.Playback.LaunchClicking;
  choices_.LaunchEnd = feature.Playback.LaunchEnd;
  html_wanted_ = g.GenerateHtml;
  // Opening applies the rules as a click on "Generate SWF" would.
  Apply(false);
}

void TGeneratePage::ClickFlv(bool checked) {
  choices_.Flv = checked;
  Apply(true);
}

void TGeneratePage::ClickSwf(bool checked) {
  choices_.Swf = checked;
  Apply(false);
}

void TGeneratePage::ClickHtml(bool checked) {
  if (!Enables().Html) return;
  html_wanted_ = checked;
  Apply(false);
}

void TGeneratePage::ClickThumbnail(bool checked) { choices_.Thumbnail = checked || slide_; }

void TGeneratePage::ChooseSwfType(uint8_t type) {
  if (type < kSwfTypeEmbedded || type > kSwfTypeUrlVariable) return;
  const TGenerateEnables enables = Enables();
  const bool allowed = (type == kSwfTypeEmbedded && enables.Embed) ||
                       (type == kSwfTypeExternalFlv && enables.External) ||
                       (type == kSwfTypeUrlVariable && enables.UrlType);
  if (!allowed) return;
  choices_.SwfType = type;
  if (type == kSwfTypeUrlVariable) html_wanted_ = true;
  Apply(false);
}

void TGeneratePage::SetUrlVar(std::string_view text) { choices_.UrlVar = FilterUrlVar(text); }

void TGeneratePage::Apply(bool clicked_flv) {
  TGenerateChoices& c = choices_;
  // At least one output: the box just cleared is ticked again.
  if (!c.Flv && !c.Swf) (clicked_flv ? c.Flv : c.Swf) = true;
  if (f4v_ || slide_) {
    c.Flv = true;
    if (c.SwfType == kSwfTypeEmbedded) c.SwfType = kSwfTypeExternalFlv;
  } else if (!c.Flv) {
    c.SwfType = kSwfTypeEmbedded;  // without the FLV beside it, the video goes into the movie
  }
  if (c.SwfType == kSwfTypeUrlVariable && c.Flv && c.Swf && c.UrlVar.empty()) c.UrlVar = kDefaultUrlVar;
  c.Html = c.Swf && (html_wanted_ || (c.SwfType == kSwfTypeUrlVariable && c.Flv));
  if (slide_) c.Thumbnail = true;
}

TGenerateEnables TGeneratePage::Enables() const {
  const TGenerateChoices& c = choices_;
  TGenerateEnables e;
  const bool both = c.Flv && c.Swf;
  e.Embed = c.Swf && !f4v_ && !slide_;
  e.External = both;
  e.UrlType = both;
  e.UrlVar = both && c.SwfType == kSwfTypeUrlVariable;
  // The URL-variable movie needs its page: the box cannot be cleared while that type holds.
  e.Html = c.Swf && !e.UrlVar;
  e.Thumbnail = !slide_;
  e.ClickingFields = c.LaunchClicking;
  e.EndFields = c.LaunchEnd;
  return e;
}

void TGeneratePage::StoreInto(TSwfFeature& feature) const {
  TSwfGenerate& g = feature.Generate;
  g.GenerateFlv = choices_.Flv;
  g.GenerateSwf = choices_.Swf;
  g.GenerateHtml = choices_.Html;
  g.GenerateThumbnail = choices_.Thumbnail;
  g.SwfType = choices_.SwfType;
  g.UrlVar = choices_.UrlVar;
  feature.Playback.LaunchClicking = choices_.LaunchClicking;
  feature.Playback.LaunchEnd = choices_.LaunchEnd;
}

TTemplateTabs TemplateTabsFor(uint8_t swf_type) {
  const bool embedded = swf_type == kSwfTypeEmbedded;
  return {embedded, embedded, !embedded};
}

// --- The checks OK runs ---------------------------------------------------------------------

bool TProfilePageValues::VideoEditable() const { return Container != kFourCCCopy; }

bool TProfilePageValues::IsF4v() const { return Container == MakeFourCC("F4V "); }

TCustomizeCheck CheckLinks(const TLinkFields& links) {
  if (links.Clicking && !LinkAcceptable(links.ClickingUrl))
    return Failure("INF_HyperlinkBeginError", TCustomizePage::Generate, "Edit_GClick_Url");
  if (links.End && !LinkAcceptable(links.EndUrl))
    return Failure("INF_HyperlinkBeginError", TCustomizePage::Generate, "Edit_GEnd_Url");
  if (links.Credit && !LinkAcceptable(links.CreditUrl))
    return Failure("INF_HyperlinkBeginError", TCustomizePage::Template, "edtURL");
  return {};
}

TCustomizeCheck CheckProfileValues(const TProfilePageValues& values) {
  TCustomizeCheck check;
  if (!values.VideoEditable()) return check;
  check.Page = TCustomizePage::Profile;
  // Both messages are shown when both values are wrong.
  if (values.Width < 80 || values.Width > 1920 || values.Height < 80 || values.Height > 1280) {
    check.Ok = false;
    check.Messages.push_back("INF_Reso_Error");
    check.Field = values.Width < 80 || values.Width > 1920 ? "seVideoWidth" : "seVideoHeight";
  }
  const double rate = std::strtod(values.FrameRateText.c_str(), nullptr);
  if (!values.KeepsFrameRate && rate < 12) {
    if (check.Ok) check.Field = "cboVFRate";
    check.Ok = false;
    check.Messages.push_back("INF_Frame_Erro");
  }
  return check;
}

TCustomizeCheck CheckCustomize(const TLinkFields& links, const TProfilePageValues& values,
                               const TSwfFeature& feature, int32_t flash_major_version) {
  if (TCustomizeCheck check = CheckLinks(links); !check.Ok) return check;
  if (ChoosesPlayer(feature) && values.Width < 300)
    return Failure("INF_PlayerMinWidthError", TCustomizePage::Profile, "seVideoWidth");
  if (feature.EffectiveSwfType() == kSwfTypeUrlVariable && feature.Generate.UrlVar.empty())
    return Failure("INF_URLExternalVariableError", TCustomizePage::Generate, "Edt_GSwf_URLVar");
  if (!values.IsF4v()) return CheckProfileValues(values);
  if (values.Width > 1280)
    return Failure("INF_F4VMinWidthHeightError", TCustomizePage::Profile, "seVideoWidth");
  if (values.Height > 720)
    return Failure("INF_F4VMinWidthHeightError", TCustomizePage::Profile, "seVideoHeight");
  if (feature.EffectiveSwfType() == kSwfTypeEmbedded)
    return Failure("INF_F4VToExternalError", TCustomizePage::Generate, "RadioButton_GSwf_External");
  TCustomizeCheck check = CheckProfileValues(values);
  if (flash_major_version < 10) check.Messages.insert(check.Messages.begin(), "INF_F4VNeedPlayer10Error");
  return check;
}

void StoreProfileValues(const TProfilePageValues& values, TCustomProfileSettings& settings) {
  settings.FormatId = values.FormatId;
  settings.VideoWidth = values.Width;
  settings.VideoHeight = values.Height;
  // "Keep original frame rate" stores 0, so that an earlier rate does not stay behind.
  settings.VideoFrameRate = values.KeepsFrameRate ? 0 : std::strtod(values.FrameRateText.c_str(), nullptr);
  settings.VideoFourCC = values.VideoCodec;
  settings.VideoBitrate = values.VideoKbps * 1000;
  settings.AudioFourCC = values.AudioCodec;
  settings.AudioSampleRate = values.SampleRate;
  settings.AudioBitrate = values.AudioKbps * 1000;
  // The list shows "2 (Stereo)": the number it starts with counts.
  const auto channels = static_cast<int32_t>(LeadingNumber(values.ChannelsText));
  settings.Channels = channels > 0 ? channels : 1;
}

}  // namespace fc::gui
