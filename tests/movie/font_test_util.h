#pragma once
// Helpers for the font and text tests: the installed DejaVu Sans they measure against, and
// the decoded tags of a written movie.

#include <gtest/gtest.h>

#include "readers/font_reader.h"
#include "swf/streams.h"

namespace fc::test {

// The fonts of the project's machines: DejaVu Sans, whose metrics at the 1024 em are 950 and
// 242 (its Windows ascent and descent of 1901 and 483 in a 2048 em, halves to even).
inline bool HaveDejaVuSans() {
  static const bool have = TFontFace(MakeLogFont({"DejaVu Sans"})).FamilyName() == "DejaVu Sans";
  return have;
}
#define REQUIRE_DEJAVU() \
  if (!::fc::test::HaveDejaVuSans()) GTEST_SKIP() << "DejaVu Sans is not installed"

// The nth decoded tag of the class in a movie read back.
template <typename T>
const T* FindTag(const TSWFStreamReader& reader, size_t nth = 0) {
  for (const auto& info : reader.TagList)
    if (const auto* tag = dynamic_cast<const T*>(info->Object); tag && nth-- == 0) return tag;
  return nullptr;
}

}  // namespace fc::test
