#pragma once
// Shared by the grammar and parser tests: parse a text and return its tree dump as one
// S-expression line, or "ERROR: " and the compiler's message.

#include <string>
#include <vector>

#include "ascompiler/compile_context.h"
#include "ascompiler/errors.h"
#include "ascompiler/tree_dump.h"

namespace fc::testing {

// "A\n  B\n  C\n" -> "(A (B) (C))" with leaves written without parentheses: "(A B C)".
inline std::string ToSexpr(const std::string& dump) {
  struct Line {
    int indent;
    std::string text;
  };
  std::vector<Line> lines;
  size_t start = 0;
  while (start < dump.size()) {
    size_t end = dump.find('\n', start);
    if (end == std::string::npos) end = dump.size();
    const std::string line = dump.substr(start, end - start);
    const size_t first = line.find_first_not_of(' ');
    lines.push_back({static_cast<int>(first), line.substr(first)});
    start = end + 1;
  }
  std::string out;
  std::vector<int> open;
  for (size_t i = 0; i < lines.size(); ++i) {
    while (!open.empty() && open.back() >= lines[i].indent) {
      out += ')';
      open.pop_back();
    }
    if (!out.empty()) out += ' ';
    const bool has_children = i + 1 < lines.size() && lines[i + 1].indent > lines[i].indent;
    if (has_children) {
      out += '(' + lines[i].text;
      open.push_back(lines[i].indent);
    } else {
      out += lines[i].text;
    }
  }
  out.append(open.size(), ')');
  return out;
}

inline std::string ParseToSexpr(TCompileContext& context, const std::string& text) {
  try {
    std::unique_ptr<TCompileUnit> unit = context.ParseUnit(text);
    const std::string dump = DumpTree(unit->Root, context.StringTable);
    context.ForgetUnit(*unit);
    return ToSexpr(dump);
  } catch (const EActionCompileError& e) {
    return std::string("ERROR: ") + e.what();
  }
}

}  // namespace fc::testing
