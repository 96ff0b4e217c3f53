// The assembly of the player movie, its HTML page and the preview.
#include "flash/swf_creator.h"

#include <stdlib.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>

#include "core/error.h"
#include "core/language.h"
#include "core/paths.h"
#include "core/text.h"
#include "flash/title_animations.h"
#include "movie/external_movie.h"
#include "movie/flash_button.h"
#include "movie/flash_font.h"
#include "movie/flash_image.h"
#include "movie/flash_shape.h"
#include "movie/flash_sprite.h"
#include "movie/flash_text.h"
#include "movie/flash_video.h"
#include "readers/flv_reader.h"
#include "swf/actions.h"

namespace fc {
namespace fs = std::filesystem;

namespace {

constexpr int32_t kControlBarHeight = 41;
constexpr int32_t kFirstDepth = 1007;
constexpr int32_t kPlayerDepth = 4000;
constexpr int32_t kCreditDepth = 4001;
constexpr int32_t kEffectDepth = 5000;
constexpr int32_t kPreloaderDepth = 6000;
constexpr int32_t kFirstSegmentDepth = 501;
constexpr int32_t kSegmentVideoDepth = 2;
constexpr int32_t kPreviewWidth = 320;
constexpr int32_t kPreviewHeight = 281;
constexpr float kPreviewFps = 15;
constexpr const char* kNextFrameScript = "_root.nextFrame();";
constexpr const char* kRuffleFolder = "ruffle";

const char* BoolText(bool v) { return v ? "true" : "false"; }

// The name of a file of this system: a backslash belongs to the name.
std::string FileName(const std::string& path) { return fs::path(path).filename().string(); }

bool FileExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && fs::is_regular_file(path, ec);
}


// A private folder under the system's temporary folder, removed with everything in it.
class TTempFolder {
public:
  TTempFolder() {
    std::error_code ec;
    std::string pattern = (fs::temp_directory_path(ec) / "flarecast-swf-XXXXXX").string();
    if (ec || !mkdtemp(pattern.data())) throw IoError("cannot create a temporary folder for the movie's parts");
    path_ = pattern;
  }
  ~TTempFolder() {
    std::error_code ec;
    fs::remove_all(path_, ec);
  }
  TTempFolder(const TTempFolder&) = delete;
  TTempFolder& operator=(const TTempFolder&) = delete;
  const std::string& Path() const { return path_; }

private:
  std::string path_;
};

// The part file of a movie: its name with `suffix` before the extension, in `dir`.
std::string PartFile(const std::string& path, const std::string& suffix, const std::string& dir) {
  const std::string name = FileName(path);
  const size_t dot = name.rfind('.');
  const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
  const std::string ext = dot == std::string::npos ? std::string() : name.substr(dot);
  return JoinPath(dir, stem + suffix + ext);
}

// A link of the credit text or picture, opened in a new window.
void AddLink(TFlashActionScript& actions, const std::string& url) { actions.AddGetURL(ScriptUrl(url), "_blank"); }

// The folder of per-user caches (XDG).
std::string UserCacheFolder() {
  if (const char* xdg = std::getenv("XDG_CACHE_HOME"); xdg && *xdg == '/') return xdg;
  const char* home = std::getenv("HOME");
  if (!home || !*home) throw Error("no cache folder for the preview: neither XDG_CACHE_HOME nor HOME is set");
  return JoinPath(home, ".cache");
}

// The path part of a URL naming a file beside the page.
std::string FileUrl(std::string_view name) {
  std::string out;
  for (const unsigned char c : name) {
    if (std::isalnum(c) || std::string_view("-._~!$'()*+,;=:@").find(static_cast<char>(c)) != std::string_view::npos)
      out += static_cast<char>(c);
    else
      out += Format("%%%02X", c);
  }
  return out;
}

void WriteUtf16Page(const std::string& path, const std::string& text) {
  std::u16string wide = Utf8ToUtf16(text);
  std::string bytes = "\xFF\xFE";
  bytes.reserve(2 + wide.size() * 2);
  for (const char16_t c : wide) {
    bytes += static_cast<char>(c & 0xFF);
    bytes += static_cast<char>(c >> 8);
  }
  const std::string temp = path + ".part";
  {
    std::ofstream out(temp, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) {
      std::error_code ec;
      fs::remove(temp, ec);
      throw IoError(Format("cannot write the page %s", path.c_str()));
    }
  }
  std::error_code ec;
  fs::rename(temp, path, ec);
  if (ec) {
    fs::remove(temp, ec);
    throw IoError(Format("cannot write the page %s", path.c_str()));
  }
}

}  // namespace

// --- Escaping ----------------------------------------------------------------------------

std::string EscapeAsString(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (const char ch : text) {
    const auto c = static_cast<unsigned char>(ch);
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '"': out += "\\\""; break;
      case '\'': out += "\\'"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20 || c == 0x7F)
          out += Format("\\x%02X", c);
        else
          out += ch;
    }
  }
  return out;
}

std::string ScriptUrl(const std::string& url) {
  // A scheme: a letter, then letters, digits, "+", "-" or ".", then ":".
  const size_t colon = url.find(':');
  bool has_scheme = colon != std::string::npos && colon > 0 && std::isalpha(static_cast<unsigned char>(url[0]));
  for (size_t i = 1; has_scheme && i < colon; ++i) {
    const auto c = static_cast<unsigned char>(url[i]);
    has_scheme = std::isalnum(c) || c == '+' || c == '-' || c == '.';
  }
  // "host:8080/x" is a host with a port, not a scheme.
  if (has_scheme && colon + 1 < url.size() && std::isdigit(static_cast<unsigned char>(url[colon + 1])) &&
      url.compare(colon + 1, 2, "//") != 0)
    has_scheme = false;
  return has_scheme ? url : "http://" + url;
}

bool IsIdentifier(std::string_view name) {
  if (name.empty() || std::isdigit(static_cast<unsigned char>(name[0]))) return false;
  return std::all_of(name.begin(), name.end(), [](char c) {
    return std::isalnum(static_cast<unsigned char>(c)) || c == '_';
  });
}

// --- TSWFCreater ---------------------------------------------------------------------------

TSWFCreater::TSWFCreater() = default;
TSWFCreater::~TSWFCreater() = default;

TFlashMovie& TSWFCreater::CurrentMovie() const {
  if (!Movie) throw Error("no movie under construction");
  return *Movie;
}

int32_t TSWFCreater::TakeDepth(int32_t depth) {
  const int32_t taken = depth > 0 ? depth : NextDepth + 1;
  ++NextDepth;
  return taken;
}

void TSWFCreater::NewMovie(const TBaseInfo& base) {
  if (base.FPS <= 0) throw Error("the movie needs a frame rate above 0");
  Movie = std::make_unique<TFlashMovie>(base.Left, base.Top, base.Width, base.Height, base.FPS, true);
  Movie->SetVersion(8);
  Movie->SetCompressed(false);
  Movie->BackgroundColor().SetRGB(SwfColor(base.BGColor));
  NextDepth = kFirstDepth;
}

void TSWFCreater::AddVideo(const std::string& flv_file) {
  TFlashMovie& movie = CurrentMovie();
  TFlashVideo* video = movie.AddVideo(flv_file);
  const uint16_t frames = video->FrameCount();
  SegmentFrames.push_back(frames);
  if (video->FrameRate8() != 0) movie.SetFrameRate8(video->FrameRate8());
  TFlashPlaceVideo* placed = movie.PlaceVideo(video, kSegmentVideoDepth);
  placed->Loop = false;
  placed->EnableSound(true);
  movie.ShowFrame(std::max<int>(frames, 1));
  movie.FrameActions().Compile(kNextFrameScript);
  movie.ShowFrame();
}

TFlashSprite* TSWFCreater::AddVideoSprite(std::unique_ptr<TFlashVideo> flv) {
  TFlashMovie& movie = CurrentMovie();
  TFlashVideo* video = movie.AddVideo(std::move(flv));
  const uint16_t frames = video->FrameCount();
  SegmentFrames.push_back(frames);
  TFlashSprite* sprite = movie.AddSprite();
  TFlashPlaceVideo* placed = sprite->PlaceVideo(video, kSegmentVideoDepth);
  placed->Loop = false;
  placed->EnableSound(true);
  sprite->ShowFrame(std::max<int>(frames, 1));
  if (!sprite->FrameActions().Compile(kNextFrameScript))
    throw Error("the segment script does not compile: " + movie.CompileMessages);
  sprite->ShowFrame();
  return sprite;
}

void TSWFCreater::AddImage(const TImageInfo& info) {
  if (!info.Visible || !FileExists(info.FileName)) return;
  TFlashMovie& movie = CurrentMovie();
  TFlashImage* image = movie.AddImage(info.FileName);
  // Without a size of its own the picture keeps its size.
  const int32_t width = info.Width > 0 ? info.Width : image->Width;
  const int32_t height = info.Height > 0 ? info.Height : image->Height;
  TFlashShape* shape = movie.AddRectangle(TRect{info.X, info.Y, info.X + width, info.Y + height});
  shape->AddImageFill(*image, TFlashShape::kImageStretched);
  TFlashVisualObject* shown = shape;
  if (!info.URL.empty() && info.URL != "http://") {
    TFlashButton* button = movie.AddButton();
    button->AddRecord(*shape, kButtonUp | kButtonOver | kButtonDown | kButtonHitTest, 1);
    AddLink(button->ReleaseActions(), info.URL);
    shown = button;
  }
  movie.PlaceObject(shown, TakeDepth(0));
}

TColor SwfColor(TColor color) {
  const TColor bgr = ColorToRGB(color);
  return SWFRGBA(bgr & 0xFF, (bgr >> 8) & 0xFF, (bgr >> 16) & 0xFF, 255);
}

TSystemFont SystemFontOf(const TTextInfo& info) {
  // Points to pixels at 96 dots per inch.
  const int32_t height = std::max(1, static_cast<int32_t>(std::lround(info.FontSize * 96.0 / 72.0)));
  return TSystemFont{info.FontName.empty() ? std::string(kDefaultFontName) : info.FontName, height, info.Bold,
                     info.Italic, 1};
}

void TSWFCreater::AddText(const TTextInfo& info) {
  if (!info.Visible || info.Content.empty()) return;
  TFlashMovie& movie = CurrentMovie();
  TFlashFont* font = movie.AddFont(SystemFontOf(info), false);
  const TColor color = SwfColor(info.FontColor);
  if (info.URL.empty() || info.URL == "http://") {
    movie.PlaceObject(movie.AddText(info.Content, color, font, info.X, info.Y), TakeDepth(0));
    return;
  }
  TFlashText* text = movie.AddText(info.Content, color, font, 0, 0);
  const TRect r = text->TextRect();
  TFlashShape* hit = movie.AddRectangle(TRect{0, 0, std::max(1, (r.Right - r.Left) / 20), std::max(1, (r.Bottom - r.Top) / 20)});
  hit->AddSolidFill(TSWFRGB(255, 255, 0), 255);
  TFlashButton* button = movie.AddButton();
  button->AddRecord(*text, kButtonUp | kButtonOver | kButtonDown, 1);
  button->AddRecord(*hit, kButtonHitTest, 2);
  AddLink(button->ReleaseActions(), info.URL);
  movie.PlaceObject(button, TakeDepth(0))->SetPosition(info.X, info.Y);
}

void TSWFCreater::AddTextEffect(const TDTextEffect& effect) {
  if (!effect.Visible) return;
  TFlashMovie& movie = CurrentMovie();
  // The frames the animation wrote, and the one that moves the main movie on.
  const int32_t frames = DrawTitle(effect, movie) + 1;
  if (frames > 0xFFFF)
    throw TitleTooLongError(Format("the title lasts %d frames: a title holds at most 65535", frames));
  SegmentFrames.push_back(frames);
  movie.FrameActions().Compile(kNextFrameScript);
  movie.ShowFrame();
}

void TSWFCreater::SaveMovie(const std::string& file_name) {
  TFlashMovie& movie = CurrentMovie();
  if (OnProgress)
    movie.OnProgress = [this](TBasedSWFStream&, int percent, int kind) {
      if (kind == kProgressBuilding) OnProgress(static_cast<uint8_t>(percent & 0xFF), percent);
    };
  try {
    movie.Save(file_name);
  } catch (const std::exception& e) {
    Movie.reset();
    throw IoError(Format("cannot write the movie %s: %s", file_name.c_str(), e.what()));
  }
  Movie.reset();
}

// --- TSWFMakeEx ----------------------------------------------------------------------------

bool TSWFMakeEx::PlaceTemplate(const std::string& file_name, const std::string& name, bool end_frame, int32_t depth,
                               bool fit) {
  if (!FileExists(file_name)) return false;
  TFlashMovie& movie = CurrentMovie();
  TFlashExternalMovie* external = movie.AddExternalMovie(file_name, kExternalSprite, true);
  TFlashPlaceObject* place = movie.PlaceObject(external->Sprite(), TakeDepth(depth));
  if (!name.empty()) place->SetName(name);
  if (fit) {
    const TRect& r = external->Reader.FrameRect;
    const double tw = (r.Right - r.Left) / 20.0, th = (r.Bottom - r.Top) / 20.0;
    const double mw = movie.GetWidth(), mh = movie.GetHeight();
    if (tw > 0 && th > 0) {
      const double s = mw >= tw && mh >= th ? 1.0 : std::min(mw / tw, mh / th);
      const auto w = static_cast<int32_t>(std::lround(tw * s)), h = static_cast<int32_t>(std::lround(th * s));
      place->SetScale(static_cast<float>(s), static_cast<float>(s));
      place->SetPosition((static_cast<int32_t>(mw) - w) / 2, (static_cast<int32_t>(mh) - h) / 2);
    }
  }
  if (end_frame) movie.ShowFrame();
  return true;
}

bool TSWFMakeEx::MakeTitleMovie(const TDTextEffect& effect, const TBaseInfo& base, const std::string& file_name) {
  if (!effect.Visible) return false;
  TBaseInfo clone = base;
  clone.BGColor = effect.BGColor;
  NewMovie(clone);
  AddTextEffect(effect);
  SaveMovie(file_name);
  return true;
}

std::string HtmlPageText(const TSwfFeature& feature, const TBaseInfo& base, const std::string& swf_path,
                         const std::vector<std::string>* flv_files, bool with_skin) {
  const std::string n = FileName(swf_path);
  const size_t dot = n.rfind('.');
  const std::string s = dot == std::string::npos ? n : n.substr(0, dot);
  const int32_t w = base.Width;
  const int32_t h = base.Height + (with_skin && !feature.Skin.AutoHideSkin && !feature.IsNoPlayer() ? kControlBarHeight : 0);
  const TColor rgb = ColorToRGB(base.BGColor);
  const std::string c = Format("%02X%02X%02X", rgb & 0xFF, (rgb >> 8) & 0xFF, (rgb >> 16) & 0xFF);
  // The movie's address; the FLV list of type 3 goes into its query, percent-encoded so that
  // "#" and "&" in it cannot cut it short. The embed element gets the same address.
  std::string m = FileUrl(n);
  if (flv_files && !flv_files->empty()) {
    std::string list;
    for (const std::string& flv : *flv_files) {
      if (!FileExists(flv)) continue;
      const std::string name = FileName(flv);
      list += "#" + name;
      if (feature.Generate.GenerateThumbnail) list += "," + ChangeFileExt(name, ".jpg");
    }
    if (list.size() >= 2) m += "?" + feature.EffectiveUrlVar() + "=" + PercentEncode(list.substr(1));
  }
  const std::string ma = EscapeHtml(m);
  std::string ruffle_src = "ruffle/ruffle.js";
  std::string public_path = ", \"publicPath\": \"ruffle/\"";
  if (feature.RuffleSource != "copy" && feature.RuffleSource != "none") {
    ruffle_src = feature.RuffleSource;
    public_path.clear();  // Ruffle finds its files beside the script it was loaded from
  }
  const std::vector<std::string> lines = {
      "<html>",
      "<title>" + EscapeHtml(s) + "</title>",
      "<body>",
      "<table width=\"100%\" height=\"100%\">",
      "<tr><td>",
      "<center>",
      "<object classid=\"CLSID:D27CDB6E-AE6D-11cf-96B8-444553540000\" ",
      std::string("codebase=\"") + kFlashCabUrl + "#version=8,0,0,0\" ",
      Format("Width=\"%d\" Height=\"%d\">", w, h),
      "<param name=\"movie\" value=\"" + ma + "\">",
      "<param name=\"quality\" value=\"high\">",
      "<param name=\"bgcolor\" value=\"#" + c + "\">",
      "<param name=\"allowScriptAccess\" value=\"always\" />",
      "<param name=\"allowFullScreen\" value=\"true\" />",
      "<embed src=\"" + ma + "\" ",
      Format("quality=\"high\" width=\"%d\" height=\"%d\" ", w, h),
      std::string("allowScriptAccess=\"always\" type=\"application/x-shockwave-flash\" pluginspage=\"") +
          kFlashPluginPage + "\" allowfullscreen=\"true\">",
      "</embed>",
      "</object>",
      "</center>",
      "</td></tr>",
      "</table>",
      // Today's browsers play the movie with Ruffle, which cannot start from a file:// page.
      "<p id=\"flarecast-file-note\" style=\"display:none\">This page plays its Flash movie with Ruffle, which "
      "browsers do not run from a file. View it through a web server, for example: flarecast-cli serve FOLDER "
      "--open</p>",
      "<script>if (location.protocol === \"file:\") "
      "document.getElementById(\"flarecast-file-note\").style.display = \"block\";</script>",
      "<script>window.RufflePlayer = window.RufflePlayer || {}; window.RufflePlayer.config = {\"autoplay\": \"on\", "
      "\"unmuteOverlay\": \"hidden\", \"splashScreen\": false" +
          public_path + "};</script>",
      // The page is UTF-16: without a charset a browser would read Ruffle's script as UTF-16 too.
      "<script src=\"" + EscapeHtml(ruffle_src) + "\" charset=\"utf-8\"></script>",
      "</body> ",
      "</html> ",
  };
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

std::vector<std::string> TSWFMakeEx::WriteHtmlPage(const TSwfFeature& feature, const TBaseInfo& base,
                                                   const std::string& swf_path,
                                                   const std::vector<std::string>* flv_files, bool with_skin) {
  std::vector<std::string> written;
  const std::string page = ChangeFileExt(swf_path, ".HTML");
  WriteUtf16Page(page, HtmlPageText(feature, base, swf_path, flv_files, with_skin));
  written.push_back(page);
  if (feature.RuffleSource == "copy") {
    const fs::path source = fs::path(feature.ProgramFolder) / kRuffleFolder;
    std::error_code ec;
    if (!fs::is_directory(source, ec))
      throw IoError(Format("Ruffle's web player is missing from the program folder (%s): the page needs it to play "
                           "in today's browsers (use the Ruffle option none or a URL to do without)",
                           source.string().c_str()));
    const fs::path target = fs::path(page).parent_path() / kRuffleFolder;
    fs::copy(source, target, fs::copy_options::recursive | fs::copy_options::overwrite_existing, ec);
    if (ec) throw IoError(Format("cannot copy Ruffle's web player to %s: %s", target.string().c_str(), ec.message().c_str()));
    written.push_back(target.string());
  }
  return written;
}

TFlvFrame ReadFlvFrame(const std::string& flv_file) {
  const TFLVData flv(flv_file);
  return {flv.Width, flv.Height, flv.FrameRateValue()};
}

// --- The player script ---------------------------------------------------------------------

std::vector<std::string> PlayerScript(const TSwfFeature& f) {
  std::vector<std::string> s;
  const bool no_player = f.IsNoPlayer();
  s.push_back(f.DebugTrace ? "_global.g_noDebug = false;" : "_global.g_noDebug = true;");
  s.push_back(Format("_global.g_AutoPlay = %s ;", BoolText(f.AutoPlay)));
  s.push_back(Format("_global.g_Repetition = %s ;", BoolText(f.Playback.AutoRewind)));
  if (f.ClickingLinkEffective()) {
    s.push_back("_global.g_ClickingUrl = \"" + EscapeAsString(ScriptUrl(f.Playback.ClickingUrl)) + "\" ;");
    s.push_back("_global.g_ClickingTarget = \"" + EscapeAsString(f.Playback.ClickingTarget) + "\" ;");
  }
  if (f.EndLinkEffective()) {
    s.push_back("_global.g_EndUrl = \"" + EscapeAsString(ScriptUrl(f.Playback.EndUrl)) + "\" ;");
    s.push_back("_global.g_EndTarget = \"" + EscapeAsString(f.Playback.EndTarget) + "\" ;");
  }
  s.push_back(Format("_global.g_noPlayer = %s ;", BoolText(no_player)));
  if (f.Skin.UseSkin) {
    s.push_back(Format("_global.g_AutoHideMouse = %s ;", BoolText(f.Skin.AutoHideMouse)));
    s.push_back(Format("_global.g_AutoHideDelay = %d ;", f.Skin.HideDelay * 1000));
    if (!no_player) {
      const TColor c = f.Skin.SkinColor;
      const TColor rgb = ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF);
      s.push_back(Format("_global.g_AutoHideSkin = %s ;", BoolText(f.Skin.AutoHideSkin)));
      s.push_back(Format("_global.g_SkinColor = %d ;", static_cast<int>(rgb)));
      s.push_back(Format("_global.g_SkinColorSaturation = %d ;", f.Skin.ColorSaturation));
    }
  }
  return s;
}

// --- The assembly --------------------------------------------------------------------------

namespace {

// Keeps Base and Image.Y of the feature and gives them back however the build ends.
class TFeatureRestore {
public:
  explicit TFeatureRestore(TSwfFeature& f) : f_(f), base_(f.Base), image_y_(f.Image.Y) {}
  ~TFeatureRestore() {
    f_.Base = base_;
    f_.Image.Y = image_y_;
  }
  TFeatureRestore(const TFeatureRestore&) = delete;
  TFeatureRestore& operator=(const TFeatureRestore&) = delete;

private:
  TSwfFeature& f_;
  TBaseInfo base_;
  int32_t image_y_;
};

void CompileFrameScript(TFlashMovie& movie, const std::vector<std::string>& script) {
  if (!movie.FrameActions().Compile(script))
    throw Error("the movie's script does not compile: " + movie.CompileMessages);
}

// The lines after the player lines: preloader or small-frame rules.
void AppendFrameRules(const TSwfFeature& f, bool preview, std::vector<std::string>& script) {
  if (preview && f.UsePreloader()) {
    script.push_back("_global.g_noRePlay = true;");
    script.push_back("_global.g_showPerloader = true;");
  } else if (f.IsSmallFrame()) {
    script.push_back("_global.g_noRePlay = true;");
    script.push_back("_global.g_AutoPlay = true ;");
  }
}

void AppendPhotoLines(const std::vector<std::string>& flv_files, std::vector<std::string>& script) {
  script.push_back("_global.g_ArrPhotoPath = Array();");
  for (size_t i = 0; i < flv_files.size(); ++i)
    script.push_back(Format("_global.g_ArrPhotoPath[%zu] = \"", i) +
                     EscapeAsString(ChangeFileExt(FileName(flv_files[i]), ".jpg")) + "\" ;");
}

}  // namespace

std::string TSwfFeature::Build(const std::vector<std::string>& flv_files, const std::string& folder,
                               const std::string& file_name, bool preview) {
  WrittenFiles.clear();
  Warnings.clear();
  TFeatureRestore restore(*this);
  TSWFMakeEx maker;
  if (OnProgress) maker.OnProgress = [this](uint8_t low, int32_t value) { OnProgress(low, value); };

  if (preview) {
    const TColor bg = Base.BGColor;
    Base = TBaseInfo{};
    Base.Width = kPreviewWidth;
    Base.Height = kPreviewHeight;
    Base.FPS = kPreviewFps;
    Base.BGColor = bg;
  }
  // "Keep source" leaves the rate at 0: the FLV's own rate is the movie's.
  if (!(Base.FPS > 0) && !flv_files.empty() && FileExists(flv_files.front())) {
    Base.FPS = static_cast<float>(ReadFlvFrame(flv_files.front()).FPS);
  }
  if (!(Base.FPS > 0)) throw Error("the movie's frame rate is unknown: set a frame rate above 0");
  if (Base.Width <= 0 || Base.Height <= 0) throw Error(GetString("INF_VideoSetError"));

  const bool no_player = IsNoPlayer();
  if (!preview && Decorate.IsDecorate && Image.Visible && !Skin.AutoHideSkin && !no_player &&
      Image.Y + Image.Height > Base.Height - kControlBarHeight)
    Image.Y = Base.Height - kControlBarHeight - Image.Height;

  const std::string output_path = JoinPath(folder, FileName(file_name));
  const int type = EffectiveSwfType();
  const bool make_swf = Generate.GenerateSwf;
  if (make_swf && (type < kSwfTypeEmbedded || type > kSwfTypeUrlVariable))
    throw Error(Format("Generate.GSwfType Error: the SWF type %d is not 1, 2 or 3", type));

  // A player that was asked for and is missing is an error, not a movie without controls.
  const std::string player = PlayerFile();
  if (make_swf) {
    if (Skin.UseSkin && !PlayerID.empty() && !FileExists(PlayerTemplatePath(PlayerID)))
      throw Error(Format("the player template %s does not exist", PlayerTemplatePath(PlayerID).c_str()));
    if (!FileExists(player)) throw Error(Format("the player template %s does not exist", player.c_str()));
    if (!EffectFile().empty() && !FileExists(EffectFile()))
      Warnings.push_back(Format("the effect template %s does not exist: the movie has no opening effect",
                                EffectFile().c_str()));
    if (!PreloaderFile().empty() && !FileExists(PreloaderFile()))
      Warnings.push_back(Format("the preloader template %s does not exist: the movie has no preloader",
                                PreloaderFile().c_str()));
  }
  const std::string url_var = EffectiveUrlVar();
  if (make_swf && type == kSwfTypeUrlVariable) {
    if (!IsIdentifier(url_var))
      throw Error(Format("the URL variable \"%s\" must be a name of letters, digits and underscores that does not "
                         "start with a digit", url_var.c_str()));
    for (const std::string& flv : flv_files)
      if (FileName(flv).find_first_of("#,") != std::string::npos)
        throw Error(Format("the file name %s holds \"#\" or \",\", which the FLV list of a URL variable cannot carry",
                           FileName(flv).c_str()));
  }

  if (make_swf) {
    const TTempFolder temp;
    const bool embedded = type == kSwfTypeEmbedded;
    // The credit movie, imported into frame 1 of the main movie.
    std::string credit;
    if (!preview && Decorate.IsDecorate && (Text.Visible || Image.Visible)) {
      credit = PartFile(file_name, "_MC", temp.Path());
      maker.NewMovie(Base);
      if (Text.Visible)
        maker.AddText(Text);
      else
        maker.AddImage(Image);
      maker.SaveMovie(credit);
    }
    // Title screens are small movies of their own; the videos go straight into the main movie.
    std::string head_file, tail_file;
    int32_t head_frames = 0, tail_frames = 0;
    if (embedded && Head.Visible) {
      head_file = PartFile(file_name, "_Begin", temp.Path());
      maker.MakeTitleMovie(Head, Base, head_file);
      head_frames = maker.SegmentFrames.back();
    }
    // The segment frame counts, in playing order, as the segments will be written. Each FLV
    // is indexed once, here, and goes into its segment as it is.
    std::vector<int32_t> frames;
    std::vector<std::unique_ptr<TFlashVideo>> videos;
    if (!head_file.empty()) frames.push_back(head_frames);
    if (embedded) {
      for (const std::string& flv : flv_files) {
        auto data = std::make_unique<TFLVData>(flv);
        if (data->VideoFrameCount() > 0xFFFF)
          throw Error(Format("%s has %u video frames: a segment holds at most 65535", flv.c_str(), data->VideoFrameCount()));
        frames.push_back(static_cast<int32_t>(data->VideoFrameCount()));
        videos.push_back(std::make_unique<TFlashVideo>(std::move(data)));
      }
    }
    if (embedded && Tail.Visible) {
      tail_file = PartFile(file_name, "_End", temp.Path());
      maker.MakeTitleMovie(Tail, Base, tail_file);
      tail_frames = maker.SegmentFrames.back();
      frames.push_back(tail_frames);
    }

    TBaseInfo main_base = Base;
    if (!preview && !Skin.AutoHideSkin && !no_player) main_base.Height += kControlBarHeight;
    maker.NewMovie(main_base);
    if (!credit.empty()) maker.PlaceTemplate(credit, "watermark_mc", false, kCreditDepth, false);

    std::vector<std::string> script = PlayerScript(*this);
    if (!embedded) {
      script.push_back(Format("_global.g_bSlide = %s ;", BoolText(ShowSlide)));
      AppendFrameRules(*this, preview, script);
      if (type == kSwfTypeUrlVariable) {
        script.push_back("_global.g_FLvFromUrlVar = \"" + EscapeAsString(url_var) + "\" ;");
        if (!preview) {
          const auto page = TSWFMakeEx::WriteHtmlPage(*this, Base, output_path, &flv_files, true);
          WrittenFiles.insert(WrittenFiles.end(), page.begin(), page.end());
        }
      }
      if (type == kSwfTypeExternalFlv || preview) {
        script.push_back("_global.g_ArrFlvPath = Array();");
        if (Generate.GenerateThumbnail) script.push_back("_global.g_ArrPhotoPath = Array();");
        for (size_t i = 0; i < flv_files.size(); ++i) {
          const std::string name = FileName(flv_files[i]);
          script.push_back(Format("_global.g_ArrFlvPath[%zu] = \"", i) + EscapeAsString(name) + "\" ;");
          if (Generate.GenerateThumbnail)
            script.push_back(Format("_global.g_ArrPhotoPath[%zu] = \"", i) +
                             EscapeAsString(ChangeFileExt(name, ".jpg")) + "\" ;");
        }
      }
      CompileFrameScript(*maker.Movie, script);
      maker.Movie->ShowFrame();
      maker.PlaceTemplate(player, "player_mc", false, kPlayerDepth, false);
      maker.PlaceTemplate(EffectFile(), "effect_mc", false, kEffectDepth, false);
      if (UsePreloader()) maker.PlaceTemplate(PreloaderFile(), "preloader_mc", false, kPreloaderDepth, true);
      maker.Movie->FrameActions().Add<TSWFActionStop>();
      maker.Movie->ShowFrame();
    } else {
      if (preview && ShowSlide) {
        script.push_back("_global.g_bSlide = true ;");
        if (Generate.GenerateThumbnail) AppendPhotoLines(flv_files, script);
      }
      script.push_back("_global.FramesArrays = Array();");
      int64_t total = 0;
      for (size_t j = 0; j < frames.size(); ++j) {
        script.push_back(Format("_global.FramesArrays[%zu] = %d ;", j, frames[j]));
        total += frames[j];
      }
      script.push_back(Format("_global.realTotalFrames = %lld ;", static_cast<long long>(total)));
      script.push_back(Format("_global.swffps = %d ;", static_cast<int>(Base.FPS)));
      AppendFrameRules(*this, preview, script);
      CompileFrameScript(*maker.Movie, script);
      maker.Movie->ShowFrame();
      maker.PlaceTemplate(player, "player_mc", false, kPlayerDepth, false);
      const int32_t remembered = maker.NextDepth;
      maker.PlaceTemplate(EffectFile(), "effect_mc", false, kEffectDepth, false);
      if (UsePreloader()) maker.PlaceTemplate(PreloaderFile(), "preloader_mc", false, remembered + 1, true);
      // SegmentFrames is rebuilt as the segments are written, in their order.
      maker.SegmentFrames.clear();
      // The head title, the videos, the tail title: a title is a part file, a video its
      // indexed FLV.
      std::vector<std::string> titles(frames.size());
      if (!head_file.empty()) titles.front() = head_file;
      if (!tail_file.empty()) titles.back() = tail_file;
      auto next_video = videos.begin();
      for (size_t j = 0; j < frames.size(); ++j) {
        const int32_t depth = kFirstSegmentDepth + static_cast<int32_t>(j);
        const std::string name = "mc" + std::to_string(j + 1);
        if (!titles[j].empty()) {
          maker.PlaceTemplate(titles[j], name, false, depth, false);
          maker.SegmentFrames.push_back(frames[j]);
        } else {
          TFlashSprite* sprite = maker.AddVideoSprite(std::move(*next_video++));
          maker.Movie->PlaceObject(sprite, depth)->SetName(name);
        }
        maker.Movie->FrameActions().Add<TSWFActionStop>();
        maker.Movie->ShowFrame();
        maker.Movie->RemoveObject(depth);
      }
    }
    SegmentFrames = maker.SegmentFrames;
    maker.SaveMovie(output_path);
    WrittenFiles.push_back(output_path);
    if (embedded && !Generate.GenerateFlv)
      for (const std::string& flv : flv_files) {
        std::error_code ec;
        fs::remove(flv, ec);
      }
  }

  if (EffectiveGenerateHtml() && type != kSwfTypeUrlVariable) {
    const auto page = TSWFMakeEx::WriteHtmlPage(*this, Base, output_path, nullptr, true);
    WrittenFiles.insert(WrittenFiles.end(), page.begin(), page.end());
  }
  if (OnFinished) OnFinished(true, output_path);
  return output_path;
}

bool TSwfFeature::GenerateOutputs(std::string* error) {
  std::string message;
  try {
    if (Base.Width == 0 || Base.Height == 0) throw Error(GetString("INF_VideoSetError"));
    if (FlvFiles.empty()) throw Error(GetString("INF_SwfFileListError"));
    if (OutputPath.empty()) throw Error(GetString("INF_SwfOutputPathError"));
    if (OutputFile.empty()) throw Error(GetString("INF_SwfOutputFileError"));
    Build(FlvFiles, OutputPath, OutputFile, false);
    return true;
  } catch (const std::exception& e) {
    message = e.what();
  }
  if (message.empty()) message = "the Flash output failed";
  if (error) *error = message;
  if (OnFinished) OnFinished(false, message);
  return false;
}

std::string TSwfFeature::BuildPreview(std::vector<std::string>* flv_files) {
  const std::string folder = JoinPath(JoinPath(UserCacheFolder(), "flarecast"), "preview");
  std::error_code ec;
  fs::create_directories(folder, ec);
  if (ec) throw IoError(Format("cannot create the preview folder %s: %s", folder.c_str(), ec.message().c_str()));
  std::vector<std::string> sample;
  std::vector<std::string>& list = flv_files ? *flv_files : sample;
  if (!flv_files) sample.push_back(JoinPath(ProgramFolder, "Templates/Fcst.flv"));
  for (std::string& item : list) {
    const fs::path source(item);
    if (source.parent_path() == fs::path(folder)) continue;
    const fs::path copy = fs::path(folder) / source.filename();
    fs::copy_file(source, copy, fs::copy_options::overwrite_existing, ec);
    if (ec) throw IoError(Format("cannot copy %s for the preview: %s", item.c_str(), ec.message().c_str()));
    const fs::path picture = fs::path(ChangeFileExt(item, ".jpg"));
    if (fs::is_regular_file(picture, ec))
      fs::copy_file(picture, fs::path(folder) / picture.filename(), fs::copy_options::overwrite_existing, ec);
    item = copy.string();
  }
  return Build(list, folder, "Preview.Swf", true);
}

}  // namespace fc
