#include "core/ini_file.h"

#include <system_error>

#include "core/error.h"
#include "core/file_io.h"
#include "core/text.h"

namespace fc {
namespace {

constexpr size_t npos = std::string::npos;

// "[name]" (blanks allowed around) gives name; anything else gives nullopt.
std::optional<std::string_view> SectionName(std::string_view line) {
  line = Trim(line);
  if (line.size() < 2 || line.front() != '[') return std::nullopt;
  const size_t close = line.find(']');
  if (close == npos) return std::nullopt;
  return Trim(line.substr(1, close - 1));
}

bool IsComment(std::string_view line) {
  line = Trim(line);
  return !line.empty() && line.front() == ';';
}

struct TKeyValue {
  std::string_view Key;
  std::string_view Value;
};

std::optional<TKeyValue> SplitKeyValue(std::string_view line) {
  if (IsComment(line) || SectionName(line)) return std::nullopt;
  const size_t eq = line.find('=');
  if (eq == npos) return std::nullopt;
  return TKeyValue{Trim(line.substr(0, eq)), Trim(line.substr(eq + 1))};
}

std::string Unquote(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    v = v.substr(1, v.size() - 2);
  return std::string(v);
}

// The text to store so that reading it back gives exactly `value`.
std::string StoredValue(std::string_view value) {
  const bool needs_quotes =
      !value.empty() && (Trim(value).size() != value.size() ||
                         (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
                          value.back() == value.front()));
  if (!needs_quotes) return std::string(value);
  return "\"" + std::string(value) + "\"";
}

}  // namespace

TIniFile TIniFile::Parse(std::string_view text) {
  TIniFile ini;
  if (text.substr(0, 3) == "\xEF\xBB\xBF") {
    ini.bom_ = true;
    text.remove_prefix(3);
  }
  const size_t first_lf = text.find('\n');
  if (first_lf != npos && first_lf > 0 && text[first_lf - 1] == '\r') ini.eol_ = "\r\n";
  ini.final_eol_ = text.empty() || text.back() == '\n';
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find('\n', start);
    if (end == npos) end = text.size();
    std::string_view line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    ini.lines_.push_back({std::string(line)});
    start = end + 1;
  }
  return ini;
}

TIniFile TIniFile::Load(const std::filesystem::path& path) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) return TIniFile();
  return Parse(ReadFileText(path));
}

size_t TIniFile::FindSection(std::string_view section) const {
  for (size_t i = 0; i < lines_.size(); ++i) {
    const auto name = SectionName(lines_[i].Text);
    if (name && IEquals(*name, Trim(section))) return i;
  }
  return npos;
}

size_t TIniFile::SectionEnd(size_t header) const {
  size_t i = header + 1;
  while (i < lines_.size() && !SectionName(lines_[i].Text)) ++i;
  return i;
}

size_t TIniFile::FindKey(size_t header, std::string_view key) const {
  const size_t end = SectionEnd(header);
  for (size_t i = header + 1; i < end; ++i) {
    const auto kv = SplitKeyValue(lines_[i].Text);
    if (kv && IEquals(kv->Key, Trim(key))) return i;
  }
  return npos;
}

std::optional<std::string> TIniFile::Get(std::string_view section, std::string_view key) const {
  const size_t header = FindSection(section);
  if (header == npos) return std::nullopt;
  const size_t at = FindKey(header, key);
  if (at == npos) return std::nullopt;
  return Unquote(SplitKeyValue(lines_[at].Text)->Value);
}

void TIniFile::Set(std::string_view section, std::string_view key, std::string_view value) {
  if (ContainsLineBreak(section) || ContainsLineBreak(key) || ContainsLineBreak(value))
    throw Error("A setting cannot hold a line break");
  if (Trim(key).empty() || key.find('=') != npos || Trim(key).front() == '[' || Trim(key).front() == ';')
    throw Error(Format("Invalid setting name \"%.*s\"", static_cast<int>(key.size()), key.data()));
  if (Trim(section).empty() || section.find(']') != npos)
    throw Error(Format("Invalid section name \"%.*s\"", static_cast<int>(section.size()), section.data()));

  const std::string line = std::string(Trim(key)) + "=" + StoredValue(value);
  size_t header = FindSection(section);
  if (header == npos) {
    // A new section goes at the end, after a blank line when the file has content.
    if (!lines_.empty() && !Trim(lines_.back().Text).empty()) lines_.push_back({""});
    lines_.push_back({"[" + std::string(Trim(section)) + "]"});
    lines_.push_back({line});
    return;
  }
  const size_t at = FindKey(header, key);
  if (at != npos) {
    lines_[at].Text = line;
    return;
  }
  // Append after the section's last non-blank line, so blank separators stay in place.
  size_t insert = SectionEnd(header);
  while (insert > header + 1 && Trim(lines_[insert - 1].Text).empty()) --insert;
  lines_.insert(lines_.begin() + static_cast<std::ptrdiff_t>(insert), {line});
}

bool TIniFile::Remove(std::string_view section, std::string_view key) {
  const size_t header = FindSection(section);
  if (header == npos) return false;
  const size_t at = FindKey(header, key);
  if (at == npos) return false;
  lines_.erase(lines_.begin() + static_cast<std::ptrdiff_t>(at));
  return true;
}

std::vector<std::string> TIniFile::Sections() const {
  std::vector<std::string> out;
  for (const auto& l : lines_)
    if (const auto name = SectionName(l.Text)) out.emplace_back(*name);
  return out;
}

std::vector<std::string> TIniFile::Keys(std::string_view section) const {
  std::vector<std::string> out;
  const size_t header = FindSection(section);
  if (header == npos) return out;
  const size_t end = SectionEnd(header);
  for (size_t i = header + 1; i < end; ++i)
    if (const auto kv = SplitKeyValue(lines_[i].Text)) out.emplace_back(kv->Key);
  return out;
}

std::string TIniFile::Serialize() const {
  std::string out;
  if (bom_) out += "\xEF\xBB\xBF";
  for (size_t i = 0; i < lines_.size(); ++i) {
    out += lines_[i].Text;
    if (i + 1 < lines_.size() || final_eol_) out += eol_;
  }
  return out;
}

void TIniFile::Save(const std::filesystem::path& path) const { WriteFileAtomic(path, Serialize()); }

}  // namespace fc
