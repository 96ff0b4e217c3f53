#pragma once
// Code generation: walks a compile unit's parse tree and appends AVM1 actions for every
// expression, statement and declaration (functions as DefineFunction2 with registers,
// classes as prototype set-up code).

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include "ascompiler/compile_context.h"
#include "ascompiler/emitter.h"
#include "ascompiler/parse_tree_stmt.h"

namespace fc {

// Puts a ConstantPool action with the pool's texts at the head of `list` (when not empty).
void PlaceConstantPool(TSWFActionList& list, const TConstantPool& pool, const TStringTable& strings);
// Moves named function definitions of the top level in front (behind the constant pool), in
// source order, and deletes every Pop that directly follows a one-value Push, with the Push.
void RunPostPass(TSWFActionList& list);

class TCodeGenerator {
public:
  TCodeGenerator(TCompileContext& context, TCompileUnit& unit, TSWFActionList& list);

  // Resolves what the parser could not know yet (class members used by plain name, locals
  // that nested functions use) and compiles the unit's root.
  void CompileUnit();
  // After the post-pass on `list`: every ifFrameLoaded skip count in it counts the actions
  // finally written.
  void FixSkipCounts(TSWFActionList& list);

  // Where the body of an on(...) or onClipEvent(...) handler goes: the action list of a new
  // button condition or clip action record for its events. Without it (a frame script) a
  // handler is an error. It throws EActionCompileError when the handler does not fit the
  // object compiled for.
  std::function<TSWFActionList&(const TEventListNode& events)> OnEventHandler;
  // A unit compiled for a button or a placed clip: its top level may hold only handlers
  // (and imports), since there is no frame to run anything else in.
  bool HandlersOnly = false;
  // The handler lists filled so far, in source order; each has its constant pool in front.
  const std::vector<TSWFActionList*>& HandlerLists() const { return handlerLists_; }

  void Compile(TParseTreeNode* node);

private:
  struct BreakEntry {
    TParseTreeNode* node;
    bool isLoop;
    std::shared_ptr<TSWFOffsetMarker> top;  // loops: the continue target
    std::vector<std::shared_ptr<TSWFOffsetMarker>> exits;
  };
  struct WaitEntry {
    TSWFActionWaitForFrame* action;
    std::shared_ptr<TSWFOffsetMarker> end;
  };

  // Before code generation.
  void Prepare(TParseTreeNode* node);
  // Compiles an item of a program, prepared first when it is a declaration.
  void CompileTopLevel(TParseTreeNode* item);
  void ResolveClassMember(TLvalueNode* lvalue);
  void ResolveClassCall(TFuncCallNode* call);
  void KeepOutOfRegisters(TIdentTable* scope, TStrId name);
  TParseTreeNode* ClassChain(TIdentTable* classScope);
  TLvalueNode* ThisLvalue(TIdentTable* scope);

  // Expressions
  void PopIfUnused(const TParseTreeNode* node);
  void Number(const TNumberNode* node);
  void Str(const TStrNode* node);
  void Lvalue(TLvalueNode* node);
  int RegisterOf(const TLvalueNode* node) const;
  void TargetParts(TLvalueNode* node);
  void Getter(TLvalueNode* node);
  void Setter(TLvalueNode* node);
  void Assign(TAssignNode* node);
  void BinOp(TBinOpNode* node);
  void UnOp(TUnOpNode* node);
  void ExprList(TExprListNode* node);
  void Arguments(TExprListNode* list);
  void Call(TFuncCallNode* node);
  bool BuiltIn(TFuncCallNode* node);
  // Whether a function name is one of the built-in functions (any case), decided once per name.
  bool IsBuiltInName(TStrId name);
  void PushClassValue(const TStrId dotted);

  // Statements
  void If(TIfStmtNode* node);
  void Switch(TSwitchStmtNode* node);
  void WaitForFrame(TWaitForFrameNode* node);
  void Loop(TLoopStmtNode* node);
  void For(TForStmtNode* node);
  void ForIn(TForInStmtNode* node);
  void DropEnumeration();
  void Return(TReturnStmtNode* node);
  void Break();
  void Continue();
  void Try(TTryStmtNode* node);
  void VarDecl(TVarDeclNode* node);
  void Function(TFuncDefNode* node);
  // Allocates the function's registers and emits its DefineFunction2 header (parameters,
  // register count, preload and suppress flags); the caller sets the name and the body size.
  TSWFActionDefineFunction2* FunctionHeader(TFuncDefNode* node);
  void Program(TProgramNode* node);
  void ClassImpl(TClassImplNode* node);
  void ClassIntf(TClassIntfNode* node);
  void ClassHeader(TClassDefNode* node, const std::shared_ptr<TSWFOffsetMarker>& end);
  void Constructor(TClassImplNode* node);
  TStrId MemberName(const TFuncDefNode* method);
  TStrId Intern(const std::string& text) { return context_.StringTable.Intern(text); }
  const std::string& Text(TStrId id) const { return context_.StringTable.Text(id); }
  [[noreturn]] void Fail(const std::string& message) const;

  TCompileContext& context_;
  TCompileUnit& unit_;
  TActionEmitter emit_;
  std::vector<BreakEntry> breakStack_;
  std::vector<WaitEntry> waits_;
  std::vector<TSWFActionList*> handlerLists_;
  enum : uint8_t { kUnknown, kNo, kYes };
  std::vector<uint8_t> builtIn_;  // by string id
  bool prepared_ = false;         // the code being compiled went through Prepare
};

}  // namespace fc
