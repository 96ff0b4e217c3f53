#pragma once
// A bounded little/big-endian reader over bytes from a file. Every read checks what remains
// and throws FormatError naming the field and the offset; nothing reads past the view.
// sub(n) hands out a reader over exactly the next n bytes, so that a length-prefixed record
// can never overrun itself.

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/error.h"

namespace fc {

class ByteReader {
public:
  ByteReader() = default;
  explicit ByteReader(std::span<const uint8_t> data, uint64_t base_offset = 0)
      : data_(data), base_(base_offset) {}

  size_t size() const { return data_.size(); }
  size_t position() const { return pos_; }
  size_t remaining() const { return data_.size() - pos_; }
  bool at_end() const { return pos_ >= data_.size(); }
  // Offset of the current position in the whole file, for messages.
  uint64_t file_offset() const { return base_ + pos_; }
  std::span<const uint8_t> data() const { return data_; }
  std::span<const uint8_t> rest() const { return data_.subspan(pos_); }

  void seek(size_t pos) {
    if (pos > data_.size()) fail("seek", pos - pos_);
    pos_ = pos;
  }
  void skip(size_t n, const char* what = "skip") {
    need(n, what);
    pos_ += n;
  }

  uint8_t u8(const char* what = "u8") {
    need(1, what);
    return data_[pos_++];
  }
  uint16_t u16le(const char* what = "u16") {
    need(2, what);
    const uint16_t v = static_cast<uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
    pos_ += 2;
    return v;
  }
  uint32_t u24le(const char* what = "u24") {
    need(3, what);
    const uint32_t v = data_[pos_] | (data_[pos_ + 1] << 8) | (static_cast<uint32_t>(data_[pos_ + 2]) << 16);
    pos_ += 3;
    return v;
  }
  uint32_t u32le(const char* what = "u32") {
    need(4, what);
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | data_[pos_ + i];
    pos_ += 4;
    return v;
  }
  uint64_t u64le(const char* what = "u64") {
    need(8, what);
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | data_[pos_ + i];
    pos_ += 8;
    return v;
  }
  uint16_t u16be(const char* what = "u16") {
    need(2, what);
    const uint16_t v = static_cast<uint16_t>((data_[pos_] << 8) | data_[pos_ + 1]);
    pos_ += 2;
    return v;
  }
  uint32_t u24be(const char* what = "u24") {
    need(3, what);
    const uint32_t v = (static_cast<uint32_t>(data_[pos_]) << 16) | (data_[pos_ + 1] << 8) | data_[pos_ + 2];
    pos_ += 3;
    return v;
  }
  uint32_t u32be(const char* what = "u32") {
    need(4, what);
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | data_[pos_ + i];
    pos_ += 4;
    return v;
  }
  uint64_t u64be(const char* what = "u64") {
    need(8, what);
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v = (v << 8) | data_[pos_ + i];
    pos_ += 8;
    return v;
  }
  std::span<const uint8_t> bytes(size_t n, const char* what = "bytes") {
    need(n, what);
    auto out = data_.subspan(pos_, n);
    pos_ += n;
    return out;
  }
  std::vector<uint8_t> copy(size_t n, const char* what = "bytes") {
    auto b = bytes(n, what);
    return {b.begin(), b.end()};
  }
  std::string string(size_t n, const char* what = "string") {
    auto b = bytes(n, what);
    return {reinterpret_cast<const char*>(b.data()), b.size()};
  }
  // A NUL-terminated string; the terminator is consumed and not returned.
  std::string cstring(const char* what = "string") {
    for (size_t i = pos_; i < data_.size(); ++i) {
      if (data_[i] == 0) {
        std::string s(reinterpret_cast<const char*>(data_.data() + pos_), i - pos_);
        pos_ = i + 1;
        return s;
      }
    }
    fail(what, remaining() + 1);
  }

  // A reader over exactly the next n bytes; this reader moves past them.
  ByteReader sub(size_t n, const char* what = "record") {
    need(n, what);
    ByteReader r(data_.subspan(pos_, n), base_ + pos_);
    pos_ += n;
    return r;
  }

  [[noreturn]] void fail(const char* what, size_t wanted) const;

private:
  void need(size_t n, const char* what) const {
    if (n > data_.size() - pos_) fail(what, n);
  }

  std::span<const uint8_t> data_;
  size_t pos_ = 0;
  uint64_t base_ = 0;
};

}  // namespace fc
