#pragma once
// The constant pool of one compile unit: the position of a string id is its constant index.

#include <unordered_map>

#include "ascompiler/containers.h"
#include "ascompiler/string_table.h"

namespace fc {

class TConstantPool {
public:
  // The index of `id`, appending it when it is not in the pool yet.
  int IndexOf(TStrId id) {
    const auto [it, added] = index_.emplace(id, Ids.Count());
    if (added) Ids.Add(id);
    return it->second;
  }
  bool Contains(TStrId id) const { return index_.count(id) != 0; }
  int Count() const { return Ids.Count(); }
  bool Empty() const { return Ids.Empty(); }

  TVector<TStrId> Ids{"TConstantPool"};

private:
  std::unordered_map<TStrId, int> index_;
};

}  // namespace fc
