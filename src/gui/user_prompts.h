#pragma once
// Everything a window asks the user outside its own controls: message boxes, questions and
// the file and folder choosers. Windows take a TUserPrompts so that tests replace it and no
// modal loop ever blocks a test. (Folders and web pages are opened through TDesktopActions.)

#include <QString>
#include <QStringList>

#include <string>

class QWidget;

namespace fc::gui {

// The answer to a Yes/No/Cancel question.
enum class TAnswer { Yes, No, Cancel };

class TUserPrompts {
public:
  virtual ~TUserPrompts() = default;
  // A message box titled with the "Info_Title" text.
  virtual void ShowMessage(QWidget* parent, const QString& text) = 0;
  // A Yes/No question titled with the "Info_Title" text; true for Yes.
  virtual bool AskYesNo(QWidget* parent, const QString& text) = 0;
  // A Yes/No/Cancel question titled with the "Info_Title" text; closing it answers Cancel.
  virtual TAnswer AskYesNoCancel(QWidget* parent, const QString& text) = 0;
  // A folder chosen by the user, or "" when the chooser was cancelled.
  virtual QString ChooseFolder(QWidget* parent, const QString& caption, const QString& start) = 0;
  // Files chosen by the user (several when `multiple`), or none when cancelled. The filter is
  // Qt's form: entries "Caption (*.a *.b)" separated by ";;".
  virtual QStringList ChooseFiles(QWidget* parent, const QString& start, const QString& filter, bool multiple) = 0;
  // A line of text typed by the user, starting from `proposed`; a null QString when cancelled.
  virtual QString AskText(QWidget* parent, const QString& caption, const QString& prompt, const QString& proposed) = 0;
};

// The real dialogs.
class TDesktopPrompts final : public TUserPrompts {
public:
  void ShowMessage(QWidget* parent, const QString& text) override;
  bool AskYesNo(QWidget* parent, const QString& text) override;
  TAnswer AskYesNoCancel(QWidget* parent, const QString& text) override;
  QString ChooseFolder(QWidget* parent, const QString& caption, const QString& start) override;
  QStringList ChooseFiles(QWidget* parent, const QString& start, const QString& filter, bool multiple) override;
  QString AskText(QWidget* parent, const QString& caption, const QString& prompt, const QString& proposed) override;
};

// std::string (UTF-8) to QString and back: every text of the libraries is UTF-8.
inline QString ToQString(const std::string& text) { return QString::fromStdString(text); }
inline std::string ToStdString(const QString& text) { return text.toStdString(); }

// A filter of the language files ("caption|patterns|caption|patterns...", patterns separated
// by ";") in the file chooser's form.
QString ChooserFilter(const std::string& language_filter);

}  // namespace fc::gui
