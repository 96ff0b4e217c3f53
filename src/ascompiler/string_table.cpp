#include "ascompiler/string_table.h"

namespace fc {

TStringTable::TStringTable() : slots_(256, -1) {
  for (const char* seed : {"", "this", "prototype", "super", "arguments", "_global", "Object"}) Intern(seed);
}

// FNV-1a: names in long scripts differ in a few trailing digits, so every byte must count.
uint32_t TStringTable::Hash(std::string_view text) {
  uint32_t h = 2166136261u;
  for (const char c : text) h = (h ^ static_cast<uint8_t>(c)) * 16777619u;
  return h;
}

TStrId TStringTable::Intern(std::string_view text) {
  const uint32_t hash = Hash(text);
  size_t mask = slots_.size() - 1;
  size_t i = hash & mask;
  for (; slots_[i] >= 0; i = (i + 1) & mask) {
    const TStrId id = slots_[i];
    if (hashes_[id] == hash && texts_[id] == text) return id;
  }
  const auto id = static_cast<TStrId>(texts_.size());
  texts_.emplace_back(text);
  hashes_.push_back(hash);
  slots_[i] = id;
  if (texts_.size() * 2 > slots_.size()) Grow();
  return id;
}

void TStringTable::Grow() {
  std::vector<TStrId> slots(slots_.size() * 2, -1);
  const size_t mask = slots.size() - 1;
  for (size_t id = 0; id < hashes_.size(); ++id) {
    size_t i = hashes_[id] & mask;
    while (slots[i] >= 0) i = (i + 1) & mask;
    slots[i] = static_cast<TStrId>(id);
  }
  slots_ = std::move(slots);
}

const std::string& TStringTable::Text(TStrId id) const {
  if (id < 0 || id >= Count())
    throw EVectorRangeError(Format("TStrVector: bounds check error. Incorrect index = %d", id), id);
  return texts_[id];
}

}  // namespace fc
