#pragma once
// Statement and declaration nodes of the parse tree.

#include <cstdint>
#include <string>

#include "ascompiler/parse_tree.h"

namespace fc {

class TStmtListNode : public TListNode {
public:
  TStmtListNode() : TListNode(TNodeKind::StmtList) {}
};

class TNullStmtNode : public TParseTreeNode {
public:
  TNullStmtNode() : TParseTreeNode(TNodeKind::NullStmt) {}
};

// A "//#" line: kept in the tree, generates nothing.
class TListingStmtNode : public TParseTreeNode {
public:
  TListingStmtNode(int line, std::string text) : TParseTreeNode(TNodeKind::Listing), Line(line), Text(std::move(text)) {}
  int Line;
  std::string Text;  // without the leading "//#"
};

// `if`, and the conditional expression `c ? a : b`.
class TIfStmtNode : public TParseTreeNode {
public:
  TIfStmtNode(TParseTreeNode* condition, TParseTreeNode* then, TParseTreeNode* otherwise)
      : TParseTreeNode(TNodeKind::If), Condition(condition), Then(then), Else(otherwise) {
    Below({condition, then, otherwise});
  }
  TParseTreeNode* Condition;
  TParseTreeNode* Then;
  TParseTreeNode* Else;
};

class TSwitchCaseNode : public TParseTreeNode {
public:
  TSwitchCaseNode(TParseTreeNode* label, TParseTreeNode* statements)
      : TParseTreeNode(TNodeKind::SwitchCase), Label(label), Statements(statements) {
    Below({label, statements});
  }
  TParseTreeNode* Label;       // none for `default`
  TParseTreeNode* Statements;  // none when the clause is empty
};

class TSwitchCaseListNode : public TListNode {
public:
  TSwitchCaseListNode() : TListNode(TNodeKind::SwitchCaseList) {}
};

class TSwitchStmtNode : public TParseTreeNode {
public:
  TSwitchStmtNode(TParseTreeNode* expression, TSwitchCaseListNode* cases)
      : TParseTreeNode(TNodeKind::Switch), Expression(expression), Cases(cases) {
    Below({expression, cases});
  }
  TParseTreeNode* Expression;
  TSwitchCaseListNode* Cases;  // none for an empty body
};

// ifFrameLoaded (n) statement
class TWaitForFrameNode : public TParseTreeNode {
public:
  TWaitForFrameNode(TParseTreeNode* statement, double frame)
      : TParseTreeNode(TNodeKind::WaitForFrame), Frame(frame), Statement(statement) {
    Below({statement});
  }
  double Frame;  // as written; truncated when compiled
  TParseTreeNode* Statement;
};

// while and do-while (kNodeDoWhile); the base of the for loops.
class TLoopStmtNode : public TParseTreeNode {
public:
  TLoopStmtNode(TParseTreeNode* condition, TParseTreeNode* body, TNodeKind kind = TNodeKind::Loop)
      : TParseTreeNode(kind), Condition(condition), Body(body) {
    Below({condition, body});
  }
  void SetBody(TParseTreeNode* body) {
    Body = body;
    Below({body});
  }
  TParseTreeNode* Condition;  // none in `for (;;)` and `for in`
  TParseTreeNode* Body;
};

class TForStmtNode : public TLoopStmtNode {
public:
  TForStmtNode(TParseTreeNode* init, TParseTreeNode* condition, TParseTreeNode* step)
      : TLoopStmtNode(condition, nullptr, TNodeKind::For), Init(init), Step(step) {
    Below({init, step});
  }
  TParseTreeNode* Init;  // a var list, an expression or none
  TParseTreeNode* Step;
};

class TForInStmtNode : public TLoopStmtNode {
public:
  TForInStmtNode(TStrId variable, TIdentInfo* entry, TParseTreeNode* object)
      : TLoopStmtNode(nullptr, nullptr, TNodeKind::ForIn), VariableName(variable), VariableEntry(entry),
        Object(object) {
    Below({object});
  }
  TStrId VariableName;
  TIdentInfo* VariableEntry;
  TParseTreeNode* Object;
};

class TBreakStmtNode : public TParseTreeNode {
public:
  TBreakStmtNode() : TParseTreeNode(TNodeKind::Break) {}
};

class TContinueStmtNode : public TParseTreeNode {
public:
  TContinueStmtNode() : TParseTreeNode(TNodeKind::Continue) {}
};

class TReturnStmtNode : public TParseTreeNode {
public:
  explicit TReturnStmtNode(TParseTreeNode* value) : TParseTreeNode(TNodeKind::Return), Value(value) {
    Below({value});
  }
  TParseTreeNode* Value;
};

class TWithStmtNode : public TParseTreeNode {
public:
  TWithStmtNode(TParseTreeNode* object, TParseTreeNode* body)
      : TParseTreeNode(TNodeKind::With), Object(object), Body(body) {
    Below({object, body});
  }
  TParseTreeNode* Object;
  TParseTreeNode* Body;
};

// tellTarget (target) statement
class TSetTargetNode : public TParseTreeNode {
public:
  TSetTargetNode(TParseTreeNode* target, TParseTreeNode* body)
      : TParseTreeNode(TNodeKind::SetTarget), Target(target), Body(body) {
    Below({target, body});
  }
  TParseTreeNode* Target;
  TParseTreeNode* Body;
};

class TCatchNode : public TParseTreeNode {
public:
  TCatchNode(TStrId variable, TStrId type, TParseTreeNode* statements)
      : TParseTreeNode(TNodeKind::Catch), VariableName(variable), TypeName(type), Statements(statements) {
    Below({statements});
  }
  TStrId VariableName;  // not declared in any scope; always a named variable
  TStrId TypeName;      // ignored
  TParseTreeNode* Statements;
};

class TTryStmtNode : public TParseTreeNode {
public:
  TTryStmtNode(TParseTreeNode* body, TCatchNode* handler, TParseTreeNode* finally)
      : TParseTreeNode(TNodeKind::Try), Body(body), Catch(handler), Finally(finally) {
    Below({body, handler, finally});
  }
  TParseTreeNode* Body;
  TCatchNode* Catch;        // or none
  TParseTreeNode* Finally;  // or none; an empty `finally {}` is an empty statement list
};

class TThrowStmtNode : public TParseTreeNode {
public:
  explicit TThrowStmtNode(TParseTreeNode* value) : TParseTreeNode(TNodeKind::Throw), Value(value) { Below({value}); }
  TParseTreeNode* Value;
};

class TVarDeclNode : public TParseTreeNode {
public:
  TVarDeclNode(TParseTreeNode* initialiser, TIdentInfo* entry)
      : TParseTreeNode(TNodeKind::VarDecl), Initialiser(initialiser), Entry(entry) {
    Below({initialiser});
  }
  TParseTreeNode* Initialiser;  // or none
  TIdentInfo* Entry;            // name, type, register and modifier flags
};

class TVarDeclListNode : public TListNode {
public:
  TVarDeclListNode() : TListNode(TNodeKind::VarDeclList) {}
  bool IsStatic = false;
};

class TArgDeclNode : public TParseTreeNode {
public:
  TArgDeclNode(TStrId name, TStrId type, TIdentInfo* entry)
      : TParseTreeNode(TNodeKind::ArgDecl), Name(name), TypeName(type), Entry(entry) {}
  TStrId Name;
  TStrId TypeName;
  TIdentInfo* Entry;  // none in an interface's method signature
};

class TArgDeclListNode : public TListNode {
public:
  TArgDeclListNode() : TListNode(TNodeKind::ArgDeclList) {}
};

class TFuncDefNode : public TParseTreeNode {
public:
  TFuncDefNode(TStrId name, TArgDeclListNode* parameters, TStrId return_type, TParseTreeNode* body,
               TIdentTable* scope)
      : TParseTreeNode(TNodeKind::FuncDef), Name(name), Body(body), Parameters(parameters),
        ReturnType(return_type), Scope(scope) {
    Below({parameters, body});
  }
  TStrId Name;  // the empty id for a function literal
  TParseTreeNode* Body;  // a statement list, or none for an empty body
  TArgDeclListNode* Parameters;
  TStrId ReturnType;
  TIdentTable* Scope;  // its function scope
  TIdentInfo* Entry = nullptr;  // declarations: the name's entry in the enclosing scope
};

enum class TEventKind : uint8_t { Button = 0, Clip = 1, KeyPress = 2 };

// The events of an `on (...)` or `onClipEvent (...)` handler.
class TEventListNode : public TListNode {
public:
  TEventListNode() : TListNode(TNodeKind::EventList) {}
  TEventKind Kind = TEventKind::Button;
  uint16_t ButtonEvents = 0;  // bit i: button event i
  uint32_t ClipEvents = 0;    // bit i: clip event i
  std::string KeyName;
};

// A script, or the body of an event handler (then EventList is set).
class TProgramNode : public TListNode {
public:
  explicit TProgramNode(TIdentTable* scope) : TListNode(TNodeKind::Program), Scope(scope) {}
  TEventListNode* EventList = nullptr;
  TIdentTable* Scope;
};

class TFuncDefNode;
class TClassBodyNode : public TParseTreeNode {
public:
  TClassBodyNode() : TParseTreeNode(TNodeKind::ClassBody) {}
  void AddField(TVarDeclListNode* field) {
    field->Flags |= kNodeClassMember;
    for (TParseTreeNode* item : field->Items) item->Flags |= kNodeClassMember;
    Fields.Add(field);
    Below({field});
  }
  void AddMethod(TFuncDefNode* method) {
    method->Flags |= kNodeClassMember;
    Methods.Add(method);
    Below({method});
  }
  TVector<TVarDeclListNode*> Fields{"TObjectVector"};
  TVector<TFuncDefNode*> Methods{"TObjectVector"};
};

class TClassImplListNode : public TParseTreeNode {
public:
  TClassImplListNode() : TParseTreeNode(TNodeKind::ClassImplList) {}
  TVector<TCompoundName*> Items{"TObjectVector"};
};

class TClassDefNode : public TParseTreeNode {
public:
  TClassDefNode(TNodeKind kind, TCompoundName* name, TCompoundName* super, TIdentTable* scope, TClassInfo* info)
      : TParseTreeNode(kind), Name(name), Super(super), Scope(scope), Info(info) {}
  // The dotted names that must be compiled before this class: its superclass and, for a
  // class, its interfaces.
  virtual TStrIdArray Dependencies(TStringTable& strings) const;

  TCompoundName* Name;
  TCompoundName* Super;  // or none
  TIdentTable* Scope;    // the class scope (its member table)
  TClassInfo* Info;      // the class's entry
};

class TClassImplNode : public TClassDefNode {
public:
  TClassImplNode(TCompoundName* name, TCompoundName* super, TIdentTable* scope, TClassInfo* info,
                 TClassBodyNode* body, TClassImplListNode* interfaces)
      : TClassDefNode(TNodeKind::ClassImpl, name, super, scope, info), Body(body), Interfaces(interfaces) {
    Below({body});
  }
  TStrIdArray Dependencies(TStringTable& strings) const override;

  TClassBodyNode* Body;
  TClassImplListNode* Interfaces;  // or none
  TFuncDefNode* Constructor = nullptr;
  bool Intrinsic = false;  // `intrinsic class`: declares what the player has, makes no code
};

class TClassIntfNode : public TClassDefNode {
public:
  TClassIntfNode(TCompoundName* name, TCompoundName* super, TIdentTable* scope, TClassInfo* info)
      : TClassDefNode(TNodeKind::ClassIntf, name, super, scope, info) {}
};

class TImportNode : public TParseTreeNode {
public:
  explicit TImportNode(TCompoundName* name) : TParseTreeNode(TNodeKind::Import), Name(name) {}
  TCompoundName* Name;
  bool Wildcard = false;  // import a.b.*
};

// Calls f with each child of a node in source order (absent children as nullptr). The event
// list of a handler body is not among them: it describes the body, it is not compiled in it.
template <typename F>
void VisitChildren(TParseTreeNode* node, F&& f) {
  auto each = [&](auto& items) {
    for (auto* item : items) f(item);
  };
  switch (node->Kind) {
    case TNodeKind::Pair: f(static_cast<TPairNode*>(node)->First); f(static_cast<TPairNode*>(node)->Second); break;
    case TNodeKind::Lvalue: f(static_cast<TLvalueNode*>(node)->Base); f(static_cast<TLvalueNode*>(node)->Member); break;
    case TNodeKind::Assign: f(static_cast<TAssignNode*>(node)->Target); f(static_cast<TAssignNode*>(node)->Value); break;
    case TNodeKind::BinOp: f(static_cast<TBinOpNode*>(node)->Left); f(static_cast<TBinOpNode*>(node)->Right); break;
    case TNodeKind::UnOp: f(static_cast<TUnOpNode*>(node)->Operand); break;
    case TNodeKind::FuncCall: {
      auto* n = static_cast<TFuncCallNode*>(node);
      f(n->Callee); f(n->Base); f(n->NameExpr); f(n->Arguments);
      break;
    }
    case TNodeKind::ExprList: case TNodeKind::StmtList: case TNodeKind::SwitchCaseList: case TNodeKind::VarDeclList:
    case TNodeKind::ArgDeclList: case TNodeKind::EventList: case TNodeKind::Program:
      each(static_cast<TListNode*>(node)->Items);
      break;
    case TNodeKind::If: {
      auto* n = static_cast<TIfStmtNode*>(node);
      f(n->Condition); f(n->Then); f(n->Else);
      break;
    }
    case TNodeKind::Switch: f(static_cast<TSwitchStmtNode*>(node)->Expression); f(static_cast<TSwitchStmtNode*>(node)->Cases); break;
    case TNodeKind::SwitchCase: f(static_cast<TSwitchCaseNode*>(node)->Label); f(static_cast<TSwitchCaseNode*>(node)->Statements); break;
    case TNodeKind::WaitForFrame: f(static_cast<TWaitForFrameNode*>(node)->Statement); break;
    case TNodeKind::Loop: f(static_cast<TLoopStmtNode*>(node)->Condition); f(static_cast<TLoopStmtNode*>(node)->Body); break;
    case TNodeKind::For: {
      auto* n = static_cast<TForStmtNode*>(node);
      f(n->Init); f(n->Condition); f(n->Step); f(n->Body);
      break;
    }
    case TNodeKind::ForIn: f(static_cast<TForInStmtNode*>(node)->Object); f(static_cast<TForInStmtNode*>(node)->Body); break;
    case TNodeKind::Return: f(static_cast<TReturnStmtNode*>(node)->Value); break;
    case TNodeKind::With: f(static_cast<TWithStmtNode*>(node)->Object); f(static_cast<TWithStmtNode*>(node)->Body); break;
    case TNodeKind::SetTarget: f(static_cast<TSetTargetNode*>(node)->Target); f(static_cast<TSetTargetNode*>(node)->Body); break;
    case TNodeKind::Catch: f(static_cast<TCatchNode*>(node)->Statements); break;
    case TNodeKind::Try: {
      auto* n = static_cast<TTryStmtNode*>(node);
      f(n->Body); f(n->Catch); f(n->Finally);
      break;
    }
    case TNodeKind::Throw: f(static_cast<TThrowStmtNode*>(node)->Value); break;
    case TNodeKind::VarDecl: f(static_cast<TVarDeclNode*>(node)->Initialiser); break;
    case TNodeKind::FuncDef: f(static_cast<TFuncDefNode*>(node)->Body); break;
    case TNodeKind::ClassBody: {
      auto* n = static_cast<TClassBodyNode*>(node);
      each(n->Fields);
      each(n->Methods);
      break;
    }
    case TNodeKind::ClassImpl: f(static_cast<TClassImplNode*>(node)->Body); f(static_cast<TClassImplNode*>(node)->Constructor); break;
    default: break;
  }
}

// Event names by index, as the SWF button-condition and clip-event flags number them.
int ButtonEventIndex(const std::string& name);  // -1 when unknown
int ClipEventIndex(const std::string& name);
// Key code of an `on (keyPress "...")` name: one character is its own code; unknown names 0.
int KeyCode(const std::string& name);

}  // namespace fc
