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

class TByteReader {
public:
  TByteReader() = default;
  explicit TByteReader(std::span<const uint8_t> data, uint64_t base_offset = 0)
      : data_(data), base_(base_offset) {}

  size_t size() const { return data_.size(); }
  size_t Position() const { return pos_; }
  size_t Remaining() const { return data_.size() - pos_; }
  bool AtEnd() const { return pos_ >= data_.size(); }
  // Offset of the current position in the whole file, for messages.
  uint64_t FileOffset() const { return base_ + pos_; }
  std::span<const uint8_t> data() const { return data_; }
  std::span<const uint8_t> Rest() const { return data_.subspan(pos_); }

  void Seek(size_t pos) {
    if (pos > data_.size()) Fail("seek", pos - pos_);
    pos_ = pos;
  }
  void Skip(size_t n, const char* what = "skip") {
    Need(n, what);
    pos_ += n;
  }

  uint8_t U8(const char* what = "u8") {
    Need(1, what);
    return data_[pos_++];
  }
  uint16_t U16LE(const char* what = "u16") {
    Need(2, what);
    const uint16_t v = static_cast<uint16_t>(data_[pos_] | (data_[pos_ + 1] << 8));
    pos_ += 2;
    return v;
  }
  uint32_t U24LE(const char* what = "u24") {
    Need(3, what);
    const uint32_t v = data_[pos_] | (data_[pos_ + 1] << 8) | (static_cast<uint32_t>(data_[pos_ + 2]) << 16);
    pos_ += 3;
    return v;
  }
  uint32_t U32LE(const char* what = "u32") {
    Need(4, what);
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | data_[pos_ + i];
    pos_ += 4;
    return v;
  }
  uint64_t U64LE(const char* what = "u64") {
    Need(8, what);
    uint64_t v = 0;
    for (int i = 7; i >= 0; --i) v = (v << 8) | data_[pos_ + i];
    pos_ += 8;
    return v;
  }
  uint16_t U16BE(const char* what = "u16") {
    Need(2, what);
    const uint16_t v = static_cast<uint16_t>((data_[pos_] << 8) | data_[pos_ + 1]);
    pos_ += 2;
    return v;
  }
  uint32_t U24BE(const char* what = "u24") {
    Need(3, what);
    const uint32_t v = (static_cast<uint32_t>(data_[pos_]) << 16) | (data_[pos_ + 1] << 8) | data_[pos_ + 2];
    pos_ += 3;
    return v;
  }
  uint32_t U32BE(const char* what = "u32") {
    Need(4, what);
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v = (v << 8) | data_[pos_ + i];
    pos_ += 4;
    return v;
  }
  uint64_t U64BE(const char* what = "u64") {
    Need(8, what);
    uint64_t v = 0;
    for (int i = 0; i < 8; ++i) v = (v << 8) | data_[pos_ + i];
    pos_ += 8;
    return v;
  }
  std::span<const uint8_t> Bytes(size_t n, const char* what = "bytes") {
    Need(n, what);
    auto out = data_.subspan(pos_, n);
    pos_ += n;
    return out;
  }
  std::vector<uint8_t> Copy(size_t n, const char* what = "bytes") {
    auto b = Bytes(n, what);
    return {b.begin(), b.end()};
  }
  std::string String(size_t n, const char* what = "string") {
    auto b = Bytes(n, what);
    return {reinterpret_cast<const char*>(b.data()), b.size()};
  }
  // A NUL-terminated string; the terminator is consumed and not returned.
  std::string CString(const char* what = "string") {
    for (size_t i = pos_; i < data_.size(); ++i) {
      if (data_[i] == 0) {
        std::string s(reinterpret_cast<const char*>(data_.data() + pos_), i - pos_);
        pos_ = i + 1;
        return s;
      }
    }
    Fail(what, Remaining() + 1);
  }

  // A reader over exactly the next n bytes; this reader moves past them.
  TByteReader Sub(size_t n, const char* what = "record") {
    Need(n, what);
    TByteReader r(data_.subspan(pos_, n), base_ + pos_);
    pos_ += n;
    return r;
  }

  [[noreturn]] void Fail(const char* what, size_t wanted) const;

private:
  void Need(size_t n, const char* what) const {
    if (n > data_.size() - pos_) Fail(what, n);
  }

  std::span<const uint8_t> data_;
  size_t pos_ = 0;
  uint64_t base_ = 0;
};

}  // namespace fc
