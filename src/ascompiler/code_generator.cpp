#include "ascompiler/code_generator.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "ascompiler/clip_properties.h"
#include "ascompiler/errors.h"
#include "ascompiler/tokens.h"
#include "core/text.h"

namespace fc {
namespace {

// Class set-up code keeps what it works on in this register: the package object, then the
// constructor (while static members are set) and the prototype. Inside the constructor `this`
// takes it, as the first register handed out, so instance variables are set the same way.
constexpr int kClassRegister = 1;
// addProperty(name, getter, setter).
constexpr int kAddPropertyArguments = 3;

bool IsSpecialName(TStrId name) {
  return name == TStringTable::ThisId || name == TStringTable::SuperId || name == TStringTable::ArgumentsId;
}

bool IsPlainName(const TLvalueNode* node) { return !node->Base && !node->Computed && node->Path < 0 && node->Name() >= 0; }

// Whether evaluating the expression can change anything (so it must be evaluated once).
bool HasSideEffects(const TParseTreeNode* node) {
  if (!node) return false;
  switch (node->Kind) {
    case TNodeKind::Number:
    case TNodeKind::Str:
    case TNodeKind::FuncDef:
      return false;
    case TNodeKind::Lvalue: {
      const auto* l = static_cast<const TLvalueNode*>(node);
      return HasSideEffects(l->Base) || (l->Computed && HasSideEffects(l->Member));
    }
    case TNodeKind::BinOp: {
      const auto* b = static_cast<const TBinOpNode*>(node);
      return HasSideEffects(b->Left) || HasSideEffects(b->Right);
    }
    case TNodeKind::UnOp: {
      const auto* u = static_cast<const TUnOpNode*>(node);
      return u->Operator == kTokDelete || HasSideEffects(u->Operand);
    }
    case TNodeKind::ExprList:
      for (const TParseTreeNode* item : static_cast<const TExprListNode*>(node)->Items)
        if (HasSideEffects(item)) return true;
      return false;
    case TNodeKind::If: {
      const auto* c = static_cast<const TIfStmtNode*>(node);
      return HasSideEffects(c->Condition) || HasSideEffects(c->Then) || HasSideEffects(c->Else);
    }
    default:
      return true;  // calls, assignments
  }
}

// Whether the expression or statement holds a node that `is` picks, outside the functions
// nested in it (their code is their own).
template <typename TPick>
bool Holds(TParseTreeNode* node, const TPick& is) {
  if (!node || node->Kind == TNodeKind::FuncDef) return false;
  if (is(node)) return true;
  bool found = false;
  VisitChildren(node, [&](TParseTreeNode* child) { found = found || Holds(child, is); });
  return found;
}

}  // namespace

TCodeGenerator::TCodeGenerator(TCompileContext& context, TCompileUnit& unit, TSWFActionList& list)
    : context_(context), unit_(unit), emit_(list, unit.Pool, context.StringTable, context.BlockCache) {
  emit_.StringPushesOnly = context.Swf4Code();
}

void TCodeGenerator::Fail(const std::string& message) const {
  // The error lies in the innermost construct being compiled.
  if (!at_ || at_->Line <= 0) throw EActionCompileError(message);
  throw EActionCompileError(message, {{std::string(at_->FileName), at_->Line, at_->Column + 1, message}});
}

void TCodeGenerator::CompileUnit() {
  if (!unit_.Root) return;
  // The pre-pass resolves names in the scopes of functions and classes; the top level has
  // nothing for it. So its statements are not walked: declarations are prepared as a whole
  // when the program reaches them, a function inside a statement when it is compiled.
  Compile(unit_.Root);
}

namespace {
// Clears the "prepared" state when the prepared code is compiled, also after an error.
struct TPreparedScope {
  explicit TPreparedScope(bool& flag) : flag_(flag) { flag_ = true; }
  ~TPreparedScope() { flag_ = false; }
  TPreparedScope(const TPreparedScope&) = delete;
  TPreparedScope& operator=(const TPreparedScope&) = delete;
  bool& flag_;
};
}  // namespace

void TCodeGenerator::CompileTopLevel(TParseTreeNode* item) {
  const bool declaration = item->Kind == TNodeKind::FuncDef || item->Kind == TNodeKind::ClassImpl ||
                           item->Kind == TNodeKind::ClassIntf || item->Kind == TNodeKind::Program;
  if (!declaration || prepared_) {
    Compile(item);
    return;
  }
  Prepare(item);
  TPreparedScope scope(prepared_);
  Compile(item);
}

// --- Before code generation ---

void TCodeGenerator::KeepOutOfRegisters(TIdentTable* scope, TStrId name) {
  for (TBaseIdentTable* table = scope; table; table = table->Parent) {
    if (!table->Lookup(name, TLookupMode::Own)) continue;
    // Declared in an enclosing function: the nested function reads it by name.
    if (table != scope && table->Kind == TScopeKind::Function)
      for (const auto& entry : table->Items())
        if (entry->Name == name) entry->Register = kRegisterNever;
    return;
  }
}

TParseTreeNode* TCodeGenerator::ClassChain(TIdentTable* class_scope) {
  TLvalueNode* chain = nullptr;
  for (TStrId part : class_scope->ClassName()->Parts) {
    chain = unit_.Make<TLvalueNode>(chain, unit_.Make<TStrNode>(part), false, class_scope);
    chain->Resolved = true;
  }
  return chain;
}

TLvalueNode* TCodeGenerator::ThisLvalue(TIdentTable* scope) {
  TLvalueNode* self = unit_.Make<TLvalueNode>(nullptr, unit_.Make<TStrNode>(TStringTable::ThisId), false, scope);
  self->Entry = scope->UseSpecial(TSpecial::This);
  self->Resolved = true;
  return self;
}

namespace {

bool IsClassMember(const TIdentInfo* entry) {
  return entry && entry->Kind == TScopeKind::Class && !dynamic_cast<const TClassInfo*>(entry) &&
         !dynamic_cast<const TAliasInfo*>(entry);
}

// The member of the class around `scope` (or of its superclasses) that a plain name means,
// or null.
TIdentInfo* EnclosingClassMember(TIdentTable* scope, TStrId name) {
  TBaseIdentTable* look = scope->Kind == TScopeKind::Class      ? scope
                          : scope->Kind == TScopeKind::Function ? scope->Parent
                                                               : nullptr;
  if (!look) return nullptr;
  TIdentInfo* found = look->Lookup(name, TLookupMode::OutwardAndSuperclasses);
  return IsClassMember(found) ? found : nullptr;
}

}  // namespace

TParseTreeNode* TCodeGenerator::MemberBase(TIdentInfo* member, TIdentTable* scope) {
  auto* owner = dynamic_cast<TIdentTable*>(member->Owner);
  if (!owner || !owner->ClassName()) return nullptr;
  return (member->Flags & kIdentStatic) ? ClassChain(owner) : ThisLvalue(scope);
}

void TCodeGenerator::ResolveClassMember(TLvalueNode* node) {
  node->Resolved = true;
  TIdentTable* scope = node->Scope;
  if (!scope) return;
  if (!node->Entry || node->Entry->Kind == TScopeKind::Program)
    if (TIdentInfo* member = EnclosingClassMember(scope, node->Name())) node->Entry = member;
  if (!IsClassMember(node->Entry)) return;
  if (TParseTreeNode* base = MemberBase(node->Entry, scope)) node->SetBase(base);
}

void TCodeGenerator::ResolveClassCall(TFuncCallNode* node) {
  node->Resolved = true;
  TIdentTable* scope = node->Scope;
  if (!scope || node->Base || node->Name == TStringTable::SuperId) return;
  TIdentInfo* entry = node->Entry;
  if (!entry || entry->Kind == TScopeKind::Program)
    if (TIdentInfo* member = EnclosingClassMember(scope, node->Name)) entry = member;
  if (!IsClassMember(entry)) return;
  TParseTreeNode* base = MemberBase(entry, scope);
  if (!base) return;
  node->Entry = entry;
  node->SetBase(base);
}

// Whether `scope` is the body of a method (or constructor) of a class that extends MovieClip,
// directly or through its superclasses: there the clip the code runs for is `this`.
bool TCodeGenerator::InMovieClipMethod(const TIdentTable* scope) {
  if (!scope || scope->Kind != TScopeKind::Function || !scope->Parent || scope->Parent->Kind != TScopeKind::Class)
    return false;
  TCompoundName* name = static_cast<const TIdentTable*>(scope->Parent)->ClassName();
  if (!name) return false;
  // A class declared in a script lives in the script's scope, one of a class file in the table.
  const TClassInfo* cls = scope->Parent->FindClass(name->Dotted(context_.StringTable));
  constexpr int kMaxSuperclasses = 4096;  // a cycle is refused by the parser; this only bounds the walk
  for (int steps = 0; cls && steps < kMaxSuperclasses; cls = cls->SuperClass, ++steps)
    if (IEquals(Text(cls->Name), "MovieClip")) return true;
  return false;
}

// A name the script does not declare itself (no local, parameter or member of its own).
bool TCodeGenerator::Undeclared(TIdentInfo* entry) {
  return !entry || (entry->Kind == TScopeKind::Program && (entry->AsClass() || entry->AsAlias()));
}

// In a method of a MovieClip subclass a bare clip property (`_x`) or MovieClip method
// (`stop()`) means this clip's: it becomes a member of `this`. Elsewhere the name keeps its
// meaning (the function's timeline finds it by name; a bare stop() is the timeline action).
void TCodeGenerator::ResolveMovieClipMember(TLvalueNode* node) {
  if (node->Base || !Undeclared(node->Entry) || ClipPropertyIndex(Text(node->Name())) < 0 ||
      !InMovieClipMethod(node->Scope))
    return;
  node->SetBase(ThisLvalue(node->Scope));
  node->Resolved = true;
}

bool TCodeGenerator::ResolveMovieClipCall(TFuncCallNode* node) {
  if (node->Base || !Undeclared(node->Entry) || !IsMovieClipMethod(Text(node->Name)) || !InMovieClipMethod(node->Scope))
    return false;
  node->SetBase(ThisLvalue(node->Scope));
  node->Resolved = true;
  return true;
}

void TCodeGenerator::Prepare(TParseTreeNode* node) {
  if (!node) return;
  if (node->Kind == TNodeKind::Lvalue) {
    auto* l = static_cast<TLvalueNode*>(node);
    if (IsPlainName(l) && !IsSpecialName(l->Name()) && l->Scope) {
      KeepOutOfRegisters(l->Scope, l->Name());
      if (!l->Resolved) ResolveClassMember(l);
      ResolveMovieClipMember(l);
    }
  } else if (node->Kind == TNodeKind::FuncCall) {
    auto* c = static_cast<TFuncCallNode*>(node);
    if (!c->Base && c->Name >= 0 && c->Scope && !IsSpecialName(c->Name)) {
      KeepOutOfRegisters(c->Scope, c->Name);
      if (!c->Resolved && !ResolveMovieClipCall(c) && !BuiltInOf(c->Name)) ResolveClassCall(c);
    }
  }
  VisitChildren(node, [this](auto* child) { Prepare(child); });
}

// Inside tellTarget a bare clip property (`_name`, `_x = 5`) is the property of the current
// target, read and written through GetProperty / SetProperty with the empty target, as for a
// "/:_x" path with no clip. A with-object or a function body in between keeps the name a name.
void TCodeGenerator::TargetProperties(TParseTreeNode* node) {
  if (!node || node->Kind == TNodeKind::FuncDef) return;
  if (node->Kind == TNodeKind::With) {
    TargetProperties(static_cast<TWithStmtNode*>(node)->Object);
    return;
  }
  if (node->Kind == TNodeKind::FuncCall) {
    // getProperty(t, _x) and setProperty(t, _x, v) name the property, they do not read it.
    auto* c = static_cast<TFuncCallNode*>(node);
    const TBuiltIn* row = c->Base ? nullptr : BuiltInOf(c->Name);
    if (row && (row->Handler == &TCodeGenerator::BuiltInGetProperty || row->Handler == &TCodeGenerator::BuiltInSetProperty) &&
        c->Arguments) {
      for (int i = 0; i < c->Arguments->Items.Count(); ++i)
        if (i != 1) TargetProperties(c->Arguments->Items[i]);
      return;
    }
  }
  if (node->Kind == TNodeKind::Lvalue) {
    auto* l = static_cast<TLvalueNode*>(node);
    const int index = IsPlainName(l) && Undeclared(l->Entry) ? ClipPropertyIndex(Text(l->Name())) : -1;
    if (index >= 0) {
      l->Path = l->Name();
      l->PathTarget = TStringTable::EmptyId;
      l->PropertyIndex = index;
      return;
    }
  }
  VisitChildren(node, [this](auto* child) { TargetProperties(child); });
}

// --- Expressions ---

void TCodeGenerator::PopIfUnused(const TParseTreeNode* node) {
  if (node->Has(kNodeUnused)) emit_.Emit<TSWFActionPop>();
}

void TCodeGenerator::Compile(TParseTreeNode* node) {
  if (!node) return;
  // Errors name the innermost construct being compiled: kept for Fail, restored on the way out.
  const TSourcePos* outer = at_;
  if (node->Pos.Line > 0) at_ = &node->Pos;
  CompileNode(node);
  at_ = outer;
}

std::shared_ptr<TSWFOffsetMarker> TCodeGenerator::NewMarker(TMarkerDirection direction) {
  auto marker = emit_.NewMarker(direction);
  if (at_) marker_positions_.emplace_back(marker.get(), at_);
  return marker;
}

void TCodeGenerator::CompileNode(TParseTreeNode* node) {
  switch (node->Kind) {
    case TNodeKind::Number: Number(static_cast<TNumberNode*>(node)); break;
    case TNodeKind::Str: Str(static_cast<TStrNode*>(node)); break;
    case TNodeKind::Lvalue: Lvalue(static_cast<TLvalueNode*>(node)); break;
    case TNodeKind::Assign: Assign(static_cast<TAssignNode*>(node)); break;
    case TNodeKind::BinOp: BinOp(static_cast<TBinOpNode*>(node)); break;
    case TNodeKind::UnOp: UnOp(static_cast<TUnOpNode*>(node)); break;
    case TNodeKind::ExprList: ExprList(static_cast<TExprListNode*>(node)); break;
    case TNodeKind::FuncCall: Call(static_cast<TFuncCallNode*>(node)); break;
    case TNodeKind::StmtList:
      for (TParseTreeNode* item : static_cast<TStmtListNode*>(node)->Items) Compile(item);
      break;
    case TNodeKind::If: If(static_cast<TIfStmtNode*>(node)); break;
    case TNodeKind::Switch: Switch(static_cast<TSwitchStmtNode*>(node)); break;
    case TNodeKind::WaitForFrame: WaitForFrame(static_cast<TWaitForFrameNode*>(node)); break;
    case TNodeKind::Loop: Loop(static_cast<TLoopStmtNode*>(node)); break;
    case TNodeKind::For: For(static_cast<TForStmtNode*>(node)); break;
    case TNodeKind::ForIn: ForIn(static_cast<TForInStmtNode*>(node)); break;
    case TNodeKind::Break: Break(); break;
    case TNodeKind::Continue: Continue(); break;
    case TNodeKind::Return: Return(static_cast<TReturnStmtNode*>(node)); break;
    case TNodeKind::Throw:
      RequireAction<TSWFActionThrow>("throw statements");
      Compile(static_cast<TThrowStmtNode*>(node)->Value);
      emit_.Emit<TSWFActionThrow>();
      break;
    case TNodeKind::With: {
      auto* w = static_cast<TWithStmtNode*>(node);
      RequireAction<TSWFActionWith>("with statements");
      Compile(w->Object);
      auto end = NewMarker();
      emit_.Emit<TSWFActionWith>()->Size.Marker = end;
      Compile(w->Body);
      emit_.Place(end);
      break;
    }
    case TNodeKind::SetTarget: {
      auto* t = static_cast<TSetTargetNode*>(node);
      Compile(t->Target);
      emit_.Emit<TSWFActionSetTarget2>();
      TargetProperties(t->Body);
      Compile(t->Body);
      emit_.PushConstant(TStringTable::EmptyId);
      emit_.Emit<TSWFActionSetTarget2>();
      break;
    }
    case TNodeKind::Try: Try(static_cast<TTryStmtNode*>(node)); break;
    case TNodeKind::VarDecl: VarDecl(static_cast<TVarDeclNode*>(node)); break;
    case TNodeKind::VarDeclList: {
      auto* list = static_cast<TVarDeclListNode*>(node);
      for (TParseTreeNode* item : list->Items) {
        if (list->Has(kNodeClassMember)) item->Flags |= kNodeClassMember;
        Compile(item);
      }
      break;
    }
    case TNodeKind::FuncDef: Function(static_cast<TFuncDefNode*>(node)); break;
    case TNodeKind::Program: Program(static_cast<TProgramNode*>(node)); break;
    case TNodeKind::ClassImpl: ClassImpl(static_cast<TClassImplNode*>(node)); break;
    case TNodeKind::ClassIntf: ClassIntf(static_cast<TClassIntfNode*>(node)); break;
    default: break;  // null and listing statements, imports: nothing
  }
}

void TCodeGenerator::Number(const TNumberNode* node) {
  if (!node->Has(kNodeUnused)) emit_.PushNumber(node->Value);
}

void TCodeGenerator::Str(const TStrNode* node) {
  if (node->Has(kNodeUnused)) return;
  switch (node->Id) {
    case kTrueId: emit_.PushBoolean(true); break;
    case kFalseId: emit_.PushBoolean(false); break;
    case kNullId: emit_.PushNull(); break;
    case kUndefinedId: emit_.PushUndefined(); break;
    default: emit_.PushConstant(node->Id); break;
  }
}

int TCodeGenerator::RegisterOf(const TLvalueNode* node) const {
  if (node->Base || node->Computed || node->Path >= 0 || !node->Entry) return 0;
  if (node->Entry->Kind != TScopeKind::Function || node->Entry->Register < 1) return 0;
  return node->Entry->Register;
}

void TCodeGenerator::TargetParts(TLvalueNode* node) {
  if (node->Path >= 0) {
    if (node->PropertyIndex >= 0) {
      emit_.PushString(Text(node->PathTarget));
      emit_.PushInteger(node->PropertyIndex);
    } else {
      emit_.PushString(Text(node->Path));
    }
    return;
  }
  if (RegisterOf(node)) return;
  if (node->Base) RequireAction<TSWFActionGetMember>("Objects and member access with \".\"");
  if (node->Base) Compile(node->Base);
  if (node->Computed) Compile(node->Member);
  else emit_.PushConstant(node->Name());
}

void TCodeGenerator::Getter(TLvalueNode* node) {
  if (node->Path >= 0) {
    if (node->PropertyIndex >= 0) emit_.Emit<TSWFActionGetProperty>();
    else emit_.Emit<TSWFActionGetVariable>();
  } else if (int r = RegisterOf(node)) {
    emit_.PushRegister(r);
  } else if (node->Base) {
    emit_.Emit<TSWFActionGetMember>();
  } else {
    emit_.Emit<TSWFActionGetVariable>();
  }
}

void TCodeGenerator::Setter(TLvalueNode* node) {
  if (node->Path >= 0) {
    if (node->PropertyIndex >= 0) emit_.Emit<TSWFActionSetProperty>();
    else emit_.Emit<TSWFActionSetVariable>();
  } else if (int r = RegisterOf(node)) {
    emit_.StoreRegister(r);
    emit_.Emit<TSWFActionPop>();
  } else if (node->Base) {
    emit_.Emit<TSWFActionSetMember>();
  } else {
    emit_.Emit<TSWFActionSetVariable>();
  }
}

void TCodeGenerator::Lvalue(TLvalueNode* node) {
  const bool unused = node->Has(kNodeUnused);
  if (node->Path >= 0) {
    TargetParts(node);
    Getter(node);
    PopIfUnused(node);
    return;
  }
  if (int r = RegisterOf(node)) {
    if (!unused) emit_.PushRegister(r);
    return;
  }
  if (!node->Base && !node->Computed && unused) return;  // a lone name as a statement
  TargetParts(node);
  Getter(node);
  PopIfUnused(node);
}

void TCodeGenerator::Assign(TAssignNode* node) {
  if (emit_.StringPushesOnly) return Swf4Assign(node);
  TLvalueNode* target = node->Target;
  const bool used = !node->Has(kNodeUnused);
  auto finish = [&] {
    if (used) emit_.StoreRegister(kTempRegister);
    Setter(target);
    if (used) emit_.PushRegister(kTempRegister);
  };
  if (node->Operator == kAssignPlain) {
    TargetParts(target);
    Compile(node->Value);
    finish();
    return;
  }
  // Read-modify-write: the target's parts are needed twice. A base or index with side
  // effects (a[i++] += 1, f().x++) is evaluated once and its value copied.
  if (!RegisterOf(target) && target->Path < 0 && (HasSideEffects(target->Base) || (target->Computed && HasSideEffects(target->Member)))) {
    TargetParts(target);
    if (target->Base) {
      emit_.StoreRegister(kTempRegister);
      emit_.Emit<TSWFActionPop>();
      emit_.Emit<TSWFActionPushDuplicate>();
      emit_.PushRegister(kTempRegister);
      emit_.Emit<TSWFActionStackSwap>();
      emit_.PushRegister(kTempRegister);
    } else {
      emit_.Emit<TSWFActionPushDuplicate>();
    }
  } else {
    TargetParts(target);
    TargetParts(target);
  }
  Getter(target);
  if (node->Operator == kTokInc || node->Operator == kTokDec) {
    const bool postfix = node->Has(kNodePostfix);
    if (used && postfix) emit_.StoreRegister(kTempRegister);
    if (node->Operator == kTokInc) emit_.Emit<TSWFActionIncrement>();
    else emit_.Emit<TSWFActionDecrement>();
    if (used && !postfix) emit_.StoreRegister(kTempRegister);
    Setter(target);
    if (used) emit_.PushRegister(kTempRegister);
    return;
  }
  Compile(node->Value);
  switch (node->Operator) {
    case kAssignAdd: emit_.Emit<TSWFActionAdd2>(); break;
    case kAssignSub: emit_.Emit<TSWFActionSubtract>(); break;
    case kAssignMul: emit_.Emit<TSWFActionMultiply>(); break;
    case kAssignDiv: emit_.Emit<TSWFActionDivide>(); break;
    case kAssignMod: emit_.Emit<TSWFActionModulo>(); break;
    case kAssignAnd: emit_.Emit<TSWFActionBitAnd>(); break;
    case kAssignXor: emit_.Emit<TSWFActionBitXor>(); break;
    case kAssignOr: emit_.Emit<TSWFActionBitOr>(); break;
    case kAssignShl: emit_.Emit<TSWFActionBitLShift>(); break;
    case kAssignShr: emit_.Emit<TSWFActionBitRShift>(); break;
    case kAssignUshr: emit_.Emit<TSWFActionBitURShift>(); break;
    default: Fail("Unknown action command.");
  }
  finish();
}

void TCodeGenerator::BinOp(TBinOpNode* node) {
  CheckOperatorVersion(node->Operator);
  if (emit_.StringPushesOnly && Swf4BinOp(node)) return;
  if (node->Operator == kTokAnd || node->Operator == kTokOr) {
    Compile(node->Left);
    emit_.Emit<TSWFActionPushDuplicate>();
    if (node->Operator == kTokAnd) emit_.Emit<TSWFActionNot>();
    auto end = NewMarker();
    emit_.If(end);
    emit_.Emit<TSWFActionPop>();
    Compile(node->Right);
    emit_.Place(end);
    PopIfUnused(node);
    return;
  }
  Compile(node->Left);
  Compile(node->Right);
  switch (node->Operator) {
    case '*': emit_.Emit<TSWFActionMultiply>(); break;
    case '/': emit_.Emit<TSWFActionDivide>(); break;
    case '%': emit_.Emit<TSWFActionModulo>(); break;
    case '+': emit_.Emit<TSWFActionAdd2>(); break;
    case '-': emit_.Emit<TSWFActionSubtract>(); break;
    case '<': emit_.Emit<TSWFActionLess2>(); break;
    case kTokGe: emit_.Emit<TSWFActionLess2>(); emit_.Emit<TSWFActionNot>(); break;
    case kTokEq: emit_.Emit<TSWFActionEquals2>(); break;
    case kTokNe: emit_.Emit<TSWFActionEquals2>(); emit_.Emit<TSWFActionNot>(); break;
    case kTokStrictEq: emit_.Emit<TSWFActionStrictEquals>(); break;
    case kTokStrictNe: emit_.Emit<TSWFActionStrictEquals>(); emit_.Emit<TSWFActionNot>(); break;
    case kTokBitAnd: emit_.Emit<TSWFActionBitAnd>(); break;
    case kTokBitOr: emit_.Emit<TSWFActionBitOr>(); break;
    case kTokBitXor: emit_.Emit<TSWFActionBitXor>(); break;
    case kTokShl: emit_.Emit<TSWFActionBitLShift>(); break;
    case kTokShr: emit_.Emit<TSWFActionBitRShift>(); break;
    case kTokUshr: emit_.Emit<TSWFActionBitURShift>(); break;
    case kTokInstanceof: emit_.Emit<TSWFActionInstanceOf>(); break;
    case kTokSAdd: emit_.Emit<TSWFActionStringAdd>(); break;
    case kTokSEq: emit_.Emit<TSWFActionStringEquals>(); break;
    case kTokSNe: emit_.Emit<TSWFActionStringEquals>(); emit_.Emit<TSWFActionNot>(); break;
    case kTokSLt: emit_.Emit<TSWFActionStringLess>(); break;
    case kTokSGe: emit_.Emit<TSWFActionStringLess>(); emit_.Emit<TSWFActionNot>(); break;
    default: Fail("Unknown action command.");
  }
  PopIfUnused(node);
}

void TCodeGenerator::UnOp(TUnOpNode* node) {
  TParseTreeNode* operand = node->Operand;
  CheckOperatorVersion(node->Operator);
  switch (node->Operator) {
    case '-':
      emit_.PushInteger(0);
      Compile(operand);
      emit_.Emit<TSWFActionSubtract>();
      break;
    case '~':
      Compile(operand);
      emit_.PushInteger(-1);
      emit_.Emit<TSWFActionBitXor>();
      break;
    case kTokNot:
      Compile(operand);
      emit_.Emit<TSWFActionNot>();
      break;
    case kTokTypeof:
      Compile(operand);
      emit_.Emit<TSWFActionTypeOf>();
      break;
    case kTokVoid:
      Compile(operand);
      emit_.Emit<TSWFActionPop>();
      emit_.PushUndefined();
      break;
    case kTokDelete: {
      auto* l = operand->Kind == TNodeKind::Lvalue ? static_cast<TLvalueNode*>(operand) : nullptr;
      if (l && l->Base && l->Path < 0) {
        Compile(l->Base);
        if (l->Computed) Compile(l->Member);
        else emit_.PushConstant(l->Name());
        emit_.Emit<TSWFActionDelete>();
      } else if (l && !l->Base && l->Path < 0) {
        if (l->Computed) Compile(l->Member);  // delete eval(e): the computed name
        else emit_.PushConstant(l->Name());
        emit_.Emit<TSWFActionDelete2>();
      } else {
        Compile(operand);
        emit_.Emit<TSWFActionDelete2>();
      }
      break;
    }
    default: Fail("Unknown action command.");
  }
  PopIfUnused(node);
}

void TCodeGenerator::Arguments(TExprListNode* list) {
  const int count = list ? list->Items.Count() : 0;
  for (int i = count - 1; i >= 0; --i) Compile(list->Items[i]);
  emit_.PushInteger(count);
}

void TCodeGenerator::ExprList(TExprListNode* node) {
  const int count = node->Items.Count();
  if (node->Has(kNodeCommaExpr)) {
    for (int i = 0; i < count; ++i) {
      if (i + 1 < count || node->Has(kNodeUnused)) node->Items[i]->Flags |= kNodeUnused;
      Compile(node->Items[i]);
    }
    return;
  }
  if (node->Has(kNodeObjectLiteral)) RequireAction<TSWFActionInitObject>("Objects");
  if (node->Has(kNodeArrayLiteral)) RequireAction<TSWFActionInitArray>("Arrays");
  for (int i = count - 1; i >= 0; --i) Compile(node->Items[i]);
  if (node->Has(kNodeObjectLiteral)) {
    emit_.PushInteger(count / 2);
    emit_.Emit<TSWFActionInitObject>();
  } else {
    emit_.PushInteger(count);
    if (node->Has(kNodeArrayLiteral)) emit_.Emit<TSWFActionInitArray>();
  }
  if (node->Has(kNodeArrayLiteral) || node->Has(kNodeObjectLiteral)) PopIfUnused(node);
}

void TCodeGenerator::PushClassValue(TStrId dotted) {
  emit_.PushConstant(TStringTable::GlobalId);
  emit_.Emit<TSWFActionGetVariable>();
  for (const std::string& part : Split(Text(dotted), '.')) {
    emit_.PushConstant(Intern(part));
    emit_.Emit<TSWFActionGetMember>();
  }
}

// Whether a plain call of a class is a cast. The player's conversion functions stay calls; an
// intrinsic class casts only when written in its own case, since the class table ignores case
// and a script's own `point(x)` or `key(x)` must stay a call.
bool TCodeGenerator::IsCast(const TFuncCallNode* node, const TClassInfo* cls) const {
  const std::string& name = Text(cls->Name);
  if (IsConversionFunction(name)) return false;
  if (!(cls->ClassFlags & kClassIntrinsic)) return true;
  const std::string& written = Text(node->Name);
  return name.size() >= written.size() && name.compare(name.size() - written.size(), written.size(), written) == 0;
}

void TCodeGenerator::Call(TFuncCallNode* node) {
  if (!node->Base && BuiltIn(node)) {
    PopIfUnused(node);
    return;
  }
  const bool constructor = node->Has(kNodeConstructorCall);
  if (constructor) RequireAction<TSWFActionNewObject>("new expressions", node->Pos.Line);
  else RequireAction<TSWFActionCallFunction>("Function calls", node->Pos.Line);
  if (node->Callee || node->NameExpr) {
    // o[e](x) calls the method named by e's value; any other callee is a function value,
    // which the player calls (or constructs) when the method name is undefined.
    Arguments(node->Arguments);
    if (node->Callee) {
      Compile(node->Callee);
      emit_.PushUndefined();
    } else {
      Compile(node->Base);
      Compile(node->NameExpr);
    }
    if (constructor) emit_.Emit<TSWFActionNewMethod>();
    else emit_.Emit<TSWFActionCallMethod>();
    PopIfUnused(node);
    return;
  }
  TClassInfo* cls = node->ClassRef;
  if (!cls && !node->Base) {
    if (auto* alias = dynamic_cast<TAliasInfo*>(node->Entry)) cls = alias->Target;
    else cls = dynamic_cast<TClassInfo*>(node->Entry);
  }
  if (!constructor && cls && IsCast(node, cls)) {
    if (!node->Arguments || node->Arguments->Items.Count() != 1)
      Fail(Format("Invalid cast operation in line %d\nRequires 1 parameter.", node->Pos.Line));
    // Players before version 7 have no CastOp: a cast is its argument.
    if (TargetVersion() < TSWFActionCastOp().MinVersion()) {
      Compile(node->Arguments->Items[0]);
      PopIfUnused(node);
      return;
    }
    PushClassValue(cls->Name);
    Compile(node->Arguments->Items[0]);
    emit_.Emit<TSWFActionCastOp>();
    PopIfUnused(node);
    return;
  }
  Arguments(node->Arguments);
  const int reg = node->Entry && node->Entry->Kind == TScopeKind::Function && node->Entry->Register > 0 &&
                          !dynamic_cast<TClassInfo*>(node->Entry)
                      ? node->Entry->Register
                      : 0;
  if (node->Base) {
    Compile(node->Base);
    emit_.PushConstant(node->Name);
    if (constructor) emit_.Emit<TSWFActionNewMethod>();
    else emit_.Emit<TSWFActionCallMethod>();
  } else if (constructor) {
    // `new Array(a, b)` is the array [a, b]; but `new Array(n)` is n empty places in the
    // player, so a single argument goes to the player's constructor.
    if (IEquals(Text(node->Name), "array") && (!node->Arguments || node->Arguments->Items.Count() != 1)) {
      emit_.Emit<TSWFActionInitArray>();
    } else if (reg) {
      emit_.PushRegister(reg);
      emit_.PushUndefined();
      emit_.Emit<TSWFActionNewMethod>();
    } else {
      emit_.PushConstant(node->Name);
      emit_.Emit<TSWFActionNewObject>();
    }
  } else if (node->Name == TStringTable::SuperId) {
    TIdentInfo* super = node->Scope ? node->Scope->SpecialEntry(TSpecial::Super) : nullptr;
    if (super && !UsesDefineFunction2()) {
      CallSuperByName();
      PopIfUnused(node);
      return;
    }
    if (!super || super->Register < 1)
      Fail(Format("A super call is only possible inside a class method (line %d).", node->Pos.Line));
    emit_.PushRegister(super->Register);
    emit_.PushUndefined();
    emit_.Emit<TSWFActionCallMethod>();
  } else if (reg) {
    emit_.PushRegister(reg);
    emit_.PushUndefined();
    emit_.Emit<TSWFActionCallMethod>();
  } else {
    emit_.PushConstant(node->Name);
    emit_.Emit<TSWFActionCallFunction>();
  }
  PopIfUnused(node);
}

// --- Built-in functions ---

// Matched in any case; a user function of one of these names is never called by a plain call.
const TCodeGenerator::TBuiltIn TCodeGenerator::kBuiltIns[] = {
    {"length", 1, TSWFActionCode::StringLength, TBuiltInResult::FromAction},
    {"int", 1, TSWFActionCode::ToInteger, TBuiltInResult::FromAction},
    {"random", 1, TSWFActionCode::RandomNumber, TBuiltInResult::FromAction},
    {"call", 1, TSWFActionCode::Call, TBuiltInResult::Undefined},
    {"chr", 1, TSWFActionCode::AsciiToChar, TBuiltInResult::FromAction},
    {"ord", 1, TSWFActionCode::CharToAscii, TBuiltInResult::FromAction},
    {"substring", 3, TSWFActionCode::StringExtract, TBuiltInResult::FromAction},
    {"mbord", 1, TSWFActionCode::MBCharToAscii, TBuiltInResult::FromAction},
    {"mbchr", 1, TSWFActionCode::MBAsciiToChar, TBuiltInResult::FromAction},
    {"mblength", 1, TSWFActionCode::MBStringLength, TBuiltInResult::FromAction},
    {"startdrag", &TCodeGenerator::BuiltInStartDrag},
    {"stopdrag", 0, TSWFActionCode::EndDrag, TBuiltInResult::Undefined},
    {"number", 1, TSWFActionCode::ToNumber, TBuiltInResult::FromAction, TBuiltInOtherCounts::GlobalFunction},
    {"string", 1, TSWFActionCode::ToString, TBuiltInResult::FromAction, TBuiltInOtherCounts::GlobalFunction},
    {"targetpath", 1, TSWFActionCode::TargetPath, TBuiltInResult::FromAction},
    {"gettimer", 0, TSWFActionCode::GetTime, TBuiltInResult::FromAction},
    {"getproperty", &TCodeGenerator::BuiltInGetProperty},
    {"setproperty", &TCodeGenerator::BuiltInSetProperty},
    {"geturl", &TCodeGenerator::BuiltInGetURL},
    {"loadmovie", &TCodeGenerator::BuiltInLoadMovie},
    {"loadmovienum", &TCodeGenerator::BuiltInLoadMovieNum},
    {"loadvariables", &TCodeGenerator::BuiltInLoadVariables},
    {"loadvariablesnum", &TCodeGenerator::BuiltInLoadVariablesNum},
    {"duplicatemovieclip", 3, TSWFActionCode::CloneSprite, TBuiltInResult::Undefined},
    {"removemovieclip", 1, TSWFActionCode::RemoveSprite, TBuiltInResult::Undefined},
    {"play", 0, TSWFActionCode::Play, TBuiltInResult::Undefined},
    {"stop", 0, TSWFActionCode::Stop, TBuiltInResult::Undefined},
    {"nextframe", 0, TSWFActionCode::NextFrame, TBuiltInResult::Undefined},
    {"prevframe", 0, TSWFActionCode::PreviousFrame, TBuiltInResult::Undefined},
    {"stopallsounds", 0, TSWFActionCode::StopSounds, TBuiltInResult::Undefined},
    {"gotoandplay", &TCodeGenerator::BuiltInGotoAndPlay},
    {"gotoandstop", &TCodeGenerator::BuiltInGotoAndStop},
    {"set", 2, TSWFActionCode::SetVariable, TBuiltInResult::Undefined},
    {"unloadmovie", &TCodeGenerator::BuiltInUnloadMovie},
    {"unloadmovienum", &TCodeGenerator::BuiltInUnloadMovieNum},
    {"fscommand", &TCodeGenerator::BuiltInFSCommand},
    {"fscommand2", &TCodeGenerator::BuiltInFSCommand2},
    {"print", &TCodeGenerator::BuiltInPrint},
    {"printnum", &TCodeGenerator::BuiltInPrintNum},
    {"printasbitmap", &TCodeGenerator::BuiltInPrintAsBitmap},
    {"printasbitmapnum", &TCodeGenerator::BuiltInPrintAsBitmapNum},
    {"trace", 1, TSWFActionCode::Trace, TBuiltInResult::Undefined},
};

const TCodeGenerator::TBuiltIn* TCodeGenerator::BuiltInOf(TStrId name) {
  if (name < 0) return nullptr;
  const auto index = static_cast<size_t>(name);
  if (index >= built_in_.size()) built_in_.resize(index + 1, kBuiltInUndecided);
  int16_t& row = built_in_[index];
  if (row == kBuiltInUndecided) {
    row = kNoBuiltIn;
    const std::string& text = Text(name);
    for (size_t i = 0; i < std::size(kBuiltIns); ++i)
      if (IEquals(kBuiltIns[i].Name, text)) {
        row = static_cast<int16_t>(i);
        break;
      }
  }
  return row == kNoBuiltIn ? nullptr : &kBuiltIns[row];
}

bool TCodeGenerator::BuiltIn(TFuncCallNode* node) {
  const TBuiltIn* built_in = BuiltInOf(node->Name);
  if (!built_in) return false;
  const TBuiltInCall call{node, Text(node->Name), node->Pos.Line, node->Arguments ? node->Arguments->Items.Count() : 0};
  if (built_in->Handler) {
    (this->*built_in->Handler)(call);
    return true;
  }
  if (call.Count != built_in->Arguments && built_in->OtherCounts == TBuiltInOtherCounts::GlobalFunction) return false;
  NeedArguments(call, built_in->Arguments);
  for (int i = 0; i < built_in->Arguments; ++i) Compile(call.Arg(i));
  emit_.Emit(built_in->Action);
  if (TargetVersion() < emit_.List().Items.back()->MinVersion())
    FailNotAvailable("\"" + call.Written + "\" calls", call.Line);
  if (built_in->Result == TBuiltInResult::Undefined) emit_.PushUndefined();
  return true;
}

void TCodeGenerator::NeedArguments(const TBuiltInCall& call, int count) {
  if (call.Count != count)
    Fail(Format("Invalid parameters count in \"%s\" in line %d\nRequires %d parameters, actual - %d.",
                call.Written.c_str(), call.Line, count, call.Count));
}

const TStrNode* TCodeGenerator::StringLiteralArgument(const TBuiltInCall& call, int i) const {
  if (i >= call.Count || call.Arg(i)->Kind != TNodeKind::Str) return nullptr;
  auto* s = static_cast<const TStrNode*>(call.Arg(i));
  return s->Id >= 0 ? s : nullptr;
}

uint8_t TCodeGenerator::SendMethodArgument(const TBuiltInCall& call, int i, const char* error) {
  if (i >= call.Count) return kSendVarsNone;
  const TStrNode* s = StringLiteralArgument(call, i);
  if (!s) Fail(Format(error, call.Line));
  return IEquals(Text(s->Id), "get") ? kSendVarsGet : kSendVarsPost;
}

void TCodeGenerator::PushLevelArgument(const TBuiltInCall& call, int i, const char* error) {
  if (call.Arg(i)->Kind != TNodeKind::Number) Fail(Format(error, call.Line));
  const double v = static_cast<const TNumberNode*>(call.Arg(i))->Value;
  if (!std::isfinite(v) || std::fabs(v) > 1e9) Fail(Format(error, call.Line));
  emit_.PushString("_level" + std::to_string(static_cast<long long>(std::trunc(v))));
}

int TCodeGenerator::PropertyArgument(const TBuiltInCall& call, const char* list_error) {
  auto* l = call.Arg(1)->Kind == TNodeKind::Lvalue ? static_cast<TLvalueNode*>(call.Arg(1)) : nullptr;
  if (!l || !IsPlainName(l)) Fail(Format(list_error, call.Line));
  const int index = ClipPropertyIndex(Text(l->Name()));
  if (index < 0) Fail(Format("Invalid property name in \"getProperty\" in line %d", call.Line));
  return index;
}

void TCodeGenerator::EmitGetURL2(uint8_t method, bool load_target, bool load_variables) {
  auto* a = emit_.Emit<TSWFActionGetURL2>();
  a->SendVarsMethod = method;
  a->LoadTarget = load_target;
  a->LoadVariables = load_variables;
}

void TCodeGenerator::BuiltInStartDrag(const TBuiltInCall& call) {
  // The player takes the constraint (when flagged), the flag, the lock and the target.
  constexpr int kTarget = 0, kLock = 1, kConstraint = 2, kWithConstraint = 6;
  if (call.Count != 1 && call.Count != 2 && call.Count != kWithConstraint)
    Fail(Format("Invalid parameters list in \"startDrag\" in line %d\n\"startDrag\" requires 1 (target), 2 "
                "(target+lock) or 6 (target+lock+constraint) parameters",
                call.Line));
  if (call.Count == kWithConstraint) {
    for (int i = kConstraint; i < kWithConstraint; ++i) Compile(call.Arg(i));
    emit_.PushInteger(1);
  } else {
    emit_.PushInteger(0);
  }
  if (call.Count > kLock) Compile(call.Arg(kLock));
  else emit_.PushInteger(0);
  Compile(call.Arg(kTarget));
  emit_.Emit<TSWFActionStartDrag>();
  emit_.PushUndefined();
}

void TCodeGenerator::BuiltInGetProperty(const TBuiltInCall& call) {
  NeedArguments(call, 2);
  const int index = PropertyArgument(call, "Invalid parameters list in \"getProperty\" in line %d");
  Compile(call.Arg(0));
  emit_.PushInteger(index);
  emit_.Emit<TSWFActionGetProperty>();
}

void TCodeGenerator::BuiltInSetProperty(const TBuiltInCall& call) {
  NeedArguments(call, 3);
  const int index = PropertyArgument(call, "Invalid parameters list in \"setProperty\" in line %d");
  Compile(call.Arg(0));
  emit_.PushInteger(index);
  Compile(call.Arg(2));
  emit_.Emit<TSWFActionSetProperty>();
  emit_.PushUndefined();
}

void TCodeGenerator::BuiltInGetURL(const TBuiltInCall& call) {
  if (call.Count < 1 || call.Count > 3)
    Fail(Format("Invalid parameters list in \"getUrl\" in line %d\n\"getUrl\" requires 1, 2 or 3 parameters",
                call.Line));
  const uint8_t method = SendMethodArgument(call, 2, "Invalid parameters 3 in \"getUrl\" in line %d");
  Compile(call.Arg(0));
  if (call.Count >= 2) Compile(call.Arg(1));
  else emit_.PushString("");
  EmitGetURL2(method, false, false);
  emit_.PushUndefined();
}

void TCodeGenerator::LoadURL(const TBuiltInCall& call, bool variables, bool level) {
  if (call.Count != 2 && call.Count != 3) {
    if (variables)
      Fail(Format("Invalid parameters list in \"loadVariables\" in line %d\n"
                  "\"loadVariables\" requires 2 or 3 parameters",
                  call.Line));
    Fail(Format("Invalid parameters list in \"loadMovie\" in line %d\n\"loadMovie\" requires 2 or 3 parameters",
                call.Line));
  }
  const uint8_t method = SendMethodArgument(call, 2, variables ? "Invalid parameters 3 in \"loadVariables\" in line %d"
                                                               : "Invalid parameters 3 in \"loadMovie\" in line %d");
  Compile(call.Arg(0));
  if (level)
    PushLevelArgument(call, 1, variables ? "Invalid parameters 2 in \"loadVariablesNum\" in line %d"
                                         : "Invalid parameters 2 in \"loadMovieNum\" in line %d");
  else
    Compile(call.Arg(1));
  EmitGetURL2(method, true, variables);
  emit_.PushUndefined();
}

void TCodeGenerator::UnloadMovie(const TBuiltInCall& call, bool level) {
  NeedArguments(call, 1);
  emit_.PushString("");
  if (level) PushLevelArgument(call, 0, "Invalid parameters 1 in \"unloadMovieNum\" in line %d");
  else Compile(call.Arg(0));
  EmitGetURL2(kSendVarsNone, true, false);
  emit_.PushUndefined();
}

void TCodeGenerator::BuiltInFSCommand(const TBuiltInCall& call) {
  if (call.Count != 1 && call.Count != 2)
    Fail(Format("Invalid parameters list in \"fscommand\" in line %d\n\"fscommand\" requires 1 (command) or 2 "
                "(command+parameters) parameters",
                call.Line));
  const TStrNode* command = StringLiteralArgument(call, 0);
  const TStrNode* parameter = call.Count == 2 ? StringLiteralArgument(call, 1) : nullptr;
  if (command && (call.Count == 1 || parameter)) {
    auto* a = emit_.Emit<TSWFActionGetUrl>();
    a->URL = "FSCommand:" + Text(command->Id);
    a->Target = parameter ? Text(parameter->Id) : std::string();
  } else {
    // Known only when it runs: the same request, made from the stack.
    emit_.PushString("FSCommand:");
    Compile(call.Arg(0));
    emit_.Emit<TSWFActionStringAdd>();
    if (call.Count == 2) Compile(call.Arg(1));
    else emit_.PushString("");
    EmitGetURL2(kSendVarsNone, false, false);
  }
  emit_.PushUndefined();
}

// print(target, box), printNum(level, box) and their bitmap forms: a request of the URL
// "print:#box" ("printasbitmap:#box") for the clip, as the player's printing expects; box is
// "bmovie", "bframe" or "bmax".
void TCodeGenerator::Print(const TBuiltInCall& call, bool bitmap, bool level) {
  NeedArguments(call, 2);
  const TStrNode* box = StringLiteralArgument(call, 1);
  const std::string box_text = box ? ToLowerAscii(Text(box->Id)) : std::string();
  if (box_text != "bmovie" && box_text != "bframe" && box_text != "bmax")
    Fail(Format("Invalid parameters 2 in \"%s\" in line %d\nThe bounding box is \"bmovie\", \"bframe\" or \"bmax\".",
                call.Written.c_str(), call.Line));
  emit_.PushString((bitmap ? "printasbitmap:#" : "print:#") + box_text);
  if (level) PushLevelArgument(call, 0, Format("Invalid parameters 1 in \"%s\" in line %%d", call.Written.c_str()).c_str());
  else Compile(call.Arg(0));
  EmitGetURL2(kSendVarsNone, false, false);
  emit_.PushUndefined();
}

void TCodeGenerator::BuiltInFSCommand2(const TBuiltInCall& call) {
  if (call.Count < 1) Fail(Format("Invalid parameters list in \"fscommand2\" in line %d\n", call.Line));
  Arguments(call.Node->Arguments);
  emit_.Emit<TSWFActionFSCommand2>();
}

void TCodeGenerator::GotoFrame(const TBuiltInCall& call, bool play) {
  if (call.Count != 1 && call.Count != 2)
    Fail(Format("Invalid parameters list in \"%s\" in line %d\n\"%s\" requires 1 (frame) or 2 (scene+frame) parameters",
                call.Written.c_str(), call.Line, call.Written.c_str()));
  // The frame is the last argument; a scene given before it never stands for the frame.
  TParseTreeNode* frame = call.Arg(call.Count - 1);
  // Movies from version 5 on go to a frame from the stack; older ones only to a fixed frame.
  constexpr int kFirstVersionWithGotoFrame2 = 5;
  if (TargetVersion() >= kFirstVersionWithGotoFrame2) {
    Compile(frame);
    emit_.Emit<TSWFActionGotoFrame2>()->Play = play;
  } else {
    if (frame->Kind == TNodeKind::Number) {
      const double n = static_cast<TNumberNode*>(frame)->Value;
      if (!(n >= 1 && n <= 65536))
        Fail(Format("Invalid frame number in \"%s\" in line %d", call.Written.c_str(), call.Line));
      emit_.Emit<TSWFActionGotoFrame>()->Frame = static_cast<uint16_t>(static_cast<int>(n) - 1);
    } else if (call.Count == 2) {
      emit_.Emit<TSWFActionGotoFrame>()->Frame = 0;
    }
    if (play && (frame->Kind == TNodeKind::Number || call.Count == 2)) emit_.Emit<TSWFActionPlay>();
  }
  emit_.PushUndefined();
}

// --- Statements ---

void TCodeGenerator::If(TIfStmtNode* node) {
  Compile(node->Condition);
  auto then = NewMarker();
  auto end = NewMarker();
  emit_.If(then);
  Compile(node->Else);
  emit_.Jump(end);
  emit_.Place(then);
  Compile(node->Then);
  emit_.Place(end);
  PopIfUnused(node);
}

void TCodeGenerator::Switch(TSwitchStmtNode* node) {
  RequireAction<TSWFActionPushDuplicate>("switch statements");
  if (!node->Cases || node->Cases->Items.Empty()) {
    node->Expression->Flags |= kNodeUnused;
    Compile(node->Expression);
    return;
  }
  std::vector<TSwitchCaseNode*> cases;
  TSwitchCaseNode* fallback = nullptr;
  for (TParseTreeNode* item : node->Cases->Items) {
    auto* c = static_cast<TSwitchCaseNode*>(item);
    if (!c->Label && !fallback) fallback = c;
    else cases.push_back(c);
  }
  if (fallback) cases.push_back(fallback);
  break_stack_.push_back({node, false, nullptr, {}});
  auto tests = NewMarker();
  emit_.Jump(tests);
  std::vector<std::shared_ptr<TSWFOffsetMarker>> markers;
  for (TSwitchCaseNode* c : cases) {
    markers.push_back(NewMarker(TMarkerDirection::Backward));  // the tests come after the bodies
    emit_.Place(markers.back());
    Compile(c->Statements);
  }
  auto exit = NewMarker();
  emit_.Jump(exit);
  break_stack_.back().Exits.push_back(exit);
  emit_.Place(tests);
  Compile(node->Expression);
  for (size_t i = 0; i < cases.size(); ++i) {
    if (cases[i]->Label) {
      emit_.Emit<TSWFActionPushDuplicate>();
      Compile(cases[i]->Label);
      emit_.Emit<TSWFActionEquals2>();
      emit_.If(markers[i]);
    } else {
      emit_.Jump(markers[i]);
    }
  }
  for (auto& m : break_stack_.back().Exits) emit_.Place(m);
  emit_.Emit<TSWFActionPop>();
  break_stack_.pop_back();
}

void TCodeGenerator::WaitForFrame(TWaitForFrameNode* node) {
  if (!(node->Frame >= 0 && node->Frame < 65536))
    Fail("ActionWaitForFrame: invalid frame parameter.");
  auto* wait = emit_.Emit<TSWFActionWaitForFrame>();
  wait->Frame = static_cast<uint16_t>(node->Frame);
  Compile(node->Statement);
  auto end = NewMarker(TMarkerDirection::Backward);  // no branch refers to it: it only ends the region
  emit_.Place(end);
  waits_.push_back({wait, end});
}

void TCodeGenerator::FixSkipCounts(TSWFActionList& list) {
  for (const TWaitEntry& w : waits_) {
    const int from = list.IndexOf(w.Action);
    const int to = list.IndexOf(w.end.get());
    if (from < 0 || to < 0) continue;  // in another list
    int count = 0;
    for (int i = from + 1; i < to; ++i)
      if (list[i]->ActionCode != TSWFActionCode::Marker) ++count;
    constexpr int kMaxSkipCount = 255;  // a byte
    if (count > kMaxSkipCount) Fail("ActionWaitForFrame: invalid SkipCount parameter.");
    w.Action->SkipCount = static_cast<uint8_t>(count);
  }
}

void TCodeGenerator::Loop(TLoopStmtNode* node) {
  auto top = NewMarker(TMarkerDirection::Backward);
  std::shared_ptr<TSWFOffsetMarker> body;
  if (node->Has(kNodeDoWhile)) {
    body = NewMarker();
    emit_.Jump(body);
  }
  break_stack_.push_back({node, true, top, {}});
  emit_.Place(top);
  Compile(node->Condition);
  emit_.Emit<TSWFActionNot>();
  auto exit = NewMarker();
  break_stack_.back().Exits.push_back(exit);
  emit_.If(exit);
  if (body) emit_.Place(body);
  Compile(node->Body);
  emit_.Jump(top);
  for (auto& m : break_stack_.back().Exits) emit_.Place(m);
  break_stack_.pop_back();
}

void TCodeGenerator::For(TForStmtNode* node) {
  Compile(node->Init);
  auto test = NewMarker();
  emit_.Jump(test);
  auto top = NewMarker(TMarkerDirection::Backward);
  break_stack_.push_back({node, true, top, {}});
  emit_.Place(top);
  if (node->Step) {
    node->Step->Flags |= kNodeUnused;
    Compile(node->Step);
  }
  emit_.Place(test);
  if (node->Condition) {
    Compile(node->Condition);
    emit_.Emit<TSWFActionNot>();
    auto exit = NewMarker();
    break_stack_.back().Exits.push_back(exit);
    emit_.If(exit);
  }
  Compile(node->Body);
  emit_.Jump(top);
  for (auto& m : break_stack_.back().Exits) emit_.Place(m);
  break_stack_.pop_back();
}

void TCodeGenerator::ForIn(TForInStmtNode* node) {
  RequireAction<TSWFActionEnumerate>("for-in loops");
  TIdentInfo* entry = node->VariableEntry;
  const int reg = entry && entry->Kind == TScopeKind::Function && entry->Register > 0 ? entry->Register : 0;
  // In a function the variable is a local. At the top level a DefineLocal2 before the loop
  // would put it on the timeline before the enumeration starts, and a loop over that timeline
  // would list it; there the loop's own SetVariable creates it, as the player expects.
  const bool top_level = entry && entry->Kind == TScopeKind::Program;
  if (!reg && !top_level) {
    emit_.PushConstant(node->VariableName);
    emit_.Emit<TSWFActionDefineLocal2>();
  }
  EnumerateObject(node);
  auto top = NewMarker(TMarkerDirection::Backward);
  break_stack_.push_back({node, true, top, {}});
  emit_.Place(top);
  emit_.Emit<TSWFActionPushDuplicate>();
  emit_.PushNull();
  emit_.Emit<TSWFActionEquals2>();
  auto exit = NewMarker();
  break_stack_.back().Exits.push_back(exit);
  emit_.If(exit);
  if (reg) {
    emit_.StoreRegister(reg);
    emit_.Emit<TSWFActionPop>();
  } else {
    emit_.PushConstant(node->VariableName);
    emit_.Emit<TSWFActionStackSwap>();
    emit_.Emit<TSWFActionSetVariable>();
  }
  Compile(node->Body);
  emit_.Jump(top);
  for (auto& m : break_stack_.back().Exits) emit_.Place(m);
  DropEnumeration();
  break_stack_.pop_back();
}

void TCodeGenerator::DropEnumeration() {
  // Drops the names an enumeration left, up to and including its null end mark.
  auto clean = NewMarker(TMarkerDirection::Backward);
  emit_.Place(clean);
  emit_.PushNull();
  emit_.Emit<TSWFActionEquals2>();
  emit_.Emit<TSWFActionNot>();
  emit_.If(clean);
}

void TCodeGenerator::Return(TReturnStmtNode* node) {
  // The player keeps one stack for the caller and the function: the values of the switches
  // and the names of the for-in loops around the return would stay behind in the caller's
  // expression. They go first, innermost first.
  for (auto it = break_stack_.rbegin(); it != break_stack_.rend(); ++it) {
    if (!it->IsLoop) emit_.Emit<TSWFActionPop>();
    else if (it->Node->Kind == TNodeKind::ForIn) DropEnumeration();
  }
  RequireAction<TSWFActionReturn>("return statements");
  if (node->Value) Compile(node->Value);
  else emit_.PushUndefined();
  emit_.Emit<TSWFActionReturn>();
}

void TCodeGenerator::Break() {
  if (break_stack_.empty()) Fail("\"break\" is only possible inside a loop or a switch.");
  auto exit = NewMarker();
  break_stack_.back().Exits.push_back(exit);
  emit_.Jump(exit);
}

void TCodeGenerator::Continue() {
  // The values of the switches between here and the loop are still on the stack.
  int switches = 0;
  for (auto it = break_stack_.rbegin(); it != break_stack_.rend(); ++it) {
    if (!it->IsLoop) {
      ++switches;
      continue;
    }
    for (int i = 0; i < switches; ++i) emit_.Emit<TSWFActionPop>();
    emit_.Jump(it->Top);
    return;
  }
  Fail("\"continue\" is only possible inside a loop.");
}

void TCodeGenerator::Try(TTryStmtNode* node) {
  RequireAction<TSWFActionTry>("try/catch/finally statements");
  auto* t = emit_.Emit<TSWFActionTry>();
  t->HasCatchBlock = node->Catch != nullptr;
  t->HasFinallyBlock = node->Finally != nullptr;
  if (node->Catch) t->CatchName = Text(node->Catch->VariableName);
  t->CreateMarkers();
  for (const TSWFBranchField* size : {&t->TrySize, &t->CatchSize, &t->FinallySize})
    if (size->Marker && at_) marker_positions_.emplace_back(size->Marker.get(), at_);
  Compile(node->Body);
  emit_.Place(t->TrySize.Marker);
  if (node->Catch) {
    Compile(node->Catch->Statements);
    emit_.Place(t->CatchSize.Marker);
  }
  if (node->Finally) {
    Compile(node->Finally);
    emit_.Place(t->FinallySize.Marker);
  }
}

void TCodeGenerator::VarDecl(TVarDeclNode* node) {
  TIdentInfo* entry = node->Entry;
  if (node->Has(kNodeClassMember)) {
    if (!node->Initialiser) return;
    if (fields_on_this_by_name_) {
      emit_.PushConstant(TStringTable::ThisId);
      emit_.Emit<TSWFActionGetVariable>();
    } else {
      emit_.PushRegister(kClassRegister);
    }
    emit_.PushConstant(entry->Name);
    Compile(node->Initialiser);
    emit_.Emit<TSWFActionSetMember>();
    return;
  }
  if (entry->Kind == TScopeKind::Function && entry->Register > 0) {
    if (!node->Initialiser) return;
    Compile(node->Initialiser);
    emit_.StoreRegister(entry->Register);
    emit_.Emit<TSWFActionPop>();
    return;
  }
  // Version 4 has no local variables: a declaration sets the timeline's variable.
  if (emit_.StringPushesOnly && !node->Initialiser) return;
  emit_.PushConstant(entry->Name);
  if (emit_.StringPushesOnly) {
    Compile(node->Initialiser);
    emit_.Emit<TSWFActionSetVariable>();
  } else if (node->Initialiser) {
    Compile(node->Initialiser);
    emit_.Emit<TSWFActionDefineLocal>();
  } else {
    emit_.Emit<TSWFActionDefineLocal2>();
  }
}

TSWFActionDefineFunction2* TCodeGenerator::FunctionHeader(TFuncDefNode* node) {
  TIdentTable* scope = node->Scope;
  // Inside `with` a name is looked up on the object first: a local kept in a register would
  // be read instead, so a function with a `with` keeps its locals by name.
  scope->AllocateRegisters((context_.Options & kOptionRegisters) != 0 && !Holds(node->Body, [](const TParseTreeNode* n) { return n->Kind == TNodeKind::With; }));
  auto* f = emit_.Emit<TSWFActionDefineFunction2>();
  if (node->Parameters)
    for (TParseTreeNode* item : node->Parameters->Items) {
      auto* p = static_cast<TArgDeclNode*>(item);
      const int r = p->Entry && p->Entry->Register > 0 ? p->Entry->Register : 0;
      f->AddParam(Text(p->Name), static_cast<uint8_t>(r));
    }
  f->RegisterCount = static_cast<uint8_t>(scope->NextRegister);
  const uint8_t used = scope->UsedSpecials;
  (used & kUsedThis ? f->PreloadThis : f->SuppressThis) = true;
  (used & kUsedArguments ? f->PreloadArguments : f->SuppressArguments) = true;
  (used & kUsedSuper ? f->PreloadSuper : f->SuppressSuper) = true;
  return f;
}

void TCodeGenerator::Function(TFuncDefNode* node) {
  if (!prepared_) {  // a function inside a top-level statement
    Prepare(node);
    TPreparedScope prepared(prepared_);
    Function(node);
    return;
  }
  RequireAction<TSWFActionDefineFunction>("Functions");
  TIdentTable* scope = node->Scope;
  const bool member = node->Has(kNodeClassMember);
  if (member) scope->UseSpecial(TSpecial::This);
  auto end = NewMarker();
  if (UsesDefineFunction2()) {
    auto* f = FunctionHeader(node);
    f->Name = member ? std::string() : Text(node->Name);
    f->CodeSize.Marker = end;
  } else {
    auto* f = DefineFunctionHeader(node);
    f->Name = member ? std::string() : Text(node->Name);
    f->CodeSize.Marker = end;
  }
  // A function body is its own break scope: loops outside it are not reachable.
  std::vector<TBreakEntry> outer = std::move(break_stack_);
  break_stack_.clear();
  FunctionBody(node->Body);
  break_stack_ = std::move(outer);
  emit_.Place(end);
}

void TCodeGenerator::FunctionBody(TParseTreeNode* body) {
  // The functions declared in the body are defined first, so that the body can call them
  // before their declaration, as a script can call its own.
  if (!body || body->Kind != TNodeKind::StmtList) {
    Compile(body);
    return;
  }
  auto* list = static_cast<TStmtListNode*>(body);
  auto declared = [](const TParseTreeNode* item) {
    return item->Kind == TNodeKind::FuncDef && static_cast<const TFuncDefNode*>(item)->Name != TStringTable::EmptyId;
  };
  for (TParseTreeNode* item : list->Items)
    if (declared(item)) Compile(item);
  for (TParseTreeNode* item : list->Items)
    if (!declared(item)) Compile(item);
}

void TCodeGenerator::Program(TProgramNode* node) {
  if (!node->EventList) {
    for (TParseTreeNode* item : node->Items) {
      const bool handler = item->Kind == TNodeKind::Program && static_cast<TProgramNode*>(item)->EventList;
      if (HandlersOnly && !handler && item->Kind != TNodeKind::Import && item->Kind != TNodeKind::NullStmt &&
          item->Kind != TNodeKind::Listing)
        Fail("Only on (...) and onClipEvent (...) handlers can be compiled for a button or a placed clip: "
             "there is no frame for other code to run in.");
      CompileTopLevel(item);
    }
    return;
  }
  if (!OnEventHandler) Fail(Format("Invalid event handler type in line %d", node->EventList->Pos.Line));
  TSWFActionList& list = OnEventHandler(*node->EventList);
  handler_lists_.push_back(&list);
  // The handler runs on its own: no loop or switch around it, its own action list.
  TSWFActionList& outer_list = emit_.List();
  std::vector<TBreakEntry> outer_breaks = std::move(break_stack_);
  break_stack_.clear();
  emit_.SetList(list);
  for (TParseTreeNode* item : node->Items) Compile(item);
  PlaceConstantPool(list, unit_.Pool, context_.StringTable);
  emit_.SetList(outer_list);
  break_stack_ = std::move(outer_breaks);
}

TStrId TCodeGenerator::MemberName(const TFuncDefNode* method) {
  if (method->Has(kNodeGetter)) return Intern("__get__" + Text(method->Name));
  if (method->Has(kNodeSetter)) return Intern("__set__" + Text(method->Name));
  return method->Name;
}

void TCodeGenerator::ClassHeader(TClassDefNode* node, const std::shared_ptr<TSWFOffsetMarker>& end) {
  emit_.PushConstant(TStringTable::GlobalId);
  emit_.Emit<TSWFActionGetVariable>();
  emit_.StoreRegister(kClassRegister);
  const TStrIdArray& parts = node->Name->Parts;
  for (size_t i = 0; i + 1 < parts.size(); ++i) {
    emit_.PushConstant(parts[i]);
    emit_.Emit<TSWFActionGetMember>();
    emit_.Emit<TSWFActionNot>();
    emit_.Emit<TSWFActionNot>();
    auto exists = NewMarker();
    emit_.If(exists);
    emit_.PushRegister(kClassRegister);
    emit_.PushConstant(parts[i]);
    emit_.PushInteger(0);
    emit_.PushConstant(TStringTable::ObjectId);
    emit_.Emit<TSWFActionNewObject>();
    emit_.Emit<TSWFActionSetMember>();
    emit_.Place(exists);
    emit_.PushRegister(kClassRegister);
    emit_.PushConstant(parts[i]);
    emit_.Emit<TSWFActionGetMember>();
    emit_.StoreRegister(kClassRegister);
  }
  emit_.PushConstant(parts.back());
  emit_.Emit<TSWFActionGetMember>();
  emit_.Emit<TSWFActionNot>();
  emit_.Emit<TSWFActionNot>();
  emit_.If(end);
}

void TCodeGenerator::Constructor(TClassImplNode* node) {
  TFuncDefNode* ctor = node->Constructor;
  TIdentTable* scope = ctor->Scope;
  scope->UseSpecial(TSpecial::This);
  if (node->Super) scope->UseSpecial(TSpecial::Super);
  auto end = NewMarker();
  const bool function2 = UsesDefineFunction2();
  if (function2) FunctionHeader(ctor)->CodeSize.Marker = end;
  else DefineFunctionHeader(ctor)->CodeSize.Marker = end;
  if (node->Super && scope->SuperCallMissing && !function2) {
    emit_.PushInteger(0);
    CallSuperByName();
    emit_.Emit<TSWFActionPop>();
  } else if (node->Super && scope->SuperCallMissing) {
    emit_.PushInteger(0);
    emit_.PushRegister(scope->SpecialEntry(TSpecial::Super)->Register);
    emit_.PushUndefined();
    emit_.Emit<TSWFActionCallMethod>();
    emit_.Emit<TSWFActionPop>();
  }
  fields_on_this_by_name_ = !function2;
  if (node->Body)
    for (TVarDeclListNode* field : node->Body->Fields)
      if (!field->IsStatic) Compile(field);
  fields_on_this_by_name_ = false;
  std::vector<TBreakEntry> outer = std::move(break_stack_);
  break_stack_.clear();
  FunctionBody(ctor->Body);
  break_stack_ = std::move(outer);
  emit_.Place(end);
}

void TCodeGenerator::ClassImpl(TClassImplNode* node) {
  if (node->Intrinsic) return;
  if (TargetVersion() < kFirstVersionWithGlobal) FailNotAvailable("Classes", 0);
  auto end = NewMarker();
  ClassHeader(node, end);
  emit_.PushRegister(kClassRegister);
  emit_.PushConstant(node->Name->Last());
  Constructor(node);
  emit_.StoreRegister(kClassRegister);
  emit_.Emit<TSWFActionSetMember>();
  const bool script_classes = TargetVersion() < TSWFActionExtends().MinVersion();
  if (node->Super && script_classes) {
    ExtendsByScript(node);
  } else if (node->Super) {
    emit_.PushRegister(kClassRegister);
    PushClassValue(node->Super->Dotted(context_.StringTable));
    emit_.Emit<TSWFActionExtends>();
  }
  // Before version 7 a class implements its interfaces for the compiler only.
  if (node->Interfaces && !node->Interfaces->Items.Empty() && !script_classes) {
    for (TCompoundName* name : node->Interfaces->Items) PushClassValue(name->Dotted(context_.StringTable));
    emit_.PushInteger(node->Interfaces->Items.Count());
    emit_.PushRegister(kClassRegister);
    emit_.Emit<TSWFActionImplementsOp>();
  }
  auto is_static = [](const TFuncDefNode* m) { return m->Entry && (m->Entry->Flags & kIdentStatic); };
  if (node->Body) {
    for (TVarDeclListNode* field : node->Body->Fields)
      if (field->IsStatic) Compile(field);
    for (TFuncDefNode* m : node->Body->Methods)
      if (is_static(m)) {
        emit_.PushRegister(kClassRegister);
        emit_.PushConstant(MemberName(m));
        Compile(m);
        emit_.Emit<TSWFActionSetMember>();
      }
  }
  emit_.PushRegister(kClassRegister);
  emit_.PushConstant(TStringTable::PrototypeId);
  emit_.Emit<TSWFActionGetMember>();
  emit_.StoreRegister(kClassRegister);
  emit_.Emit<TSWFActionPop>();
  struct TAccessors {
    TStrId Name;
    bool Getter = false, Setter = false;
  };
  std::vector<TAccessors> properties;
  if (node->Body)
    for (TFuncDefNode* m : node->Body->Methods) {
      if (is_static(m)) continue;
      emit_.PushRegister(kClassRegister);
      emit_.PushConstant(MemberName(m));
      Compile(m);
      emit_.Emit<TSWFActionSetMember>();
      if (m->Has(kNodeGetter) || m->Has(kNodeSetter)) {
        auto it = std::find_if(properties.begin(), properties.end(), [&](const TAccessors& a) { return a.Name == m->Name; });
        if (it == properties.end()) it = properties.insert(properties.end(), TAccessors{m->Name});
        (m->Has(kNodeGetter) ? it->Getter : it->Setter) = true;
      }
    }
  for (const TAccessors& p : properties) {
    for (bool getter : {false, true}) {
      if (getter ? p.Getter : p.Setter) {
        emit_.PushRegister(kClassRegister);
        emit_.PushConstant(Intern((getter ? "__get__" : "__set__") + Text(p.Name)));
        emit_.Emit<TSWFActionGetMember>();
      } else {
        emit_.PushNull();
      }
    }
    emit_.PushConstant(p.Name);
    emit_.PushInteger(kAddPropertyArguments);
    emit_.PushRegister(kClassRegister);
    emit_.PushConstant(Intern("addProperty"));
    emit_.Emit<TSWFActionCallMethod>();
    emit_.Emit<TSWFActionPop>();
  }
  emit_.Place(end);
}

void TCodeGenerator::ClassIntf(TClassIntfNode* node) {
  if (TargetVersion() < kFirstVersionWithGlobal) FailNotAvailable("Interfaces", 0);
  auto end = NewMarker();
  ClassHeader(node, end);
  emit_.PushRegister(kClassRegister);
  emit_.PushConstant(node->Name->Last());
  auto* f = emit_.Emit<TSWFActionDefineFunction>();
  auto body_end = NewMarker();
  f->CodeSize.Marker = body_end;
  emit_.PushUndefined();
  emit_.Emit<TSWFActionReturn>();
  emit_.Place(body_end);
  emit_.StoreRegister(kClassRegister);
  emit_.Emit<TSWFActionSetMember>();
  if (node->Super && TargetVersion() >= TSWFActionImplementsOp().MinVersion()) {
    PushClassValue(node->Super->Dotted(context_.StringTable));
    emit_.PushInteger(1);
    emit_.PushRegister(kClassRegister);
    emit_.Emit<TSWFActionImplementsOp>();
  }
  emit_.Place(end);
}


// --- Older players ---
// DefineFunction and script-made class chains before version 7, the SWF 4 actions and
// string pushes at version 4. Each action's first version is its MinVersion in src/swf; a
// construct whose action the movie's player lacks, with no equivalent here, is refused with
// a message naming it and the version.

bool TCodeGenerator::UsesDefineFunction2() const {
  return TargetVersion() >= TSWFActionDefineFunction2().MinVersion() &&
         (context_.Options & kOptionDefineFunction2) != 0;
}

void TCodeGenerator::FailNotAvailable(const std::string& construct, int line) const {
  std::string message = Format("%s are not available in SWF version %d movies", construct.c_str(), TargetVersion());
  if (line <= 0 && at_) line = at_->Line;  // the construct being compiled
  if (line > 0) message += Format(" (line %d)", line);
  Fail(message);
}

TSWFActionDefineFunction* TCodeGenerator::DefineFunctionHeader(TFuncDefNode* node) {
  // No registers: parameters, locals, `this`, `arguments` and `super` are variables of the
  // call, which the player defines for every DefineFunction function.
  auto* f = emit_.Emit<TSWFActionDefineFunction>();
  if (node->Parameters)
    for (TParseTreeNode* item : node->Parameters->Items) f->Params.push_back(Text(static_cast<TArgDeclNode*>(item)->Name));
  return f;
}

void TCodeGenerator::CallSuperByName() {
  emit_.PushConstant(TStringTable::SuperId);
  emit_.Emit<TSWFActionGetVariable>();
  emit_.PushUndefined();
  emit_.Emit<TSWFActionCallMethod>();
}

void TCodeGenerator::ExtendsByScript(TClassImplNode* node) {
  // What Extends does, in the form the authoring tool wrote for player 6: the class's
  // prototype inherits from the superclass's, and its hidden __constructor__ is the
  // superclass, which super() calls. Register 1 holds the class.
  const TStrId super_class = node->Super->Dotted(context_.StringTable);
  const TStrId constructor = Intern("__constructor__");
  auto push_prototype = [this] {
    emit_.PushRegister(1);
    emit_.PushConstant(TStringTable::PrototypeId);
    emit_.Emit<TSWFActionGetMember>();
  };
  push_prototype();
  emit_.PushConstant(Intern("__proto__"));
  PushClassValue(super_class);
  emit_.PushConstant(TStringTable::PrototypeId);
  emit_.Emit<TSWFActionGetMember>();
  emit_.Emit<TSWFActionSetMember>();
  push_prototype();
  emit_.PushConstant(constructor);
  PushClassValue(super_class);
  emit_.Emit<TSWFActionSetMember>();
  // ASSetPropFlags(prototype, "__constructor__", 1): for-in does not list it.
  constexpr int kDontEnum = 1, kArguments = 3;
  emit_.PushInteger(kDontEnum);
  emit_.PushConstant(constructor);
  push_prototype();
  emit_.PushInteger(kArguments);
  emit_.PushConstant(Intern("ASSetPropFlags"));
  emit_.Emit<TSWFActionCallFunction>();
  emit_.Emit<TSWFActionPop>();
}

void TCodeGenerator::CheckOperatorVersion(int op) {
  switch (op) {
    case kTokStrictEq:
    case kTokStrictNe: RequireAction<TSWFActionStrictEquals>("Strict equality operators (=== and !==)"); break;
    case kTokInstanceof: RequireAction<TSWFActionInstanceOf>("instanceof expressions"); break;
    case kTokTypeof: RequireAction<TSWFActionTypeOf>("typeof expressions"); break;
    case kTokDelete: RequireAction<TSWFActionDelete>("delete expressions"); break;
    case '~':
    case kTokBitAnd:
    case kTokBitOr:
    case kTokBitXor:
    case kTokShl:
    case kTokShr:
    case kTokUshr: RequireAction<TSWFActionBitAnd>("Bit operators"); break;
    default: break;
  }
}

bool TCodeGenerator::Swf4BinOp(TBinOpNode* node) {
  switch (node->Operator) {
    case kTokAnd:
    case kTokOr: Swf4Logical(node); return true;
    case '%': {
      // a - int(a / b) * b: each operand is compiled twice, so it must not change anything,
      // and it must hold no % of its own: nested, the code would double at every level.
      if (HasSideEffects(node->Left) || HasSideEffects(node->Right))
        FailNotAvailable("Operands of % with side effects", 0);
      auto modulo = [](const TParseTreeNode* n) {
        return (n->Kind == TNodeKind::BinOp && static_cast<const TBinOpNode*>(n)->Operator == '%') ||
               (n->Kind == TNodeKind::Assign && static_cast<const TAssignNode*>(n)->Operator == kAssignMod);
      };
      if (Holds(node->Left, modulo) || Holds(node->Right, modulo)) FailNotAvailable("Nested % operators", 0);
      Compile(node->Left);
      Compile(node->Left);
      Compile(node->Right);
      emit_.Emit<TSWFActionDivide>();
      emit_.Emit<TSWFActionToInteger>();
      Compile(node->Right);
      emit_.Emit<TSWFActionMultiply>();
      emit_.Emit<TSWFActionSubtract>();
      break;
    }
    case '+':
    case '<':
    case kTokGe:
    case kTokEq:
    case kTokNe:
      Compile(node->Left);
      Compile(node->Right);
      if (node->Operator == '+') emit_.Emit<TSWFActionAdd>();
      else if (node->Operator == kTokEq || node->Operator == kTokNe) emit_.Emit<TSWFActionEquals>();
      else emit_.Emit<TSWFActionLess>();
      if (node->Operator == kTokGe || node->Operator == kTokNe) emit_.Emit<TSWFActionNot>();
      break;
    default: return false;  // the same actions as later versions
  }
  PopIfUnused(node);
  return true;
}

void TCodeGenerator::Swf4Logical(TBinOpNode* node) {
  // Without PushDuplicate the left value cannot be kept: the result is a truth value (1 or 0),
  // as in the version-4 player; the right side is still evaluated only when needed.
  const bool is_and = node->Operator == kTokAnd;
  auto decided = NewMarker();
  auto end = NewMarker();
  Compile(node->Left);
  if (is_and) emit_.Emit<TSWFActionNot>();
  emit_.If(decided);
  Compile(node->Right);
  emit_.Emit<TSWFActionNot>();
  emit_.Emit<TSWFActionNot>();
  emit_.Jump(end);
  emit_.Place(decided);
  emit_.PushBoolean(!is_and);
  emit_.Place(end);
  PopIfUnused(node);
}

void TCodeGenerator::Swf4Assign(TAssignNode* node) {
  // No registers keep a copy of the value: an assignment is a statement.
  if (!node->Has(kNodeUnused)) FailNotAvailable("Assignments used as values", 0);
  TLvalueNode* target = node->Target;
  TargetParts(target);
  if (node->Operator == kAssignPlain) {
    Compile(node->Value);
    Setter(target);
    return;
  }
  TargetParts(target);
  Getter(target);
  switch (node->Operator) {
    case kTokInc: emit_.PushInteger(1); emit_.Emit<TSWFActionAdd>(); break;
    case kTokDec: emit_.PushInteger(1); emit_.Emit<TSWFActionSubtract>(); break;
    case kAssignAdd: Compile(node->Value); emit_.Emit<TSWFActionAdd>(); break;
    case kAssignSub: Compile(node->Value); emit_.Emit<TSWFActionSubtract>(); break;
    case kAssignMul: Compile(node->Value); emit_.Emit<TSWFActionMultiply>(); break;
    case kAssignDiv: Compile(node->Value); emit_.Emit<TSWFActionDivide>(); break;
    case kAssignMod: RequireAction<TSWFActionModulo>("%= assignments"); emit_.Emit<TSWFActionModulo>(); break;
    default: RequireAction<TSWFActionBitAnd>("Bit operators"); Fail("Bit operators need the SWF 5 actions.");
  }
  Setter(target);
}

void TCodeGenerator::EnumerateObject(TForInStmtNode* node) {
  if (TargetVersion() >= TSWFActionEnumerate2().MinVersion()) {
    Compile(node->Object);
    emit_.Emit<TSWFActionEnumerate2>();
    return;
  }
  // Enumerate takes the name of the variable that holds the object.
  auto* l = node->Object->Kind == TNodeKind::Lvalue ? static_cast<TLvalueNode*>(node->Object) : nullptr;
  if (!l || !IsPlainName(l) || RegisterOf(l))
    FailNotAvailable("for-in loops over anything but a variable name", 0);
  emit_.PushConstant(l->Name());
  emit_.Emit<TSWFActionEnumerate>();
}

}  // namespace fc
