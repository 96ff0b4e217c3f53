#pragma once
// One output profile: the encoder values a profile puts into a task's encode record, and the
// choices the Customize dialog offers for each of them. Profiles come from "format.dat"
// (built in) and "UserFormats.dat" (the user's own), as "FormatInfo" elements.

#include <cstdint>
#include <string>
#include <vector>

#include <pugixml.hpp>

#include "engine/encode_params.h"

namespace fc {

// Profile files store frame rates as frames per second times this.
inline constexpr double kFrameRateScale = 1000.0;

// A choice of a codec list: its text as written and its packed four-character code.
struct TCodecChoice {
  std::string Text;
  TFourCC Code = 0;
};

struct TProfileItem {
  int32_t Id = 0;
  int32_t NewId = 0;        // a user profile derived from profile Id; 0 for built-in ones
  bool Skip = false;
  int32_t CategoryId = 0;
  fc::TFourCC FourCC = 0;    // container
  std::string Icon;
  std::string Format;       // format text shown with the profile
  std::string Name;
  std::string Description;

  // "EncParam"
  int32_t Interpolation = 0;
  int32_t ResizeStyle = 0;  // a TScaleMode value
  int32_t SampleRate = 0;
  int32_t Width = 0, Height = 0;
  fc::TFourCC AudioEncoder = 0;
  fc::TFourCC VideoEncoder = 0;
  int32_t Channels = 0;
  double FrameRate = 0;     // frames per second (stored times kFrameRateScale)
  int32_t AudioBitrate = 0, VideoBitrate = 0;
  int32_t Formate = 0;
  int32_t Norm = 0;

  // Choices for the Customize dialog.
  std::vector<std::string> Resolutions, FrameRates, VideoBitrates, AudioBitrates, SampleRates, ChannelChoices;
  std::vector<TCodecChoice> VideoEncoders, AudioEncoders;

  bool IsUser = false;

  // The identifier used everywhere else: NewId when set, else Id.
  int32_t EffectiveId() const { return NewId != 0 ? NewId : Id; }
  // Audio only: no frame size or video bit rate, or a video bit-rate list of just "0".
  bool NoVideo() const;

  // Reads a "FormatInfo" element (element names compared ignoring case).
  static TProfileItem FromXml(const pugi::xml_node& format_info);
  // Writes this profile over a "FormatInfo" element (a copy of the built-in one it came from).
  void ToXml(pugi::xml_node format_info) const;
};

// A comma-separated choice list; blanks before an entry are dropped.
std::vector<std::string> SplitChoiceList(const std::string& text);
// Text attributes such as skip="true" or skip="1".
bool ParseXmlBool(const char* text);
// The first child element whose name equals `name` ignoring case.
pugi::xml_node ChildNoCase(const pugi::xml_node& parent, const char* name);

}  // namespace fc
