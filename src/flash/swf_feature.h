#pragma once
// The Flash output settings of one conversion task: which files are made (FLV, SWF, HTML),
// how the video goes into the SWF, the player skin and its behaviour, links, the opening
// effect, the preloader, the credit text or picture, the title screens before and after the
// video, and the audio options the encoder applies.
//
// The task manager keeps a default TSwfFeature, stored in section "SwfSet" of the settings
// file; every task owns its own copy, filled by Assign. Derived ("effective") values are used
// everywhere in place of the raw fields: a link with the URL "http://" is no link, an SWF
// that is not generated has type 0, and so on.

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace fc {

struct TConfig;

// Colours are 0x00BBGGRR; values with the top bit set name a system colour (see ColorToRGB).
using TColor = uint32_t;

struct TBaseInfo {
  int32_t Left = 0;
  int32_t Top = 0;
  int32_t Width = 0;   // frame size in pixels
  int32_t Height = 0;
  float FPS = 0;
  TColor BGColor = 0;
};

struct TTextInfo {
  int32_t X = 0, Y = 0;
  bool Visible = false;
  std::string URL;      // link opened on a click; empty for none
  std::string Content;
  std::string FontName;
  TColor FontColor = 0;
  int32_t FontSize = 0;  // points
  bool Bold = false, Italic = false;
};

struct TImageInfo {
  int32_t X = 0, Y = 0;
  bool Visible = false;
  std::string URL;
  int32_t Width = 0, Height = 0;  // size the picture is stretched to
  std::string FileName;
};

// A title screen before or after the video. X, Y and URL are kept but not used; Content
// holds one or more lines separated by "#13".
struct TDTextEffect : TTextInfo {
  int32_t Time = 0;            // seconds
  std::string NameID;          // title animation, e.g. "Fade"
  std::string BGPictureName;   // ".jpg" or ".bmp" background; empty for none
  TColor BGColor = 0;
};

struct TSWFTemplateInfo {
  TImageInfo Image;
  TBaseInfo Base;
  TTextInfo Text;
  TDTextEffect Head;
  TDTextEffect Tail;
  std::string PlayerID;  // player skin file; only its file-name part counts
  bool AutoPlay = false;
  bool ShowSlide = false;  // a slide show: every FLV comes with one picture
};

// SWF types: how the player movie gets its video.
inline constexpr uint8_t kSwfTypeEmbedded = 1;     // the FLV frames in the movie's timeline
inline constexpr uint8_t kSwfTypeExternalFlv = 2;  // the FLV file beside the movie
inline constexpr uint8_t kSwfTypeUrlVariable = 3;  // the FLV path from a URL variable

// What to produce.
struct TSwfGenerate {
  bool GenerateFlv = true;        // keep the FLVs beside an SWF with embedded video
  bool GenerateSwf = true;
  bool GenerateHtml = true;
  bool GenerateThumbnail = true;
  uint8_t SwfType = kSwfTypeExternalFlv;
  std::string UrlVar;
};

struct TSwfPlayback {
  bool LaunchClicking = false;
  bool LaunchEnd = false;
  std::string ClickingUrl = "http://";
  std::string EndUrl = "http://";
  bool AutoRewind = false;
  std::string ClickingTarget;  // "_blank", "_self", "_parent" or "_top"
  std::string EndTarget;
};

struct TSwfSkin {
  bool UseSkin = true;
  bool AutoHideSkin = true;
  bool AutoHideMouse = false;
  int32_t HideDelay = 5;  // seconds
  TColor SkinColor = 0;
  int32_t ColorSaturation = 20;
};

struct TSwfEffectMask {
  std::string EffectID;  // opening-effect template
};

struct TSwfPreloader {
  std::string PreloaderID;
};

struct TSwfDecorate {
  bool IsDecorate = false;  // lay the text or picture credit over the player
};

// Options the encoder applies to the task.
struct TProfileAdd {
  bool AudioEnabled = true;
  std::string ReplaceAudio;  // audio file replacing the source's sound; empty for none
  bool ReplaceLoop = false;
  double ClipStartPos = 0;   // part of the replacement audio, seconds; 0 and 0: all of it
  double ClipEndPos = 0;
  bool Proportional = true;
};

class TSwfFeature : public TSWFTemplateInfo {
public:
  TSwfFeature();

  TSwfGenerate Generate;
  TSwfPlayback Playback;
  TSwfSkin Skin;
  TSwfEffectMask EffectMask;
  TSwfPreloader Preloader;
  TSwfDecorate Decorate;
  TProfileAdd ProfileAdd;
  // How the HTML page gets Ruffle's web player, which plays the movie in today's browsers:
  // "copy" (a ruffle/ folder copied from the program folder beside the page), "none" (the
  // page names ruffle/ but nothing is copied) or the URL of the user's own ruffle.js. Stored
  // as "RuffleSource" after the other keys and copied by Assign.
  std::string RuffleSource = "copy";

  // Run-time fields, never stored nor copied by Assign.
  std::string OutputPath;              // output folder
  std::string OutputFile;              // the movie's path; only its file-name part is used
  std::vector<std::string> FlvFiles;   // the FLVs to present, in playing order
  std::function<void(int, int)> OnProgress;
  std::function<void(bool, const std::string&)> OnFinished;  // output path, or the error text
  std::string ProgramFolder;           // where Templates/ lives; the program's folder by default
  // What the last Build wrote (movie, page, ruffle/ folder, kept part files: full paths) and
  // what it left out with a warning (a missing effect or preloader template).
  std::vector<std::string> WrittenFiles;
  std::vector<std::string> Warnings;
  // The players trace what they do ("player:play NAME", ...): for tests. Copied by Assign,
  // so that tasks take it from the defaults.
  bool DebugTrace = false;
  // The frame counts of the segments the last embedded-layout build wrote, in order.
  std::vector<int32_t> SegmentFrames;

  void LoadFromConfig(const TConfig& config);
  // Writes every key of section "SwfSet"; links, type and URL variable are stored with
  // their effective values. Throws IoError when the file cannot be written.
  void SaveToConfig(const TConfig& config) const;
  // Copies the stored settings of another object (nothing for a null source). TProfileAdd is
  // copied only with with_profile_add; ShowSlide and the run-time fields never are. A
  // slide-show target never takes type 1 (embedded video) from another task.
  void Assign(const TSwfFeature* source, bool with_profile_add);

  // Builds the outputs for FlvFiles in the folder OutputPath under the file name of
  // OutputFile. Never throws: on failure OnFinished (when set) gets the message, which is also
  // returned through `error`; true on success.
  // (Named apart from the TSwfGenerate part, which is called Generate.)
  bool GenerateOutputs(std::string* error = nullptr);
  // The movie and its page for the given FLVs (the program's sample video when null) in the
  // per-user preview cache; returns the movie's path. Throws fc::Error on failure.
  std::string BuildPreview(std::vector<std::string>* flv_files);
  // The assembly both use: returns the movie's path. Throws fc::Error on failure.
  std::string Build(const std::vector<std::string>& flv_files, const std::string& folder,
                    const std::string& file_name, bool preview);

  const TDTextEffect& GetHeadEffect() const { return Head; }
  const TDTextEffect& GetTailEffect() const { return Tail; }

  // Derived values.
  int EffectiveSwfType() const;           // SwfType when GenerateSwf is set, else 0
  bool EffectiveGenerateHtml() const;     // always true for type 3, never without an SWF
  std::string EffectiveUrlVar() const;    // the URL variable of type 3, else ""
  bool ClickingLinkEffective() const;
  bool EndLinkEffective() const;
  std::string EffectiveClickingUrl() const;
  std::string EffectiveEndUrl() const;

  // Player skin: "<program>/Templates/Players/<file-name part of name>.swf".
  std::string PlayerTemplatePath(const std::string& name) const;
  std::string PlayerFile() const;  // falls back to "None.swf" as the player rules say
  bool IsNoPlayer() const;         // the player file is "None.swf"
  bool IsSmallFrame() const;       // below 120 pixels in either direction
  std::string EffectFile() const;  // EffectID with the extension ".swf"
  std::string PreloaderFile() const;
  bool UsePreloader() const;

  // All files under a template folder (recursively) whose extension, with its dot, occurs in
  // the filter text (".swf;.SWF"). An empty folder, or one equal to the default's relative
  // name, means that default folder under the program folder.
  std::vector<std::string> TemplateFiles(const std::string& folder, const std::string& default_relative,
                                         const std::string& filter) const;
};

// Replaces the extension of a path's file name (or adds one).
std::string ChangeFileExt(const std::string& path, const std::string& ext);
// The file-name part of a path ("/" or "\" separated).
std::string ExtractFileName(const std::string& path);
// Resolves a system colour (top bit set, index in the low byte) to its RGB value.
TColor ColorToRGB(TColor color);

}  // namespace fc
