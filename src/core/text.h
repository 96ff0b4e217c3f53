#pragma once
// Small text helpers. Text is UTF-8 in std::string everywhere inside the program;
// UTF-16 appears only where a file format asks for it.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fc {

// printf-style formatting into a std::string (the program's messages use %s and %d forms).
std::string Format(const char* fmt, ...) __attribute__((format(printf, 1, 2)));

std::string_view Trim(std::string_view s);
std::string ToLowerAscii(std::string_view s);
std::string ToUpperAscii(std::string_view s);
bool IEquals(std::string_view a, std::string_view b);  // ASCII case-insensitive
bool IStartsWith(std::string_view s, std::string_view prefix);
std::vector<std::string> Split(std::string_view s, char sep);
bool ContainsLineBreak(std::string_view s);

// Whole-string number parsing: surrounding blanks are allowed, anything else is a failure.
// ParseInt32 reads decimal, or hexadecimal after "0x"/"0X" (at least one digit; up to 8 digits,
// wrapping into the signed range as the settings file always has).
std::optional<int32_t> ParseInt32(std::string_view s);
std::optional<int64_t> ParseInt64(std::string_view s);
std::optional<double> ParseDouble(std::string_view s);  // C locale, never the user's locale
// Shortest text that reads back as exactly the same double, in the C locale.
std::string FormatDouble(double v);

// UTF-8 <-> UTF-16. Invalid sequences become U+FFFD instead of failing.
std::u16string Utf8ToUtf16(std::string_view s);
std::string Utf16ToUtf8(std::u16string_view s);

// Texts shown to the user: "hh:mm:ss" of the rounded number of seconds (0 for negative or
// not finite times), and sizes as "0", "512B", then KB, MB, GB or TB with one decimal,
// trailing zeros removed ("1.5KB", "3MB").
std::string TimeText(double seconds);
std::string SizeText(uint64_t bytes);

// (Language texts used as formats go through core/message_format.h.)

// Glob match of a file name against a pattern with '*' and '?' (ASCII case-insensitive).
bool WildcardMatch(std::string_view pattern, std::string_view name);

// Text or a double-quoted attribute value of an HTML page.
std::string EscapeHtml(std::string_view text);
// True for an absolute "http://" or "https://" address (scheme in any case) with a host
// and no blanks or control characters: the only addresses the program opens or offers.
bool IsWebAddress(std::string_view text);

// A URL component: everything but unreserved characters percent-encoded.
std::string PercentEncode(std::string_view text);

}  // namespace fc
