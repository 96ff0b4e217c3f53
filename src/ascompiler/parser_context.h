#pragma once
// What the grammar's actions work with: the compile context, the unit being built and the
// lexer. The actions themselves stay one-liners in grammar.y; their side effects on scopes
// and the class table are here, in the order the reductions call them.

#include <deque>
#include <string>

#include "ascompiler/compile_context.h"
#include "ascompiler/lexer.h"
#include "ascompiler/parse_tree_stmt.h"

namespace fc {

class TParserContext {
public:
  TParserContext(TCompileContext& context, TCompileUnit& unit, TLexer& lexer)
      : context_(context), unit_(unit), lexer_(lexer) {}

  int NextToken(TTokenValue& value) { return lexer_.NextToken(value); }
  TTokenValue& Token() { return token_; }
  const std::string* KeepText(std::string text) { return &texts_.emplace_back(std::move(text)); }
  void SyntaxError(const char* message) { syntax_message_ = message; }
  const std::string& SyntaxMessage() const { return syntax_message_; }

  TSourcePos Position() { return {unit_.KeepFileName(lexer_.FileName()), lexer_.Line(), lexer_.Column()}; }
  int Line() const { return lexer_.Line(); }
  TStringTable& Strings() { return context_.StringTable; }
  TIdentTable* Scope() const { return context_.CurrentScope(); }
  void OpenScope(TScopeKind kind) { context_.OpenScope(kind); }
  void CloseScope() { context_.CloseScope(); }
  void SetRoot(TProgramNode* root) { unit_.Root = root; }

  template <typename T, typename... Args>
  T* New(Args&&... args) {
    return Checked(unit_.Make<T>(std::forward<Args>(args)...));
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
  TFuncCallNode* Call(TParseTreeNode* base, TStrId name, TExprListNode* arguments, TParseTreeNode* pos);
  TFuncCallNode* NewCall(TFuncCallNode* call);
  TAssignNode* Assign(TParseTreeNode* target, int op, TParseTreeNode* value, bool postfix = false);
  TExprListNode* ExprList(TParseTreeNode* first, uint16_t flags);
  // Rules `Expression ',' item`: false when the left side is a function literal, which
  // cannot start a comma list (a syntax error).
  bool AppendToComma(TParseTreeNode* list, TParseTreeNode* item);
  TExprListNode* MarkList(TExprListNode* list, uint16_t flag);
  TExprListNode* AppendProperty(TExprListNode* list, TPairNode* property);

  // Declarations
  TVarDeclNode* VarDecl(TStrId name, TStrId type, TParseTreeNode* initialiser, bool function_literal);
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
  TProgramNode* EventHandler(TEventKind kind, TParseTreeNode* pos, TEventListNode* events, TProgramNode* body);
  TProgramNode* KeyPressHandler(TParseTreeNode* pos, TStrId key, TProgramNode* body);
  TProgramNode* Program(TParseTreeNode* first);

  // Classes, interfaces and imports
  TCompoundName* ResolveInterface(TCompoundName* name);
  void OpenClassScope(TCompoundName* name, TCompoundName* super);
  TClassImplNode* ClassDecl(TCompoundName* name, TCompoundName* super, TClassImplListNode* interfaces,
                            TClassBodyNode* body);
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

  TCompileContext& context_;
  TCompileUnit& unit_;
  TLexer& lexer_;
  std::deque<std::string> texts_;  // listing lines on their way into nodes
  std::string syntax_message_;
  TTokenValue token_;  // the scanner's latest token
  std::vector<TClassInfo*> open_classes_;  // classes whose body is being parsed
};

// The generated parser (grammar.y).
int ParseTokens(TParserContext& context);

}  // namespace fc
