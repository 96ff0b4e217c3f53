// Reads arbitrary bytes as an SWF file with every tag and action decoded, dumps it, writes
// it back from the objects and reads that again. Also checks that the raw copy keeps every
// byte of the body, whatever the tags hold.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <span>
#include <sstream>
#include <vector>

#include "core/error.h"
#include "swf/dump.h"
#include "swf/streams.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> input(data, size);
  fc::TSWFStreamReader raw;
  try {
    raw.LoadFromStream(input);
  } catch (const fc::FormatError&) {
    return 0;  // the header itself is cut or the compressed data is unusable
  }
  if (!raw.IsValid) return 0;
  const std::vector<uint8_t> body = raw.GetBodyStream();
  raw.ParseTags(false, true);
  raw.BuildBody();
  if (raw.GetBodyStream() != body) std::abort();  // the raw copy lost or changed bytes

  // The same loaded body, now with every tag and action decoded.
  fc::TSWFStreamReader& decoded = raw;
  decoded.ParseTags(true, true);
  std::ostringstream out;
  fc::DumpSWFHeader(decoded, out);
  fc::DumpSWFTags(decoded, out, true);
  const size_t tags = decoded.TagList.size();
  std::vector<uint8_t> written;
  try {
    decoded.BuildBody();
    decoded.SetCompression(fc::TSWFCompression::None);  // compression has its own tests
    written = decoded.SaveToBytes();
  } catch (const fc::Error&) {
    return 0;  // a decoded value that its field cannot hold is refused, never wrapped
  }
  fc::TSWFStreamReader again;
  again.LoadFromStream(written);
  again.ParseTags(true, true);
  if (decoded.Tail().empty() && again.TagList.size() != tags) std::abort();
  return 0;
}
