#pragma once
// A compile unit: one parsed script or class file. It owns every node and every scope
// created while it was being parsed, so freeing the unit frees its whole tree.

#include <memory>
#include <utility>
#include <vector>

#include "ascompiler/constant_pool.h"
#include "ascompiler/ident_table.h"
#include "ascompiler/parse_tree_stmt.h"

namespace fc {

struct TCompileUnit {
  template <typename T, typename... Args>
  T* Make(Args&&... args) {
    auto node = std::make_unique<T>(std::forward<Args>(args)...);
    T* raw = node.get();
    Nodes.push_back(std::move(node));
    return raw;
  }
  TIdentTable* MakeScope(ScopeKind kind, TBaseIdentTable* parent, const TStringTable& strings) {
    Scopes.push_back(std::make_unique<TIdentTable>(kind, parent, strings));
    return Scopes.back().get();
  }

  TProgramNode* Root = nullptr;
  std::vector<std::unique_ptr<TParseTreeNode>> Nodes;
  std::vector<std::unique_ptr<TIdentTable>> Scopes;
  TConstantPool Pool;
};

}  // namespace fc
