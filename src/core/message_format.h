#pragma once
// Messages whose text comes from a language file and is used as a printf-style format.
//
// A translation is data, not code: its directives must not decide how the arguments are
// read. FormatChecked parses the text's directives and formats each argument itself with
// the length modifier the argument really has, so a translation can only be used when its
// directives name the same kinds of value, in the same order and number, as the caller
// passes. FormatMessage falls back to the built-in text when the translation does not fit;
// "%n", positional ("%1$s") and "*" widths are never accepted.

#include <cstdint>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>

namespace fc {

// One argument of a message: an integer, a floating-point number or a text.
class TFormatArg {
public:
  template <typename T>
    requires std::is_integral_v<T>
  TFormatArg(T v) : value_(static_cast<int64_t>(v)) {}
  TFormatArg(double v) : value_(v) {}
  TFormatArg(const char* v) : value_(std::string_view(v ? v : "")) {}
  TFormatArg(const std::string& v) : value_(std::string_view(v)) {}
  TFormatArg(std::string_view v) : value_(v) {}

  const std::variant<int64_t, double, std::string_view>& Value() const { return value_; }

private:
  std::variant<int64_t, double, std::string_view> value_;
};

// The text with its directives filled from args, or nullopt when a directive does not fit
// its argument (or there are more or fewer directives than arguments). "%%" is a percent
// sign. Integers take d i u o x X c; floating-point numbers e E f F g G a A; texts s.
std::optional<std::string> FormatChecked(std::string_view format, std::span<const TFormatArg> args);

// The translated text formatted when it fits the arguments, else the built-in text
// formatted; the built-in text as it stands when even that does not fit.
std::string FormatWithFallback(std::string_view translated, std::string_view built_in,
                               std::span<const TFormatArg> args);
inline std::string FormatWithFallback(std::string_view translated, std::string_view built_in,
                                      std::initializer_list<TFormatArg> args) {
  return FormatWithFallback(translated, built_in, std::span<const TFormatArg>(args.begin(), args.size()));
}

// The message of a language key (GetString(key, built_in)) formatted with args, falling
// back to the built-in text when the translation does not fit them.
std::string FormatMessage(std::string_view key, std::string_view built_in, std::initializer_list<TFormatArg> args);

}  // namespace fc
