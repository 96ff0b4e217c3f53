#pragma once
// The few primitives the code generator writes actions with: append an action, push values
// (consecutive pushes share one Push action), registers, and jump targets (markers that the
// action list resolves into byte offsets when it is written).

#include <memory>
#include <string>

#include "ascompiler/constant_pool.h"
#include "ascompiler/string_table.h"
#include "swf/actions.h"

namespace fc {

class TActionEmitter {
public:
  TActionEmitter(TSWFActionList& list, TConstantPool& pool, const TStringTable& strings)
      : list_(&list), pool_(&pool), strings_(strings) {}

  TSWFActionList& List() const { return *list_; }
  // Switches to another action list (event handlers). Values pushed next start a Push action
  // of their own: the size of one already at the end of that list is not known here.
  void SetList(TSWFActionList& list);

  template <typename T>
  T* Emit() {
    // make_shared: one allocation for the action and its reference count. (An arena for the
    // actions would save instructions, but freed at once its blocks go back to the system,
    // and the next compilation pays more in page faults than it saved.)
    auto action = std::make_shared<T>();
    T* raw = action.get();
    list_->Add(std::move(action));
    return raw;
  }

  // A string id: its constant-pool index, or the text inline once the pool is full.
  void PushConstant(TStrId id);
  void PushString(const std::string& text);
  void PushInteger(int32_t value);
  // Integral values in the 32-bit range go as integers, all others as doubles.
  void PushNumber(double value);
  void PushBoolean(bool value);
  void PushNull();
  void PushUndefined();
  void PushRegister(int n);
  void StoreRegister(int n);

  // A marker that branches will point at. Loop tops are placed before the branches that use
  // them (backward); all other markers after their single branch (forward).
  static std::shared_ptr<TSWFOffsetMarker> NewMarker(bool backward = false);
  void Place(const std::shared_ptr<TSWFOffsetMarker>& marker) { list_->Add(marker); }
  void Jump(const std::shared_ptr<TSWFOffsetMarker>& target);
  void If(const std::shared_ptr<TSWFOffsetMarker>& target);

private:
  TPushValueInfo& NewValue(size_t bytes);

  TSWFActionList* list_;
  TConstantPool* pool_;
  const TStringTable& strings_;
  size_t pushBytes_ = 0;      // body size of the Push action at the end of the list
  size_t poolBytes_ = 0;      // body size of the constant pool so far
};

}  // namespace fc
