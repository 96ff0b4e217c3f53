#include "ascompiler/parser_context.h"

#include <algorithm>
#include <cmath>
#include <string_view>

#include "ascompiler/clip_properties.h"
#include "ascompiler/errors.h"
#include "core/text.h"

namespace fc {

void TParserContext::NestingTooDeep() const {
  if (lexer_.FileName().empty())
    throw EActionCompileError(Format("Nesting too deep in line: %d pos: %d", lexer_.Line(), lexer_.Column() + 1));
  throw EActionCompileError(Format("Nesting too deep in file: \"%s\" line: %d pos: %d", lexer_.FileName().c_str(),
                                   lexer_.Line(), lexer_.Column() + 1));
}

std::vector<TStrId> TParserContext::SplitName(TStrId dotted) {
  std::vector<TStrId> parts;
  for (const std::string& part : Split(Strings().Text(dotted), '.')) parts.push_back(Strings().Intern(part));
  return parts;
}

// The l-value chain a.b for the first `count` parts of a.b.Foo.
TParseTreeNode* TParserContext::NameChain(const std::vector<TStrId>& parts, size_t count) {
  TLvalueNode* chain = nullptr;
  for (size_t i = 0; i < count; ++i) chain = New<TLvalueNode>(chain, New<TStrNode>(parts[i]), false, Scope());
  return chain;
}

int TParserContext::NextToken(TTokenValue& value) {
  token_code_ = lexer_.NextToken(value);
  const std::string& file = lexer_.FileName().empty() ? main_file_ : lexer_.FileName();
  if (file != token_file_) {
    token_file_ = file;
    const std::string_view kept = unit_.KeepFileName(file);
    auto it = std::find(files_.begin(), files_.end(), kept);
    if (it == files_.end()) it = files_.insert(files_.end(), kept);
    token_place_.File = static_cast<uint32_t>(it - files_.begin());
  }
  token_place_.Line = lexer_.TokenLine();
  token_place_.Column = lexer_.TokenColumn();
  return token_code_;
}

TCompileDiagnostic TParserContext::Diagnostic(const TSourcePos& pos, std::string message) const {
  return {std::string(pos.FileName), pos.Line, pos.Column + 1, std::move(message)};
}

void TParserContext::SyntaxError(const TTokenPlace& pos, std::string message) {
  if (ErrorCount() >= kMaxErrors) return;  // the parse stops there
  if (diagnostics_.empty()) {
    // The lexer stands just past the token the parser could not take.
    first_message_ =
        lexer_.FileName().empty()
            ? Format("Parse Error in line: %d pos: %d", lexer_.Line(), lexer_.Column() + 1)
            : Format("Parse Error in file: \"%s\" line: %d pos: %d", lexer_.FileName().c_str(), lexer_.Line(),
                     lexer_.Column() + 1);
  }
  diagnostics_.push_back(Diagnostic(PosOf(pos), std::move(message)));
}

std::string TParserContext::Describe(std::string_view token) const {
  if (token == "IDENT") return "a name";
  if (token == "STRING") return "a string";
  if (token == "NUMBER") return "a number";
  return std::string(token);
}

void TParserContext::UnexpectedToken(const TTokenPlace& pos, const std::vector<std::string>& expected,
                                     std::string_view after) {
  std::string message = "syntax error: unexpected ";
  switch (token_code_) {
    case kTokIdent: message += "name '" + Strings().Text(token_.ID) + "'"; break;
    case kTokString: message += "string"; break;
    case kTokNumber: message += "number"; break;
    case kTokBadNumber: message = "syntax error: malformed number"; break;
    case kTokEnd: message += "end of input"; break;
    default:
      if (token_code_ > 0 && token_code_ < 256 && (token_code_ < 32 || token_code_ >= 127))
        message += Format("character 0x%02X", token_code_);  // unprintable, or part of a UTF-8 sequence
      else
        message += token_code_ > 0 && token_code_ < 256 ? TokenName(token_code_) : "'" + TokenName(token_code_) + "'";
  }
  if (!expected.empty()) {
    message += ", expected ";
    for (size_t i = 0; i < expected.size(); ++i) {
      if (i > 0) message += i + 1 == expected.size() ? " or " : ", ";
      message += Describe(expected[i]);
    }
    if (!after.empty()) message += " after " + std::string(after);
  }
  SyntaxError(pos, std::move(message));
}

void TParserContext::ActionError(const std::string& message) {
  diagnostics_.push_back(Diagnostic(PosOf(node_place_ ? *node_place_ : token_place_), message));
}

TStrId TParserContext::Dotted(TStrId left, TStrId right) {
  return Strings().Intern(Strings().Text(left) + "." + Strings().Text(right));
}

TStrId TParserContext::WordName(const TTokenPlace& pos, TStrId word) {
  if (word < 0) SyntaxError(pos, "syntax error: an operator where a name must stand");
  return word;
}

TStrId TParserContext::NumberName(double value) {
  // The key is the number's text as the player writes numbers.
  if (value == std::trunc(value) && std::fabs(value) < 1e15) return Strings().Intern(Format("%.0f", value));
  return Strings().Intern(Format("%.15g", value));
}

TLvalueNode* TParserContext::NameLvalue(TStrId name) {
  TIdentTable* scope = Scope();
  TLvalueNode* lvalue = New<TLvalueNode>(nullptr, New<TStrNode>(name), false, scope);
  if (name == TStringTable::ThisId || name == TStringTable::SuperId || name == TStringTable::ArgumentsId) {
    scope->UseSpecial(name == TStringTable::ThisId    ? TSpecial::This
                      : name == TStringTable::SuperId ? TSpecial::Super
                                                      : TSpecial::Arguments);
    lvalue->Resolved = true;
  }
  TIdentInfo* entry = scope->Lookup(name, TLookupMode::Own);
  if (!entry) {
    entry = scope->Lookup(name, TLookupMode::OutwardAndSuperclasses);
    // An outer function's local used from an inner function cannot live in a register.
    if (entry && entry->Kind == TScopeKind::Function) entry->Register = kRegisterNever;
  }
  lvalue->Entry = entry;
  if (TClassInfo* cls = entry ? entry->AsClass() : nullptr) {
    cls->ClassFlags |= kClassReferenced;
    if (cls->Name != name) {
      const std::vector<TStrId> parts = SplitName(cls->Name);
      if (parts.size() > 1) lvalue->SetBase(NameChain(parts, parts.size() - 1));
    }
  }
  return Checked(lvalue);
}

TLvalueNode* TParserContext::PathLvalue(TStrId path) {
  TLvalueNode* lvalue = New<TLvalueNode>(nullptr, nullptr, false, Scope());
  const std::string text = Strings().Text(path);
  const size_t colon = text.rfind(':');
  lvalue->Path = path;
  lvalue->PathTarget = Strings().Intern(std::string_view(text).substr(0, colon));
  lvalue->PropertyIndex = ClipPropertyIndex(text.substr(colon + 1));
  return lvalue;
}

TLvalueNode* TParserContext::MemberLvalue(TParseTreeNode* base, TStrId name) {
  // `util.Config.NAME`: a class named by its full name is loaded like one that is imported.
  // Only chains that begin with a package's first name are looked up.
  const TParseTreeNode* root = base;
  while (root->Kind == TNodeKind::Lvalue && static_cast<const TLvalueNode*>(root)->Base)
    root = static_cast<const TLvalueNode*>(root)->Base;
  if (root->Kind == TNodeKind::Lvalue && IsPackageRoot(static_cast<const TLvalueNode*>(root)->Name()))
    if (TClassInfo* cls = ChainClass(base, name)) cls->ClassFlags |= kClassReferenced;
  return New<TLvalueNode>(base, New<TStrNode>(name), false, Scope());
}

bool TParserContext::IsPackageRoot(TStrId name) {
  if (name < 0) return false;
  if (!package_roots_) {
    package_roots_.emplace();
    for (const auto& item : context_.ClassTable.Items()) {
      const std::string& text = Strings().Text(item->Name);
      const size_t dot = text.find('.');
      if (dot != std::string::npos) package_roots_->insert(text.substr(0, dot));
    }
  }
  return package_roots_->count(Strings().Text(name)) != 0;
}

TLvalueNode* TParserContext::ComputedLvalue(TParseTreeNode* base, TParseTreeNode* member) {
  return New<TLvalueNode>(base, member, true, Scope());
}

// For `a.b.C(...)`: the class a.b.C when the base is a chain of plain names.
TClassInfo* TParserContext::ChainClass(TParseTreeNode* base, TStrId name) {
  std::vector<TStrId> reversed{name};
  for (TParseTreeNode* node = base; node;) {
    if (node->Kind != TNodeKind::Lvalue) return nullptr;
    auto* lvalue = static_cast<TLvalueNode*>(node);
    if (lvalue->Name() < 0 || lvalue->Path >= 0) return nullptr;
    reversed.push_back(lvalue->Name());
    node = lvalue->Base;
  }
  std::string dotted;
  for (auto it = reversed.rbegin(); it != reversed.rend(); ++it) {
    if (!dotted.empty()) dotted += '.';
    dotted += Strings().Text(*it);
  }
  return Scope()->FindClass(Strings().Intern(dotted));
}

TFuncCallNode* TParserContext::Call(TParseTreeNode* base, TStrId name, TExprListNode* arguments) {
  TIdentTable* scope = Scope();
  TFuncCallNode* call = New<TFuncCallNode>(base, name, arguments, scope);
  if (name == TStringTable::SuperId) {
    scope->UseSpecial(TSpecial::Super);
    scope->SuperCallMissing = false;
  }
  call->Entry = scope->Lookup(name, TLookupMode::OutwardAndSuperclasses);
  if (!base) {
    if (TClassInfo* cls = call->Entry ? call->Entry->AsClass() : nullptr) {
      cls->ClassFlags |= kClassReferenced;
      const std::vector<TStrId> parts = SplitName(cls->Name);
      if (parts.size() > 1) call->SetBase(NameChain(parts, parts.size() - 1));
    }
  } else if (TClassInfo* cls = ChainClass(base, name)) {
    call->ClassRef = cls;
    cls->ClassFlags |= kClassReferenced;
  }
  return Checked(call);
}

namespace {

// A name, `o.name` or `o[e]` that a value can be stored in (a slash path too).
bool IsAssignable(const TParseTreeNode* node) { return node->Kind == TNodeKind::Lvalue; }

}  // namespace

TParseTreeNode* TParserContext::Single(TParseTreeNode* expression) {
  while (expression->Kind == TNodeKind::ExprList && expression->Has(kNodeCommaExpr) &&
         static_cast<TExprListNode*>(expression)->Items.Count() == 1)
    expression = static_cast<TExprListNode*>(expression)->Items[0];
  return expression;
}

TFuncCallNode* TParserContext::CallOf(TParseTreeNode* callee, TExprListNode* arguments) {
  // `(o.m)(x)` calls the method as `o.m(x)` does.
  callee = Single(callee);
  if (callee->Kind == TNodeKind::Lvalue) {
    auto* lvalue = static_cast<TLvalueNode*>(callee);
    if (lvalue->Path < 0 && lvalue->Name() >= 0) return Call(lvalue->Base, lvalue->Name(), arguments);
    if (lvalue->Path < 0 && lvalue->Base) {  // o[e](x)
      TFuncCallNode* call = New<TFuncCallNode>(lvalue->Base, -1, arguments, Scope());
      call->SetNameExpr(lvalue->Member);
      return Checked(call);
    }
  }
  TFuncCallNode* call = New<TFuncCallNode>(nullptr, -1, arguments, Scope());
  call->SetCallee(callee);
  return Checked(call);
}

TFuncCallNode* TParserContext::NewCall(TParseTreeNode* callee, TExprListNode* arguments) {
  TFuncCallNode* call = CallOf(callee, arguments);
  call->Flags |= kNodeConstructorCall;
  if (call->Base && call->Name >= 0)
    if (TClassInfo* cls = ChainClass(call->Base, call->Name)) cls->ClassFlags |= kClassReferenced;
  return call;
}

TAssignNode* TParserContext::Assign(const TTokenPlace& pos, TParseTreeNode* target, int op, TParseTreeNode* value) {
  if (!IsAssignable(target)) {
    SyntaxError(pos, "syntax error: cannot assign to this expression");
    return nullptr;
  }
  return New<TAssignNode>(static_cast<TLvalueNode*>(target), op, value, Scope());
}

TAssignNode* TParserContext::Update(const TTokenPlace& pos, TParseTreeNode* target, int op, bool postfix) {
  if (!IsAssignable(target)) {
    SyntaxError(pos, Format("syntax error: '%s' needs a variable or a member", op == kTokInc ? "++" : "--"));
    return nullptr;
  }
  TAssignNode* assign = New<TAssignNode>(static_cast<TLvalueNode*>(target), op, nullptr, Scope());
  if (postfix) assign->Flags |= kNodePostfix;
  return assign;
}

TExprListNode* TParserContext::ExprList(TParseTreeNode* first, uint16_t flags) {
  TExprListNode* list = New<TExprListNode>();
  list->Flags |= flags;
  return Append(list, first);
}

TExprListNode* TParserContext::MarkList(TExprListNode* list, uint16_t flag) {
  list->Flags |= flag;
  return list;
}

TExprListNode* TParserContext::AppendProperty(TExprListNode* list, TPairNode* property) {
  Append(list, property->First);
  return Append(list, property->Second);
}

TVarDeclNode* TParserContext::VarDecl(TStrId name, TStrId type, TParseTreeNode* initialiser) {
  TIdentInfo* entry = Scope()->Declare(name, type);
  entry->Flags |= kIdentDeclared;
  // A variable holding a function literal stays out of the registers: the function may be
  // called by name from functions nested in it.
  if (initialiser && initialiser->Kind == TNodeKind::FuncDef) entry->Register = kRegisterNever;
  return New<TVarDeclNode>(initialiser, entry);
}

TArgDeclNode* TParserContext::Param(TStrId name, TStrId type) {
  TIdentInfo* entry = nullptr;
  if (Scope()->Kind == TScopeKind::Function) {  // not in an interface's method signature
    entry = Scope()->Declare(name, type);
    entry->Flags |= kIdentDeclared;
  }
  return New<TArgDeclNode>(name, type, entry);
}

void TParserContext::OpenFunctionScope(TStrId declared_name) {
  if (declared_name >= 0) Scope()->Declare(declared_name, -1);
  OpenScope(TScopeKind::Function);
}

TFuncDefNode* TParserContext::FunctionDecl(TStrId name, TArgDeclListNode* params, TStrId type, TParseTreeNode* body,
                                          uint16_t accessor) {
  TIdentTable* scope = Scope();
  TFuncDefNode* function = New<TFuncDefNode>(name, params, type, body, scope);
  function->Flags |= accessor;
  CloseScope();
  function->Entry = Scope()->Lookup(name, TLookupMode::Own);
  if (function->Entry) {
    function->Entry->TypeName = type;
    function->Entry->Flags |= kIdentNamedFunction;
    if (accessor) function->Entry->Flags |= kIdentDeclared;
    // The player defines a nested function as a local of that name: never a register.
    if (Scope()->Kind == TScopeKind::Function) function->Entry->Register = kRegisterNever;
  }
  return function;
}

TFuncDefNode* TParserContext::FunctionExpr(TArgDeclListNode* params, TStrId type, TParseTreeNode* body) {
  TIdentTable* scope = Scope();
  TFuncDefNode* function = New<TFuncDefNode>(TStringTable::EmptyId, params, type, body, scope);
  CloseScope();
  return function;
}

TForInStmtNode* TParserContext::ForIn(TStrId variable, TParseTreeNode* object) {
  TIdentInfo* entry = Scope()->Declare(variable, -1);
  entry->Flags |= kIdentDeclared;
  return New<TForInStmtNode>(variable, entry, object);
}

TVarDeclListNode* TParserContext::MemberVars(int modifiers, TVarDeclListNode* vars) {
  for (TParseTreeNode* item : vars->Items) static_cast<TVarDeclNode*>(item)->Entry->Flags |= modifiers;
  if (modifiers & kIdentStatic) vars->IsStatic = true;
  return vars;
}

TFuncDefNode* TParserContext::MemberFunction(int modifiers, TFuncDefNode* function) {
  if (function->Entry) function->Entry->Flags |= modifiers;
  return function;
}

void TParserContext::AddMember(TClassBodyNode* body, TParseTreeNode* member) {
  if (member->Kind == TNodeKind::VarDeclList) body->AddField(static_cast<TVarDeclListNode*>(member));
  else body->AddMethod(static_cast<TFuncDefNode*>(member));
  Checked(body);
}

TPairNode* TParserContext::Event(TStrId name, TParseTreeNode* argument) {
  return New<TPairNode>(New<TStrNode>(name), argument);
}

void TParserContext::ValidateEvents(TEventListNode* events) {
  for (TParseTreeNode* item : events->Items) {
    auto* pair = static_cast<TPairNode*>(item);
    const std::string& name = Strings().Text(static_cast<TStrNode*>(pair->First)->Id);
    if (events->Kind == TEventKind::Button) {
      const int index = ButtonEventIndex(name);
      if (index < 0)
        throw EActionCompileError(Format("Unknown button event: %s in line %d", name.c_str(), events->Pos.Line));
      events->ButtonEvents |= 1u << index;
    } else {
      const int index = ClipEventIndex(name);
      if (index < 0)
        throw EActionCompileError(Format("Unknown clip event: %s in line %d", name.c_str(), events->Pos.Line));
      events->ClipEvents |= 1u << index;
    }
    if (pair->Second) {  // a key argument: the handler is a key handler; later events are ignored
      events->Kind = TEventKind::KeyPress;
      events->KeyName = Strings().Text(static_cast<TStrNode*>(pair->Second)->Id);
      break;
    }
  }
}

TProgramNode* TParserContext::EventHandler(TEventKind kind, const TTokenPlace& pos, TEventListNode* events,
                                          TProgramNode* body) {
  events->Kind = kind;
  events->Pos = PosOf(pos);
  body->EventList = events;
  ValidateEvents(events);
  CloseScope();
  return body;
}

TProgramNode* TParserContext::KeyPressHandler(const TTokenPlace& pos, TStrId key, TProgramNode* body) {
  TEventListNode* events = New<TEventListNode>();
  Append(events, Event(Strings().Intern("keyPress"), New<TStrNode>(key)));
  return EventHandler(TEventKind::KeyPress, pos, events, body);
}

TProgramNode* TParserContext::Program(TParseTreeNode* first) {
  return Append(New<TProgramNode>(Scope()), first);
}

TClassInfo* TParserContext::ResolveClass(TCompoundName* name, const char* message) {
  TClassInfo* cls = Scope()->FindClass(name->Dotted(Strings()));
  if (!cls) throw EActionCompileError(Format(message, name->Text(Strings()).c_str()));
  // An imported short name stands for the full name.
  if (name->Text(Strings()).size() < Strings().Text(cls->Name).size()) name->Replace(SplitName(cls->Name));
  cls->ClassFlags |= kClassReferenced;
  return cls;
}

TCompoundName* TParserContext::ResolveInterface(TCompoundName* name) {
  ResolveClass(name, "Interface %s not found.");
  return name;
}

void TParserContext::OpenClassScope(TCompoundName* name, TCompoundName* super) {
  TClassInfo* super_info = super ? ResolveClass(super, "Superclass %s not found.") : nullptr;
  TClassInfo* info = Scope()->DeclareClass(name->Dotted(Strings()));
  OpenScope(TScopeKind::Class);
  TIdentTable* scope = Scope();
  info->Members = scope;
  scope->SetClassName(name);
  if (super_info) {
    scope->Base = super_info->Members;
    info->SuperClass = super_info;
    if (HasCyclicSuperClass(info)) {
      info->SuperClass = nullptr;
      scope->Base = nullptr;
      throw EActionCompileError(Format("Class %s extends itself.", name->Text(Strings()).c_str()));
    }
  }
  open_classes_.push_back(info);
}

TClassImplNode* TParserContext::ClassDecl(TCompoundName* name, TCompoundName* super, TClassImplListNode* interfaces,
                                         TClassBodyNode* body) {
  TClassInfo* info = open_classes_.back();
  open_classes_.pop_back();
  TClassImplNode* node = New<TClassImplNode>(name, super, Scope(), info, body, interfaces);
  // The method named like the class is its constructor.
  const TStrId last = name->Last();
  for (int i = 0; i < body->Methods.Count(); ++i) {
    if (body->Methods[i]->Name == last) {
      node->Constructor = body->Methods[i];
      body->Methods.Delete(i);
      break;
    }
  }
  if (!node->Constructor) {
    OpenScope(TScopeKind::Function);
    TIdentTable* scope = Scope();
    CloseScope();
    node->Constructor = New<TFuncDefNode>(last, New<TArgDeclListNode>(), TStringTable::EmptyId, nullptr, scope);
    node->Constructor->Flags |= kNodeClassMember;
  }
  CloseScope();
  return node;
}

TClassImplNode* TParserContext::ClassDecl(TCompoundName* name, TCompoundName* super, TClassImplListNode* interfaces,
                                         TClassBodyNode* body, const TTokenPlace& word_pos, TStrId word) {
  const std::string& text = Strings().Text(word);
  const bool intrinsic = text == "intrinsic";
  TClassInfo* info = open_classes_.back();
  TClassImplNode* node = ClassDecl(name, super, interfaces, body);
  if (!intrinsic && text != "dynamic") {
    SyntaxError(word_pos, "syntax error: unexpected name '" + text + "' before 'class'");
    return nullptr;
  }
  // An intrinsic class only declares what the player has: no code is made for it.
  if (intrinsic) {
    info->ClassFlags |= kClassIntrinsic;
    node->Intrinsic = true;
  }
  return node;
}

TClassIntfNode* TParserContext::InterfaceDecl(TCompoundName* name, TCompoundName* super) {
  TClassInfo* info = open_classes_.back();
  open_classes_.pop_back();
  TClassIntfNode* node = New<TClassIntfNode>(name, super, Scope(), info);
  CloseScope();
  return node;
}

TImportNode* TParserContext::Import(TCompoundName* name) {
  TClassInfo* cls = Scope()->FindClass(name->Dotted(Strings()));
  if (!cls) throw EActionCompileError(Format("Class %s not found.", name->Text(Strings()).c_str()));
  Scope()->AddAlias(name->Last(), cls);
  return New<TImportNode>(name);
}

TImportNode* TParserContext::ImportAll(TCompoundName* package) {
  std::vector<std::string> prefix;
  for (TStrId part : package->Parts) prefix.push_back(Strings().Text(part));
  std::vector<TClassInfo*> matches;
  for (const auto& item : context_.ClassTable.Items()) {
    auto* cls = dynamic_cast<TClassInfo*>(item.get());
    if (!cls) continue;
    const std::vector<std::string> parts = Split(Strings().Text(cls->Name), '.');
    if (parts.size() != prefix.size() + 1) continue;
    bool same = true;
    for (size_t i = 0; i < prefix.size() && same; ++i) same = IEquals(parts[i], prefix[i]);
    if (same) matches.push_back(cls);
  }
  for (TClassInfo* cls : matches) Scope()->AddAlias(Strings().Intern(Split(Strings().Text(cls->Name), '.').back()), cls);
  TImportNode* node = New<TImportNode>(package);
  node->Wildcard = true;
  return node;
}

}  // namespace fc
