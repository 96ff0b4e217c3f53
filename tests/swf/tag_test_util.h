#pragma once
// Helpers for the golden-bytes tests of tag classes: read a whole tag as the file reader
// does, and check both directions of a byte table.

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "swf/tag_factory.h"

namespace fc::test {

using Bytes = std::vector<uint8_t>;

inline std::unique_ptr<TSWFObject> ReadOne(const Bytes& tag, uint8_t version = 10, bool parse_actions = true) {
  TBitsEngine be(tag);
  TSWFTagHeader h = ReadTagHeader(be);
  TSWFReadContext ctx;
  ctx.Version = version;
  ctx.ParseActions = parse_actions;
  return ReadTagObject(h, be.ReadSpan(h.Length), h.HeaderSize(), ctx, true);
}

// The error text of a tag that was kept raw, "" for a decoded one.
inline std::string RawReason(const TSWFObject& obj) {
  if (const auto* raw = dynamic_cast<const TSWFByteCodeTag*>(&obj)) return raw->ErrorMessage.empty() ? "raw" : raw->ErrorMessage;
  return {};
}

// `obj` writes exactly `bytes`; `bytes` read back into an object of the same class that
// writes them again.
inline void ExpectGolden(TSWFObject& obj, const Bytes& bytes, uint8_t version = 10) {
  EXPECT_EQ(obj.ToBytes(), bytes);
  auto back = ReadOne(bytes, version);
  ASSERT_EQ(RawReason(*back), "");
  EXPECT_EQ(back->TagID, obj.TagID);
  EXPECT_EQ(back->ToBytes(), bytes);
}

template <typename T>
T& As(const std::unique_ptr<TSWFObject>& obj) {
  auto* t = dynamic_cast<T*>(obj.get());
  if (!t) throw std::runtime_error("unexpected class: " + RawReason(*obj));
  return *t;
}

}  // namespace fc::test
