#pragma once
// The ActionScript 2 scanner. It turns 8-bit source text into the parser's tokens, keeps the
// line and column for messages, interns identifiers and string literals, converts numbers
// and follows #include directives through a stack of open sources.
//
// Each source is scanned on its own: the end of an included file ends the token being
// scanned there, like the end of the main text, and scanning resumes in the including file
// on the line after the directive.

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "ascompiler/string_table.h"
#include "ascompiler/tokens.h"

namespace fc {

// An include file's text and an identity (its canonical path) that detects include cycles.
struct TIncludeFile {
  std::string Text;
  std::string Identity;
};
using TIncludeOpener = std::function<TIncludeFile(const std::string& name_as_written)>;

class TLexer {
public:
  TLexer(TStringTable& strings, TIncludeOpener open_include, bool swf4_paths = false);

  // Starts over on a new main text; the include stack is emptied. `identity` names the main
  // file (if any) so that an include of it is reported as a cycle.
  void Reset(std::string text, std::string identity = {});

  int NextToken(TTokenValue& value);

  int Line() const { return current_.Line; }
  int Column() const { return current_.Column; }
  // Where the token NextToken returned last begins (column from 0), and whether a line break
  // (or the start or end of an include file) came between it and the token before.
  int TokenLine() const { return token_line_; }
  int TokenColumn() const { return token_column_; }
  bool NewlineBefore() const { return newline_before_; }
  // The file name as written in the include directive; empty in the main text.
  const std::string& FileName() const { return current_.FileName; }
  size_t IncludeDepth() const { return stack_.size(); }

private:
  // One open source: the main text or an included file, and where scanning stands in it.
  struct TSourceState {
    std::string Text;
    size_t Pos = 0;
    int Line = 1;
    int Column = 0;
    std::string FileName;
    std::string Identity;
  };

  unsigned char At(size_t i) const {
    return i < current_.Text.size() ? static_cast<unsigned char>(current_.Text[i]) : 0;
  }
  bool AtEndOf(size_t i) const { return At(i) == 0; }
  void Consume(size_t n);
  void ConsumeOnLine(size_t n);  // n characters that hold no newline

  size_t MatchInclude(std::string& name) const;
  void PushInclude(const std::string& name);
  size_t MatchString(unsigned char quote, std::string& text) const;
  size_t CharacterEscape(size_t i, std::string& text) const;
  int ScanNumber(TTokenValue& value, size_t& length) const;
  size_t MatchDecimal(size_t start) const;
  size_t MatchPath() const;
  int ScanWord(TTokenValue& value, size_t& length) const;
  int ScanOperator(TTokenValue& value, size_t& length) const;

  TStringTable& strings_;
  TIncludeOpener open_include_;
  bool swf4_paths_;
  TSourceState current_;
  std::vector<TSourceState> stack_;
  int token_line_ = 1;
  int token_column_ = 0;
  bool newline_before_ = false;
};

}  // namespace fc
