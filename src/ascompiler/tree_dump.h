#pragma once
// A compact text dump of a parse tree: one node per line, children indented by two spaces.
// Used by `flarecast-cli as parse` and by the tests.

#include <string>

#include "ascompiler/parse_tree_stmt.h"
#include "ascompiler/string_table.h"

namespace fc {

std::string DumpTree(const TParseTreeNode* root, const TStringTable& strings);

}  // namespace fc
