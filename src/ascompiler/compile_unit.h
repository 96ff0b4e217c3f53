#pragma once
// A compile unit: one parsed script or class file. It owns every node and every scope
// created while it was being parsed, so freeing the unit frees its whole tree.

#include <memory>
#include <memory_resource>
#include <utility>
#include <vector>

#include "ascompiler/constant_pool.h"
#include "ascompiler/ident_table.h"
#include "ascompiler/parse_tree_stmt.h"

namespace fc {

struct TCompileUnit {
  TCompileUnit() = default;
  ~TCompileUnit() {
    for (TParseTreeNode* node : Nodes) node->~TParseTreeNode();
  }
  TCompileUnit(const TCompileUnit&) = delete;
  TCompileUnit& operator=(const TCompileUnit&) = delete;

  // Nodes live in the unit's arena: a script of many thousand lines makes millions of them.
  template <typename T, typename... Args>
  T* Make(Args&&... args) {
    void* memory = arena_.allocate(sizeof(T), alignof(T));
    T* node = new (memory) T(std::forward<Args>(args)...);
    Nodes.push_back(node);
    return node;
  }
  TIdentTable* MakeScope(ScopeKind kind, TBaseIdentTable* parent, const TStringTable& strings) {
    Scopes.push_back(std::make_unique<TIdentTable>(kind, parent, strings));
    return Scopes.back().get();
  }

  TProgramNode* Root = nullptr;
  std::vector<TParseTreeNode*> Nodes;  // every node of the unit, owned through the arena
  std::vector<std::unique_ptr<TIdentTable>> Scopes;
  TConstantPool Pool;

private:
  std::pmr::monotonic_buffer_resource arena_{64 * 1024};
};

}  // namespace fc
