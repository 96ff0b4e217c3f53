#pragma once
// Finds the installed font file for a family and style through fontconfig: the one lookup that
// the font outline reader and the engine's text renderer share, so that both draw a family
// with the same file.

#include <cstdint>
#include <optional>
#include <string>

namespace fc {

struct TFontMatch {
  std::string FilePath;  // empty when fontconfig names no file
  int32_t FaceIndex = 0; // the face within the file
  std::string Family;    // the family of the font found; empty when fontconfig names none
  bool Slanted = false;  // the face found is italic or oblique
  bool Embolden = false; // fontconfig asks for synthetic emboldening of the face found
};

// The installed scalable font nearest to `family` ("sans-serif" when empty) in the weight and
// slant asked for, by fontconfig's rules, its substitutions included. Empty when fontconfig
// finds no font at all; throws Error when fontconfig cannot start. Safe from any thread.
std::optional<TFontMatch> MatchFont(const std::string& family, bool bold, bool italic);

}  // namespace fc
