#pragma once
// What the Customize wizard decides, without Qt: the caption and the steps, the rules that tie
// the Generate page's choices together, the checks of links and of the URL variable, the
// filters of the typed values (frame rate, sizes, spin edits, title lines), and the chain of
// checks OK runs before anything is stored. The dialog shows this state and forwards clicks.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "engine/encode_params.h"
#include "flash/swf_feature.h"

namespace fc {

struct TCustomProfileSettings;

namespace gui {

// The wizard's steps, in order.
enum class TCustomizePage : int32_t { Profile = 0, Generate = 1, Template = 2 };
inline constexpr int32_t kCustomizePageCount = 3;

// "Customize : Step 2 of 3".
std::string CustomizeCaption(std::string_view form_caption, TCustomizePage page);

// --- Links and the URL variable -------------------------------------------------------------

// The link targets the two lists offer; a stored target not among them shows the first.
std::span<const std::string_view> LinkTargets();
size_t LinkTargetIndex(std::string_view stored);

// A link field in use is acceptable when it is empty (blanks aside), just the "http://" a
// field starts with, or an http or https address. Anything else ("javascript:", "file:", a
// bare "site/a") is refused: the link ends up in the movie's script and in the page.
bool LinkAcceptable(std::string_view text);
// The credit link as stored: empty for a field left at "http://".
std::string StoredCreditUrl(std::string_view text);

// The URL variable keeps letters, digits and underscore only (typed or pasted): it goes into
// the movie's script and into the page's query string.
std::string FilterUrlVar(std::string_view text);
// The name a URL variable field gets when it becomes enabled while empty.
inline constexpr std::string_view kDefaultUrlVar = "abc";

// --- Typed values ---------------------------------------------------------------------------

inline constexpr int32_t kMaxFrameSize = 2000;  // the width and height spin edits
inline constexpr double kMaxFrameRate = 30;

// The frame-rate box keeps digits and the first "."; a value above 30 becomes "30".
std::string FilterFrameRateText(std::string_view text);

// The number a choice text starts with ("400 kbps" 400, "2 (Stereo)" 2, "29.97" 29.97); 0
// when it starts with none.
double LeadingNumber(std::string_view text);
// The entry of a choice list whose leading number is `value`, or -1.
int FindChoice(const std::vector<std::string>& entries, double value);
// A frame rate as the box shows it: up to two decimals, no trailing zeros ("25", "29.97").
std::string FrameRateText(double fps);

// A spin edit's text as a number: empty or not a number gives `min`, above `max` gives `max`.
int32_t ClampSpinText(std::string_view text, int32_t min, int32_t max);

// "Proportional" sizing: the pair remembered when the box was ticked scales the other value.
class TProportionalSize {
public:
  void Remember(int32_t width, int32_t height) {
    width_ = width;
    height_ = height;
  }
  // The height for a new width (and the width for a new height): value × other / this,
  // truncated and clamped to the spin range; `current` stays when a remembered value is 0.
  int32_t HeightFor(int32_t width, int32_t current) const;
  int32_t WidthFor(int32_t height, int32_t current) const;

private:
  int32_t width_ = 0, height_ = 0;
};

// A title's text box: lines joined by "#13" (an empty line stored as one blank), and back.
std::string JoinTitleLines(const std::vector<std::string>& lines);
std::vector<std::string> SplitTitleLines(const std::string& content);
// The transition list's entry for a stored animation name (the first for an unknown one).
size_t TransitionIndex(std::string_view name_id);

// --- The Generate page ----------------------------------------------------------------------

// What the page's controls show.
struct TGenerateChoices {
  bool Flv = true, Swf = true, Html = true, Thumbnail = true;
  uint8_t SwfType = kSwfTypeExternalFlv;
  std::string UrlVar;
  bool LaunchClicking = false, LaunchEnd = false;
};

// Which of them the user can change.
struct TGenerateEnables {
  bool Embed = true, External = true, UrlType = true, UrlVar = true;
  bool Html = true, Thumbnail = true;
  bool ClickingFields = false, EndFields = false;
};

// The page's choices with the rules that tie them together: at least one of FLV and SWF; an
// F4V profile or a slide show always makes the FLV and never embeds it; embedding without an
// FLV; the HTML page only with an SWF and always for the URL-variable type; a slide show
// always has its thumbnail.
class TGeneratePage {
public:
  TGeneratePage(const TSwfFeature& feature, bool f4v_container, bool slide_show);

  void ClickFlv(bool checked);
  void ClickSwf(bool checked);
  void ClickHtml(bool checked);
  void ClickThumbnail(bool checked);
  void ChooseSwfType(uint8_t type);
  void SetUrlVar(std::string_view text);
  void SetLaunchClicking(bool on) { choices_.LaunchClicking = on; }
  void SetLaunchEnd(bool on) { choices_.LaunchEnd = on; }

  const TGenerateChoices& Choices() const { return choices_; }
  TGenerateEnables Enables() const;
  // Next leads to the template page only when an SWF is made.
  bool HasTemplatePage() const { return choices_.Swf; }

  // Writes the choices into the feature's Generate part (links are stored by the dialog).
  void StoreInto(TSwfFeature& feature) const;

private:
  // Applies the rules after a click (`clicked_flv` says which output box was clicked).
  void Apply(bool clicked_flv);

  TGenerateChoices choices_;
  bool html_wanted_ = true;  // the user's HTML choice, shown again when the SWF comes back
  bool f4v_;
  bool slide_;
};

// Which tabs of the template page show for an SWF type: the title screens only with the
// video in the timeline, the preloader only without it.
struct TTemplateTabs {
  bool Head = false, Tail = false, Preloader = false;
};
TTemplateTabs TemplateTabsFor(uint8_t swf_type);

// --- The checks OK runs ---------------------------------------------------------------------

// The values of the profile page, as typed.
struct TProfilePageValues {
  int32_t FormatId = 0;
  TFourCC Container = 0;  // "COPY" containers have no editable video values
  int32_t Width = 0, Height = 0;
  std::string FrameRateText;    // the frame-rate box: "0" keeps the source's rate
  bool KeepsFrameRate = false;  // the "Keep original frame rate" entry is chosen
  TFourCC VideoCodec = 0;
  int32_t VideoKbps = 0;
  TFourCC AudioCodec = 0;
  int32_t SampleRate = 0;
  int32_t AudioKbps = 0;
  std::string ChannelsText;

  bool VideoEditable() const;
  bool IsF4v() const;
};

// The link fields in use when OK or Next is pressed.
struct TLinkFields {
  bool Clicking = false, End = false, Credit = false;  // each: its box ticked (a credit chosen)
  std::string ClickingUrl, EndUrl, CreditUrl;
};

// Where a failed check sends the user.
struct TCustomizeCheck {
  bool Ok = true;
  std::vector<std::string> Messages;  // message keys, in the order they are shown
  TCustomizePage Page = TCustomizePage::Profile;
  std::string Field;                  // the control's object name
};

// The link check of Next on the Generate page and of OK.
TCustomizeCheck CheckLinks(const TLinkFields& links);
// The profile check (also Save As): the size and the frame rate of editable video.
TCustomizeCheck CheckProfileValues(const TProfilePageValues& values);
// OK's chain, in order: links, the player's minimum width, the URL variable, then the F4V
// limits or the profile check. `flash_major_version` is the installed player's major version
// (a notice, not a failure, below 10).
TCustomizeCheck CheckCustomize(const TLinkFields& links, const TProfilePageValues& values,
                               const TSwfFeature& feature, int32_t flash_major_version);

// The custom profile the checked page-1 values make.
void StoreProfileValues(const TProfilePageValues& values, TCustomProfileSettings& settings);

}  // namespace gui
}  // namespace fc
