#pragma once
// Typed values of command-line options, the same forms in every command: an option that two
// commands share means the same there and accepts the same texts. Each getter returns nothing
// when the option is absent and throws UsageError, naming the accepted forms, for a bad value.
//
// Forms:
//   whole numbers   "12", "0x0C"
//   numbers         "1.5"
//   sizes           "320x240" (or "320X240")
//   times           seconds "90", "1.5", or "1:30", "0:01:30.5"
//   frame rates     "25", "29.97", "30000/1001", optionally followed by "fps"
//   sample rates    "44100", "44100Hz", "44.1k", "44.1kHz"
//   bit rates       kbit/s without a unit: "800"; with a unit "800k", "800kbit", "800kbps",
//                   "1.5M", "1.5Mbit", "96000bit", "96000bps"
//   lists           "1,2,3,4"
//   colours         "336699", "#336699"
//   named values    a name of the option's table or its number ("letterbox" or "4")
//   flag sets       names of the option's table separated by commas, or the sum of their bits

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "cli/command.h"
#include "engine/encode_params.h"
#include "engine/video_processor.h"

namespace fc::cli {

struct TNamedValue {
  std::string_view Name;
  int32_t Value;
};

// One table per code space, shared by every command that takes it.
inline constexpr TNamedValue kZoomNames[] = {
    {"full", static_cast<int32_t>(TScaleMode::FullScreen)},   {"keep", static_cast<int32_t>(TScaleMode::KeepOriginal)},
    {"16:9", static_cast<int32_t>(TScaleMode::Wide16x9)},     {"4:3", static_cast<int32_t>(TScaleMode::Standard4x3)},
    {"letterbox", static_cast<int32_t>(TScaleMode::LetterBox)}, {"panscan", static_cast<int32_t>(TScaleMode::PanScan)}};
inline constexpr TNamedValue kDeinterlaceNames[] = {
    {"none", static_cast<int32_t>(TDeinterlaceMode::None)},
    {"odd", static_cast<int32_t>(TDeinterlaceMode::RepeatOdd)},
    {"even", static_cast<int32_t>(TDeinterlaceMode::RepeatEven)},
    {"odd-interpolate", static_cast<int32_t>(TDeinterlaceMode::OddInterpolate)},
    {"even-interpolate", static_cast<int32_t>(TDeinterlaceMode::EvenInterpolate)}};
inline constexpr TNamedValue kEffectNames[] = {
    {"gray", kEffectGray}, {"emboss", kEffectEmboss}, {"negative", kEffectNegative}, {"oldfilm", kEffectOldFilm}};
inline constexpr TNamedValue kFlipNames[] = {
    {"h", kFlipHorizontal}, {"v", kFlipVertical}, {"hv", kFlipHorizontal | kFlipVertical},
    {"vh", kFlipHorizontal | kFlipVertical}};

// "a, b or c" for messages.
std::string NameList(std::span<const TNamedValue> table);
// Help texts: "a (0), b (1) or c (2)"; for flag sets also how several are given.
std::string ChoiceHelp(std::span<const TNamedValue> table);
std::string FlagsHelp(std::span<const TNamedValue> table);

struct TFrameSize {
  int32_t Width = 0, Height = 0;
};

struct TRgbColor {
  uint8_t R = 0, G = 0, B = 0;
};

// Parsers of one text; `name` is the option (or argument) named in the message.
int32_t ParseIntText(const std::string& name, const std::string& text, int32_t low, int32_t high);
double ParseNumberText(const std::string& name, const std::string& text, double low, double high);
double ParseTimeText(const std::string& name, const std::string& text);  // seconds, 0 or more
TFrameSize ParseSizeText(const std::string& name, const std::string& text, TFrameSize low, TFrameSize high);
// A time's seconds, or nothing when the text is not a time.
std::optional<double> TimeFromText(std::string_view text);

std::optional<int32_t> IntValue(const TArgs& args, const std::string& name, int32_t low, int32_t high);
std::optional<double> NumberValue(const TArgs& args, const std::string& name, double low, double high);
std::optional<TFrameSize> SizeValue(const TArgs& args, const std::string& name, TFrameSize low, TFrameSize high);
std::optional<double> TimeValue(const TArgs& args, const std::string& name);
std::optional<double> FrameRateValue(const TArgs& args, const std::string& name, double low, double high);
std::optional<int32_t> SampleRateValue(const TArgs& args, const std::string& name, int32_t low, int32_t high);
// Bits per second; the limits are bits per second too.
std::optional<int32_t> BitRateValue(const TArgs& args, const std::string& name, int32_t low, int32_t high);
// Exactly `count` whole numbers separated by commas.
std::optional<std::vector<int32_t>> IntListValue(const TArgs& args, const std::string& name, size_t count);
// LEFT,TOP,RIGHT,BOTTOM in source pixels, RIGHT > LEFT >= 0 and BOTTOM > TOP >= 0.
std::optional<TCropRect> CropValue(const TArgs& args, const std::string& name);
// A colour as six hexadecimal digits RRGGBB (a leading "#" is allowed).
std::optional<TRgbColor> RgbValue(const TArgs& args, const std::string& name);
// A name of the table or one of its values.
std::optional<int32_t> NamedValue(const TArgs& args, const std::string& name, std::span<const TNamedValue> table);
// The bits of every occurrence of the option together (names or numbers); nothing when absent.
std::optional<int32_t> FlagsValue(const TArgs& args, const std::string& name, std::span<const TNamedValue> table);

}  // namespace fc::cli
