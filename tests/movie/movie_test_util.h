#pragma once
// Helpers for the movie tests: raw tags from bytes, and a written movie read back.

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "movie/flash_movie.h"
#include "swf/objects.h"
#include "swf/shapes.h"
#include "swf/streams.h"

namespace fc::test {

inline std::unique_ptr<TSWFByteCodeTag> Raw(uint16_t code, std::vector<uint8_t> body) {
  return std::make_unique<TSWFByteCodeTag>(code, body);
}

inline uint8_t Lo(uint16_t v) { return static_cast<uint8_t>(v & 0xFF); }
inline uint8_t Hi(uint16_t v) { return static_cast<uint8_t>(v >> 8); }
inline uint16_t WordAt(std::span<const uint8_t> b, size_t pos) {
  return static_cast<uint16_t>(b[pos] | (b[pos + 1] << 8));
}

// The written movie, read back with tag objects (actions decoded).
inline std::unique_ptr<TSWFStreamReader> ReadBack(TFlashMovie& movie) {
  movie.WriteBody();
  const std::vector<uint8_t> bytes = movie.SaveToBytes();
  auto reader = std::make_unique<TSWFStreamReader>();
  reader->LoadFromStream(bytes);
  reader->ParseTags(true, true);
  return reader;
}

inline std::vector<uint16_t> Codes(const TSWFStreamReader& reader) {
  std::vector<uint16_t> codes;
  for (const auto& info : reader.TagList) codes.push_back(info->TagID);
  return codes;
}

inline std::vector<uint16_t> Codes(const TSWFObjectList& tags) {
  std::vector<uint16_t> codes;
  for (const auto& tag : tags) codes.push_back(tag->HeaderTagID());
  return codes;
}

// The body of the index-th tag as written (raw bytes for every tag).
inline std::vector<uint8_t> BodyOf(TSWFStreamReader& reader, size_t index) {
  const TSWFTagInfo& info = reader.GetTagInfo(index);
  const auto& body = reader.GetBodyStream();
  const size_t start = info.Position + (info.LongHeader ? 6 : 2);
  return {body.begin() + static_cast<std::ptrdiff_t>(start),
          body.begin() + static_cast<std::ptrdiff_t>(start + info.Length)};
}

// A record list as text: "m x,y" style changes (with "/f0=", "/f1=", "/l=" selections), "l dx,dy" lines, "c cx,cy,ax,ay" curves, "e" ends.
inline std::string Dump(const TSWFShapeRecords& records) {
  std::string out;
  for (const auto& r : records) {
    if (!out.empty()) out += ' ';
    switch (r->RecordKind) {
      case kShapeRecordStyleChange: {
        const auto& s = static_cast<const TSWFStyleChangeRecord&>(*r);
        out += "m";
        if (s.HasMoveTo) out += std::to_string(s.DeltaX) + "," + std::to_string(s.DeltaY);
        if (s.HasFillStyle0) out += "/f0=" + std::to_string(s.FillStyle0);
        if (s.HasFillStyle1) out += "/f1=" + std::to_string(s.FillStyle1);
        if (s.HasLineStyle) out += "/l=" + std::to_string(s.LineStyle);
        break;
      }
      case kShapeRecordStraightEdge: {
        const auto& s = static_cast<const TSWFStraightEdgeRecord&>(*r);
        out += "l" + std::to_string(s.DeltaX) + "," + std::to_string(s.DeltaY);
        break;
      }
      case kShapeRecordCurvedEdge: {
        const auto& c = static_cast<const TSWFCurvedEdgeRecord&>(*r);
        out += "c" + std::to_string(c.ControlDeltaX) + "," + std::to_string(c.ControlDeltaY) + "," +
               std::to_string(c.AnchorDeltaX) + "," + std::to_string(c.AnchorDeltaY);
        break;
      }
      default:
        out += "e";
    }
  }
  return out;
}

}  // namespace fc::test
