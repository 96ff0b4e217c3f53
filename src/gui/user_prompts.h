#pragma once
// Everything a window asks the desktop or the user outside its own controls: message boxes,
// the folder chooser, opening a folder. Windows take a TUserPrompts so that tests replace it
// and no modal loop ever blocks a test.

#include <QString>

#include <string>

class QWidget;

namespace fc::gui {

class TUserPrompts {
public:
  virtual ~TUserPrompts() = default;
  // A message box titled with the "Info_Title" text.
  virtual void ShowMessage(QWidget* parent, const QString& text) = 0;
  // A folder chosen by the user, or "" when the chooser was cancelled.
  virtual QString ChooseFolder(QWidget* parent, const QString& caption, const QString& start) = 0;
  // Shows the folder in the desktop's file manager; false when that failed.
  virtual bool OpenFolder(const QString& path) = 0;
};

// The real dialogs and the desktop's file manager.
class TDesktopPrompts final : public TUserPrompts {
public:
  void ShowMessage(QWidget* parent, const QString& text) override;
  QString ChooseFolder(QWidget* parent, const QString& caption, const QString& start) override;
  bool OpenFolder(const QString& path) override;
};

// std::string (UTF-8) to QString and back: every text of the libraries is UTF-8.
inline QString ToQString(const std::string& text) { return QString::fromStdString(text); }
inline std::string ToStdString(const QString& text) { return text.toStdString(); }

}  // namespace fc::gui
