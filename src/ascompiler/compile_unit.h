#pragma once
// A compile unit: one parsed script or class file. It owns every node and every scope
// created while it was being parsed, so freeing the unit frees its whole tree.

#include <deque>
#include <memory>
#include <memory_resource>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <vector>

#include "ascompiler/constant_pool.h"
#include "ascompiler/ident_table.h"
#include "ascompiler/arena.h"
#include "ascompiler/parse_tree_stmt.h"

namespace fc {

struct TCompileUnit {
  explicit TCompileUnit(std::shared_ptr<TArenaBlockCache> cache = nullptr) : arena_(std::move(cache)) {}
  TCompileUnit(const TCompileUnit&) = delete;
  TCompileUnit& operator=(const TCompileUnit&) = delete;

  // Nodes live in the unit's arena: a script of many thousand lines makes millions of them.
  // Only the few kinds that own memory of their own are destroyed one by one; lists keep their
  // longer item arrays in the arena too.
  template <typename T, typename... Args>
  T* Make(Args&&... args) {
    static_assert(std::is_base_of_v<TParseTreeNode, T>);
    T* node = arena_.Make<T>(std::forward<Args>(args)...);
    if constexpr (std::is_base_of_v<TListNode, T>) node->Items.SetArena(&arena_.Memory());
    return node;
  }
  TIdentTable* MakeScope(TScopeKind kind, TBaseIdentTable* parent, const TStringTable& strings) {
    Scopes.push_back(std::make_unique<TIdentTable>(kind, parent, strings));
    return Scopes.back().get();
  }
  // A stable copy of an include file's name for the positions of the nodes read from it.
  std::string_view KeepFileName(const std::string& name) {
    if (name.empty()) return {};
    if (file_names_.empty() || file_names_.back() != name) file_names_.push_back(name);
    return file_names_.back();
  }

  TProgramNode* Root = nullptr;
  std::vector<std::unique_ptr<TIdentTable>> Scopes;
  TConstantPool Pool;

private:
  std::deque<std::string> file_names_;
  // Declared last: the nodes go first, before the file names their positions show.
  TOwningArena arena_;
};

}  // namespace fc
