#include "ascompiler/ident_table.h"

#include <cassert>

#include "ascompiler/compile_unit.h"

namespace fc {

TIdentInfo::TIdentInfo(TStrId name, TStrId type_name, TBaseIdentTable* owner)
    : Name(name), TypeName(type_name), Kind(owner->Kind), Owner(owner) {}

TClassInfo::~TClassInfo() = default;

TBaseIdentTable::TBaseIdentTable(TScopeKind kind, TBaseIdentTable* parent, const TStringTable& strings)
    : Kind(kind), Parent(parent), strings_(strings) {}

TIdentInfo* TBaseIdentTable::Append(std::unique_ptr<TIdentInfo> info) {
  TIdentInfo* raw = info.get();
  if (items_.empty()) items_.reserve(kLinearNames);
  if (raw->AsAlias()) has_aliases_ = true;
  items_.push_back(std::move(info));
  const int64_t key = NameKey(raw->Name);
  if (auto* same = const_cast<TSameName*>(FindName(key))) {
    same->Older.push_back(same->Newest);
    same->Newest = raw;
  } else {
    if (names_.empty()) names_.reserve(kLinearNames);
    names_.push_back({key, raw, {}});
    if (!name_index_.empty()) {
      name_index_.emplace(key, names_.size() - 1);
    } else if (names_.size() > kLinearNames) {
      for (size_t i = 0; i < names_.size(); ++i) name_index_.emplace(names_[i].Key, i);
    }
  }
  return raw;
}

TIdentInfo* TBaseIdentTable::Declare(TStrId name, TStrId type_name) {
  return Append(std::make_unique<TIdentInfo>(name, type_name, this));
}

const TBaseIdentTable::TSameName* TBaseIdentTable::FindName(int64_t key) const {
  if (name_index_.empty()) {
    for (const TSameName& same : names_)
      if (same.Key == key) return &same;
    return nullptr;
  }
  const auto it = name_index_.find(key);
  return it == name_index_.end() ? nullptr : &names_[it->second];
}

TIdentInfo* TBaseIdentTable::FindOwn(TStrId name) const {
  if (names_.empty()) return nullptr;  // spares the class table's case-folded key
  const TSameName* same = FindName(NameKey(name));
  return same ? same->Newest : nullptr;
}

TClassInfo* TBaseIdentTable::FindOwnClass(TStrId name) const {
  if (names_.empty()) return nullptr;
  const TSameName* same = FindName(NameKey(name));
  if (!same) return nullptr;
  // Newest first; the first alias or class decides.
  for (size_t i = 0, n = same->Older.size() + 1; i < n; ++i) {
    TIdentInfo* entry = i == 0 ? same->Newest : same->Older[n - 1 - i];
    if (TAliasInfo* alias = entry->AsAlias()) return alias->Target;
    if (TClassInfo* cls = entry->AsClass()) return cls;
  }
  return nullptr;
}

TIdentInfo* TBaseIdentTable::Lookup(TStrId name, TLookupMode mode) const {
  const bool outward = mode == TLookupMode::Outward || mode == TLookupMode::OutwardAndSuperclasses;
  const bool superclasses = mode == TLookupMode::Superclasses || mode == TLookupMode::OutwardAndSuperclasses;
  // Iterative over Parent; Base chains are searched for superclass members only, as the rules
  // require.
  for (const TBaseIdentTable* table = this; table; table = outward ? table->Parent : nullptr) {
    if (TIdentInfo* found = table->FindOwn(name)) {
      if (!table->has_aliases_) return found;
      if (TAliasInfo* alias = found->AsAlias()) return alias->Target;
      return found;
    }
    if (superclasses) {
      // Superclass member tables; a cycle of bases is cut by the step limit.
      constexpr int kMaxSuperclasses = 4096;
      int steps = 0;
      for (const TBaseIdentTable* base = table->Base; base && steps < kMaxSuperclasses; base = base->Base, ++steps) {
        if (TIdentInfo* found = base->FindOwn(name)) {
          if (!base->has_aliases_) return found;
          if (TAliasInfo* alias = found->AsAlias()) return alias->Target;
          return found;
        }
      }
    }
  }
  return nullptr;
}

TClassInfo* TBaseIdentTable::FindClass(TStrId name) const {
  for (const TBaseIdentTable* table = this; table; table = table->Parent)
    if (TClassInfo* found = table->FindOwnClass(name)) return found;
  return nullptr;
}

TClassInfo* TBaseIdentTable::DeclareClass(TStrId name) {
  if (TClassInfo* found = FindClass(name)) return found;
  return static_cast<TClassInfo*>(Append(std::make_unique<TClassInfo>(name, -1, this)));
}

TAliasInfo* TBaseIdentTable::AddAlias(TStrId short_name, TClassInfo* target) {
  return static_cast<TAliasInfo*>(Append(std::make_unique<TAliasInfo>(short_name, target, this)));
}

void TIdentTable::SetClassName(TCompoundName* name) {
  assert(Kind == ScopeKind::Class);
  class_name_ = name;
}

TIdentInfo* TIdentTable::UseSpecial(TSpecial which) {
  const int i = static_cast<int>(which);
  if (!specials_[i]) {
    static constexpr TStrId kNames[] = {TStringTable::ThisId, TStringTable::SuperId, TStringTable::ArgumentsId};
    static constexpr uint8_t kBits[] = {kUsedThis, kUsedSuper, kUsedArguments};
    specials_[i] = Declare(kNames[i], TStringTable::EmptyId);
    specials_[i]->Flags |= kIdentDeclared;
    UsedSpecials |= kBits[i];
  }
  return specials_[i];
}

void TIdentTable::AllocateRegisters(bool allocate_locals) {
  assert(Kind == ScopeKind::Function);
  NextRegister = 1;
  // The player preloads them in this order.
  for (TSpecial which : {TSpecial::This, TSpecial::Arguments, TSpecial::Super})
    if (TIdentInfo* entry = specials_[static_cast<int>(which)]) entry->Register = NextRegister++;
  if (!allocate_locals) return;
  std::unordered_map<TStrId, int> given;  // name -> register of its first entry that got one
  for (const auto& entry : Items()) {
    if (NextRegister > kMaxRegister) break;
    if (entry->Register != kRegisterUnassigned) {
      if (entry->Register > 0) given.emplace(entry->Name, entry->Register);
      continue;
    }
    const auto it = given.find(entry->Name);
    if (it != given.end()) {
      entry->Register = it->second;
    } else {
      entry->Register = NextRegister++;
      given.emplace(entry->Name, entry->Register);
    }
  }
}

int64_t TClassTable::NameKey(TStrId name) const {
  if (const auto known = id_keys_.find(name); known != id_keys_.end()) return known->second;
  std::string upper = ToUpperAscii(Strings().Text(name));
  auto it = upper_keys_.find(upper);
  if (it == upper_keys_.end()) it = upper_keys_.emplace(std::move(upper), static_cast<int64_t>(upper_keys_.size())).first;
  id_keys_.emplace(name, it->second);
  return it->second;
}

bool HasCyclicSuperClass(const TClassInfo* info) {
  const TClassInfo* slow = info;
  const TClassInfo* fast = info;
  while (fast && fast->SuperClass) {
    fast = fast->SuperClass->SuperClass;
    slow = slow->SuperClass;
    if (fast == slow) return true;
  }
  // A cycle not through `info` itself is still a cycle on its chain.
  return false;
}

}  // namespace fc
