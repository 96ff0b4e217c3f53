// The compile driver: a frame script and the classes it uses, from text to action lists.

#include <algorithm>

#include "ascompiler/code_generator.h"
#include "ascompiler/compile_context.h"
#include "ascompiler/errors.h"
#include "core/error.h"
#include "core/file_io.h"
#include "core/text.h"
#include "swf/bits_engine.h"
#include "swf/buttons_sprites.h"
#include "swf/placements.h"

namespace fc {
namespace {

bool IsFunctionDefinition(const TSWFAction* a) {
  return a->ActionCode == TSWFActionCode::DefineFunction || a->ActionCode == TSWFActionCode::DefineFunction2;
}

const std::string& FunctionName(const TSWFAction* a) {
  if (a->ActionCode == TSWFActionCode::DefineFunction) return static_cast<const TSWFActionDefineFunction*>(a)->Name;
  return static_cast<const TSWFActionDefineFunction2*>(a)->Name;
}

// The index just past the end marker of the function defined at `i`. The search runs forward
// from the definition, so walking a list function by function stays linear.
size_t FunctionEnd(const TSWFActionList& list, size_t i) {
  auto* branch = list[i]->Branch(0);
  if (!branch || !branch->Marker) return i + 1;
  for (size_t j = i + 1; j < list.Count(); ++j)
    if (list[j] == branch->Marker.get()) return j + 1;
  return i + 1;
}

// Asks the processor for the action some entries further on: the actions of a long list lie
// in more memory than the caches hold, and a walk that waits for each in turn is bound by
// memory latency.
void FetchAhead(const std::vector<TSWFActionList::TPtr>& items, size_t index) {
  constexpr size_t kDistance = 32;
  if (index + kDistance < items.size()) __builtin_prefetch(items[index + kDistance].get());
}

// Fails with a compile error when an offset, size or length does not fit its field; the error
// names the construct whose branch or size it is.
void CheckWritable(TSWFActionList& list, const TCodeGenerator& generator) {
  std::vector<uint8_t> bytes;
  // Compiled code averages under five bytes an action: one allocation, not a doubling
  // series of ever larger buffers.
  bytes.reserve(list.Count() * 5);
  TBitsEngine be(&bytes);
  try {
    WriteActionList(be, list);
  } catch (const EActionCompileError&) {
    throw;
  } catch (const ActionWriteError& e) {
    const std::string message = Format("The compiled code does not fit the SWF format: %s", e.what());
    const TSourcePos pos = e.Marker ? generator.MarkerPosition(e.Marker) : TSourcePos{};
    if (pos.Line <= 0) throw EActionCompileError(message);
    throw EActionCompileError(message, {{std::string(pos.FileName), pos.Line, pos.Column + 1,
                                         message + " (the code of this statement is too long)"}});
  } catch (const Error& e) {
    throw EActionCompileError(Format("The compiled code does not fit the SWF format: %s", e.what()));
  }
}

// The generator refuses what the movie's player lacks; an action it still let through would
// raise the movie's version behind the user's back.
void CheckVersion(const TSWFActionList& list, int version) {
  for (const auto& action : list.Items) {
    if (IsPseudoAction(action->ActionCode) || action->MinVersion() <= version) continue;
    throw EActionCompileError(Format("The compiled code needs SWF version %d (action %s); the movie is version %d.",
                                     action->MinVersion(), ActionName(action->ActionCode), version));
  }
}

// Frees the unit of a script at the end of its compilation, also after an error; the class
// table forgets what the unit owned.
struct TUnitGuard {
  TCompileContext& Context;
  std::unique_ptr<TCompileUnit> Unit;
  ~TUnitGuard() {
    if (Unit) Context.ForgetUnit(*Unit);
    Context.CurrentUnit = nullptr;
  }
};

// Moves the actions of `part` to the end of `list`.
void AppendActions(TSWFActionList& list, TSWFActionList&& part) {
  if (list.Items.empty()) list.Items.swap(part.Items);  // the usual case: no copy at all
  else list.Items.insert(list.Items.end(), std::make_move_iterator(part.Items.begin()), std::make_move_iterator(part.Items.end()));
  part.Items.clear();
}

}  // namespace

void PlaceConstantPool(TSWFActionList& list, const TConstantPool& pool, const TStringTable& strings) {
  if (pool.Empty()) return;
  auto action = std::make_shared<TSWFActionConstantPool>();
  for (TStrId id : pool.Ids) action->ConstantPool.push_back(strings.Text(id));
  list.Insert(0, std::move(action));
}

void RunPostPass(TSWFActionList& list) {
  if (list.Count() <= 1) return;
  std::vector<TSWFActionList::TPtr>& items = list.Items;
  // What the pop removal needs of each entry is noted while hoisting visits it, in the
  // entry's new place: the actions of a long list are visited once, not once per step.
  enum : uint8_t { kOther, kPop, kSinglePush };
  auto kind_of = [](const TSWFAction* a) -> uint8_t {
    if (a->ActionCode == TSWFActionCode::Pop) return kPop;
    if (a->ActionCode == TSWFActionCode::Push && static_cast<const TSWFActionPush*>(a)->Values.size() == 1)
      return kSinglePush;
    return kOther;
  };
  std::vector<uint8_t> kinds(items.size());

  // Hoisting, in source order, so that the last of two definitions of one name wins. The
  // rest closes up in place and the hoisted code goes in front of it: the list's own buffer
  // is reused, as the list of a long script is large.
  size_t front = 0;
  while (front < items.size() && items[front]->ActionCode == TSWFActionCode::ConstantPool) ++front;
  std::vector<TSWFActionList::TPtr> hoisted;
  std::vector<uint8_t> hoisted_kinds;
  size_t kept = front;
  for (size_t i = front; i < items.size();) {
    FetchAhead(items, i);
    if (IsFunctionDefinition(items[i].get())) {
      const size_t end = FunctionEnd(list, i);
      const bool named = !FunctionName(items[i].get()).empty();
      for (size_t j = i; j < end; ++j) {
        FetchAhead(items, j);
        const uint8_t kind = kind_of(items[j].get());
        if (named) {
          hoisted.push_back(std::move(items[j]));
          hoisted_kinds.push_back(kind);
        } else {
          kinds[kept] = kind;
          items[kept++] = std::move(items[j]);
        }
      }
      i = end;  // nested definitions stay inside their function
      continue;
    }
    kinds[kept] = kind_of(items[i].get());
    if (kept != i) items[kept] = std::move(items[i]);
    ++kept;
    ++i;
  }
  items.resize(kept);
  kinds.resize(kept);
  items.insert(items.begin() + static_cast<std::ptrdiff_t>(front), std::make_move_iterator(hoisted.begin()),
               std::make_move_iterator(hoisted.end()));
  kinds.insert(kinds.begin() + static_cast<std::ptrdiff_t>(front), hoisted_kinds.begin(), hoisted_kinds.end());

  // Pop removal, in one pass: the kept entries [0, top) form a stack, so after a pair goes
  // the entry before it meets the next one, as if the scan went back one step.
  size_t top = 0;
  for (size_t i = 0; i < items.size(); ++i) {
    if (kinds[i] == kPop && top > 0 && kinds[top - 1] == kSinglePush) {
      --top;
      continue;
    }
    if (top != i) {
      items[top] = std::move(items[i]);
      kinds[top] = kinds[i];
    }
    ++top;
  }
  items.resize(top);
}

void TCompileContext::ParseWithClasses(std::string text, std::unique_ptr<TCompileUnit>& unit) {
  unit = ParseUnit(std::move(text));
  CompileClasses();
  CurrentUnit = unit.get();
}

void TCompileContext::CompileClasses() {
  // Load the classes the script refers to; a class file may refer to further classes.
  for (bool loaded = true; loaded;) {
    loaded = false;
    for (size_t i = 0; i < ClassTable.Items().size(); ++i) {
      auto* cls = dynamic_cast<TClassInfo*>(ClassTable.Items()[i].get());
      if (!cls || !(cls->ClassFlags & kClassReferenced) || (cls->ClassFlags & kClassIntrinsic) || cls->Unit ||
          cls->FileName.empty())
        continue;
      std::string source = ReadFileText(cls->FileName);
      cls->Unit = ParseUnit(std::move(source), cls->FileName);
      loaded = true;
    }
  }

  // Compile each referenced class once per movie, the classes it depends on first.
  std::vector<TClassInfo*> compiling;
  std::function<void(TClassInfo*)> compile_class = [&](TClassInfo* cls) {
    if ((cls->ClassFlags & (kClassCompiled | kClassIntrinsic)) || !cls->Unit) return;
    if (!cls->Unit->Root) {  // an empty class file
      cls->ClassFlags |= kClassCompiled;
      return;
    }
    if (std::find(compiling.begin(), compiling.end(), cls) != compiling.end()) return;  // a cycle
    compiling.push_back(cls);
    if (cls->SuperClass && cls->Members && !cls->Members->Base) cls->Members->Base = cls->SuperClass->Members;
    for (TParseTreeNode* item : cls->Unit->Root->Items) {
      if (item->Kind != TNodeKind::ClassImpl && item->Kind != TNodeKind::ClassIntf) continue;
      for (TStrId dep : static_cast<TClassDefNode*>(item)->Dependencies(StringTable))
        if (TClassInfo* dep_info = ClassTable.FindClass(dep)) compile_class(dep_info);
    }
    if (!OnClassScript)
      throw EActionCompileError(Format("Class %s cannot be compiled here: it needs a sprite of its own.",
                                       StringTable.Text(cls->Name).c_str()));
    TCompileUnit* saved = CurrentUnit;
    CurrentUnit = cls->Unit.get();
    TSWFActionList init;
    TCodeGenerator generator(*this, *cls->Unit, init);
    generator.CompileUnit();
    PlaceConstantPool(init, cls->Unit->Pool, StringTable);
    Finish(generator, init);
    CurrentUnit = saved;
    // Only a class compiled in full gets its sprite.
    AppendActions(OnClassScript(*cls), std::move(init));
    cls->ClassFlags |= kClassCompiled;
    compiling.pop_back();
  };
  for (bool compiled = true; compiled;) {
    compiled = false;
    for (size_t i = 0; i < ClassTable.Items().size(); ++i) {
      auto* cls = dynamic_cast<TClassInfo*>(ClassTable.Items()[i].get());
      if (!cls || cls->ClassFlags != kClassReferenced || !cls->Unit) continue;
      compile_class(cls);
      if (cls->ClassFlags & kClassCompiled) compiled = true;
    }
  }
}

void TCompileContext::Finish(TCodeGenerator& generator, TSWFActionList& list) {
  RunPostPass(list);
  generator.FixSkipCounts(list);
  CheckVersion(list, SwfVersion);
  CheckWritable(list, generator);
}

void TCompileContext::CompileFrameScript(std::string text, TSWFActionList& script) {
  TUnitGuard guard{*this};
  const size_t text_size = text.size();
  ParseWithClasses(std::move(text), guard.Unit);
  // The script is compiled on its own and appended whole: a list that already holds code
  // keeps its constant pool for that code, and nothing is hoisted in front of it.
  TSWFActionList part;
  // Scripts compile to fewer actions than a quarter of their bytes. Reserved once, the list
  // never grows through a series of ever larger buffers, each of which would be fresh memory
  // and cost page faults. (Capped: a huge text of blanks must not claim memory for nothing.)
  constexpr size_t kMaxReserved = size_t{1} << 20;
  part.Items.reserve(std::min(text_size / 4, kMaxReserved));
  TCodeGenerator generator(*this, *guard.Unit, part);
  generator.CompileUnit();
  PlaceConstantPool(part, guard.Unit->Pool, StringTable);
  Finish(generator, part);
  AppendActions(script, std::move(part));
}

void TCompileContext::CompileHandlers(std::string text, const THandlerCheck& check, const THandlerTarget& target) {
  TUnitGuard guard{*this};
  ParseWithClasses(std::move(text), guard.Unit);
  TSWFActionList nowhere;  // HandlersOnly: nothing is compiled outside the handlers
  TCodeGenerator generator(*this, *guard.Unit, nowhere);
  generator.HandlersOnly = true;
  // Each handler is compiled into a list of its own first: the button or placement gets its
  // handlers only once all of them compiled.
  std::vector<std::pair<const TEventListNode*, std::unique_ptr<TSWFActionList>>> handlers;
  generator.OnEventHandler = [&](const TEventListNode& events) -> TSWFActionList& {
    check(events);
    return *handlers.emplace_back(&events, std::make_unique<TSWFActionList>()).second;
  };
  generator.CompileUnit();
  for (auto& [events, list] : handlers) Finish(generator, *list);
  for (auto& [events, list] : handlers) AppendActions(target(*events), std::move(*list));
}

namespace {

[[noreturn]] void InvalidHandler(const TEventListNode& events) {
  throw EActionCompileError(Format("Invalid event handler type in line %d", events.Pos.Line));
}

}  // namespace

void TCompileContext::CompileButton(std::string text, TSWFDefineButton2& button) {
  auto check = [](const TEventListNode& events) {
    if (events.Kind == TEventKind::Clip) InvalidHandler(events);
    // A button condition keeps 7 bits of key code: a larger one would fire on another key.
    if (events.Kind == TEventKind::KeyPress && KeyCode(events.KeyName) > 127)
      throw EActionCompileError(Format("Key \"%s\" cannot be used in a button handler in line %d",
                                       events.KeyName.c_str(), events.Pos.Line));
  };
  CompileHandlers(std::move(text), check, [&button](const TEventListNode& events) -> TSWFActionList& {
    // A key press is a condition of its own, without any state transition.
    constexpr uint16_t kNoTransitions = 0;
    if (events.Kind == TEventKind::KeyPress)
      return *button.AddCondAction(kNoTransitions, static_cast<uint8_t>(KeyCode(events.KeyName)));
    return *button.AddCondAction(events.ButtonEvents);
  });
}

void TCompileContext::CompileClipEvents(std::string text, TSWFPlaceObject2& placement) {
  auto check = [this](const TEventListNode& events) {
    if (events.Kind == TEventKind::Button) InvalidHandler(events);
    // Before version 6 the event flags have 16 bits: construct, keyPress and dragOut do not fit.
    const uint32_t flags = events.Kind == TEventKind::KeyPress ? uint32_t{kClipKeyPress} : events.ClipEvents;
    if (SwfVersion < 6 && flags > 0xFFFF)
      throw EActionCompileError(
          Format("The events of the handler in line %d need SWF version 6 or later", events.Pos.Line));
  };
  CompileHandlers(std::move(text), check, [&placement](const TEventListNode& events) -> TSWFActionList& {
    if (events.Kind == TEventKind::Clip) return *placement.GetClipActions().AddRecord(events.ClipEvents);
    // The key-press event is always set, also for a key code of 0 (an unknown key name): a
    // record without any event would read as the end of the list.
    TSWFClipActionRecord* record = placement.GetClipActions().AddRecord(kClipKeyPress);
    record->SetKeyCode(static_cast<uint8_t>(KeyCode(events.KeyName)));
    return *record;
  });
}

}  // namespace fc
