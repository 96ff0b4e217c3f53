#include "gui/main_window.h"

#include "core/config.h"
#include "core/config_keys.h"
#include "core/version.h"
#include "gui/translate.h"

namespace fc::gui {

TMainForm::TMainForm(QWidget* parent) : QMainWindow(parent) {
  setObjectName("MainForm");
  const std::string title = GlobalConfig().ReadString(keys::kSystem, keys::kFullName, kProductName);
  setWindowTitle(QString::fromStdString(title));
  resize(960, 640);
  TranslateForm(this);
}

}  // namespace fc::gui
