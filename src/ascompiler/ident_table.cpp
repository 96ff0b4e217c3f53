#include "ascompiler/ident_table.h"

#include <cassert>

#include "ascompiler/compile_unit.h"

namespace fc {

TIdentInfo::TIdentInfo(TStrId name, TStrId typeName, TBaseIdentTable* owner)
    : Name(name), TypeName(typeName), Kind(owner->Kind), Owner(owner) {}

TClassInfo::~TClassInfo() = default;

TBaseIdentTable::TBaseIdentTable(ScopeKind kind, TBaseIdentTable* parent, const TStringTable& strings)
    : Kind(kind), Parent(parent), strings_(strings) {}

TIdentInfo* TBaseIdentTable::Append(std::unique_ptr<TIdentInfo> info) {
  TIdentInfo* raw = info.get();
  if (dynamic_cast<TAliasInfo*>(raw)) hasAliases_ = true;
  items_.push_back(std::move(info));
  TSameName& same = byName_[NameKey(raw->Name)];
  if (same.newest) same.older.push_back(same.newest);
  same.newest = raw;
  return raw;
}

TIdentInfo* TBaseIdentTable::Declare(TStrId name, TStrId typeName) {
  return Append(std::make_unique<TIdentInfo>(name, typeName, this));
}

TIdentInfo* TBaseIdentTable::FindOwn(TStrId name) const {
  if (byName_.empty()) return nullptr;  // spares the class table's case-folded key
  const auto it = byName_.find(NameKey(name));
  return it == byName_.end() ? nullptr : it->second.newest;
}

TClassInfo* TBaseIdentTable::FindOwnClass(TStrId name) const {
  if (byName_.empty()) return nullptr;
  const auto it = byName_.find(NameKey(name));
  if (it == byName_.end()) return nullptr;
  // Newest first; the first alias or class decides.
  for (size_t i = 0, n = it->second.older.size() + 1; i < n; ++i) {
    TIdentInfo* entry = i == 0 ? it->second.newest : it->second.older[n - 1 - i];
    if (auto* alias = dynamic_cast<TAliasInfo*>(entry)) return alias->Target;
    if (auto* cls = dynamic_cast<TClassInfo*>(entry)) return cls;
  }
  return nullptr;
}

TIdentInfo* TBaseIdentTable::Lookup(TStrId name, int mode) const {
  // Iterative over Parent; Base chains are followed with mode 2 as the rules require.
  for (const TBaseIdentTable* table = this; table; table = (mode & 1) ? table->Parent : nullptr) {
    if (TIdentInfo* found = table->FindOwn(name)) {
      if (!table->hasAliases_) return found;
      if (auto* alias = dynamic_cast<TAliasInfo*>(found)) return alias->Target;
      return found;
    }
    if (mode & 2) {
      // Superclass member tables; a cycle of bases is cut by the step limit.
      int steps = 0;
      for (const TBaseIdentTable* base = table->Base; base && steps < 4096; base = base->Base, ++steps) {
        if (TIdentInfo* found = base->FindOwn(name)) {
          if (!base->hasAliases_) return found;
          if (auto* alias = dynamic_cast<TAliasInfo*>(found)) return alias->Target;
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

TAliasInfo* TBaseIdentTable::AddAlias(TStrId shortName, TClassInfo* target) {
  return static_cast<TAliasInfo*>(Append(std::make_unique<TAliasInfo>(shortName, target, this)));
}

void TIdentTable::SetClassName(TCompoundName* name) {
  assert(Kind == ScopeKind::Class);
  className_ = name;
}

TIdentInfo* TIdentTable::UseSpecial(Special which) {
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

void TIdentTable::AllocateRegisters(bool allocateLocals) {
  assert(Kind == ScopeKind::Function);
  NextRegister = 1;
  // The player preloads them in this order.
  for (Special which : {Special::This, Special::Arguments, Special::Super})
    if (TIdentInfo* entry = specials_[static_cast<int>(which)]) entry->Register = NextRegister++;
  if (!allocateLocals) return;
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
  if (const auto known = idKeys_.find(name); known != idKeys_.end()) return known->second;
  std::string upper = ToUpperAscii(Strings().Text(name));
  auto it = upperKeys_.find(upper);
  if (it == upperKeys_.end()) it = upperKeys_.emplace(std::move(upper), static_cast<int64_t>(upperKeys_.size())).first;
  idKeys_.emplace(name, it->second);
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
