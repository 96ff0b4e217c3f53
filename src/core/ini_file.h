#pragma once
// The initialisation-file format, read by the same rules as the classic private-profile
// functions: sections and keys match without regard to case, blanks around keys and values
// are ignored, a value wrapped in matching quotes loses them, the first of duplicate keys
// wins, and lines without "=" (comments among them) are ignored.
//
// Editing keeps every other line of the file as it was: other sections, comments, order and
// line endings survive a write.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace fc {

class TIniFile {
public:
  TIniFile() = default;
  static TIniFile Parse(std::string_view text);
  // A missing file gives an empty IniFile; an unreadable one throws IoError.
  static TIniFile Load(const std::filesystem::path& path);

  std::optional<std::string> Get(std::string_view section, std::string_view key) const;
  // Adds or replaces a value. Throws fc::Error for a section, key or value holding a line
  // break (it would create new keys), a key holding "=" or starting with "[", or a section
  // holding "]". Values of any length are kept; values that would not read back the same
  // (blanks at the ends, surrounding quotes) are quoted.
  void Set(std::string_view section, std::string_view key, std::string_view value);
  bool Remove(std::string_view section, std::string_view key);

  std::vector<std::string> Sections() const;
  std::vector<std::string> Keys(std::string_view section) const;

  std::string Serialize() const;
  // Writes atomically (temporary file, then rename). Throws IoError on failure.
  void Save(const std::filesystem::path& path) const;

private:
  struct TLine {
    std::string Text;  // without its line ending
  };
  // Index of the header line of a section, or npos.
  size_t FindSection(std::string_view section) const;
  // Index of the first line of the key inside the section starting at `header`, or npos.
  size_t FindKey(size_t header, std::string_view key) const;
  size_t SectionEnd(size_t header) const;

  std::vector<TLine> lines_;
  std::string eol_ = "\n";
  bool bom_ = false;
  bool final_eol_ = true;
};

}  // namespace fc
