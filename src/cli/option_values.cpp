#include "cli/option_values.h"

#include <cctype>
#include <cmath>

#include "core/text.h"

namespace fc::cli {

namespace {

// A number followed by a unit: "44.1kHz" gives 44.1 and "khz"; false when no number leads.
bool SplitUnit(std::string_view text, double& number, std::string& unit) {
  text = Trim(text);
  size_t end = 0;
  while (end < text.size() && (std::isdigit(static_cast<unsigned char>(text[end])) || text[end] == '.')) ++end;
  const auto n = ParseDouble(text.substr(0, end));
  if (end == 0 || !n || !std::isfinite(*n)) return false;
  number = *n;
  unit = ToLowerAscii(Trim(text.substr(end)));
  return true;
}

// The factor of a unit in `units` (pairs of spellings and factors), or 0.
double UnitFactor(const std::string& unit, std::initializer_list<std::pair<std::string_view, double>> units) {
  for (const auto& [spelling, factor] : units)
    if (unit == spelling) return factor;
  return 0;
}

std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// A limit as people write it: "100000", never "1e+05".
std::string LimitText(double v) { return Format("%.15g", v); }

}  // namespace

namespace {
std::string List(std::span<const TNamedValue> table, bool with_values) {
  std::string list;
  for (size_t i = 0; i < table.size(); ++i) {
    if (i > 0) list += i + 1 == table.size() ? " or " : ", ";
    list += table[i].Name;
    if (with_values) list += " (" + std::to_string(table[i].Value) + ")";
  }
  return list;
}
}  // namespace

std::string NameList(std::span<const TNamedValue> table) { return List(table, false); }
std::string ChoiceHelp(std::span<const TNamedValue> table) { return List(table, true); }
std::string FlagsHelp(std::span<const TNamedValue> table) {
  return List(table, true) + "; several separated by commas, or the sum of their numbers";
}

int32_t ParseIntText(const std::string& name, const std::string& text, int32_t low, int32_t high) {
  const auto n = ParseInt32(text);
  if (!n || *n < low || *n > high)
    throw UsageError(name + " takes a whole number from " + std::to_string(low) + " to " + std::to_string(high) +
                     ", not " + Quoted(text));
  return *n;
}

double ParseNumberText(const std::string& name, const std::string& text, double low, double high) {
  const auto d = ParseDouble(text);
  if (!d || !std::isfinite(*d) || *d < low || *d > high)
    throw UsageError(name + " takes a number from " + LimitText(low) + " to " + LimitText(high) + ", not " +
                     Quoted(text));
  return *d;
}

std::optional<double> TimeFromText(std::string_view text) {
  const std::vector<std::string> parts = Split(Trim(text), ':');
  if (parts.empty() || parts.size() > 3) return std::nullopt;
  double seconds = 0;
  for (size_t i = 0; i < parts.size(); ++i) {
    const auto v = ParseDouble(parts[i]);
    // Hours and minutes are whole; minutes and seconds after a colon stay below 60.
    const bool last = i + 1 == parts.size();
    if (!v || !std::isfinite(*v) || *v < 0 || (!last && *v != std::floor(*v)) || (i > 0 && *v >= 60))
      return std::nullopt;
    seconds = seconds * 60 + *v;
  }
  return seconds;
}

double ParseTimeText(const std::string& name, const std::string& text) {
  const auto seconds = TimeFromText(text);
  if (!seconds)
    throw UsageError(name + " takes a time in seconds (such as 90 or 1.5) or as MM:SS or HH:MM:SS (such as 1:30), not " +
                     Quoted(text));
  return *seconds;
}

std::optional<int32_t> IntValue(const TArgs& args, const std::string& name, int32_t low, int32_t high) {
  const auto v = args.get(name);
  if (!v) return std::nullopt;
  return ParseIntText(name, *v, low, high);
}

std::optional<double> NumberValue(const TArgs& args, const std::string& name, double low, double high) {
  const auto v = args.get(name);
  if (!v) return std::nullopt;
  return ParseNumberText(name, *v, low, high);
}

TFrameSize ParseSizeText(const std::string& name, const std::string& text, TFrameSize low, TFrameSize high) {
  const size_t x = text.find_first_of("xX");
  const auto w = x == std::string::npos ? std::nullopt : ParseInt32(text.substr(0, x));
  const auto h = x == std::string::npos ? std::nullopt : ParseInt32(text.substr(x + 1));
  if (!w || !h || *w < low.Width || *h < low.Height || *w > high.Width || *h > high.Height)
    throw UsageError(Format("%s takes WIDTHxHEIGHT in pixels from %dx%d to %dx%d, such as 320x240, not '%s'",
                            name.c_str(), low.Width, low.Height, high.Width, high.Height, text.c_str()));
  return TFrameSize{*w, *h};
}

std::optional<TFrameSize> SizeValue(const TArgs& args, const std::string& name, TFrameSize low, TFrameSize high) {
  const auto v = args.get(name);
  if (!v) return std::nullopt;
  return ParseSizeText(name, *v, low, high);
}

std::optional<double> TimeValue(const TArgs& args, const std::string& name) {
  const auto v = args.get(name);
  if (!v) return std::nullopt;
  return ParseTimeText(name, *v);
}

std::optional<double> FrameRateValue(const TArgs& args, const std::string& name, double low, double high) {
  const auto v = args.get(name);
  if (!v) return std::nullopt;
  std::string text = ToLowerAscii(Trim(*v));
  if (text.ends_with("fps")) text = std::string(Trim(text.substr(0, text.size() - 3)));
  std::optional<double> rate;
  if (const size_t slash = text.find('/'); slash != std::string::npos) {
    const auto n = ParseDouble(text.substr(0, slash)), d = ParseDouble(text.substr(slash + 1));
    if (n && d && *d > 0) rate = *n / *d;
  } else {
    rate = ParseDouble(text);
  }
  if (!rate || !std::isfinite(*rate) || *rate < low || *rate > high)
    throw UsageError(name + " takes a frame rate from " + LimitText(low) + " to " + LimitText(high) +
                     " frames per second, such as 25, 29.97 or 30000/1001, not " + Quoted(*v));
  return rate;
}

std::optional<int32_t> SampleRateValue(const TArgs& args, const std::string& name, int32_t low, int32_t high) {
  const auto v = args.get(name);
  if (!v) return std::nullopt;
  double number = 0, factor = 0;
  std::string unit;
  if (SplitUnit(*v, number, unit)) factor = UnitFactor(unit, {{"", 1}, {"hz", 1}, {"k", 1000}, {"khz", 1000}});
  const double hz = std::round(number * factor);
  if (factor == 0 || hz < low || hz > high)
    throw UsageError(Format("%s takes a sample rate from %d to %d Hz, such as 44100, 44100Hz or 44.1kHz, not '%s'",
                            name.c_str(), low, high, v->c_str()));
  return static_cast<int32_t>(hz);
}

std::optional<int32_t> BitRateValue(const TArgs& args, const std::string& name, int32_t low, int32_t high) {
  const auto v = args.get(name);
  if (!v) return std::nullopt;
  double number = 0, factor = 0;
  std::string unit;
  if (SplitUnit(*v, number, unit))
    factor = UnitFactor(unit, {{"", 1000},
                               {"k", 1000},
                               {"kbit", 1000},
                               {"kbps", 1000},
                               {"kbit/s", 1000},
                               {"m", 1000000},
                               {"mbit", 1000000},
                               {"mbps", 1000000},
                               {"mbit/s", 1000000},
                               {"bit", 1},
                               {"bps", 1},
                               {"bit/s", 1}});
  const double bits = std::round(number * factor);
  if (factor == 0 || bits < low || bits > high)
    throw UsageError(name + " takes a bit rate from " + LimitText(low / 1000.0) + " to " + LimitText(high / 1000.0) +
                     " kbit/s: a number in kbit/s, or one with a unit such as 800k, 800kbit, 1.5M or 96000bit; not " +
                     Quoted(*v));
  return static_cast<int32_t>(bits);
}

std::optional<std::vector<int32_t>> IntListValue(const TArgs& args, const std::string& name, size_t count) {
  const auto v = args.get(name);
  if (!v) return std::nullopt;
  std::vector<int32_t> values;
  for (const std::string& part : Split(*v, ',')) {
    const auto n = ParseInt32(Trim(part));
    if (!n) break;
    values.push_back(*n);
  }
  if (values.size() != count || Split(*v, ',').size() != count)
    throw UsageError(name + " takes " + std::to_string(count) + " whole numbers separated by commas, not " + Quoted(*v));
  return values;
}

std::optional<TCropRect> CropValue(const TArgs& args, const std::string& name) {
  const auto v = IntListValue(args, name, 4);
  if (!v) return std::nullopt;
  const TCropRect r{(*v)[0], (*v)[1], (*v)[2], (*v)[3]};
  if (r.Left < 0 || r.Top < 0 || r.Right <= r.Left || r.Bottom <= r.Top)
    throw UsageError(name + " takes LEFT,TOP,RIGHT,BOTTOM in source pixels with RIGHT > LEFT and BOTTOM > TOP, "
                     "such as 0,0,320,240");
  return r;
}

std::optional<TRgbColor> RgbValue(const TArgs& args, const std::string& name) {
  const std::optional<std::string> text = args.get(name);
  if (!text) return std::nullopt;
  std::string_view hex = *text;
  if (!hex.empty() && hex.front() == '#') hex.remove_prefix(1);
  if (hex.size() != 6 || hex.find_first_not_of("0123456789abcdefABCDEF") != std::string_view::npos)
    throw UsageError(name + " takes a colour as RRGGBB (six hexadecimal digits), not \"" + *text + "\"");
  const auto rgb = static_cast<uint32_t>(std::stoul(std::string(hex), nullptr, 16));
  return TRgbColor{static_cast<uint8_t>(rgb >> 16), static_cast<uint8_t>(rgb >> 8), static_cast<uint8_t>(rgb)};
}

std::optional<int32_t> NamedValue(const TArgs& args, const std::string& name, std::span<const TNamedValue> table) {
  const auto v = args.get(name);
  if (!v) return std::nullopt;
  const auto n = ParseInt32(*v);
  for (const TNamedValue& entry : table)
    if (IEquals(Trim(*v), entry.Name) || (n && *n == entry.Value)) return entry.Value;
  throw UsageError(name + " takes " + NameList(table) + " (or their numbers), not " + Quoted(*v));
}

std::optional<int32_t> FlagsValue(const TArgs& args, const std::string& name, std::span<const TNamedValue> table) {
  const std::vector<std::string> values = args.All(name);
  if (values.empty()) return std::nullopt;
  int32_t known = 0;
  for (const TNamedValue& entry : table) known |= entry.Value;
  int32_t bits = 0;
  for (const std::string& value : values) {
    if (const auto n = ParseInt32(value)) {
      if (*n < 0 || (*n & ~known) != 0) bits = -1;
      else bits |= *n;
    } else {
      for (const std::string& part : Split(value, ',')) {
        const TNamedValue* found = nullptr;
        for (const TNamedValue& entry : table)
          if (IEquals(Trim(part), entry.Name)) found = &entry;
        if (!found) {
          bits = -1;
          break;
        }
        bits |= found->Value;
      }
    }
    if (bits < 0)
      throw UsageError(name + " takes " + NameList(table) + ", several separated by commas, or the sum of their bits (" +
                       std::to_string(known) + " for all), not " + Quoted(value));
  }
  return bits;
}

}  // namespace fc::cli
