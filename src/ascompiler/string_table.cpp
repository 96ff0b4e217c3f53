#include "ascompiler/string_table.h"

namespace fc {

TStringTable::TStringTable() {
  for (const char* seed : {"", "this", "prototype", "super", "arguments", "_global", "Object"}) Intern(seed);
}

TStrId TStringTable::Intern(std::string_view text) {
  if (const auto* item = ids_.Find(text)) return item->value;
  std::string key(text);
  const auto id = static_cast<TStrId>(texts_.size());
  ids_.Set(key, id);
  texts_.push_back(std::move(key));
  // Long scripts intern many names; keep the chains short.
  if (ids_.Count() > ids_.BucketCount()) ids_.Rehash(ids_.BucketCount() * 2 + 1);
  return id;
}

const std::string& TStringTable::Text(TStrId id) const {
  if (id < 0 || id >= Count())
    throw EVectorRangeError(Format("TStrVector: bounds check error. Incorrect index = %d", id), id);
  return texts_[id];
}

}  // namespace fc
