#pragma once
// Controls are made with the object name the language file knows them by.

#include <QHBoxLayout>

#include <initializer_list>
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

// A row of buttons (or other controls) at the right edge, as dialogs end.
inline QHBoxLayout* RightAlignedRow(std::initializer_list<QWidget*> widgets) {
  auto* row = new QHBoxLayout;
  row->addStretch();
  for (QWidget* w : widgets) row->addWidget(w);
  return row;
}

}  // namespace fc::gui
