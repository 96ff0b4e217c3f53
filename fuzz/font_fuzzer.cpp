// Any bytes as a font file: FreeType opens the face, and the outline reader draws the glyph
// outlines of the Latin range (and a few wide characters) as contours, as embedding does,
// measures a line of text and reads the metrics.
//
// The corpus holds subsets of DejaVu Sans and DejaVu Serif (fonts-dejavu-core): their licence
// allows modified copies that keep the copyright notice, which the subsets' name tables do.
#include <cstddef>
#include <cstdint>
#include <span>

#include "core/error.h"
#include "readers/font_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  try {
    fc::TFontFace face(std::span(data, size));
    (void)face.Metrics();
    int64_t sum = 0;
    const auto draw = [&](char16_t code) {
      fc::TGlyphOutline outline;
      face.ReadGlyphOutline(code, outline);
      for (const fc::TOutlineSegment& s : outline.Segments) sum += s.X + s.Y + s.Cx + s.Cy;
      sum += face.Advance(code);
    };
    for (char16_t code = 0; code < 0x180; ++code) draw(code);
    for (const char16_t code : {u'\u20AC', u'\u2014', u'\u3042', u'\uFFFD'}) draw(code);
    sum += face.MeasureText(u"Hello Gr\u00FC\u00DFe").Width;
    (void)sum;
  } catch (const fc::Error&) {
    return 0;
  }
  return 0;
}
