#include "gui/options_form.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QShortcut>
#include <QStyle>
#include <QTabWidget>
#include <QVBoxLayout>

#include <filesystem>
#include <system_error>

#include "core/error.h"
#include "core/language.h"
#include "core/message_format.h"
#include "core/text.h"
#include "gui/model/desktop_actions.h"
#include "gui/named_widget.h"
#include "gui/translate.h"
#include "gui/user_prompts.h"

namespace fc::gui {

TOptionsForm::TOptionsForm(const TConfig& config, TUserPrompts& prompts, TDesktopActions& desktop, QWidget* parent)
    : QDialog(parent), config_(config), prompts_(prompts), desktop_(desktop) {
  setObjectName("OptionsForm");
  setWindowTitle("Options");

  page_option_ = Named<QTabWidget>("PageOption", this);
  auto* general = Named<QWidget>("pnlGeneral");
  auto* language = Named<QWidget>("pnlLanguage");
  auto* upload = Named<QWidget>("TabSheet1");
  page_option_->addTab(general, "General");
  page_option_->addTab(language, "Language");
  page_option_->addTab(upload, "Upload");
  BuildGeneralPage(general);
  BuildLanguagePage(language);
  BuildUploadPage(upload);

  auto* ok = Named<QPushButton>("btnOK", "&OK", this);
  auto* cancel = Named<QPushButton>("btnCancel", "&Cancel", this);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &TOptionsForm::accept);
  connect(cancel, &QPushButton::clicked, this, &TOptionsForm::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(page_option_);
  layout->addLayout(RightAlignedRow({ok, cancel}));

  // Built-in texts are recorded by the first translation, before the lists get their data.
  TranslateForm(this);
  if (const TLanguageItem* current = TLanguageMgr::Instance().Current()) start_language_ = current->Id();
  model_.Load(config_);
  if (model_.LanguageId.empty()) model_.LanguageId = start_language_;
  page_option_->setCurrentIndex(0);
  ShowModel();
}

void TOptionsForm::BuildGeneralPage(QWidget* page) {
  auto* snapshot = Named<QGroupBox>("grpSnapshotDir", "Snapshot", page);
  photo_dir_ = Named<QLineEdit>("bePhotoDir", snapshot);
  photo_dir_->setReadOnly(true);
  QAction* choose = photo_dir_->addAction(style()->standardIcon(QStyle::SP_DirOpenIcon), QLineEdit::TrailingPosition);
  choose->setObjectName("actChooseSnapshotDir");
  choose->setToolTip("Choose the folder of the snapshots");
  connect(choose, &QAction::triggered, this, &TOptionsForm::ChooseSnapshotFolder);
  auto* browse = Named<QPushButton>("btnBrowse", "Browse", snapshot);
  browse->setToolTip("Show the folder in the file manager");
  connect(browse, &QPushButton::clicked, this, &TOptionsForm::BrowseSnapshotFolder);
  format_ = Named<QComboBox>("cboFormat", snapshot);
  format_->addItems({"JPEG Image File (*.jpg)", "Bitmap file (*.bmp)"});
  auto* grid = new QGridLayout(snapshot);
  grid->addWidget(Named<QLabel>("lblPhotoDir", "Folder:", snapshot), 0, 0);
  grid->addWidget(photo_dir_, 0, 1);
  grid->addWidget(browse, 0, 2);
  grid->addWidget(Named<QLabel>("lblFormat", "Format:", snapshot), 1, 0);
  grid->addWidget(format_, 1, 1, 1, 2);
  grid->setColumnStretch(1, 1);

  // The update check belongs to an updater program that this platform does not have; the
  // controls exist for the language files but stay hidden.
  update_group_ = Named<QGroupBox>("grpUpdate", "Update", page);
  update_ = Named<QCheckBox>("chbUpdate", "Check for update:", update_group_);
  update_item_ = Named<QComboBox>("cbbUpdateitem", update_group_);
  update_item_->addItems({"Every 7 days", "Every 30 days"});
  connect(update_, &QCheckBox::toggled, update_item_, &QWidget::setEnabled);
  auto* update_row = new QHBoxLayout(update_group_);
  update_row->addWidget(update_);
  update_row->addWidget(update_item_, 1);
  update_group_->setVisible(false);

  auto* defaults = Named<QPushButton>("btnDefault", "&Default", page);
  connect(defaults, &QPushButton::clicked, this, &TOptionsForm::SetDefaults);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(snapshot);
  layout->addWidget(update_group_);
  layout->addStretch();
  layout->addLayout(RightAlignedRow({defaults}));
}

void TOptionsForm::BuildLanguagePage(QWidget* page) {
  language_ = Named<QComboBox>("cboLanguage", page);
  connect(language_, &QComboBox::activated, this, &TOptionsForm::ChangeLanguage);
  auto* defaults = Named<QPushButton>("btnDefaultLanguage", "&Default", page);
  connect(defaults, &QPushButton::clicked, this, &TOptionsForm::SetDefaultLanguage);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(Named<QLabel>("lblLanguage", "Interface language:", page));
  auto* row = new QHBoxLayout;
  row->addWidget(language_, 1);
  row->addWidget(defaults);
  layout->addLayout(row);
  layout->addStretch();
}

void TOptionsForm::BuildUploadPage(QWidget* page) {
  use_upload_ = Named<QCheckBox>("chbIsUseUpload", "Open the web page you have chosen when conversion completes", page);
  auto* group = Named<QGroupBox>("GroupBox_upload", "Webpage settiings", page);
  new_url_ = Named<QLineEdit>("Edit_newUrl", QString::fromUtf8(kNewUrlPrefix.data(), kNewUrlPrefix.size()), group);
  auto* add = Named<QPushButton>("btnAddUrl", "Add", group);
  connect(add, &QPushButton::clicked, this, &TOptionsForm::AddUrl);
  connect(new_url_, &QLineEdit::returnPressed, this, &TOptionsForm::AddUrl);
  url_list_ = Named<QListWidget>("FSListView_Url", group);
  url_list_->setSelectionMode(QAbstractItemView::ExtendedSelection);
  url_list_->setEditTriggers(QAbstractItemView::NoEditTriggers);
  url_list_->setToolTip("Ctrl+V adds the web addresses on the clipboard");
  connect(url_list_, &QListWidget::itemClicked, this,
          [this](QListWidgetItem* item) { new_url_->setText(item->text()); });
  connect(url_list_, &QListWidget::itemChanged, this, [this](QListWidgetItem* item) {
    model_.SetChecked(static_cast<size_t>(url_list_->row(item)), item->checkState() == Qt::Checked);
  });
  auto* paste = new QShortcut(QKeySequence::Paste, url_list_, nullptr, nullptr, Qt::WidgetShortcut);
  connect(paste, &QShortcut::activated, this, [this] { PasteUrls(QApplication::clipboard()->text()); });
  auto* remove = Named<QPushButton>("btnDelUrl", "Remove", group);
  connect(remove, &QPushButton::clicked, this, &TOptionsForm::RemoveUrls);

  auto* grid = new QGridLayout(group);
  grid->addWidget(new_url_, 0, 0);
  grid->addWidget(add, 0, 1);
  grid->addWidget(url_list_, 1, 0);
  auto* side = new QVBoxLayout;
  side->addWidget(remove);
  side->addStretch();
  grid->addLayout(side, 1, 1);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(use_upload_);
  layout->addWidget(group, 1);
}

void TOptionsForm::ShowModel() {
  photo_dir_->setText(ToQString(model_.SnapshotPath));
  ShowSnapshotFormat();
  update_item_->setEnabled(update_->isChecked());

  language_->clear();
  for (const auto& [display, item] : TLanguageMgr::Instance().ListLanguages()) {
    language_->addItem(ToQString(display), ToQString(item->Id()));
    if (IEquals(item->Id(), model_.LanguageId)) language_->setCurrentIndex(language_->count() - 1);
  }
  use_upload_->setChecked(model_.IsUseUpload);
  ShowUploadList(-1);
}

void TOptionsForm::ShowSnapshotFormat() {
  std::vector<std::string> items;
  for (int i = 0; i < format_->count(); ++i) items.push_back(ToStdString(format_->itemText(i)));
  format_->setCurrentIndex(static_cast<int>(SnapshotFormatIndex(items, model_.SnapshotFormat)));
}

void TOptionsForm::ShowUploadList(int selected) {
  const QSignalBlocker block(url_list_);
  url_list_->clear();
  for (const TUploadEntry& entry : model_.UploadList) {
    auto* item = new QListWidgetItem(ToQString(entry.Address), url_list_);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(entry.Checked ? Qt::Checked : Qt::Unchecked);
  }
  if (selected >= 0 && selected < url_list_->count()) url_list_->setCurrentRow(selected);
}

void TOptionsForm::ShowMessage(const std::string& key, const char* built_in) {
  prompts_.ShowMessage(this, ToQString(GetString(key, built_in)));
}

void TOptionsForm::ShowRefusedUrls(const std::string& addresses) {
  prompts_.ShowMessage(this, ToQString(FormatMessage(
                                 "INF_UrlRefused",
                                 "Only web addresses that begin with http:// or https:// can be added:\n%s",
                                 {addresses})));
}

void TOptionsForm::ChooseSnapshotFolder() {
  const QString caption = ToQString(GetString("INF_Select_Folder", "Please select a folder:"));
  for (;;) {
    const QString chosen = prompts_.ChooseFolder(this, caption, photo_dir_->text());
    if (chosen.isEmpty()) return;
    std::error_code ec;
    if (std::filesystem::is_directory(ToStdString(chosen), ec)) {
      model_.SnapshotPath = ToStdString(chosen);
      photo_dir_->setText(chosen);
      return;
    }
    ShowMessage("INF_Folder_UnExists", "The chosen folder does not exist. Please choose another folder.");
  }
}

bool TOptionsForm::EnsureSnapshotFolder() {
  if (model_.EnsureSnapshotFolder(config_)) return true;
  photo_dir_->setText(ToQString(model_.SnapshotPath));
  ShowMessage("INF_CreateFolder_Error", "The folder cannot be created. The default folder is used instead.");
  return false;
}

void TOptionsForm::BrowseSnapshotFolder() {
  if (!EnsureSnapshotFolder()) return;
  desktop_.OpenFolder(model_.SnapshotPath);
}

void TOptionsForm::SetDefaults() {
  model_.SetDefaults(config_);
  photo_dir_->setText(ToQString(model_.SnapshotPath));
  ShowSnapshotFormat();
  update_->setChecked(true);
  update_item_->setCurrentIndex(0);
}

void TOptionsForm::SetDefaultLanguage() {
  const int index = language_->findData(ToQString(DefaultLanguageId(TLanguageMgr::Instance())));
  if (index < 0) return;
  language_->setCurrentIndex(index);
  ChangeLanguage(index);
}

void TOptionsForm::ChangeLanguage(int index) {
  if (index < 0) return;
  model_.LanguageId = ToStdString(language_->itemData(index).toString());
  TLanguageMgr::Instance().SelectLanguage(model_.LanguageId);
  TranslateForm(this);  // item texts are replaced in place: the selections stay
}

void TOptionsForm::AddUrl() {
  const std::string text = ToStdString(new_url_->text());
  switch (model_.AddUrl(text)) {
    case TAddUrlResult::Added:
      ShowUploadList(static_cast<int>(model_.UploadList.size()) - 1);
      break;
    case TAddUrlResult::Refused:
      ShowRefusedUrls(std::string(Trim(text)));
      break;
    case TAddUrlResult::Ignored:
      break;
  }
}

void TOptionsForm::PasteUrls(const QString& text) {
  const size_t before = model_.UploadList.size();
  const std::vector<std::string> refused = model_.PasteUrls(ToStdString(text));
  if (model_.UploadList.size() != before) ShowUploadList(static_cast<int>(model_.UploadList.size()) - 1);
  if (refused.empty()) return;
  std::string lines;
  for (const std::string& line : refused) lines += (lines.empty() ? "" : "\n") + line;
  ShowRefusedUrls(lines);
}

void TOptionsForm::RemoveUrls() {
  std::vector<int> rows;
  for (const QModelIndex& index : url_list_->selectionModel()->selectedRows()) rows.push_back(index.row());
  if (rows.empty()) return;
  ShowUploadList(model_.RemoveEntries(rows));
}

void TOptionsForm::accept() {
  model_.SnapshotFormat = SnapshotFormatOfItem(ToStdString(format_->currentText()));
  model_.IsUseUpload = use_upload_->isChecked();
  if (language_->currentIndex() >= 0) model_.LanguageId = ToStdString(language_->currentData().toString());
  if (!EnsureSnapshotFolder()) return;
  try {
    model_.Save(config_);
  } catch (const Error& e) {
    prompts_.ShowMessage(this, ToQString(e.what()));
    return;
  }
  TLanguageMgr::Instance().SelectLanguage(model_.LanguageId);
  QDialog::accept();
  TranslateAllForms();
}

void TOptionsForm::reject() {
  TLanguageMgr& languages = TLanguageMgr::Instance();
  const TLanguageItem* current = languages.Current();
  if (!IEquals(current ? current->Id() : std::string(), start_language_)) {
    languages.SelectLanguage(start_language_);
    TranslateForm(this);
  }
  QDialog::reject();
}

}  // namespace fc::gui
