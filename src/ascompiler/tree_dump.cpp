#include "ascompiler/tree_dump.h"

#include <vector>

#include "ascompiler/tokens.h"
#include "core/text.h"

namespace fc {
namespace {

const char* kAssignOps[] = {"", "=", "+=", "-=", "*=", "/=", "%=", "&=", "^=", "|=", "<<=", ">>=", ">>>="};

class TDumper {
public:
  explicit TDumper(const TStringTable& strings) : strings_(strings) {}

  void Node(const TParseTreeNode* node, int indent) {
    if (!node) return;
    std::vector<const TParseTreeNode*> children;
    out_.append(indent * 2, ' ');
    out_ += Describe(node, children);
    if (node->Has(kNodeUnused)) out_ += " [unused]";
    out_ += '\n';
    for (const TParseTreeNode* child : children) Node(child, indent + 1);
  }
  std::string Take() { return std::move(out_); }

private:
  std::string Name(TStrId id) const { return id >= 0 ? strings_.Text(id) : std::string("?"); }
  std::string Typed(TStrId name, TStrId type) const {
    return type > 0 ? Name(name) + ":" + Name(type) : Name(name);
  }
  static void Items(const TNodeVector& items, std::vector<const TParseTreeNode*>& children) {
    for (const TParseTreeNode* item : items) children.push_back(item);
  }

  std::string Describe(const TParseTreeNode* node, std::vector<const TParseTreeNode*>& children) {
    switch (node->Kind) {
      case TNodeKind::Pair: {
        auto* n = static_cast<const TPairNode*>(node);
        children = {n->First, n->Second};
        return "Pair";
      }
      case TNodeKind::Number: return "Number " + FormatDouble(static_cast<const TNumberNode*>(node)->Value);
      case TNodeKind::Str: {
        const TStrId id = static_cast<const TStrNode*>(node)->Id;
        switch (id) {
          case kUndefinedId: return "undefined";
          case kNullId: return "null";
          case kFalseId: return "false";
          case kTrueId: return "true";
          default: return "String \"" + Name(id) + "\"";
        }
      }
      case TNodeKind::Lvalue: {
        auto* n = static_cast<const TLvalueNode*>(node);
        if (n->Path >= 0) return "Path " + Name(n->Path);
        children = {n->Base};
        if (n->Computed) {
          children.push_back(n->Member);
          return n->Base ? "Member []" : "Eval";
        }
        std::string text = (n->Base ? "Member ." : "Name ") + Name(n->Name());
        if (auto* cls = dynamic_cast<const TClassInfo*>(n->Entry)) text += " (class " + Name(cls->Name) + ")";
        else if (n->Entry) text += n->Entry->Register == kRegisterNever ? " (outer local)" : " (declared)";
        return text;
      }
      case TNodeKind::Assign: {
        auto* n = static_cast<const TAssignNode*>(node);
        children = {n->Target, n->Value};
        if (n->Operator == kTokInc || n->Operator == kTokDec)
          return std::string("Assign ") + (n->Operator == kTokInc ? "++" : "--") +
                 (n->Has(kNodePostfix) ? " postfix" : " prefix");
        return std::string("Assign ") + (n->Operator >= 1 && n->Operator <= 12 ? kAssignOps[n->Operator] : "?");
      }
      case TNodeKind::BinOp: {
        auto* n = static_cast<const TBinOpNode*>(node);
        children = {n->Left, n->Right};
        return "BinOp " + Operator(n->Operator);
      }
      case TNodeKind::UnOp: {
        auto* n = static_cast<const TUnOpNode*>(node);
        children = {n->Operand};
        return "UnOp " + Operator(n->Operator);
      }
      case TNodeKind::ExprList: {
        auto* n = static_cast<const TExprListNode*>(node);
        Items(n->Items, children);
        return n->Has(kNodeArrayLiteral)    ? "Array"
               : n->Has(kNodeObjectLiteral) ? "Object"
               : n->Has(kNodeCommaExpr)     ? "Comma"
                                            : "Args";
      }
      case TNodeKind::FuncCall: {
        auto* n = static_cast<const TFuncCallNode*>(node);
        children = {n->Callee, n->Base, n->NameExpr, n->Arguments};
        std::string text = n->Has(kNodeConstructorCall) ? "New " : "Call ";
        text += (n->Name >= 0 ? Name(n->Name) : n->NameExpr ? "[]" : "()") + Format(" @%d:%d", n->Pos.Line, n->Pos.Column);
        if (n->ClassRef) text += " (class " + Name(n->ClassRef->Name) + ")";
        else if (auto* cls = dynamic_cast<const TClassInfo*>(n->Entry)) text += " (class " + Name(cls->Name) + ")";
        return text;
      }
      case TNodeKind::CompoundName: return "Name " + static_cast<const TCompoundName*>(node)->Text(strings_);
      case TNodeKind::StmtList: Items(static_cast<const TListNode*>(node)->Items, children); return "Statements";
      case TNodeKind::NullStmt: return "Empty";
      case TNodeKind::Listing: return "Listing " + static_cast<const TListingStmtNode*>(node)->Text;
      case TNodeKind::If: {
        auto* n = static_cast<const TIfStmtNode*>(node);
        children = {n->Condition, n->Then, n->Else};
        return n->Else ? "If else" : "If";
      }
      case TNodeKind::Switch: {
        auto* n = static_cast<const TSwitchStmtNode*>(node);
        children = {n->Expression, n->Cases};
        return "Switch";
      }
      case TNodeKind::SwitchCaseList: Items(static_cast<const TListNode*>(node)->Items, children); return "Cases";
      case TNodeKind::SwitchCase: {
        auto* n = static_cast<const TSwitchCaseNode*>(node);
        children = {n->Label, n->Statements};
        return n->Label ? "Case" : "Default";
      }
      case TNodeKind::WaitForFrame: {
        auto* n = static_cast<const TWaitForFrameNode*>(node);
        children = {n->Statement};
        return "IfFrameLoaded " + FormatDouble(n->Frame);
      }
      case TNodeKind::Loop: {
        auto* n = static_cast<const TLoopStmtNode*>(node);
        children = {n->Condition, n->Body};
        return n->Has(kNodeDoWhile) ? "DoWhile" : "While";
      }
      case TNodeKind::For: {
        auto* n = static_cast<const TForStmtNode*>(node);
        children = {n->Init, n->Condition, n->Step, n->Body};
        return "For";
      }
      case TNodeKind::ForIn: {
        auto* n = static_cast<const TForInStmtNode*>(node);
        children = {n->Object, n->Body};
        return "ForIn " + Name(n->VariableName);
      }
      case TNodeKind::Break: return "Break";
      case TNodeKind::Continue: return "Continue";
      case TNodeKind::Return: children = {static_cast<const TReturnStmtNode*>(node)->Value}; return "Return";
      case TNodeKind::With: {
        auto* n = static_cast<const TWithStmtNode*>(node);
        children = {n->Object, n->Body};
        return "With";
      }
      case TNodeKind::SetTarget: {
        auto* n = static_cast<const TSetTargetNode*>(node);
        children = {n->Target, n->Body};
        return "TellTarget";
      }
      case TNodeKind::Catch: {
        auto* n = static_cast<const TCatchNode*>(node);
        children = {n->Statements};
        return "Catch " + Typed(n->VariableName, n->TypeName);
      }
      case TNodeKind::Try: {
        auto* n = static_cast<const TTryStmtNode*>(node);
        children = {n->Body, n->Catch, n->Finally};
        return n->Finally ? "Try finally" : "Try";
      }
      case TNodeKind::Throw: children = {static_cast<const TThrowStmtNode*>(node)->Value}; return "Throw";
      case TNodeKind::VarDecl: {
        auto* n = static_cast<const TVarDeclNode*>(node);
        children = {n->Initialiser};
        return "Var " + Typed(n->Entry->Name, n->Entry->TypeName) + Modifiers(n->Entry->Flags);
      }
      case TNodeKind::VarDeclList: {
        auto* n = static_cast<const TVarDeclListNode*>(node);
        Items(n->Items, children);
        return n->IsStatic ? "VarList static" : "VarList";
      }
      case TNodeKind::ArgDecl: {
        auto* n = static_cast<const TArgDeclNode*>(node);
        return "Param " + Typed(n->Name, n->TypeName);
      }
      case TNodeKind::ArgDeclList: Items(static_cast<const TListNode*>(node)->Items, children); return "Params";
      case TNodeKind::FuncDef: {
        auto* n = static_cast<const TFuncDefNode*>(node);
        children = {n->Parameters, n->Body};
        std::string text = n->Has(kNodeGetter) ? "Getter " : n->Has(kNodeSetter) ? "Setter " : "Function ";
        text += n->Name == TStringTable::EmptyId ? "(literal)" : Typed(n->Name, n->ReturnType);
        if (n->Entry) text += Modifiers(n->Entry->Flags);
        return text;
      }
      case TNodeKind::EventList: {
        auto* n = static_cast<const TEventListNode*>(node);
        std::string text = n->Kind == TEventKind::Button ? "on(" : n->Kind == TEventKind::Clip ? "onClipEvent(" : "key(";
        for (int i = 0; i < n->Items.Count(); ++i) {
          auto* pair = static_cast<const TPairNode*>(n->Items[i]);
          if (i) text += ",";
          text += Name(static_cast<const TStrNode*>(pair->First)->Id);
          if (pair->Second) text += " \"" + Name(static_cast<const TStrNode*>(pair->Second)->Id) + "\"";
        }
        return "Events " + text + Format(") @%d", n->Pos.Line);
      }
      case TNodeKind::Program: {
        auto* n = static_cast<const TProgramNode*>(node);
        children = {n->EventList};
        Items(n->Items, children);
        return n->EventList ? "Handler" : "Program";
      }
      case TNodeKind::ClassBody: {
        auto* n = static_cast<const TClassBodyNode*>(node);
        for (const TParseTreeNode* field : n->Fields) children.push_back(field);
        for (const TParseTreeNode* method : n->Methods) children.push_back(method);
        return "Members";
      }
      case TNodeKind::ClassImplList: {
        auto* n = static_cast<const TClassImplListNode*>(node);
        std::string text = "Implements";
        for (const TCompoundName* name : n->Items) text += " " + name->Text(strings_);
        return text;
      }
      case TNodeKind::ClassImpl: {
        auto* n = static_cast<const TClassImplNode*>(node);
        children = {n->Interfaces, n->Constructor, n->Body};
        return "Class " + n->Name->Text(strings_) + (n->Super ? " extends " + n->Super->Text(strings_) : "");
      }
      case TNodeKind::ClassIntf: {
        auto* n = static_cast<const TClassIntfNode*>(node);
        return "Interface " + n->Name->Text(strings_) + (n->Super ? " extends " + n->Super->Text(strings_) : "");
      }
      case TNodeKind::Import: {
        auto* n = static_cast<const TImportNode*>(node);
        return "Import " + n->Name->Text(strings_) + (n->Wildcard ? ".*" : "");
      }
    }
    return "?";
  }

  static std::string Operator(int op) {
    std::string name = TokenName(op);
    if (name.size() == 3 && name[0] == '\'') return name.substr(1, 1);
    return name;
  }
  static std::string Modifiers(uint8_t flags) {
    std::string text;
    if (flags & kIdentStatic) text += " static";
    if (flags & kIdentPublic) text += " public";
    if (flags & kIdentPrivate) text += " private";
    return text;
  }

  const TStringTable& strings_;
  std::string out_;
};

}  // namespace

std::string DumpTree(const TParseTreeNode* root, const TStringTable& strings) {
  TDumper dumper(strings);
  dumper.Node(root, 0);
  return dumper.Take();
}

}  // namespace fc
