#pragma once
// Identifier tables: the scopes of a compilation. A table holds the names declared in one
// function, class or program; lookups walk outward through Parent and up the superclass
// chain through Base. The class table at the root knows every class on the class path.

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "ascompiler/string_table.h"

namespace fc {

class TCompoundName;
class TIdentTable;
struct TCompileUnit;

enum class TScopeKind : uint8_t { Function = 0, Class = 1, Program = 2 };

// TIdentInfo::Flags
enum TIdentFlags : uint8_t {
  kIdentDeclared = 1,  // variable, parameter or accessor
  kIdentNamedFunction = 2,
  kIdentStatic = 4,
  kIdentPublic = 8,
  kIdentPrivate = 16,
};

// TClassInfo::ClassFlags
enum TClassFlags : uint8_t {
  kClassReferenced = 1,  // the code being compiled uses it
  kClassCompiled = 2,
  kClassIntrinsic = 4,  // built into the player: never compiled
};

// Register values besides 1..254.
inline constexpr int kRegisterUnassigned = 0;
inline constexpr int kRegisterNever = -1;  // used from a nested function: must stay a named variable
inline constexpr int kMaxRegister = 254;
// An assignment whose value is used keeps that value here ("_tmp_") while the setter runs.
inline constexpr int kTempRegister = 0;

class TBaseIdentTable;
class TClassInfo;
class TAliasInfo;

// Where Lookup searches when the table's own entries do not have the name.
enum class TLookupMode : uint8_t {
  Own = 0,                     // nowhere else
  Outward = 1,                 // the enclosing tables, through Parent
  Superclasses = 2,            // the superclasses' member tables, through Base
  OutwardAndSuperclasses = 3,  // both: at each enclosing table, its superclasses first
};

class TIdentInfo {
public:
  TIdentInfo(TStrId name, TStrId type_name, TBaseIdentTable* owner);
  virtual ~TIdentInfo() = default;
  // Type tests for the lookups done on every name (cheaper than dynamic_cast).
  virtual TClassInfo* AsClass() { return nullptr; }
  virtual TAliasInfo* AsAlias() { return nullptr; }

  TStrId Name;
  TStrId TypeName;  // -1 when none was declared
  TScopeKind Kind;   // kind of the owning table
  int Register = kRegisterUnassigned;
  uint8_t Flags = 0;
  TBaseIdentTable* Owner;
};

class TClassInfo : public TIdentInfo {
public:
  using TIdentInfo::TIdentInfo;
  ~TClassInfo() override;
  TClassInfo* AsClass() override { return this; }

  TIdentTable* Members = nullptr;  // the class's member scope, once its source is parsed
  std::string FileName;            // full path of the class source file
  uint8_t ClassFlags = 0;
  std::unique_ptr<TCompileUnit> Unit;  // the parsed class file
  TClassInfo* SuperClass = nullptr;    // set when the declaration with `extends` is parsed
};

class TAliasInfo : public TIdentInfo {
public:
  TAliasInfo(TStrId name, TClassInfo* target, TBaseIdentTable* owner)
      : TIdentInfo(name, -1, owner), Target(target) {}
  TAliasInfo* AsAlias() override { return this; }
  TClassInfo* Target;
};

class TBaseIdentTable {
public:
  TBaseIdentTable(TScopeKind kind, TBaseIdentTable* parent, const TStringTable& strings);
  virtual ~TBaseIdentTable() = default;
  TBaseIdentTable(const TBaseIdentTable&) = delete;
  TBaseIdentTable& operator=(const TBaseIdentTable&) = delete;

  // Appends an entry; an earlier entry of the same name stays.
  TIdentInfo* Declare(TStrId name, TStrId type_name);
  TIdentInfo* Lookup(TStrId name, TLookupMode mode) const;
  TClassInfo* FindClass(TStrId name) const;
  TClassInfo* DeclareClass(TStrId name);
  TAliasInfo* AddAlias(TStrId short_name, TClassInfo* target);

  const std::vector<std::unique_ptr<TIdentInfo>>& Items() const { return items_; }
  const TStringTable& Strings() const { return strings_; }

  TScopeKind Kind;
  TBaseIdentTable* Parent;
  TBaseIdentTable* Base = nullptr;  // class scopes: the superclass's member table

protected:
  // The key under which names compare equal in this table.
  virtual int64_t NameKey(TStrId name) const { return name; }
  TIdentInfo* Append(std::unique_ptr<TIdentInfo> info);

private:
  TIdentInfo* FindOwn(TStrId name) const;
  TClassInfo* FindOwnClass(TStrId name) const;

  const TStringTable& strings_;
  std::vector<std::unique_ptr<TIdentInfo>> items_;
  // Entries of one name: most names are declared once, so the older ones (oldest first) need
  // an allocation only when a name comes again.
  struct TSameName {
    int64_t Key;
    TIdentInfo* Newest;
    std::vector<TIdentInfo*> Older;
  };
  const TSameName* FindName(int64_t key) const;

  // Function scopes hold a handful of names: they are searched in a line; a table that grows
  // past kLinearNames gets an index.
  static constexpr size_t kLinearNames = 8;
  std::vector<TSameName> names_;
  std::unordered_map<int64_t, size_t> name_index_;  // key -> position in names_
  bool has_aliases_ = false;  // lookups need no alias check in tables without imports
};

enum class TSpecial { This, Super, Arguments };
enum TUsedSpecials : uint8_t { kUsedThis = 1, kUsedSuper = 2, kUsedArguments = 4 };

class TIdentTable : public TBaseIdentTable {
public:
  using TBaseIdentTable::TBaseIdentTable;

  void SetClassName(TCompoundName* name);  // class scopes only
  TCompoundName* ClassName() const { return class_name_; }

  // Declares `this`, `super` or `arguments` the first time it is used.
  TIdentInfo* UseSpecial(TSpecial which);
  TIdentInfo* SpecialEntry(TSpecial which) const { return specials_[static_cast<int>(which)]; }

  // Hands out registers for a function compiled with DefineFunction2: this, arguments and
  // super first, then (with allocate_locals) every other entry in declaration order.
  void AllocateRegisters(bool allocate_locals);

  int TempRegister = kTempRegister;  // the hidden "_tmp_" value of assignments
  uint8_t UsedSpecials = 0;
  int NextRegister = 1;
  bool SuperCallMissing = true;

private:
  TCompoundName* class_name_ = nullptr;
  TIdentInfo* specials_[3] = {nullptr, nullptr, nullptr};
};

// The root scope: classes found on the class path. Names compare ignoring case.
class TClassTable : public TBaseIdentTable {
public:
  explicit TClassTable(const TStringTable& strings) : TBaseIdentTable(TScopeKind::Program, nullptr, strings) {}

  // Declares every "*.as" file below `directory` as a class named by its package path.
  // Folders FP7, FP8 and FP9 hold version-specific classes. Directories that hold classes
  // are appended (once) to `class_dirs`. Symbolic links that lead back into the tree are
  // not followed again.
  void ScanClassPath(const std::string& directory, const std::string& package_prefix, int swf_version,
                     TStringTable& strings, std::vector<std::string>& class_dirs);

protected:
  int64_t NameKey(TStrId name) const override;

private:
  mutable std::unordered_map<std::string, int64_t> upper_keys_;  // upper-cased name -> key
  mutable std::unordered_map<TStrId, int64_t> id_keys_;          // cache of the above per id
};

// True for the classes built into the player (matched ignoring case).
bool IsIntrinsicClass(std::string_view name);
// True for the intrinsic classes whose call converts (Boolean(x), Array(1, 2)): such a call is
// the player's function, never a cast.
bool IsConversionFunction(std::string_view name);
// Declares every intrinsic class in `table`, flagged intrinsic: known to imports, `new` and
// types, never loaded or compiled.
void DeclareIntrinsicClasses(TClassTable& table, TStringTable& strings);

// Walks the superclass links from `info`; true when they lead back to it.
bool HasCyclicSuperClass(const TClassInfo* info);

}  // namespace fc
