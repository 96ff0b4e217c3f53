#pragma once
// What the grammar's actions work with: the compile context, the unit being built and the
// lexer. The actions themselves stay one-liners in grammar.y; their side effects on scopes
// and the class table are here, in the order the reductions call them.

#include <deque>
#include <optional>
#include <string>
#include <unordered_set>
#include <vector>

#include "ascompiler/compile_context.h"
#include "ascompiler/errors.h"
#include "ascompiler/lexer.h"
#include "ascompiler/parse_tree_stmt.h"

namespace fc {

// Where a token begins, as the parser's location stack keeps it: small, since every shift and
// reduction copies one. `File` indexes the parser's file names (0 is the main text).
struct TTokenPlace {
  int32_t Line = 0;
  int32_t Column = 0;
  uint32_t File = 0;
};

class TParserContext {
public:
  TParserContext(TCompileContext& context, TCompileUnit& unit, TLexer& lexer)
      : context_(context), unit_(unit), lexer_(lexer) {}

  // `file_name` is what positions in the main text name (empty for a frame script's text).
  TParserContext(TCompileContext& context, TCompileUnit& unit, TLexer& lexer, std::string file_name)
      : TParserContext(context, unit, lexer) {
    main_file_ = std::move(file_name);
  }

  int NextToken(TTokenValue& value);
  TTokenValue& Token() { return token_; }
  const std::string* KeepText(std::string text) { return &texts_.emplace_back(std::move(text)); }
  // Where the last token read begins, and whether a line break came before it.
  TTokenPlace TokenPlace() const { return token_place_; }
  TSourcePos PosOf(const TTokenPlace& place) const {
    return {files_[place.File], place.Line, place.Column};
  }
  bool NewlineBefore() const { return lexer_.NewlineBefore(); }
  // The position of the rule being reduced: the nodes made meanwhile take it.
  // Where the position of the rule being reduced lies (in the parser), null when none.
  void SetNodePlace(const TTokenPlace* place) { node_place_ = place; }

  // Syntax errors. The parse goes on after one (at the next statement) until it has found
  // kMaxErrors of them.
  static constexpr int kMaxErrors = 20;
  void SyntaxError(const TTokenPlace& pos, std::string message);
  // The token just read cannot come here; `expected` lists what could, where the parser
  // knows a few, and `after` names the construct they would end.
  void UnexpectedToken(const TTokenPlace& pos, const std::vector<std::string>& expected, std::string_view after);
  // What the grammar's lexer hook keeps between tokens (grammar.y, LexToken).
  struct TTokenFeed {
    int Previous = -1;         // the last token handed to the parser, -1 at the start
    bool Pending = false;      // a semicolon was put back before the token just read
    int PendingCode = 0;
    const void* Bottom = nullptr;  // the parser's state stack
    std::vector<int> States, Scratch;  // reused: a copy of the state stack and its trial run
  };
  TTokenFeed Feed;
  int ErrorCount() const { return static_cast<int>(diagnostics_.size()); }
  const std::vector<TCompileDiagnostic>& Diagnostics() const { return diagnostics_; }
  // The message of the first syntax error, worded as the compiler has always worded it.
  const std::string& FirstErrorMessage() const { return first_message_; }
  // Adds the place of an error that an action raised to the diagnostics.
  void ActionError(const std::string& message);

  int Line() const { return lexer_.Line(); }
  TStringTable& Strings() { return context_.StringTable; }
  TIdentTable* Scope() const { return context_.CurrentScope(); }
  void OpenScope(TScopeKind kind) { context_.OpenScope(kind); }
  void CloseScope() { context_.CloseScope(); }
  void SetRoot(TProgramNode* root) { unit_.Root = root; }

  template <typename T, typename... Args>
  T* New(Args&&... args) {
    T* node = unit_.Make<T>(std::forward<Args>(args)...);
    if (node_place_) node->Pos = PosOf(*node_place_);
    return Checked(node);
  }
  template <typename List, typename Item>
  List* Append(List* list, Item* item) {
    list->Add(item);
    Checked(list);
    return list;
  }
  template <typename T>
  T* Checked(T* node) {
    if (node->Depth > kMaxNestingDepth) NestingTooDeep();
    return node;
  }

  // Expressions
  TLvalueNode* NameLvalue(TStrId name);
  TLvalueNode* PathLvalue(TStrId path);
  TLvalueNode* MemberLvalue(TParseTreeNode* base, TStrId name);
  TLvalueNode* ComputedLvalue(TParseTreeNode* base, TParseTreeNode* member);
  TFuncCallNode* Call(TParseTreeNode* base, TStrId name, TExprListNode* arguments);
  // `callee(arguments)` for any callee: a name, a member, a computed member or any value.
  TFuncCallNode* CallOf(TParseTreeNode* callee, TExprListNode* arguments);
  // `new callee(arguments)`.
  TFuncCallNode* NewCall(TParseTreeNode* callee, TExprListNode* arguments);
  // An assignment; null (with the error recorded) when the target cannot be assigned.
  TAssignNode* Assign(const TTokenPlace& pos, TParseTreeNode* target, int op, TParseTreeNode* value);
  // `++x`, `x--` and the like; null (with the error recorded) when x cannot be assigned.
  TAssignNode* Update(const TTokenPlace& pos, TParseTreeNode* target, int op, bool postfix);
  TExprListNode* ExprList(TParseTreeNode* first, uint16_t flags);
  // The one expression of a comma list that holds one, else the list.
  static TParseTreeNode* Single(TParseTreeNode* expression);
  TExprListNode* MarkList(TExprListNode* list, uint16_t flag);
  TExprListNode* AppendProperty(TExprListNode* list, TPairNode* property);
  // `a.b` of two ids (dotted type names), and a number written as an object literal's key.
  TStrId Dotted(TStrId left, TStrId right);
  TStrId NumberName(double value);
  // `and`, `or` or `not` as a member name: the word's id (the lexer gives -1 for `&&`, `||`
  // and `!`, which are no names: then -1, with the error recorded).
  TStrId WordName(const TTokenPlace& pos, TStrId word);

  // Declarations
  TVarDeclNode* VarDecl(TStrId name, TStrId type, TParseTreeNode* initialiser);
  TArgDeclNode* Param(TStrId name, TStrId type);
  void OpenFunctionScope(TStrId declared_name);
  TFuncDefNode* FunctionDecl(TStrId name, TArgDeclListNode* params, TStrId type, TParseTreeNode* body,
                             uint16_t accessor);
  TFuncDefNode* FunctionExpr(TArgDeclListNode* params, TStrId type, TParseTreeNode* body);
  TForInStmtNode* ForIn(TStrId variable, TParseTreeNode* object);
  TVarDeclListNode* MemberVars(int modifiers, TVarDeclListNode* vars);
  TFuncDefNode* MemberFunction(int modifiers, TFuncDefNode* function);
  void AddMember(TClassBodyNode* body, TParseTreeNode* member);

  // Event handlers
  TPairNode* Event(TStrId name, TParseTreeNode* argument);
  TProgramNode* EventHandler(TEventKind kind, const TTokenPlace& pos, TEventListNode* events, TProgramNode* body);
  TProgramNode* KeyPressHandler(const TTokenPlace& pos, TStrId key, TProgramNode* body);
  TProgramNode* Program(TParseTreeNode* first);

  // Classes, interfaces and imports
  TCompoundName* ResolveInterface(TCompoundName* name);
  void OpenClassScope(TCompoundName* name, TCompoundName* super);
  TClassImplNode* ClassDecl(TCompoundName* name, TCompoundName* super, TClassImplListNode* interfaces,
                            TClassBodyNode* body);
  // `dynamic class` or `intrinsic class` (the word); null (error recorded) for another word.
  TClassImplNode* ClassDecl(TCompoundName* name, TCompoundName* super, TClassImplListNode* interfaces,
                            TClassBodyNode* body, const TTokenPlace& word_pos, TStrId word);
  TClassIntfNode* InterfaceDecl(TCompoundName* name, TCompoundName* super);
  TImportNode* Import(TCompoundName* name);
  TImportNode* ImportAll(TCompoundName* package);

private:
  [[noreturn]] void NestingTooDeep() const;
  TParseTreeNode* NameChain(const std::vector<TStrId>& parts, size_t count);
  std::vector<TStrId> SplitName(TStrId dotted);
  TClassInfo* ResolveClass(TCompoundName* name, const char* message);
  void ValidateEvents(TEventListNode* events);
  TClassInfo* ChainClass(TParseTreeNode* base, TStrId name);
  // Whether some class's full name begins with this name and a dot (util in util.Config).
  bool IsPackageRoot(TStrId name);
  // What the user sees of a token: "name foo", "')'", "end of input".
  std::string Describe(std::string_view token) const;
  TCompileDiagnostic Diagnostic(const TSourcePos& pos, std::string message) const;

  TCompileContext& context_;
  TCompileUnit& unit_;
  TLexer& lexer_;
  std::deque<std::string> texts_;  // listing lines on their way into nodes
  TTokenValue token_;  // the scanner's latest token
  TTokenPlace token_place_;
  const TTokenPlace* node_place_ = nullptr;  // the parser's own variable
  std::vector<std::string_view> files_{std::string_view()};  // by TTokenPlace::File
  std::string main_file_;
  std::string token_file_;  // the file name token_place_ names
  int token_code_ = 0;
  std::vector<TCompileDiagnostic> diagnostics_;
  std::optional<std::unordered_set<std::string>> package_roots_;  // made on first use
  std::string first_message_;
  std::vector<TClassInfo*> open_classes_;  // classes whose body is being parsed
};

// The generated parser (grammar.y).
int ParseTokens(TParserContext& context);

}  // namespace fc
