#pragma once
// Controls are made with the object name the language file knows them by.

#include <utility>

namespace fc::gui {

// Qt widgets are owned by their parent widget, which frees them; the parent is given here or
// by the layout, tab or window the widget is added to.
template <typename T, typename... Args>
T* Named(const char* name, Args&&... args) {
  auto* w = new T(std::forward<Args>(args)...);
  w->setObjectName(name);
  return w;
}

}  // namespace fc::gui
