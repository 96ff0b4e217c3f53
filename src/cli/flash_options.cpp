// The Flash output options shared by "flash build" and "convert".
#include "cli/flash_options.h"

#include <filesystem>
#include <system_error>

#include "cli/option_values.h"
#include "core/paths.h"
#include "core/text.h"
#include "flash/swf_creator.h"
#include "flash/swf_feature.h"
#include "flash/title_animations.h"

namespace fc::cli {
namespace {

TColor BgrColor(const TRgbColor& c) { return static_cast<TColor>(c.R | (c.G << 8) | (c.B << 16)); }

// A template given by name is looked up in its folder of the program; a path stays a path.
std::string TemplatePath(const TSwfFeature& feature, const std::string& value, const char* folder) {
  if (value.find('/') != std::string::npos) return value;
  const std::string name = ChangeFileExt(value, ".swf");
  std::error_code ec;
  if (std::filesystem::is_regular_file(name, ec) && value.find('.') != std::string::npos) return name;
  return JoinPath(JoinPath(feature.ProgramFolder, folder), name);
}

}  // namespace

std::vector<TOptionSpec> WithFlashOptions(std::vector<TOptionSpec> options) {
  options.insert(options.end(), {
      {"--swf-type", "1|2|3", "how the movie gets its video: 1 embedded, 2 FLV files beside it, 3 FLV list in a URL variable of the page"},
      {"--player", "NAME|none", "player template of Templates/Players (Player01, Minimal, LargeButtons, None; none: no controls)"},
      {"--opening-effect", "NAME", "opening effect: a movie of Templates/Effect (FadeIn, Iris, Wipe, Blinds) or a path (--effect of convert is a picture effect)"},
      {"--preloader", "NAME", "preloader: a movie of Templates/Preloader (Bar, Ring, Percent) or a path (external layouts)"},
      {"--autoplay", "", "start playing at once"},
      {"--no-autoplay", "", "wait for the viewer to press play"},
      {"--loop", "", "play again from the start at the end"},
      {"--click-url", "URL", "open URL when the video is clicked (http:// is added when it has no scheme)"},
      {"--click-target", "T", "window of the click link (_blank, _self, _parent, _top)"},
      {"--end-url", "URL", "open URL when the video ends"},
      {"--end-target", "T", "window of the end link"},
      {"--url-var", "NAME", "the page's URL variable holding the FLV list (type 3): letters, digits, _"},
      {"--no-swf", "", "no player movie (and so no page)"},
      {"--no-html", "", "no HTML page (type 3 always has one)"},
      {"--no-thumbnail", "", "no thumbnail (.jpg beside each FLV), so no posters in the movie"},
      {"--keep-flv", "", "keep the FLV files beside a movie with embedded video (convert)"},
      {"--skin-color", "RRGGBB", "colour of the player's control bar"},
      {"--auto-hide", "", "the control bar hides over the video instead of taking 41 pixels below it"},
      {"--ruffle", "copy|none|URL", "how the page gets Ruffle's web player: a ruffle/ folder copied beside it (copy, "
                                    "the default), named but not copied (none), or the URL of a ruffle.js"},
      {"--credit-text", "TEXT", "credit text laid over the video"},
      {"--credit-image", "FILE", "credit picture laid over the video (JPEG, PNG, BMP)"},
      {"--credit-url", "URL", "link opened when the credit is clicked"},
      {"--credit-pos", "X,Y", "position of the credit in pixels"},
      {"--credit-font", "NAME", "font of the credit text"},
      {"--credit-size", "POINTS", "size of the credit text"},
      {"--credit-color", "RRGGBB", "colour of the credit text"},
      {"--debug-trace", "", "the players trace what they do (player:play, ...): for tests"},
  });
  for (const char* which : {"head", "tail"}) {
    const std::vector<TOptionSpec> title =
        TitleOptions(std::string(which) + "-", which == std::string("head") ? "opening title (embedded layout)"
                                                                             : "closing title (embedded layout)");
    options.insert(options.end(), title.begin(), title.end());
  }
  return options;
}

std::vector<TOptionSpec> TitleOptions(const std::string& prefix, const std::string& which) {
  const std::string p = "--" + prefix;
  return {
      {p + "anim", "NAME", "animation of the " + which + " (flash title --list names them)"},
      {p + "text", "TEXT", "text of the " + which + "; \"#13\" or a line break starts a new line"},
      {p + "font", "FAMILY", "font of the " + which + " (default " + kDefaultFontName + ")"},
      {p + "font-size", "POINTS", "font size of the " + which + " (default 24)"},
      {p + "bold", "", "bold text in the " + which},
      {p + "italic", "", "italic text in the " + which},
      {p + "color", "RRGGBB", "text colour of the " + which + " (default FFFFFF)"},
      {p + "background", "RRGGBB", "background colour of the " + which + " (default 000000)"},
      {p + "picture", "FILE", "background picture of the " + which + " (.jpg or .bmp)"},
      {p + "time", "SECONDS", "length of the " + which + ", 0 to 300 (default 3)"},
  };
}

void ApplyTitleOptions(const TArgs& args, const std::string& prefix, TDTextEffect& title) {
  const std::string p = "--" + prefix;
  if (const auto anim = args.get(p + "anim")) {
    if (!FindTextEffect(*anim)) {
      std::string names;
      for (const TTextEffect& effect : TextEffects()) names += (names.empty() ? "" : ", ") + std::string(effect.ID);
      throw UsageError(Format("%sanim: there is no animation \"%s\" (%s)", p.c_str(), anim->c_str(), names.c_str()));
    }
    title.Visible = true;
    title.NameID = *anim;
    // A fresh title gets a readable look; settings that give one keep theirs.
    if (title.FontSize <= 0) title.FontSize = 24;
    if (title.Time <= 0) title.Time = 3;
    if (title.FontColor == title.BGColor) title.FontColor = 0xFFFFFF;
  }
  if (const auto text = args.get(p + "text")) {
    std::string content;
    for (const char c : *text) content += c == '\n' ? std::string("#13") : std::string(1, c);
    title.Content = content;
  }
  if (const auto font = args.get(p + "font")) title.FontName = *font;
  if (const auto size = IntValue(args, p + "font-size", 1, 500)) title.FontSize = *size;
  if (args.Has(p + "bold")) title.Bold = true;
  if (args.Has(p + "italic")) title.Italic = true;
  if (const auto color = RgbValue(args, p + "color")) title.FontColor = BgrColor(*color);
  if (const auto color = RgbValue(args, p + "background")) title.BGColor = BgrColor(*color);
  if (const auto picture = args.get(p + "picture")) title.BGPictureName = *picture;
  if (const auto time = IntValue(args, p + "time", 0, 300)) title.Time = *time;
}

void ApplyFlashOptions(const TArgs& args, TSwfFeature& f) {
  if (const auto type = IntValue(args, "--swf-type", 1, 3)) {
    f.Generate.SwfType = static_cast<uint8_t>(*type);
    f.Generate.GenerateSwf = true;
  }
  if (const auto player = args.get("--player")) {
    if (player->empty()) throw UsageError("--player needs a name (Player01, None, ...) or none");
    f.Skin.UseSkin = true;
    f.PlayerID = *player == "none" ? std::string("None") : *player;
  }
  if (const auto effect = args.get("--opening-effect")) f.EffectMask.EffectID = TemplatePath(f, *effect, "Templates/Effect");
  if (const auto preloader = args.get("--preloader"))
    f.Preloader.PreloaderID = TemplatePath(f, *preloader, "Templates/Preloader");
  if (args.Has("--autoplay") && args.Has("--no-autoplay")) throw UsageError("--autoplay and --no-autoplay exclude each other");
  if (args.Has("--autoplay")) f.AutoPlay = true;
  if (args.Has("--no-autoplay")) f.AutoPlay = false;
  if (args.Has("--loop")) f.Playback.AutoRewind = true;
  if (const auto url = args.get("--click-url")) {
    f.Playback.LaunchClicking = !url->empty();
    f.Playback.ClickingUrl = *url;
  }
  if (const auto target = args.get("--click-target")) f.Playback.ClickingTarget = *target;
  if (const auto url = args.get("--end-url")) {
    f.Playback.LaunchEnd = !url->empty();
    f.Playback.EndUrl = *url;
  }
  if (const auto target = args.get("--end-target")) f.Playback.EndTarget = *target;
  if (const auto var = args.get("--url-var")) {
    if (!IsIdentifier(*var))
      throw UsageError("--url-var must be a name of letters, digits and underscores that does not start with a digit");
    f.Generate.UrlVar = *var;
  }
  if (args.Has("--no-swf")) f.Generate.GenerateSwf = false;
  if (args.Has("--no-html")) f.Generate.GenerateHtml = false;
  if (args.Has("--no-thumbnail")) f.Generate.GenerateThumbnail = false;
  if (args.Has("--keep-flv")) f.Generate.GenerateFlv = true;
  if (const auto color = RgbValue(args, "--skin-color")) f.Skin.SkinColor = BgrColor(*color);
  if (args.Has("--auto-hide")) f.Skin.AutoHideSkin = true;
  if (const auto ruffle = args.get("--ruffle")) {
    if (ruffle->empty()) throw UsageError("--ruffle needs copy, none or the URL of a ruffle.js");
    f.RuffleSource = *ruffle;
  }
  if (const auto text = args.get("--credit-text")) {
    f.Decorate.IsDecorate = true;
    f.Text.Visible = !text->empty();
    f.Text.Content = *text;
  }
  if (const auto image = args.get("--credit-image")) {
    f.Decorate.IsDecorate = true;
    f.Image.Visible = !image->empty();
    f.Image.FileName = *image;
    f.Image.Width = f.Image.Height = 0;  // the picture's own size
  }
  if (const auto url = args.get("--credit-url")) f.Text.URL = f.Image.URL = *url;
  if (const auto pos = IntListValue(args, "--credit-pos", 2)) {
    f.Text.X = f.Image.X = (*pos)[0];
    f.Text.Y = f.Image.Y = (*pos)[1];
  }
  if (const auto font = args.get("--credit-font")) f.Text.FontName = *font;
  if (const auto size = IntValue(args, "--credit-size", 1, 500)) f.Text.FontSize = *size;
  if (const auto color = RgbValue(args, "--credit-color")) f.Text.FontColor = BgrColor(*color);
  if (args.Has("--debug-trace")) f.DebugTrace = true;
  ApplyTitleOptions(args, "head-", f.Head);
  ApplyTitleOptions(args, "tail-", f.Tail);
}

}  // namespace fc::cli
