#pragma once
// Code generation: walks a compile unit's parse tree and appends AVM1 actions for every
// expression, statement and declaration (functions as DefineFunction2 with registers,
// classes as prototype set-up code).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
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
  // The construct whose code a marker ends or begins (a loop, a function body, a branch of an
  // if), for the message when the distance to it does not fit its field.
  TSourcePos MarkerPosition(const TSWFOffsetMarker* marker) const {
    for (const auto& [m, pos] : marker_positions_)  // asked only when an error is reported
      if (m == marker) return *pos;
    return {};
  }

  // Where the body of an on(...) or onClipEvent(...) handler goes: the action list of a new
  // button condition or clip action record for its events. Without it (a frame script) a
  // handler is an error. It throws EActionCompileError when the handler does not fit the
  // object compiled for.
  std::function<TSWFActionList&(const TEventListNode& events)> OnEventHandler;
  // A unit compiled for a button or a placed clip: its top level may hold only handlers
  // (and imports), since there is no frame to run anything else in.
  bool HandlersOnly = false;
  // The handler lists filled so far, in source order; each has its constant pool in front.
  const std::vector<TSWFActionList*>& HandlerLists() const { return handler_lists_; }

  void Compile(TParseTreeNode* node);

private:
  void CompileNode(TParseTreeNode* node);
  std::shared_ptr<TSWFOffsetMarker> NewMarker(TMarkerDirection direction = TMarkerDirection::Forward);
  struct TBreakEntry {
    TParseTreeNode* Node;
    bool IsLoop;
    std::shared_ptr<TSWFOffsetMarker> Top;  // loops: the continue target
    std::vector<std::shared_ptr<TSWFOffsetMarker>> Exits;
  };
  struct TWaitEntry {
    TSWFActionWaitForFrame* Action;
    std::shared_ptr<TSWFOffsetMarker> end;
  };

  // Before code generation.
  void Prepare(TParseTreeNode* node);
  // Compiles an item of a program, prepared first when it is a declaration.
  void CompileTopLevel(TParseTreeNode* item);
  void ResolveClassMember(TLvalueNode* lvalue);
  void ResolveClassCall(TFuncCallNode* call);
  bool InMovieClipMethod(const TIdentTable* scope);
  static bool Undeclared(TIdentInfo* entry);
  void ResolveMovieClipMember(TLvalueNode* lvalue);
  bool ResolveMovieClipCall(TFuncCallNode* call);
  void TargetProperties(TParseTreeNode* node);
  // What a member of a class is reached through from `scope`: the class for a static member,
  // `this` for an instance member; null when the member's table is no class of a name.
  TParseTreeNode* MemberBase(TIdentInfo* member, TIdentTable* scope);
  void KeepOutOfRegisters(TIdentTable* scope, TStrId name);
  TParseTreeNode* ClassChain(TIdentTable* class_scope);
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
  bool IsCast(const TFuncCallNode* node, const TClassInfo* cls) const;
  void PushClassValue(const TStrId dotted);

  // Built-in functions. A plain call of one compiles to its row of kBuiltIns: the arguments
  // and an action, or a handler of its own.
  struct TBuiltInCall {
    TFuncCallNode* Node;
    std::string Written;  // the name as written (a copy: compiling the arguments adds names)
    int Line;
    int Count;  // of arguments
    TParseTreeNode* Arg(int i) const { return Node->Arguments->Items[i]; }
  };
  using TBuiltInHandler = void (TCodeGenerator::*)(const TBuiltInCall& call);
  // Whether an action leaves a value of its own, or the call pushes undefined after it.
  enum class TBuiltInResult : uint8_t { FromAction, Undefined };
  // With another argument count than its row's: an error, or a call of the player's global
  // function of that name (String(), Number(a, b)).
  enum class TBuiltInOtherCounts : uint8_t { Error, GlobalFunction };
  // A row names the action its function emits or the handler that compiles it; a row with
  // neither cannot be made.
  class TBuiltIn {
  public:
    // Exactly `arguments` arguments, compiled in order, then `action`, an action without a
    // payload.
    consteval TBuiltIn(std::string_view name, int arguments, TSWFActionCode action, TBuiltInResult result,
                       TBuiltInOtherCounts other_counts = TBuiltInOtherCounts::Error)
        : Name(name), Arguments(arguments), Action(action), Result(result), OtherCounts(other_counts) {
      if (!IsSimpleAction(action)) throw "the action of a built-in function row must be one without a payload";
    }
    consteval TBuiltIn(std::string_view name, TBuiltInHandler handler) : Name(name), Handler(handler) {
      if (!handler) throw "a built-in function without an action needs a handler";
    }

    std::string_view Name;  // lower case; calls match it in any case
    int Arguments = 0;
    TSWFActionCode Action = TSWFActionCode::End;
    TBuiltInResult Result = TBuiltInResult::FromAction;
    TBuiltInOtherCounts OtherCounts = TBuiltInOtherCounts::Error;
    TBuiltInHandler Handler = nullptr;
  };
  static const TBuiltIn kBuiltIns[];
  // Compiles the call when it names a built-in function.
  bool BuiltIn(TFuncCallNode* node);
  // The row of the built-in function a name calls (any case), or null; decided once per name.
  const TBuiltIn* BuiltInOf(TStrId name);
  // Handlers and the argument rules they share.
  void BuiltInStartDrag(const TBuiltInCall& call);
  void BuiltInGetProperty(const TBuiltInCall& call);
  void BuiltInSetProperty(const TBuiltInCall& call);
  void BuiltInGetURL(const TBuiltInCall& call);
  void BuiltInLoadMovie(const TBuiltInCall& call) { LoadURL(call, false, false); }
  void BuiltInLoadMovieNum(const TBuiltInCall& call) { LoadURL(call, false, true); }
  void BuiltInLoadVariables(const TBuiltInCall& call) { LoadURL(call, true, false); }
  void BuiltInLoadVariablesNum(const TBuiltInCall& call) { LoadURL(call, true, true); }
  void BuiltInUnloadMovie(const TBuiltInCall& call) { UnloadMovie(call, false); }
  void BuiltInUnloadMovieNum(const TBuiltInCall& call) { UnloadMovie(call, true); }
  void BuiltInFSCommand(const TBuiltInCall& call);
  void BuiltInFSCommand2(const TBuiltInCall& call);
  void BuiltInPrint(const TBuiltInCall& call) { Print(call, false, false); }
  void BuiltInPrintNum(const TBuiltInCall& call) { Print(call, false, true); }
  void BuiltInPrintAsBitmap(const TBuiltInCall& call) { Print(call, true, false); }
  void BuiltInPrintAsBitmapNum(const TBuiltInCall& call) { Print(call, true, true); }
  void Print(const TBuiltInCall& call, bool bitmap, bool level);
  void BuiltInGotoAndPlay(const TBuiltInCall& call) { GotoFrame(call, true); }
  void BuiltInGotoAndStop(const TBuiltInCall& call) { GotoFrame(call, false); }
  void LoadURL(const TBuiltInCall& call, bool variables, bool level);
  void UnloadMovie(const TBuiltInCall& call, bool level);
  void GotoFrame(const TBuiltInCall& call, bool play);
  void NeedArguments(const TBuiltInCall& call, int count);
  const TStrNode* StringLiteralArgument(const TBuiltInCall& call, int i) const;
  // The send method of a string literal argument ("get" in any case, or POST), none when absent.
  uint8_t SendMethodArgument(const TBuiltInCall& call, int i, const char* error);
  // Pushes "_level" and the numeric literal argument `i`.
  void PushLevelArgument(const TBuiltInCall& call, int i, const char* error);
  // The clip property named by the second argument.
  int PropertyArgument(const TBuiltInCall& call, const char* list_error);
  void EmitGetURL2(uint8_t method, bool load_target, bool load_variables);

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
  void FunctionBody(TParseTreeNode* body);
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

  // The movie's version decides what may be emitted; the SWF 4 option makes it 4.
  int TargetVersion() const { return emit_.StringPushesOnly ? kSwf4Version : context_.SwfVersion; }
  static constexpr int kSwf4Version = 4;
  // Functions as DefineFunction2 with registers (version 7 on), else DefineFunction.
  bool UsesDefineFunction2() const;
  // Refuses a construct whose action `T` the movie's player does not have: "CONSTRUCT are
  // not available in SWF version N movies (line L)"; `line` 0 when unknown.
  template <typename T>
  void RequireAction(const char* construct, int line = 0) const {
    static const int needed = T().MinVersion();
    if (TargetVersion() < needed) FailNotAvailable(construct, line);
  }
  [[noreturn]] void FailNotAvailable(const std::string& construct, int line) const;
  // The DefineFunction header of a function for players before version 7: parameters by
  // name, `this`, `arguments` and `super` as the player defines them.
  TSWFActionDefineFunction* DefineFunctionHeader(TFuncDefNode* node);
  // A super constructor call `super(args)` in a DefineFunction function (arguments pushed).
  void CallSuperByName();
  // Classes live in _global, which players have from version 6 on.
  static constexpr int kFirstVersionWithGlobal = 6;
  // Before version 7: the prototype chain that Extends would set, done by script.
  void ExtendsByScript(TClassImplNode* node);
  // Refuses an operator the movie's player lacks.
  void CheckOperatorVersion(int op);
  // Version 4: the binary operators with the SWF 4 actions; false for those it leaves to BinOp.
  bool Swf4BinOp(TBinOpNode* node);
  // Version 4: `a && b` and `a || b` without PushDuplicate, as booleans.
  void Swf4Logical(TBinOpNode* node);
  // Version 4: a++, a--, and the compound assignments without Increment and registers.
  void Swf4Assign(TAssignNode* node);
  // The object of a for-in loop and the action that lists its names (before version 6
  // Enumerate, which takes the name of a variable).
  void EnumerateObject(TForInStmtNode* node);

  TCompileContext& context_;
  TCompileUnit& unit_;
  TActionEmitter emit_;
  std::vector<TBreakEntry> break_stack_;
  std::vector<TWaitEntry> waits_;
  std::vector<TSWFActionList*> handler_lists_;
  // By string id: the index of the name's row in kBuiltIns, or one of these.
  static constexpr int16_t kBuiltInUndecided = -2;
  static constexpr int16_t kNoBuiltIn = -1;
  std::vector<int16_t> built_in_;
  bool prepared_ = false;         // the code being compiled went through Prepare
  const TSourcePos* at_ = nullptr;  // the construct being compiled (its node's), for errors
  std::vector<std::pair<const TSWFOffsetMarker*, const TSourcePos*>> marker_positions_;
  // In a DefineFunction constructor instance fields go to `this` by name: register 1 is global.
  bool fields_on_this_by_name_ = false;
};

}  // namespace fc
