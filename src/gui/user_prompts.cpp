#include "gui/user_prompts.h"

#include <QDesktopServices>
#include <QFileDialog>
#include <QMessageBox>
#include <QUrl>

#include "core/language.h"

namespace fc::gui {

void TDesktopPrompts::ShowMessage(QWidget* parent, const QString& text) {
  QMessageBox::information(parent, ToQString(GetString("Info_Title", "Information")), text);
}

QString TDesktopPrompts::ChooseFolder(QWidget* parent, const QString& caption, const QString& start) {
  return QFileDialog::getExistingDirectory(parent, caption, start);
}

bool TDesktopPrompts::OpenFolder(const QString& path) {
  return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

}  // namespace fc::gui
