// Imports arbitrary bytes as a template movie into a new movie, writes it and reads it back;
// also walks the bytes as the body of a tag kept raw, patching every ID it finds.
//
// The first byte picks the import: bits 0-1 the mode, bit 2 keeps the IDs, bit 3 starts the
// movie's IDs near the top so that the block runs out. The second byte picks the tag code
// for the raw walk. The rest is the SWF file (and the raw body).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <vector>

#include "core/error.h"
#include "movie/external_movie.h"
#include "swf/tag_ids.h"
#include "swf/streams.h"

namespace {

// Codes whose bodies carry IDs at places the raw walk knows (in this order: the second byte
// of the stored inputs picks one by its index).
using enum fc::TSWFTagCode;
const fc::TSWFTagCode kCodes[] = {
    DefineShape, PlaceObject, RemoveObject, DefineButton, DefineText, DefineFontInfo, StartSound,
    DefineButtonSound, DefineShape2, DefineButtonCxform, PlaceObject2, DefineShape3, DefineText2,
    DefineButton2, DefineEditText, DefineSprite, DefineMorphShape, ExportAssets, ImportAssets, DoInitAction,
    VideoFrame, PlaceObject3, ImportAssets2, SymbolClass, DefineScalingGrid, DefineShape4, DefineMorphShape2,
    DefineBinaryData, DefineFontName, DefineBits, DefineBitsLossless, DefineFont2
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t flags = data[0];
  const uint16_t code = fc::TagNumber(kCodes[data[1] % std::size(kCodes)]);
  const std::span<const uint8_t> input(data + 2, size - 2);

  std::vector<uint8_t> body(input.begin(), input.end());
  fc::VisitRawTagIDs(code, body, [](uint16_t& id) { id = static_cast<uint16_t>(id + 1); },
                     [](uint16_t& id) { id ^= 0x5A5A; });
  if (body.size() != input.size()) std::abort();  // patching never moves bytes

  fc::TFlashMovie movie(0, 0, 100, 100, 12);
  movie.AddSprite();
  if (flags & 0x08) movie.NextID = 65500;
  const uint32_t before = movie.NextID;
  try {
    movie.AddExternalMovie(input, flags & 0x03, !(flags & 0x04));
  } catch (const fc::Error&) {
    // No SWF, a cut header, or a block past the last ID: the movie is left as it was.
    if (movie.NextID != before || movie.Objects.size() != 1) std::abort();
    return 0;
  }
  if (movie.NextID > 0x10000) std::abort();
  std::vector<uint8_t> written;
  try {
    movie.WriteBody();
    movie.SetCompression(fc::TSWFCompression::None);
    written = movie.SaveToBytes();
  } catch (const fc::Error&) {
    return 0;  // a decoded value its field cannot hold is refused, never wrapped
  }
  fc::TSWFStreamReader again;
  again.LoadFromStream(written);
  again.ParseTags(true, true);
  return 0;
}
