#include "flash/swf_feature.h"

#include <filesystem>
#include <system_error>

#include "core/config.h"
#include "core/config_keys.h"
#include "core/paths.h"

namespace fc {
namespace {

constexpr const char* kNonePlayer = "None.swf";
constexpr const char* kDefaultPlayer = "Player01.swf";
constexpr const char* kPlayersFolder = "Templates/Players";
constexpr const char* kEmptyLink = "http://";

// One stored field with the default it takes when its key is missing. Every key of section
// "SwfSet" is visited in file order, so loading and saving cannot drift apart.
struct TKeyVisitor {
  virtual ~TKeyVisitor() = default;
  virtual void Bool(const char* key, bool& field, bool loaded_default) = 0;
  virtual void Int(const char* key, int32_t& field, int32_t loaded_default) = 0;
  virtual void Color(const char* key, TColor& field) = 0;
  virtual void Float(const char* key, double& field, double loaded_default) = 0;
  virtual void String(const char* key, std::string& field) = 0;
};

void VisitTitleKeys(TKeyVisitor& v, const std::string& prefix, TDTextEffect& t) {
  // The visitor keeps the key text only for the call, so building it here is safe.
  const auto k = [&prefix](const char* name) { return prefix + name; };
  v.Int(k("x").c_str(), t.X, 0);
  v.Int(k("y").c_str(), t.Y, 0);
  v.Bool(k("Visible").c_str(), t.Visible, false);
  v.String(k("URL").c_str(), t.URL);
  v.String(k("Content").c_str(), t.Content);
  v.String(k("FontName").c_str(), t.FontName);
  v.Color(k("FontColor").c_str(), t.FontColor);
  v.Int(k("FontSize").c_str(), t.FontSize, 12);
  v.Bool(k("Bold").c_str(), t.Bold, false);
  v.Bool(k("Italic").c_str(), t.Italic, false);
  v.Int(k("Time").c_str(), t.Time, 1);
  v.String(k("NameID").c_str(), t.NameID);
  v.String(k("BGPictureName").c_str(), t.BGPictureName);
  v.Color(k("BGColor").c_str(), t.BGColor);
}

void VisitKeys(TKeyVisitor& v, TSwfFeature& f) {
  v.String("AReplaceAudio", f.ProfileAdd.ReplaceAudio);
  v.Bool("AIsReplaceLoop", f.ProfileAdd.ReplaceLoop, false);
  v.Float("AClipStartPos", f.ProfileAdd.ClipStartPos, 0);
  v.Float("AClipEndPos", f.ProfileAdd.ClipEndPos, 0);
  v.Bool("IsAuidoEnable", f.ProfileAdd.AudioEnabled, true);
  v.Bool("vProportional", f.ProfileAdd.Proportional, true);
  v.Bool("IsGFlv", f.Generate.GenerateFlv, false);
  v.Bool("IsGSwf", f.Generate.GenerateSwf, true);
  v.Bool("IsGHtml", f.Generate.GenerateHtml, true);
  v.Bool("IsGThumbnail", f.Generate.GenerateThumbnail, true);
  int32_t swf_type = f.Generate.SwfType;
  v.Int("GSwfType", swf_type, 1);
  f.Generate.SwfType = static_cast<uint8_t>(swf_type & 0x7F);
  v.String("GSwfUrlVar", f.Generate.UrlVar);
  v.Bool("IsAutoRewind", f.Playback.AutoRewind, false);
  v.Bool("IsAutoPlay", f.AutoPlay, true);
  v.Bool("IsLaunchClicking", f.Playback.LaunchClicking, false);
  v.String("LaunchClickingUrl", f.Playback.ClickingUrl);
  v.String("LaunchClickingTarget", f.Playback.ClickingTarget);
  v.Bool("IsLaunchEnd", f.Playback.LaunchEnd, false);
  v.String("LaunchEndUrl", f.Playback.EndUrl);
  v.String("LaunchEndTarget", f.Playback.EndTarget);
  v.Bool("IsDecorate", f.Decorate.IsDecorate, true);
  v.Bool("IsUseSkin", f.Skin.UseSkin, true);
  v.String("PlayerID", f.PlayerID);
  v.Bool("IsAutoHideSkin", f.Skin.AutoHideSkin, false);
  v.Bool("IsAutoHideMouse", f.Skin.AutoHideMouse, false);
  v.Int("HideDelay", f.Skin.HideDelay, 5);
  v.Color("SkinColor", f.Skin.SkinColor);
  v.Int("SkinColorSaturation", f.Skin.ColorSaturation, 20);
  v.String("EffectID", f.EffectMask.EffectID);
  v.String("PreloaderID", f.Preloader.PreloaderID);
  v.Int("BaseWidth", f.Base.Width, 320);
  v.Int("BaseHeight", f.Base.Height, 281);
  v.Color("BaseBGColor", f.Base.BGColor);
  double fps = f.Base.FPS;
  v.Float("FPS", fps, 15);
  f.Base.FPS = static_cast<float>(fps);
  v.Int("Textx", f.Text.X, 0);
  v.Int("Texty", f.Text.Y, 0);
  v.Bool("TextVisible", f.Text.Visible, false);
  v.String("TextURL", f.Text.URL);
  v.String("TextContent", f.Text.Content);
  v.String("TextFontName", f.Text.FontName);
  v.Color("TextFontColor", f.Text.FontColor);
  v.Int("TextFontSize", f.Text.FontSize, 12);
  v.Bool("TextBold", f.Text.Bold, false);
  v.Bool("TextItalic", f.Text.Italic, false);
  v.Int("Imagex", f.Image.X, 0);
  v.Int("Imagey", f.Image.Y, 0);
  v.Int("ImageWidth", f.Image.Width, 0);
  v.Int("ImageHeight", f.Image.Height, 0);
  v.Bool("ImageVisible", f.Image.Visible, false);
  v.String("ImageURL", f.Image.URL);
  v.String("ImageFileName", f.Image.FileName);
  v.Bool("ShowSlide", f.ShowSlide, false);
  VisitTitleKeys(v, "Head", f.Head);
  VisitTitleKeys(v, "Tail", f.Tail);
  // How the page gets Ruffle (copy, none or a URL); empty reads as copy.
  v.String("RuffleSource", f.RuffleSource);
}

class TLoader : public TKeyVisitor {
public:
  explicit TLoader(const TConfig& c) : c_(c) {}
  void Bool(const char* key, bool& field, bool def) override { field = c_.ReadBool(keys::kSwfSet, key, def); }
  void Int(const char* key, int32_t& field, int32_t def) override { field = c_.ReadInteger(keys::kSwfSet, key, def); }
  void Color(const char* key, TColor& field) override {
    field = static_cast<TColor>(c_.ReadInteger(keys::kSwfSet, key, 0));
  }
  void Float(const char* key, double& field, double def) override { field = c_.ReadFloat(keys::kSwfSet, key, def); }
  // Strings are kept as UTF-8, so no character is lost on the way through the file.
  void String(const char* key, std::string& field) override { field = c_.ReadString(keys::kSwfSet, key, ""); }

private:
  const TConfig& c_;
};

class TSaver : public TKeyVisitor {
public:
  explicit TSaver(TConfigBatch& c) : c_(c) {}
  void Bool(const char* key, bool& field, bool) override { c_.WriteBool(keys::kSwfSet, key, field); }
  void Int(const char* key, int32_t& field, int32_t) override { c_.WriteInteger(keys::kSwfSet, key, field); }
  void Color(const char* key, TColor& field) override {
    c_.WriteInteger(keys::kSwfSet, key, static_cast<int32_t>(field));
  }
  void Float(const char* key, double& field, double) override { c_.WriteFloat(keys::kSwfSet, key, field); }
  void String(const char* key, std::string& field) override { c_.WriteString(keys::kSwfSet, key, field); }

private:
  TConfigBatch& c_;
};

bool LinkEffective(bool flag, const std::string& url) { return flag && !url.empty() && url != kEmptyLink; }

bool FileExists(const std::string& path) {
  std::error_code ec;
  return !path.empty() && std::filesystem::is_regular_file(path, ec);
}

// The stored settings of f with every derived value in place of its raw field.
TSwfFeature EffectiveSettings(const TSwfFeature& f) {
  TSwfFeature e;
  static_cast<TSWFTemplateInfo&>(e) = f;
  e.Generate = f.Generate;
  e.Generate.SwfType = static_cast<uint8_t>(f.EffectiveSwfType());
  e.Generate.GenerateHtml = f.EffectiveGenerateHtml();
  e.Generate.UrlVar = f.EffectiveUrlVar();
  e.Playback = f.Playback;
  e.Playback.LaunchClicking = f.ClickingLinkEffective();
  e.Playback.ClickingUrl = f.EffectiveClickingUrl();
  e.Playback.LaunchEnd = f.EndLinkEffective();
  e.Playback.EndUrl = f.EffectiveEndUrl();
  e.Skin = f.Skin;
  e.EffectMask = f.EffectMask;
  e.Preloader = f.Preloader;
  e.Decorate = f.Decorate;
  e.ProfileAdd = f.ProfileAdd;
  e.RuffleSource = f.RuffleSource;
  return e;
}

}  // namespace

TSwfFeature::TSwfFeature() : ProgramFolder(fc::ProgramFolder()) {
  Base.FPS = 15.0f;
  Text.URL = kEmptyLink;
  Image.URL = kEmptyLink;
}

void TSwfFeature::LoadFromConfig(const TConfig& config) {
  TLoader loader(config);
  VisitKeys(loader, *this);
  if (RuffleSource.empty()) RuffleSource = "copy";
}

void TSwfFeature::SaveToConfig(const TConfig& config) const {
  TSwfFeature effective = EffectiveSettings(*this);
  TConfigBatch batch(config);
  TSaver saver(batch);
  VisitKeys(saver, effective);
  batch.Commit();
}

void TSwfFeature::Assign(const TSwfFeature* source, bool with_profile_add) {
  if (!source || source == this) return;
  const TSwfFeature e = EffectiveSettings(*source);
  const bool show_slide = ShowSlide;
  const uint8_t own_type = Generate.SwfType;
  static_cast<TSWFTemplateInfo&>(*this) = e;
  ShowSlide = show_slide;
  Generate = e.Generate;
  // A slide show presents its pictures through the player: it never takes embedded video.
  if (ShowSlide && e.Generate.SwfType == kSwfTypeEmbedded) Generate.SwfType = own_type;
  Playback = e.Playback;
  Skin = e.Skin;
  EffectMask = e.EffectMask;
  Preloader = e.Preloader;
  Decorate = e.Decorate;
  RuffleSource = e.RuffleSource;
  DebugTrace = source->DebugTrace;  // a developer's switch that tasks take from the defaults
  if (with_profile_add) ProfileAdd = e.ProfileAdd;
}

int TSwfFeature::EffectiveSwfType() const { return Generate.GenerateSwf ? Generate.SwfType : 0; }

bool TSwfFeature::EffectiveGenerateHtml() const {
  if (!Generate.GenerateSwf) return false;
  if (EffectiveSwfType() == kSwfTypeUrlVariable) return true;
  return Generate.GenerateHtml;
}

std::string TSwfFeature::EffectiveUrlVar() const {
  return Generate.GenerateSwf && Generate.SwfType == kSwfTypeUrlVariable ? Generate.UrlVar : std::string();
}

bool TSwfFeature::ClickingLinkEffective() const { return LinkEffective(Playback.LaunchClicking, Playback.ClickingUrl); }
bool TSwfFeature::EndLinkEffective() const { return LinkEffective(Playback.LaunchEnd, Playback.EndUrl); }
std::string TSwfFeature::EffectiveClickingUrl() const {
  return ClickingLinkEffective() ? Playback.ClickingUrl : std::string();
}
std::string TSwfFeature::EffectiveEndUrl() const { return EndLinkEffective() ? Playback.EndUrl : std::string(); }

std::string TSwfFeature::PlayerTemplatePath(const std::string& name) const {
  const std::string folder = JoinPath(ProgramFolder, kPlayersFolder);
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  const std::string file = name.empty() ? std::string(kDefaultPlayer) : ExtractFileName(name);
  return JoinPath(folder, ChangeFileExt(file, ".swf"));
}

std::string TSwfFeature::PlayerFile() const {
  if (!PlayerID.empty()) {
    const std::string chosen = PlayerTemplatePath(PlayerID);
    return Skin.UseSkin && FileExists(chosen) ? chosen : PlayerTemplatePath(kNonePlayer);
  }
  const std::string file = PlayerTemplatePath(Base.Width >= 300 ? kDefaultPlayer : kNonePlayer);
  return FileExists(file) ? file : PlayerTemplatePath(kNonePlayer);
}

bool TSwfFeature::IsNoPlayer() const { return ExtractFileName(PlayerFile()) == kNonePlayer; }

bool TSwfFeature::IsSmallFrame() const { return Base.Width < 120 || Base.Height < 120; }

std::string TSwfFeature::EffectFile() const {
  return EffectMask.EffectID.empty() ? std::string() : ChangeFileExt(EffectMask.EffectID, ".swf");
}

std::string TSwfFeature::PreloaderFile() const {
  return Preloader.PreloaderID.empty() ? std::string() : ChangeFileExt(Preloader.PreloaderID, ".swf");
}

bool TSwfFeature::UsePreloader() const {
  const std::string file = PreloaderFile();
  return EffectiveSwfType() != kSwfTypeEmbedded && !file.empty() && ExtractFileName(file) != kNonePlayer && FileExists(file);
}

std::vector<std::string> TSwfFeature::TemplateFiles(const std::string& folder, const std::string& default_relative,
                                                     const std::string& filter) const {
  std::string root = folder;
  if (root.empty() || root == default_relative) {
    root = JoinPath(ProgramFolder, default_relative);
    std::error_code ec;
    std::filesystem::create_directories(root, ec);
  }
  std::vector<std::string> files;
  std::error_code ec;
  // Symbolic links to folders are not followed, so a link loop cannot trap the walk.
  for (std::filesystem::recursive_directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    const std::string ext = it->path().extension().string();
    if (!ext.empty() && filter.find(ext) != std::string::npos) files.push_back(it->path().string());
  }
  return files;
}

std::string ExtractFileName(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string ChangeFileExt(const std::string& path, const std::string& ext) {
  const size_t slash = path.find_last_of("/\\");
  const size_t dot = path.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + ext;
  return path.substr(0, dot) + ext;
}

TColor ColorToRGB(TColor color) {
  if ((color & 0x80000000u) == 0) return color;
  // The usual values of the system colours (index in the low byte), as a light desktop shows them.
  static constexpr TColor kSystemColors[] = {
      0xC8C8C8, 0x000000, 0xD1B499, 0xDBCDBF, 0xF0F0F0, 0xFFFFFF, 0x646464, 0x000000, 0x000000,
      0xFFFFFF, 0xB4B4B4, 0xFCF7F4, 0xABABAB, 0xD77800, 0xFFFFFF, 0xF0F0F0, 0xA0A0A0, 0x6D6D6D,
      0x000000, 0x000000, 0xFFFFFF, 0x696969, 0xE3E3E3, 0x000000, 0xE1FFFF, 0x000000, 0xCC6600,
      0xEAD1B9, 0xF2E4D7, 0xD77800, 0xF0F0F0};
  const TColor index = color & 0xFF;
  return index < std::size(kSystemColors) ? kSystemColors[index] : 0;
}

}  // namespace fc
