#pragma once
// The parse tree: the node base class and the expression nodes. The parser builds the tree
// while it reduces; the code generator walks it. Every node is owned by its compile unit
// (compile_unit.h); the pointers between nodes do not own.

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>

#include "ascompiler/containers.h"
#include "ascompiler/ident_table.h"
#include "ascompiler/string_table.h"

namespace fc {

enum class TNodeKind : uint8_t {
  // expressions
  Pair, Number, Str, Lvalue, Assign, BinOp, UnOp, ExprList, FuncCall, CompoundName,
  // statements
  StmtList, NullStmt, Listing, If, Switch, SwitchCaseList, SwitchCase, WaitForFrame, Loop, For, ForIn,
  Break, Continue, Return, With, SetTarget, Catch, Try, Throw,
  // declarations
  VarDecl, VarDeclList, ArgDecl, ArgDeclList, FuncDef, EventList, Program, ClassBody, ClassImplList,
  ClassImpl, ClassIntf, Import,
};

// TParseTreeNode::Flags
enum TNodeFlags : uint16_t {
  kNodeUnused = 1 << 0,          // compiled as a statement: the value is dropped
  kNodeTarget = 1 << 1,          // assignment target: push only what the setter needs
  kNodeConstructorCall = 1 << 2,  // new
  kNodeObjectLiteral = 1 << 3,
  kNodeArrayLiteral = 1 << 4,
  kNodeDoWhile = 1 << 5,
  kNodePostfix = 1 << 6,
  kNodeCommaExpr = 1 << 7,
  kNodeClassMember = 1 << 8,
  kNodeGetter = 1 << 9,
  kNodeSetter = 1 << 10,
};

struct TSourcePos {
  // As written in the include directive, or the class file's path; empty in the main text.
  // The text is kept by the compile unit (TCompileUnit::KeepFileName).
  std::string_view FileName;
  int Line = 0;
  int Column = 0;  // from 0
};

// Nodes live in their unit's arena. Most of them hold only numbers and pointers and need no
// destructor; the unit remembers and destroys those that own memory (compile_unit.h). So the
// destructor is not virtual, and a node is never deleted through this base.
class TParseTreeNode {
public:
  explicit TParseTreeNode(TNodeKind kind) : Kind(kind) {}
  TParseTreeNode(const TParseTreeNode&) = delete;
  TParseTreeNode& operator=(const TParseTreeNode&) = delete;

  bool Has(uint16_t flag) const { return (Flags & flag) != 0; }

  const TNodeKind Kind;
  uint16_t Flags = 0;
  int Depth = 1;  // height of the subtree; the parser keeps it bounded
  // Where the construct begins: the first token of the rule that made the node.
  TSourcePos Pos;

protected:
  ~TParseTreeNode() = default;
  void Below(std::initializer_list<const TParseTreeNode*> children) {
    for (const TParseTreeNode* child : children)
      if (child && child->Depth + 1 > Depth) Depth = child->Depth + 1;
  }
};

using TNodeVector = TSmallVector<TParseTreeNode*, 4>;

// A list node whose depth follows its items.
class TListNode : public TParseTreeNode {
public:
  using TParseTreeNode::TParseTreeNode;
  void Add(TParseTreeNode* item) {
    Items.Add(item);
    Below({item});
  }
  TNodeVector Items{"TObjectVector"};
};

class TPairNode : public TParseTreeNode {
public:
  TPairNode(TParseTreeNode* first, TParseTreeNode* second)
      : TParseTreeNode(TNodeKind::Pair), First(first), Second(second) {
    Below({first, second});
  }
  TParseTreeNode* First;
  TParseTreeNode* Second;
};

class TNumberNode : public TParseTreeNode {
public:
  explicit TNumberNode(double value) : TParseTreeNode(TNodeKind::Number), Value(value) {}
  double Value;
};

// A string literal, or one of the constants kUndefinedId, kNullId, kFalseId, kTrueId.
class TStrNode : public TParseTreeNode {
public:
  explicit TStrNode(TStrId id) : TParseTreeNode(TNodeKind::Str), Id(id) {}
  TStrId Id;
};

// A dotted name such as a package-qualified class name.
class TCompoundName : public TParseTreeNode {
public:
  explicit TCompoundName(TStrId first) : TParseTreeNode(TNodeKind::CompoundName) { Parts.push_back(first); }
  void Append(TStrId part) {
    Parts.push_back(part);
    dotted_ = -1;
  }
  TStrId Last() const { return Parts.back(); }
  void Replace(TStrIdArray parts) {
    Parts = std::move(parts);
    dotted_ = -1;
  }
  // The id of the whole dotted text, interned on first use.
  TStrId Dotted(TStringTable& strings);
  std::string Text(const TStringTable& strings) const;

  TStrIdArray Parts;

private:
  TStrId dotted_ = -1;
};

// Something that can be assigned: a name, a member `o.m`, a computed member `o[e]`,
// `eval(e)` or a Flash 4 slash path.
class TLvalueNode : public TParseTreeNode {
public:
  TLvalueNode(TParseTreeNode* base, TParseTreeNode* member, bool computed, TIdentTable* scope)
      : TParseTreeNode(TNodeKind::Lvalue), Base(base), Member(member), Scope(scope), Computed(computed) {
    Below({base, member});
  }
  // The member name when it is a plain name (not computed), else -1.
  TStrId Name() const {
    return !Computed && Member && Member->Kind == TNodeKind::Str ? static_cast<const TStrNode*>(Member)->Id : -1;
  }
  void SetBase(TParseTreeNode* base) {
    Base = base;
    Below({base});
  }

  TStrId Path = -1;        // slash path: the id of its text; -1 for other l-values
  TStrId PathTarget = -1;  // slash path: the id of the text before the colon
  int PropertyIndex = -1;  // slash path naming a movie-clip property: its number
  TParseTreeNode* Base;    // none for a plain name or eval
  TParseTreeNode* Member;  // a TStrNode with the name, or the expression of o[e] and eval(e)
  TIdentInfo* Entry = nullptr;
  TIdentTable* Scope;
  bool Resolved = false;
  bool Computed;  // o[e] or eval(e)
};

class TAssignNode : public TParseTreeNode {
public:
  // op: kAssignPlain, a compound code 2..12, kTokInc or kTokDec
  TAssignNode(TLvalueNode* target, int op, TParseTreeNode* value, TIdentTable* scope)
      : TParseTreeNode(TNodeKind::Assign), Target(target), Value(value), Operator(op), Scope(scope) {
    target->Flags |= kNodeTarget;
    Below({target, value});
  }
  TLvalueNode* Target;
  TParseTreeNode* Value;  // none for ++ and --
  int Operator;
  TIdentTable* Scope;
};

class TBinOpNode : public TParseTreeNode {
public:
  TBinOpNode(int op, TParseTreeNode* left, TParseTreeNode* right)
      : TParseTreeNode(TNodeKind::BinOp), Operator(op), Left(left), Right(right) {
    Below({left, right});
  }
  int Operator;  // the operator's token code
  TParseTreeNode* Left;
  TParseTreeNode* Right;
};

class TUnOpNode : public TParseTreeNode {
public:
  TUnOpNode(int op, TParseTreeNode* operand) : TParseTreeNode(TNodeKind::UnOp), Operator(op), Operand(operand) {
    Below({operand});
  }
  int Operator;  // '-', '~', NOT, DELETE, TYPEOF or VOID
  TParseTreeNode* Operand;
};

// A comma expression, argument list, array literal or object literal (value, name, ...).
class TExprListNode : public TListNode {
public:
  TExprListNode() : TListNode(TNodeKind::ExprList) {}
};

// A call: of a function by name (`f(x)`), of a method (`o.m(x)`, `o[e](x)`), or of whatever
// function value an expression gives (`f()(x)`, `(function () {})()`).
class TFuncCallNode : public TParseTreeNode {
public:
  TFuncCallNode(TParseTreeNode* base, TStrId name, TExprListNode* arguments, TIdentTable* scope)
      : TParseTreeNode(TNodeKind::FuncCall), Base(base), Name(name), Arguments(arguments), Scope(scope) {
    Below({base, arguments});
  }
  void SetBase(TParseTreeNode* base) {
    Base = base;
    Below({base});
  }
  // `o[e](x)`: the method name is computed (Name is -1).
  void SetNameExpr(TParseTreeNode* expr) {
    NameExpr = expr;
    Below({expr});
  }
  // Any other callee: the function value it gives is called (Name is -1, no Base).
  void SetCallee(TParseTreeNode* callee) {
    Callee = callee;
    Below({callee});
  }
  TParseTreeNode* Base;  // receiver of a method call, or none
  TStrId Name;           // -1 when NameExpr or Callee stands for it
  TParseTreeNode* NameExpr = nullptr;
  TParseTreeNode* Callee = nullptr;
  TExprListNode* Arguments;
  TClassInfo* ClassRef = nullptr;  // `a.b.C(x)`: a cast to the class a.b.C
  TIdentInfo* Entry = nullptr;
  TIdentTable* Scope;
  bool Resolved = false;
};

}  // namespace fc
