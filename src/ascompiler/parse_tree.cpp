#include "ascompiler/parse_tree.h"

#include <string_view>

#include "ascompiler/parse_tree_stmt.h"

namespace fc {
namespace {

constexpr std::string_view kButtonEvents[] = {
    "rollOver", "rollOut", "press", "release", "dragOver", "dragOut", "releaseOutside", "menuDragOver", "menuDragOut",
};
constexpr std::string_view kClipEvents[] = {
    "keyUp", "keyDown", "mouseUp", "mouseDown", "mouseMove", "unload", "enterFrame", "load", "dragOver", "rollOut",
    "rollOver", "releaseOutside", "release", "press", "initialize", "data", "construct", "keyPress", "dragOut",
};

struct TKeyName {
  std::string_view Name;
  int Code;
};
constexpr TKeyName kKeyNames[] = {
    {"<Enter>", 13}, {"<Up>", 14}, {"<Down>", 15}, {"<Left>", 1}, {"<Right>", 2}, {"<PageUp>", 16},
    {"<PageDown>", 17}, {"Key.BACKSPACE", 8}, {"Key.CAPSLOCK", 20}, {"Key.CONTROL", 17}, {"Key.DELETEKEY", 46},
    {"Key.DOWN", 40}, {"Key.END", 35}, {"Key.ENTER", 13}, {"Key.ESCAPE", 27}, {"Key.HOME", 36},
    {"Key.INSERT", 45}, {"Key.LEFT", 37}, {"Key.PGDN", 34}, {"Key.PGUP", 33}, {"Key.RIGHT", 39},
    {"Key.SHIFT", 16}, {"Key.SPACE", 32}, {"Key.TAB", 9}, {"Key.UP", 38},
};

template <size_t N>
int IndexIn(const std::string_view (&names)[N], const std::string& name) {
  for (size_t i = 0; i < N; ++i)
    if (names[i] == name) return static_cast<int>(i);
  return -1;
}

}  // namespace

TStrId TCompoundName::Dotted(TStringTable& strings) {
  if (dotted_ < 0) dotted_ = Parts.size() == 1 ? Parts[0] : strings.Intern(Text(strings));
  return dotted_;
}

std::string TCompoundName::Text(const TStringTable& strings) const {
  std::string text;
  for (TStrId part : Parts) {
    if (!text.empty()) text += '.';
    text += strings.Text(part);
  }
  return text;
}

TStrIdArray TClassDefNode::Dependencies(TStringTable& strings) const {
  TStrIdArray ids;
  if (Super) ids.push_back(Super->Dotted(strings));
  return ids;
}

TStrIdArray TClassImplNode::Dependencies(TStringTable& strings) const {
  TStrIdArray ids = TClassDefNode::Dependencies(strings);
  if (Interfaces)
    for (TCompoundName* name : Interfaces->Items) ids.push_back(name->Dotted(strings));
  return ids;
}

int ButtonEventIndex(const std::string& name) { return IndexIn(kButtonEvents, name); }
int ClipEventIndex(const std::string& name) { return IndexIn(kClipEvents, name); }

int KeyCode(const std::string& name) {
  if (name.size() == 1) return static_cast<unsigned char>(name[0]);
  for (const TKeyName& key : kKeyNames)
    if (key.Name == name) return key.Code;
  return 0;
}

}  // namespace fc
