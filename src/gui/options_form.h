#pragma once
// The options dialog: snapshot folder and format, the interface language and the web pages
// offered after a conversion. The decisions live in TOptionsModel; this window shows them.
// OK stores the settings, makes the chosen language current and translates every open
// window; Cancel stores nothing and puts back the language the dialog started with.

#include <QDialog>

#include "gui/model/options_model.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTabWidget;

namespace fc {
struct TConfig;
}

namespace fc::gui {

class TDesktopActions;
class TUserPrompts;

class TOptionsForm : public QDialog {
  Q_OBJECT
public:
  TOptionsForm(const TConfig& config, TUserPrompts& prompts, TDesktopActions& desktop, QWidget* parent = nullptr);

  const TOptionsModel& Model() const { return model_; }

  void accept() override;
  void reject() override;

  // The actions of the controls, callable without clicking.
  void ChooseSnapshotFolder();
  void BrowseSnapshotFolder();
  void SetDefaults();
  void SetDefaultLanguage();
  void ChangeLanguage(int index);
  void AddUrl();
  void PasteUrls(const QString& text);
  void RemoveUrls();

private:
  void BuildGeneralPage(QWidget* page);
  void BuildLanguagePage(QWidget* page);
  void BuildUploadPage(QWidget* page);
  void ShowModel();
  void ShowSnapshotFormat();
  void ShowUploadList(int selected);
  void ShowMessage(const std::string& key, const char* built_in);
  void ShowRefusedUrls(const std::string& addresses);
  // The model's folder check, with the message and the field's fallback when it fails.
  bool EnsureSnapshotFolder();

  const TConfig& config_;
  TUserPrompts& prompts_;
  TDesktopActions& desktop_;
  TOptionsModel model_;
  std::string start_language_;  // the current language when the dialog opened

  QTabWidget* page_option_ = nullptr;
  QLineEdit* photo_dir_ = nullptr;
  QComboBox* format_ = nullptr;
  QGroupBox* update_group_ = nullptr;
  QCheckBox* update_ = nullptr;
  QComboBox* update_item_ = nullptr;
  QComboBox* language_ = nullptr;
  QCheckBox* use_upload_ = nullptr;
  QLineEdit* new_url_ = nullptr;
  QListWidget* url_list_ = nullptr;
};

}  // namespace fc::gui
