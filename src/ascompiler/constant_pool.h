#pragma once
// The constant pool of one compile unit: the position of a string id is its constant index.

#include <vector>

#include "ascompiler/containers.h"
#include "ascompiler/errors.h"
#include "core/text.h"
#include "ascompiler/string_table.h"

namespace fc {

class TConstantPool {
public:
  // The index of `id`, appending it when it is not in the pool yet. Only texts of the
  // string table have a constant: a pseudo-id (null, undefined, ...) is refused.
  int IndexOf(TStrId id) {
    if (const int index = Find(id); index >= 0) return index;
    if (id < 0) throw EVectorRangeError(Format("TConstantPool: no text for id %d", id), id);
    if (static_cast<size_t>(id) >= index_.size()) index_.resize(static_cast<size_t>(id) + 1, -1);
    index_[static_cast<size_t>(id)] = Ids.Count();
    Ids.Add(id);
    return Ids.Count() - 1;
  }
  // The index of `id`, -1 when it is not in the pool.
  int Find(TStrId id) const {
    return id >= 0 && static_cast<size_t>(id) < index_.size() ? index_[static_cast<size_t>(id)] : -1;
  }
  bool Contains(TStrId id) const { return Find(id) >= 0; }
  int Count() const { return Ids.Count(); }
  bool Empty() const { return Ids.Empty(); }

  TVector<TStrId> Ids{"TConstantPool"};

private:
  // By string id (ids are small dense integers): the pool index, or -1.
  std::vector<int> index_;
};

}  // namespace fc
