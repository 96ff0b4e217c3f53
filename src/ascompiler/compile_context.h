#pragma once
// The compiler's entry object. It keeps what outlives one compilation (string table, class
// table, include paths, options) and parses sources into compile units.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "ascompiler/arena.h"
#include "ascompiler/compile_unit.h"
#include "ascompiler/ident_table.h"
#include "ascompiler/lexer.h"
#include "ascompiler/string_table.h"

namespace fc {

class TCodeGenerator;
class TEventListNode;
class TSWFActionList;
class TSWFDefineButton2;
class TSWFPlaceObject2;

enum TCompileOptions : int {
  kOptionRegisters = 1,        // keep locals in registers
  kOptionDefineFunction2 = 2,  // DefineFunction2 instead of DefineFunction
  kOptionSwf4 = 4,             // Flash 4 compatible code (slash paths)
};

// The oldest and newest versions compiled for. Versions past 10 are those later authoring
// tools stamp on movies that still run ActionScript 1 and 2 (the header keeps a byte).
inline constexpr int kMinSwfVersion = 4;
inline constexpr int kMaxSwfVersion = 255;

// Limits that keep hostile or generated input from exhausting the C++ stack.
inline constexpr int kMaxNestingDepth = 500;

class TCompileContext {
public:
  TCompileContext();
  TCompileContext(const TCompileContext&) = delete;
  TCompileContext& operator=(const TCompileContext&) = delete;

  // Declares the classes found below `directory` (see TClassTable::ScanClassPath).
  void SetClassPath(const std::string& directory);
  // The folder must exist, else EActionCompileError "Include path "%s" not found.".
  void AddIncludePath(const std::string& directory);
  // Finds an #include file in the include paths; "\" in the name counts as "/".
  TIncludeFile OpenInclude(const std::string& name) const;
  // Replaces the file-system search of #include files (tests and the fuzz target read
  // includes from memory). An empty opener restores the search.
  void SetIncludeOpener(TIncludeOpener opener) { include_opener_ = std::move(opener); }

  // The #include stack belongs to the lexer of each parse, so a failed parse leaves no
  // stale entries for the next one.
  // Parses a source into a new unit, which is the current unit meanwhile. Throws
  // EActionCompileError with the parse error and its position, or the error of an action.
  // `identity` names the source file (its canonical path), if any.
  std::unique_ptr<TCompileUnit> ParseUnit(std::string text, const std::string& identity = {});

  // Call before freeing a unit that stays out of the class table: class entries forget the
  // scopes and classes the unit owned (a script may declare a class a class file extends).
  void ForgetUnit(const TCompileUnit& unit);

  // Compiles a frame script into `script`: parses it, loads and compiles the classes it uses
  // (each into the list OnClassScript gives), generates the actions, puts the constant pool
  // in front and runs the post-pass. Throws EActionCompileError; `script` then keeps what
  // was generated so far.
  void CompileFrameScript(std::string text, TSWFActionList& script);
  // Compiles the on (...) handlers of a button script: each handler becomes a condition
  // action of `button` for its events (or its key). Anything but handlers at the top level
  // is an error, and so is an onClipEvent handler.
  void CompileButton(std::string text, TSWFDefineButton2& button);
  // Compiles the onClipEvent (...) and on (keyPress "...") handlers of a placed clip: each
  // becomes a clip action record of `placement`.
  void CompileClipEvents(std::string text, TSWFPlaceObject2& placement);
  // Where a class's set-up code goes: the init actions of a new sprite of the movie. Asked
  // once per class and movie, in dependency order (a superclass and the interfaces before
  // the class), once the class's code is complete.
  std::function<TSWFActionList&(TClassInfo& cls)> OnClassScript;

  // Scopes of the unit being parsed; the class table is the parent of the outermost one.
  TIdentTable* CurrentScope() const { return ScopeStack.empty() ? nullptr : ScopeStack.back(); }
  TIdentTable* OpenScope(TScopeKind kind);
  void CloseScope();

  // Where the arenas of units and actions keep their large blocks for the next ones. A caller
  // that compiles movie after movie can give each movie's context the same cache.
  std::shared_ptr<TArenaBlockCache> BlockCache = std::make_shared<TArenaBlockCache>();
  TStringTable StringTable;
  TClassTable ClassTable{StringTable};
  TCompileUnit* CurrentUnit = nullptr;
  std::vector<TIdentTable*> ScopeStack;
  std::vector<std::string> IncludePaths;  // each with a trailing "/", in the order given
  int Options = kOptionRegisters | kOptionDefineFunction2;
  int SwfVersion = 8;  // of the movie being built: picks the FP7/FP8/FP9 class folders
  // Sets the movie's version and the options its player takes: DefineFunction2 with
  // registers from version 7, DefineFunction below, the SWF 4 code at version 4.
  void SetSwfVersion(int version);
  // Whether the code is for a version-4 player (slash paths, string pushes, no objects).
  bool Swf4Code() const;
  int LabelCounter = 1;

private:
  // Parses a script into `unit` (which the caller frees), then loads and compiles the classes
  // it refers to; the unit is current afterwards.
  void ParseWithClasses(std::string text, std::unique_ptr<TCompileUnit>& unit);
  void CompileClasses();
  // Compiles the handlers of a button or placement script; `check` refuses a handler that
  // does not fit (as soon as it is met), `target` gives the list of one that compiled.
  using THandlerCheck = std::function<void(const TEventListNode&)>;
  using THandlerTarget = std::function<TSWFActionList&(const TEventListNode&)>;
  void CompileHandlers(std::string text, const THandlerCheck& check, const THandlerTarget& target);
  // The post-pass, skip counts and field-size checks of a finished list.
  void Finish(TCodeGenerator& generator, TSWFActionList& list);

  TIncludeOpener include_opener_;
};

}  // namespace fc
