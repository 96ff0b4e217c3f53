#pragma once

#include <QMainWindow>

namespace fc::gui {

// The main window. For now an empty frame titled with the "FullName" setting.
class TMainForm : public QMainWindow {
  Q_OBJECT
public:
  explicit TMainForm(QWidget* parent = nullptr);
};

}  // namespace fc::gui
