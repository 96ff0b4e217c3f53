#include "core/message_format.h"

#include <cstdio>

#include "core/language.h"

namespace fc {
namespace {

// Widths and precisions beyond this come from a broken translation, not from a layout.
constexpr int kMaxFieldSize = 1000;

enum class TArgKind { Integer, Floating, Text };

// One directive's parts: flags, width and precision kept as written, the conversion, and the
// kind of argument it reads.
struct TDirective {
  std::string Flags;
  std::string Width;
  std::string Precision;  // with its leading "."
  char Conversion = 0;
  TArgKind Kind = TArgKind::Integer;
};

std::optional<TArgKind> KindOfConversion(char c) {
  switch (c) {
    case 'd': case 'i': case 'u': case 'o': case 'x': case 'X': case 'c':
      return TArgKind::Integer;
    case 'e': case 'E': case 'f': case 'F': case 'g': case 'G': case 'a': case 'A':
      return TArgKind::Floating;
    case 's':
      return TArgKind::Text;
    default:
      return std::nullopt;  // %n, %p and everything unknown
  }
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads the digits at pos (none is fine); false when they exceed kMaxFieldSize.
bool ReadNumber(std::string_view text, size_t& pos, std::string& out) {
  while (pos < text.size() && IsDigit(text[pos])) {
    out += text[pos++];
    if (out.size() > 4) return false;
  }
  return out.empty() || std::stoi(out) <= kMaxFieldSize;
}

// Parses the directive after the "%" at pos; pos ends behind its conversion character.
std::optional<TDirective> ParseDirective(std::string_view text, size_t& pos) {
  TDirective d;
  while (pos < text.size() && std::string_view("-+ #0'").find(text[pos]) != std::string_view::npos)
    d.Flags += text[pos++];
  if (!ReadNumber(text, pos, d.Width)) return std::nullopt;
  if (pos < text.size() && text[pos] == '.') {
    ++pos;
    std::string digits;
    if (!ReadNumber(text, pos, digits)) return std::nullopt;
    d.Precision = "." + digits;
  }
  // Length modifiers are the caller's business: each argument is formatted with its own.
  while (pos < text.size() && std::string_view("hlLqjzt").find(text[pos]) != std::string_view::npos) ++pos;
  if (pos >= text.size()) return std::nullopt;
  d.Conversion = text[pos++];
  const std::optional<TArgKind> kind = KindOfConversion(d.Conversion);
  if (!kind) return std::nullopt;  // also "*" and "$", which land here as the conversion
  d.Kind = *kind;
  return d;
}

template <typename T>
void AppendFormatted(std::string& out, const std::string& spec, T value) {
  const int n = std::snprintf(nullptr, 0, spec.c_str(), value);
  if (n <= 0) return;
  const size_t at = out.size();
  out.resize(at + static_cast<size_t>(n) + 1);
  std::snprintf(out.data() + at, static_cast<size_t>(n) + 1, spec.c_str(), value);
  out.resize(at + static_cast<size_t>(n));
}

bool AppendArgument(std::string& out, const TDirective& d, const TFormatArg& arg) {
  const std::string head = "%" + d.Flags + d.Width + d.Precision;
  const auto& value = arg.Value();
  switch (d.Kind) {
    case TArgKind::Integer: {
      const int64_t* v = std::get_if<int64_t>(&value);
      if (!v) return false;
      if (d.Conversion == 'c')
        AppendFormatted(out, head + "c", static_cast<int>(static_cast<unsigned char>(*v)));
      else if (d.Conversion == 'd' || d.Conversion == 'i')
        AppendFormatted(out, head + "ll" + d.Conversion, static_cast<long long>(*v));
      else
        AppendFormatted(out, head + "ll" + d.Conversion, static_cast<unsigned long long>(*v));
      return true;
    }
    case TArgKind::Floating: {
      const double* v = std::get_if<double>(&value);
      if (!v) return false;
      AppendFormatted(out, head + d.Conversion, *v);
      return true;
    }
    case TArgKind::Text: {
      const std::string_view* v = std::get_if<std::string_view>(&value);
      if (!v) return false;
      AppendFormatted(out, head + "s", std::string(*v).c_str());
      return true;
    }
  }
  return false;
}

}  // namespace

std::optional<std::string> FormatChecked(std::string_view format, std::span<const TFormatArg> args) {
  std::string out;
  size_t next_arg = 0;
  size_t pos = 0;
  while (pos < format.size()) {
    const size_t percent = format.find('%', pos);
    out.append(format.substr(pos, percent == std::string_view::npos ? std::string_view::npos : percent - pos));
    if (percent == std::string_view::npos) break;
    pos = percent + 1;
    if (pos < format.size() && format[pos] == '%') {
      out += '%';
      ++pos;
      continue;
    }
    const std::optional<TDirective> directive = ParseDirective(format, pos);
    if (!directive || next_arg >= args.size()) return std::nullopt;
    if (!AppendArgument(out, *directive, args[next_arg++])) return std::nullopt;
  }
  if (next_arg != args.size()) return std::nullopt;
  return out;
}

std::string FormatWithFallback(std::string_view translated, std::string_view built_in,
                               std::span<const TFormatArg> args) {
  if (std::optional<std::string> text = FormatChecked(translated, args)) return *std::move(text);
  if (std::optional<std::string> text = FormatChecked(built_in, args)) return *std::move(text);
  return std::string(built_in);
}

std::string FormatMessage(std::string_view key, std::string_view built_in, std::initializer_list<TFormatArg> args) {
  return FormatWithFallback(GetString(key, built_in), built_in, std::span<const TFormatArg>(args.begin(), args.size()));
}

}  // namespace fc
