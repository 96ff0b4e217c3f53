#include "gui/user_prompts.h"

#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>

#include "core/language.h"

namespace fc::gui {
namespace {

QString InfoTitle() { return ToQString(GetString("Info_Title", "Information")); }

}  // namespace

void TDesktopPrompts::ShowMessage(QWidget* parent, const QString& text) {
  QMessageBox::information(parent, InfoTitle(), text);
}

bool TDesktopPrompts::AskYesNo(QWidget* parent, const QString& text) {
  return QMessageBox::question(parent, InfoTitle(), text, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

TAnswer TDesktopPrompts::AskYesNoCancel(QWidget* parent, const QString& text) {
  switch (QMessageBox::question(parent, InfoTitle(), text, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                QMessageBox::Cancel)) {
    case QMessageBox::Yes:
      return TAnswer::Yes;
    case QMessageBox::No:
      return TAnswer::No;
    default:
      return TAnswer::Cancel;
  }
}

QString TDesktopPrompts::AskText(QWidget* parent, const QString& caption, const QString& prompt,
                                 const QString& proposed) {
  bool ok = false;
  const QString text = QInputDialog::getText(parent, caption, prompt, QLineEdit::Normal, proposed, &ok);
  return ok ? text : QString();
}

QString TDesktopPrompts::ChooseFolder(QWidget* parent, const QString& caption, const QString& start) {
  return QFileDialog::getExistingDirectory(parent, caption, start);
}

QStringList TDesktopPrompts::ChooseFiles(QWidget* parent, const QString& start, const QString& filter, bool multiple) {
  if (multiple) return QFileDialog::getOpenFileNames(parent, {}, start, filter);
  const QString file = QFileDialog::getOpenFileName(parent, {}, start, filter);
  return file.isEmpty() ? QStringList() : QStringList{file};
}

QString ChooserFilter(const std::string& language_filter) {
  const QStringList parts = ToQString(language_filter).split('|');
  QStringList entries;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns;
    for (const QString& p : parts[i + 1].split(';', Qt::SkipEmptyParts))
      if (!p.trimmed().isEmpty()) patterns << (p.trimmed() == "*.*" ? QString("*") : p.trimmed());
    QString caption = parts[i].trimmed();
    // Qt reads the patterns from the parentheses: a caption that shows its own is cut there.
    if (const qsizetype open = caption.indexOf('('); open > 0) caption = caption.left(open).trimmed();
    entries << caption + " (" + patterns.join(' ') + ")";
  }
  return entries.join(";;");
}

}  // namespace fc::gui
