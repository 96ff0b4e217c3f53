#pragma once
// The SWF creator: the pieces of the player movie (video segments, credit text or picture,
// title screens, imported templates) built on the movie builder, and the HTML page that shows
// the movie. TSwfFeature::Build (swf_creator.cpp) puts them together.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "flash/swf_feature.h"

namespace fc {

class TFlashVideo;
struct TSystemFont;

class TFlashMovie;
class TFlashSprite;

// Text made safe for its context in generated files.
// The body of a double-quoted ActionScript string literal (backslash, quotes, line breaks and
// control characters escaped; other UTF-8 bytes kept).
std::string EscapeAsString(std::string_view text);
// (EscapeHtml and PercentEncode are in core/text.h.)
// A link as the player opens it: kept as given when it has a scheme ("https:", "mailto:"),
// else "http://" in front. Nothing else is rewritten.
std::string ScriptUrl(const std::string& url);
// Letters, digits and underscores, not starting with a digit (an ActionScript identifier).
bool IsIdentifier(std::string_view name);

// The font of texts whose settings name none.
inline constexpr const char* kDefaultFontName = "DejaVu Sans";
// A settings colour (0x00BBGGRR or a system colour) as the movie builder's opaque RGBA.
TColor SwfColor(TColor color);
// The system font of a text's settings: its face (or the default), its size in points as
// pixels at 96 dots per inch, its style.
TSystemFont SystemFontOf(const TTextInfo& info);

// The two Flash Player download locations the page names for browsers that still have the
// plug-in (modern browsers use Ruffle, which the page loads itself).
inline constexpr const char* kFlashCabUrl =
    "https://fpdownload.macromedia.com/pub/shockwave/cabs/flash/swflash.cab";
inline constexpr const char* kFlashPluginPage = "https://www.adobe.com/products/flashplayer/end-of-life.html";

class TSWFCreater {
public:
  TSWFCreater();
  virtual ~TSWFCreater();
  TSWFCreater(const TSWFCreater&) = delete;
  TSWFCreater& operator=(const TSWFCreater&) = delete;

  // The writer's progress while a movie is saved: (low byte of the value, value).
  std::function<void(uint8_t, int32_t)> OnProgress;
  std::unique_ptr<TFlashMovie> Movie;  // the movie under construction
  int32_t NextDepth = 1007;
  // Frame count of every timeline segment made so far (title screens, videos), in order.
  std::vector<int32_t> SegmentFrames;

  // Starts a movie of the base's frame, rate and background (version 8, uncompressed, pixels).
  void NewMovie(const TBaseInfo& base);
  // The FLV as the movie's own timeline: its frames, then a frame advancing the main movie.
  void AddVideo(const std::string& flv_file);
  // An indexed FLV (a video object not yet in a movie) as a segment sprite of the movie (with
  // its sound), ending in a frame that advances the main movie. The payload is copied from the
  // FLV while the movie is saved, so the FLV is never held in memory. Returns the sprite, to
  // be placed by the caller.
  TFlashSprite* AddVideoSprite(std::unique_ptr<TFlashVideo> video);
  void AddImage(const TImageInfo& info);
  void AddText(const TTextInfo& info);
  // A title screen: its animation, then the frame that moves the main movie on; the frames
  // written are counted in SegmentFrames.
  void AddTextEffect(const TDTextEffect& effect);
  // Writes the movie (atomically) and ends it.
  void SaveMovie(const std::string& file_name);

protected:
  TFlashMovie& CurrentMovie() const;
  // The next placement depth: `depth` when positive, else NextDepth + 1; NextDepth moves on.
  int32_t TakeDepth(int32_t depth);
};

class TSWFMakeEx : public TSWFCreater {
public:
  // Imports the SWF as a sprite, places it (at `depth`, or the next depth when 0) under
  // `name`, scaled and centred into the stage with `fit`. False when the file does not exist.
  bool PlaceTemplate(const std::string& file_name, const std::string& name, bool end_frame, int32_t depth, bool fit);
  // A title-screen movie for an effect that is visible; false otherwise.
  bool MakeTitleMovie(const TDTextEffect& effect, const TBaseInfo& base, const std::string& file_name);
  // The page "{movie}.HTML" beside the movie (UTF-16LE with BOM) and, as the feature's
  // RuffleSource says, the ruffle/ folder beside it. `flv_files` given: the movie reads the
  // list from the page's query (type 3). `with_skin`: the page makes room for the control bar
  // by the same rule as the movie. Returns every file written.
  static std::vector<std::string> WriteHtmlPage(const TSwfFeature& feature, const TBaseInfo& base,
                                                const std::string& swf_path,
                                                const std::vector<std::string>* flv_files, bool with_skin);
};

// The page's text (before its UTF-16 encoding), for WriteHtmlPage and its tests.
std::string HtmlPageText(const TSwfFeature& feature, const TBaseInfo& base, const std::string& swf_path,
                         const std::vector<std::string>* flv_files, bool with_skin);

// The player lines of frame 1 for the feature's settings (see the player contract in
// DEVELOPERS.md); g_noDebug is false only with DebugTrace.
std::vector<std::string> PlayerScript(const TSwfFeature& feature);

// The frame size and rate an FLV tells (0 where it does not). Throws IoError when unreadable.
struct TFlvFrame {
  int32_t Width = 0, Height = 0;
  double FPS = 0;
};
TFlvFrame ReadFlvFrame(const std::string& flv_file);

}  // namespace fc
