#include "ascompiler/lexer.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "ascompiler/errors.h"
#include "core/text.h"

namespace fc {
namespace {

// Character classes by table: the scanner asks for them several times per character.
enum TCharClass : uint8_t { kDigit = 1, kLetter = 2, kHex = 4, kBlank = 8, kNewline = 16 };
constexpr std::array<uint8_t, 256> MakeCharClasses() {
  std::array<uint8_t, 256> table{};
  for (int c = '0'; c <= '9'; ++c) table[c] = kDigit | kHex;
  for (int c = 'a'; c <= 'z'; ++c) table[c] = kLetter;
  for (int c = 'A'; c <= 'Z'; ++c) table[c] = kLetter;
  for (int c : {'a', 'b', 'c', 'd', 'e', 'f', 'A', 'B', 'C', 'D', 'E', 'F'}) table[c] |= kHex;
  table['_'] = kLetter;
  table[' '] = table['\t'] = table['\r'] = kBlank;  // white space that stays on the line
  table['\n'] = kNewline;
  return table;
}
constexpr std::array<uint8_t, 256> kCharClasses = MakeCharClasses();

bool Is(unsigned char c, uint8_t classes) { return (kCharClasses[c] & classes) != 0; }
bool IsDigit(unsigned char c) { return Is(c, kDigit); }
bool IsLetter(unsigned char c) { return Is(c, kLetter); }
bool IsWordChar(unsigned char c) { return Is(c, kLetter | kDigit); }
bool IsHexDigit(unsigned char c) { return Is(c, kHex); }
bool IsSpaceOrTab(unsigned char c) { return c == ' ' || c == '\t'; }

int HexValue(unsigned char c) { return IsDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10; }
bool IsWhite(unsigned char c) { return Is(c, kBlank | kNewline); }

const std::unordered_map<std::string_view, int>& Keywords() {
  static const std::unordered_map<std::string_view, int> table = {
      {"add", kTokSAdd}, {"and", kTokAnd}, {"break", kTokBreak}, {"case", kTokCase}, {"catch", kTokCatch},
      {"class", kTokClass}, {"continue", kTokContinue}, {"default", kTokDefault}, {"delete", kTokDelete},
      {"do", kTokDo}, {"else", kTokElse}, {"eq", kTokSEq}, {"extends", kTokExtends}, {"false", kTokFalse},
      {"finally", kTokFinally}, {"for", kTokFor}, {"function", kTokFunction}, {"ge", kTokSGe}, {"gt", kTokSGt},
      {"if", kTokIf}, {"ifFrameLoaded", kTokIfFrameLoaded}, {"implements", kTokImplements},
      {"import", kTokImport}, {"in", kTokIn}, {"instanceof", kTokInstanceof}, {"interface", kTokInterface},
      {"keyPress", kTokKeyPress}, {"le", kTokSLe}, {"lt", kTokSLt}, {"ne", kTokSNe}, {"new", kTokNew},
      {"not", kTokNot}, {"null", kTokNull}, {"on", kTokOn}, {"onClipEvent", kTokOnClipEvent}, {"or", kTokOr},
      {"private", kTokPrivate}, {"public", kTokPublic}, {"return", kTokReturn}, {"static", kTokStatic},
      {"switch", kTokSwitch}, {"tellTarget", kTokTellTarget}, {"throw", kTokThrow}, {"true", kTokTrue},
      {"try", kTokTry}, {"typeof", kTokTypeof}, {"undefined", kTokUndefined}, {"var", kTokVar},
      {"void", kTokVoid}, {"while", kTokWhile}, {"with", kTokWith},
  };
  return table;
}

// Keywords by first character and length, so that most identifiers are rejected after a
// table lookup or two.
constexpr size_t kLongestKeyword = 13;  // "ifFrameLoaded"
struct TKeywordIndex {
  std::array<std::vector<std::pair<std::string_view, int>>, 256> ByFirst;
  std::array<uint16_t, 256> Lengths{};  // bit n: some keyword of this first character has length n
  TKeywordIndex() {
    for (const auto& [text, code] : Keywords()) {
      const auto first = static_cast<unsigned char>(text[0]);
      ByFirst[first].emplace_back(text, code);
      Lengths[first] |= static_cast<uint16_t>(1u << text.size());
    }
  }
};

int KeywordToken(std::string_view word) {
  static const TKeywordIndex index;
  const auto first = static_cast<unsigned char>(word[0]);
  if (word.size() > kLongestKeyword || !(index.Lengths[first] & (1u << word.size()))) return 0;
  for (const auto& [text, code] : index.ByFirst[first])
    if (text == word) return code;
  return 0;
}

struct TOperator {
  std::string_view Text;
  int Token;
  int Op;
};
// Longest first, so the first match is the longest.
constexpr TOperator kOperators[] = {
    {">>>=", kTokAssignOp, kAssignUshr}, {"===", kTokStrictEq, 0}, {"!==", kTokStrictNe, 0},
    {">>>", kTokUshr, 0}, {"<<=", kTokAssignOp, kAssignShl}, {">>=", kTokAssignOp, kAssignShr},
    {"==", kTokEq, 0}, {"!=", kTokNe, 0}, {"<>", kTokNe, 0}, {"<=", kTokLe, 0}, {">=", kTokGe, 0},
    {"&&", kTokAnd, 0}, {"||", kTokOr, 0}, {"++", kTokInc, 0}, {"--", kTokDec, 0}, {"<<", kTokShl, 0},
    {">>", kTokShr, 0}, {"+=", kTokAssignOp, kAssignAdd}, {"-=", kTokAssignOp, kAssignSub},
    {"*=", kTokAssignOp, kAssignMul}, {"/=", kTokAssignOp, kAssignDiv}, {"%=", kTokAssignOp, kAssignMod},
    {"&=", kTokAssignOp, kAssignAnd}, {"^=", kTokAssignOp, kAssignXor}, {"|=", kTokAssignOp, kAssignOr},
    {"&", kTokBitAnd, 0}, {"^", kTokBitXor, 0}, {"|", kTokBitOr, 0}, {"!", kTokNot, 0},
};

constexpr size_t kMaxListingText = 255;

// The operators by their first character, in table order, so that scanning one compares only
// the few that can match.
struct TOperatorIndex {
  std::array<std::vector<const TOperator*>, 256> ByFirst;
  TOperatorIndex() {
    for (const TOperator& op : kOperators) ByFirst[static_cast<unsigned char>(op.Text[0])].push_back(&op);
  }
};

const TOperatorIndex& Operators() {
  static const TOperatorIndex index;
  return index;
}

// Octal literal ("017" is 15): a digit 8 or 9, or a value that has reached 2^28 before the
// next digit is added, makes the literal unusable.
bool ConvertOctal(std::string_view digits, double& value) {
  value = 0;
  double scale = 1;
  for (size_t i = digits.size(); i-- > 0;) {
    const int d = digits[i] - '0';
    if (d > 7 || value >= 268435456.0) return false;
    value += d * scale;
    scale *= 8;
  }
  return true;
}

// Hexadecimal literal: the first 32 digits as a 32-bit two's-complement integer.
bool ConvertHex(std::string_view digits, double& value) {
  digits = digits.substr(0, 32);
  uint64_t v = 0;
  for (char c : digits) {
    const int d = IsDigit(c) ? c - '0' : (c | 0x20) - 'a' + 10;
    v = v * 16 + d;
    if (v > 0xFFFFFFFFull) return false;
  }
  value = static_cast<int32_t>(static_cast<uint32_t>(v));
  return true;
}

bool ConvertDecimal(const std::string& text, double& value) {
  // Plain digits below 2^53 are exact without strtod, which costs far more per literal.
  if (text.size() <= 15 && text.find_first_not_of("0123456789") == std::string::npos) {
    int64_t v = 0;
    for (char c : text) v = v * 10 + (c - '0');
    value = static_cast<double>(v);
    return true;
  }
  errno = 0;
  char* end = nullptr;
  value = std::strtod(text.c_str(), &end);
  return end == text.c_str() + text.size() && !(errno == ERANGE && std::isinf(value));
}

}  // namespace

std::string TokenName(int token) {
  if (token == kTokEnd) return "end of input";
  if (token > 0 && token < 256) return std::string("'") + static_cast<char>(token) + "'";
  for (const TOperator& op : kOperators)
    if (op.Token == token && op.Token != kTokAssignOp) return std::string(op.Text);
  for (const auto& [text, code] : Keywords())
    if (code == token) return std::string(text);
  switch (token) {
    case kTokEval: return "eval";
    case kTokFunctionGet: return "function get";
    case kTokFunctionSet: return "function set";
    case kTokListing: return "LISTING";
    case kTokBadNumber: return "BADNUMBER";
    case kTokString: return "STRING";
    case kTokIdent: return "IDENT";
    case kTokNumber: return "NUMBER";
    case kTokAssignOp: return "ASSIGNOP";
    case kTokPath: return "PATH";
    default: return Format("token %d", token);
  }
}

TLexer::TLexer(TStringTable& strings, TIncludeOpener open_include, bool swf4_paths)
    : strings_(strings), open_include_(std::move(open_include)), swf4_paths_(swf4_paths) {}

namespace {

// Editors save UTF-8 sources with a byte order mark in front: it is no part of the script.
std::string WithoutByteOrderMark(std::string text) {
  if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);
  return text;
}

}  // namespace

void TLexer::Reset(std::string text, std::string identity) {
  stack_.clear();
  current_ = TSourceState{};
  current_.Text = WithoutByteOrderMark(std::move(text));
  current_.Identity = std::move(identity);
}

void TLexer::Consume(size_t n) {
  const char* const start = current_.Text.data() + current_.Pos;
  const char* const end = start + n;
  const char* line_start = nullptr;  // just after the last newline consumed
  for (const char* p = start; (p = static_cast<const char*>(std::memchr(p, '\n', end - p))) != nullptr; line_start = ++p)
    ++current_.Line;
  current_.Column = line_start ? static_cast<int>(end - line_start) : current_.Column + static_cast<int>(n);
  current_.Pos += n;
}

void TLexer::ConsumeOnLine(size_t n) {
  current_.Pos += n;
  current_.Column += static_cast<int>(n);
}

// At the start of a line: [ \t]* # [ \t]* include [ \t]+ "name" [ \t\r]* then a newline or
// the end of the source (or the same with single quotes).
size_t TLexer::MatchInclude(std::string& name) const {
  size_t i = current_.Pos;
  while (IsSpaceOrTab(At(i))) ++i;
  if (At(i) != '#') return 0;
  ++i;
  while (IsSpaceOrTab(At(i))) ++i;
  if (std::string_view(current_.Text).substr(i, 7) != "include") return 0;
  i += 7;
  if (!IsSpaceOrTab(At(i))) return 0;
  while (IsSpaceOrTab(At(i))) ++i;
  const unsigned char quote = At(i);
  if (quote != '"' && quote != '\'') return 0;
  const size_t start = ++i;
  while (At(i) != 0 && At(i) != quote) ++i;
  if (At(i) != quote) return 0;
  name = current_.Text.substr(start, i - start);
  ++i;
  while (IsSpaceOrTab(At(i)) || At(i) == '\r') ++i;
  if (At(i) == '\n') return i + 1 - current_.Pos;
  if (i >= current_.Text.size()) return i - current_.Pos;
  return 0;
}

void TLexer::PushInclude(const std::string& name) {
  TIncludeFile file = open_include_(name);
  if (!file.Identity.empty()) {
    bool cycle = file.Identity == current_.Identity;
    for (const TSourceState& open : stack_) cycle = cycle || open.Identity == file.Identity;
    if (cycle) throw EActionCompileError(Format("Include file \"%s\" includes itself.", name.c_str()));
  }
  stack_.push_back(std::move(current_));
  current_ = TSourceState{};
  current_.Text = WithoutByteOrderMark(std::move(file.Text));
  current_.Identity = std::move(file.Identity);
  current_.FileName = name;
}

// A quoted literal with its escapes resolved; 0 when the quotes do not close on a valid text.
size_t TLexer::MatchString(unsigned char quote, std::string& text) const {
  text.clear();
  size_t i = current_.Pos + 1;
  // The plain run up to the first quote or backslash is copied in one go.
  for (size_t end = i; end < current_.Text.size(); ++end) {
    const auto c = static_cast<unsigned char>(current_.Text[end]);
    if (c == quote || c == '\\' || c == 0) {
      text.assign(current_.Text, i, end - i);
      i = end;
      break;
    }
  }
  for (;; ++i) {
    const unsigned char c = At(i);
    if (c == 0) return 0;
    if (c == quote) return i + 1 - current_.Pos;
    if (c != '\\') {
      text += static_cast<char>(c);
      continue;
    }
    const unsigned char e = At(++i);
    if (e == 0 || e == '\n') return 0;
    switch (e) {
      case 'b': text += '\b'; break;
      case 'f': text += '\f'; break;
      case 'n': text += '\n'; break;
      case 'r': text += '\r'; break;
      case 't': text += '\t'; break;
      case 'v': text += '\v'; break;
      case 'x':
      case 'u':
        if (const size_t used = CharacterEscape(i, text)) {
          i += used - 1;
          break;
        }
        text += static_cast<char>(e);  // too few hex digits: the letter alone, as always
        break;
      default: text += static_cast<char>(e);
    }
  }
}

// `\xHH` and `\uHHHH` at `i` (the letter): the character of that code, appended as UTF-8,
// since the player reads the strings of these movies as UTF-8. A `\uD800`-`\uDBFF` followed by
// `\uDC00`-`\uDFFF` is one character. Returns the characters used after the backslash, 0 when
// the hex digits are missing.
size_t TLexer::CharacterEscape(size_t i, std::string& text) const {
  auto code_at = [this](size_t at, int digits) {
    int code = 0;
    for (int k = 1; k <= digits; ++k) {
      if (!IsHexDigit(At(at + k))) return -1;
      code = code * 16 + HexValue(At(at + k));
    }
    return code;
  };
  const int digits = At(i) == 'x' ? 2 : 4;
  const int code = code_at(i, digits);
  if (code < 0) return 0;
  std::u16string units(1, static_cast<char16_t>(code));
  size_t used = 1 + digits;
  constexpr int kHighFirst = 0xD800, kHighLast = 0xDBFF, kLowFirst = 0xDC00, kLowLast = 0xDFFF;
  if (digits == 4 && code >= kHighFirst && code <= kHighLast && At(i + used) == '\\' && At(i + used + 1) == 'u') {
    const int low = code_at(i + used + 1, 4);
    if (low >= kLowFirst && low <= kLowLast) {
      units += static_cast<char16_t>(low);
      used += 2 + 4;
    }
  }
  text += Utf16ToUtf8(units);
  return used;
}

// Decimal literal starting at `start` (digits or "." digits): the longest form whose next
// character is neither a letter, a digit nor an underscore. 0 when there is none.
size_t TLexer::MatchDecimal(size_t start) const {
  size_t candidates[3];
  int count = 0;
  size_t i = start;
  if (IsDigit(At(i))) {
    while (IsDigit(At(i))) ++i;
    candidates[count++] = i;
    if (At(i) == '.' && IsDigit(At(i + 1))) {
      i += 1;
      while (IsDigit(At(i))) ++i;
      candidates[count++] = i;
    }
  } else {  // "." digits
    i += 1;
    if (!IsDigit(At(i))) return 0;
    while (IsDigit(At(i))) ++i;
    candidates[count++] = i;
  }
  if (At(i) == 'e' || At(i) == 'E') {
    size_t j = i + 1;
    if (At(j) == '+' || At(j) == '-') ++j;
    if (IsDigit(At(j))) {
      while (IsDigit(At(j))) ++j;
      candidates[count++] = j;
    }
  }
  while (count > 0) {
    const size_t end = candidates[--count];
    if (!IsWordChar(At(end))) return end - start;
  }
  return 0;
}

int TLexer::ScanNumber(TTokenValue& value, size_t& length) const {
  const size_t pos = current_.Pos;
  const std::string_view text(current_.Text);
  size_t octal = 0, hex = 0;
  if (At(pos) == '0') {
    octal = 1;
    while (IsDigit(At(pos + octal))) ++octal;
    if ((At(pos + 1) | 0x20) == 'x' && IsHexDigit(At(pos + 2))) {
      hex = 2;
      while (IsHexDigit(At(pos + hex))) ++hex;
    }
  }
  const size_t decimal = MatchDecimal(pos);
  // Longest match; on equal length the octal rule comes first, then decimal, then hex.
  if (octal == 0 && decimal == 0 && hex == 0) return -1;
  bool ok = true;
  if (octal >= decimal && octal >= hex) {
    length = octal;
    ok = ConvertOctal(text.substr(pos, octal), value.Number);
  } else if (decimal >= hex) {
    length = decimal;
    ok = ConvertDecimal(std::string(text.substr(pos, decimal)), value.Number);
  } else {
    length = hex;
    ok = ConvertHex(text.substr(pos + 2, hex - 2), value.Number);
  }
  return ok ? kTokNumber : kTokBadNumber;
}

// Slash-syntax variable path: ( "/" | ("../")+ )? (ident "/")* ident? ":" ident.
size_t TLexer::MatchPath() const {
  size_t i = current_.Pos;
  if (At(i) == '/') {
    ++i;
  } else {
    while (At(i) == '.' && At(i + 1) == '.' && At(i + 2) == '/') i += 3;
  }
  // Folder names each followed by "/", the last one (before the colon) without it.
  while (At(i) != ':') {
    if (!IsLetter(At(i))) return 0;
    while (IsWordChar(At(i))) ++i;
    if (At(i) == '/') ++i;
    else if (At(i) != ':') return 0;
  }
  ++i;
  if (!IsLetter(At(i))) return 0;
  while (IsWordChar(At(i))) ++i;
  return i - current_.Pos;
}

int TLexer::ScanWord(TTokenValue& value, size_t& length) const {
  const size_t pos = current_.Pos;
  const std::string& text = current_.Text;
  size_t end = pos;
  while (end < text.size() && IsWordChar(static_cast<unsigned char>(text[end]))) ++end;
  length = end - pos;
  const std::string_view word(text.data() + pos, length);
  if (word.size() == 8 && word == "function") {
    // "function get x" and "function set x": white space, the word, exactly one white space.
    size_t i = end;
    while (IsWhite(At(i))) ++i;
    if (i > end) {
      const std::string_view rest = std::string_view(current_.Text).substr(i, 3);
      if ((rest == "get" || rest == "set") && IsWhite(At(i + 3))) {
        length = i + 4 - pos;
        return rest == "get" ? kTokFunctionGet : kTokFunctionSet;
      }
    }
  }
  if (word.size() == 4 && word == "eval") {
    size_t i = end;
    while (IsWhite(At(i))) ++i;
    if (At(i) == '(') return kTokEval;  // the white space and "(" stay for the next tokens
  }
  if (const int keyword = KeywordToken(word)) {
    // The word forms of &&, || and ! can be member names (`o.and`): the parser gets the word.
    if (keyword == kTokAnd || keyword == kTokOr || keyword == kTokNot) value.ID = strings_.Intern(word);
    return keyword;
  }
  value.ID = strings_.Intern(word);
  return kTokIdent;
}

int TLexer::ScanOperator(TTokenValue& value, size_t& length) const {
  const std::vector<const TOperator*>& candidates = Operators().ByFirst[At(current_.Pos)];
  if (candidates.empty()) {  // ( ) ; , . { } and the like
    length = 1;
    return At(current_.Pos);
  }
  const size_t pos = current_.Pos;
  for (const TOperator* op : candidates) {
    size_t i = 1;  // the first character matched by the index
    while (i < op->Text.size() && At(pos + i) == static_cast<unsigned char>(op->Text[i])) ++i;
    if (i == op->Text.size()) {
      length = op->Text.size();
      value.Op = op->Op;
      value.ID = -1;  // && || ! are not the words and, or, not
      return op->Token;
    }
  }
  length = 1;
  return At(current_.Pos);
}

int TLexer::NextToken(TTokenValue& value) {
  newline_before_ = false;
  for (;;) {
    const size_t pos = current_.Pos;
    const unsigned char c = At(pos);
    if (c == 0) {
      // A NUL byte ends all input; the end of an included file returns to its includer.
      if (pos >= current_.Text.size() && !stack_.empty()) {
        current_ = std::move(stack_.back());
        stack_.pop_back();
        newline_before_ = true;
        continue;
      }
      token_line_ = current_.Line;
      token_column_ = current_.Column;
      return kTokEnd;
    }

    if ((IsSpaceOrTab(c) || c == '#') && (pos == 0 || current_.Text[pos - 1] == '\n')) {  // at a line start
      std::string name;
      if (const size_t n = MatchInclude(name)) {
        Consume(n);
        PushInclude(name);
        newline_before_ = true;
        continue;
      }
    }
    if (c == '\n') {
      ++current_.Pos;
      ++current_.Line;
      current_.Column = 0;
      newline_before_ = true;
      continue;
    }
    if (Is(c, kBlank)) {  // the rest of a run of blanks is never at the start of a line
      size_t end = pos + 1;
      while (end < current_.Text.size() && Is(static_cast<unsigned char>(current_.Text[end]), kBlank)) ++end;
      ConsumeOnLine(end - pos);
      continue;
    }

    size_t length = 0;
    int token = -1;
    token_line_ = current_.Line;
    token_column_ = current_.Column;
    if (c == '/' && At(pos + 1) == '*') {
      const size_t close = current_.Text.find("*/", pos + 2);
      const size_t nul = current_.Text.find('\0', pos + 2);
      size_t end = close == std::string::npos ? current_.Text.size() : close + 2;
      if (nul < end) end = nul;  // an unterminated comment runs to the end of input
      const int line = current_.Line;
      Consume(end - pos);
      newline_before_ = newline_before_ || current_.Line != line;
      continue;
    }
    if (c == '/' && At(pos + 1) == '/') {
      size_t end = pos + 2;
      while (At(end) != 0 && At(end) != '\n') ++end;
      if (At(pos + 2) != '#') {
        Consume(end - pos);
        continue;
      }
      length = end - pos;
      token = kTokListing;
      value.Text = current_.Text.substr(pos, std::min(length, kMaxListingText));
    } else if (c == '"' || c == '\'') {
      std::string text;
      if ((length = MatchString(c, text)) != 0) {
        token = kTokString;
        value.ID = strings_.Intern(text);
      }
    } else if (IsDigit(c) || (c == '.' && IsDigit(At(pos + 1)))) {
      token = ScanNumber(value, length);
    } else if (IsLetter(c)) {
      token = ScanWord(value, length);
    }
    if (token < 0) token = ScanOperator(value, length);

    // Slash paths are tokens only for Flash 4 code; otherwise the rule steps aside.
    if (swf4_paths_ && token != kTokListing && token != kTokString) {
      if (const size_t n = MatchPath(); n > length) {
        length = n;
        token = kTokPath;
        value.ID = strings_.Intern(std::string_view(current_.Text).substr(pos, n));
      }
    }
    // Only strings and "function get" / "function set" (white space between the words) can
    // span lines; listing lines stop before the newline.
    if (token == kTokString || token == kTokFunctionGet || token == kTokFunctionSet) Consume(length);
    else ConsumeOnLine(length);
    return token;
  }
}

}  // namespace fc
