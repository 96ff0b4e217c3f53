#include "ascompiler/compile_context.h"

#include <algorithm>
#include <filesystem>
#include <unordered_set>

#include "ascompiler/errors.h"
#include "ascompiler/parser_context.h"
#include "core/error.h"
#include "core/file_io.h"
#include "core/text.h"
#include "swf/actions.h"

namespace fc {
namespace {

namespace fs = std::filesystem;

std::string WithSlash(std::string directory) {
  std::replace(directory.begin(), directory.end(), '\\', '/');
  if (directory.empty() || directory.back() != '/') directory += '/';
  return directory;
}

TIncludeFile ReadInclude(const fs::path& path) {
  std::error_code ec;
  const fs::path canonical = fs::weakly_canonical(path, ec);
  return {ReadFileText(path), (ec ? path : canonical).string()};
}

}  // namespace

TCompileContext::TCompileContext() { DeclareIntrinsicClasses(ClassTable, StringTable); }

void TCompileContext::SetClassPath(const std::string& directory) {
  ClassTable.ScanClassPath(directory, "", SwfVersion, StringTable, IncludePaths);
}

void TCompileContext::AddIncludePath(const std::string& directory) {
  std::error_code ec;
  if (!fs::is_directory(directory, ec))
    throw EActionCompileError(Format("Include path \"%s\" not found.", directory.c_str()));
  const std::string path = WithSlash(directory);
  if (std::find(IncludePaths.begin(), IncludePaths.end(), path) == IncludePaths.end()) IncludePaths.push_back(path);
}

TIncludeFile TCompileContext::OpenInclude(const std::string& name) const {
  std::string relative = name;
  std::replace(relative.begin(), relative.end(), '\\', '/');
  std::error_code ec;
  if (!relative.empty() && relative[0] == '/') {
    if (fs::is_regular_file(relative, ec)) return ReadInclude(relative);
  } else {
    // The script's own folder is not searched: only the include paths, in order.
    for (const std::string& directory : IncludePaths) {
      const fs::path candidate = fs::path(directory) / relative;
      if (fs::is_regular_file(candidate, ec)) return ReadInclude(candidate);
    }
  }
  throw EActionCompileError(Format("Include file \"%s\" not found.", name.c_str()));
}

void TCompileContext::SetSwfVersion(int version) {
  SwfVersion = version;
  if (version >= TSWFActionDefineFunction2().MinVersion()) Options = kOptionRegisters | kOptionDefineFunction2;
  else if (version >= TSWFActionDefineFunction().MinVersion()) Options = 0;
  else Options = kOptionSwf4;
}

bool TCompileContext::Swf4Code() const {
  // Functions came with objects, typed pushes and registers.
  return (Options & kOptionSwf4) != 0 || SwfVersion < TSWFActionDefineFunction().MinVersion();
}

TIdentTable* TCompileContext::OpenScope(TScopeKind kind) {
  TBaseIdentTable* parent = ScopeStack.empty() ? static_cast<TBaseIdentTable*>(&ClassTable) : ScopeStack.back();
  ScopeStack.push_back(CurrentUnit->MakeScope(kind, parent, StringTable));
  return ScopeStack.back();
}

void TCompileContext::CloseScope() {
  if (ScopeStack.empty()) throw EActionCompileError("Internal error: no scope to close.");
  ScopeStack.pop_back();
}

std::unique_ptr<TCompileUnit> TCompileContext::ParseUnit(std::string text, const std::string& identity) {
  auto unit = std::make_unique<TCompileUnit>(BlockCache);

  // A class file is parsed while a script's unit is current: restore it afterwards, also
  // when the parse fails.
  struct TRestore {
    TCompileContext& Context;
    TCompileUnit* Unit;
    std::vector<TIdentTable*> Scopes;
    ~TRestore() {
      Context.CurrentUnit = Unit;
      Context.ScopeStack = std::move(Scopes);
    }
  } restore{*this, CurrentUnit, std::move(ScopeStack)};
  ScopeStack.clear();
  CurrentUnit = unit.get();

  TLexer lexer(StringTable,
               [this](const std::string& name) { return include_opener_ ? include_opener_(name) : OpenInclude(name); },
               Swf4Code());
  lexer.Reset(std::move(text), identity);
  TParserContext parser(*this, *unit, lexer, identity);
  int status = 1;
  try {
    status = ParseTokens(parser);
  } catch (const EActionCompileError& e) {
    ForgetUnit(*unit);
    // An action's own error (an unknown class, a bad event name) ends the parse at once; the
    // syntax errors found before it come first.
    if (parser.ErrorCount() == 0 && !e.Diagnostics().empty()) throw;
    parser.ActionError(e.what());
    throw EActionCompileError(parser.ErrorCount() > 1 ? parser.FirstErrorMessage() : std::string(e.what()),
                              parser.Diagnostics());
  } catch (...) {
    ForgetUnit(*unit);
    throw;
  }
  if (status == 0 && parser.ErrorCount() == 0) return unit;
  ForgetUnit(*unit);
  if (parser.ErrorCount() > 0) throw EActionCompileError(parser.FirstErrorMessage(), parser.Diagnostics());
  if (lexer.FileName().empty())
    throw EActionCompileError(Format("Parse Error in line: %d pos: %d", lexer.Line(), lexer.Column() + 1));
  throw EActionCompileError(Format("Parse Error in file: \"%s\" line: %d pos: %d", lexer.FileName().c_str(),
                                   lexer.Line(), lexer.Column() + 1));
}

void TCompileContext::ForgetUnit(const TCompileUnit& unit) {
  std::unordered_set<const TBaseIdentTable*> scopes;
  for (const auto& scope : unit.Scopes) scopes.insert(scope.get());
  for (const auto& item : ClassTable.Items()) {
    auto* cls = dynamic_cast<TClassInfo*>(item.get());
    if (!cls) continue;
    if (scopes.count(cls->Members)) cls->Members = nullptr;
    if (cls->Members && scopes.count(cls->Members->Base)) cls->Members->Base = nullptr;
    if (cls->SuperClass && scopes.count(cls->SuperClass->Owner)) cls->SuperClass = nullptr;
  }
}

}  // namespace fc
