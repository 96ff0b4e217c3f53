// The options dialog and window translation on the offscreen platform.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

#include <deque>
#include <fstream>
#include <sstream>

#include "core/application.h"
#include "core/config.h"
#include "core/config_keys.h"
#include "core/language.h"
#include "core/paths.h"
#include "gui/form_list.h"
#include "gui/model/desktop_actions.h"
#include "gui/options_form.h"
#include "gui/translate.h"
#include "gui/user_prompts.h"
#include "fake_prompts.h"

namespace fc::gui {
namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

QString TabText(QWidget* form, const char* page) {
  auto* tabs = Find<QTabWidget>(form, "PageOption");
  return tabs->tabText(tabs->indexOf(Find<QWidget>(form, page)));
}

}  // namespace

class TOptionsFormTest : public TWindowTest {
  Q_OBJECT


private slots:
  void init() { Start("[System]\nDefLanguage=ENU\n"); }
  void cleanup() { core_.reset(); }

  void OpensWithTheStoredSettings() {
    Start("[System]\nDefLanguage=ENU\nSnapshotFormat=bmp\nSnapshotPath=" + dir_.path().toStdString() +
          "\nIsUseUpload=0\nUploadList=1http://a.example<br>0http://b.example<br>\n");
    TOptionsForm form(core_->Config(), prompts_, desktop_);
    QCOMPARE(form.windowTitle(), QString("Options"));
    QCOMPARE(Find<QComboBox>(&form, "cboFormat")->currentIndex(), 1);
    QCOMPARE(Find<QLineEdit>(&form, "bePhotoDir")->text(), dir_.path());
    QVERIFY(!Find<QCheckBox>(&form, "chbIsUseUpload")->isChecked());
    auto* list = Find<QListWidget>(&form, "FSListView_Url");
    QCOMPARE(list->count(), 2);
    QCOMPARE(list->item(0)->checkState(), Qt::Checked);
    QCOMPARE(list->item(1)->text(), QString("http://b.example"));
    QCOMPARE(Find<QComboBox>(&form, "cboLanguage")->currentData().toString(), QString("ENU"));
    QVERIFY(Find<QGroupBox>(&form, "grpUpdate")->isHidden());  // no updater here
    QCOMPARE(Find<QLineEdit>(&form, "Edit_newUrl")->text(), QString("http://"));
  }

  void OkStoresTheEdits() {
    TOptionsForm form(core_->Config(), prompts_, desktop_);
    form.show();
    Find<QComboBox>(&form, "cboFormat")->setCurrentIndex(1);
    Find<QCheckBox>(&form, "chbIsUseUpload")->setChecked(false);
    auto* list = Find<QListWidget>(&form, "FSListView_Url");
    QCOMPARE(list->count(), 10);  // the built-in pages
    list->item(2)->setCheckState(Qt::Checked);
    Find<QLineEdit>(&form, "Edit_newUrl")->setText(" https://my.example/upload ");
    QTest::mouseClick(Find<QPushButton>(&form, "btnAddUrl"), Qt::LeftButton);
    QCOMPARE(list->count(), 11);
    QCOMPARE(list->currentRow(), 10);
    list->setCurrentRow(0);
    QTest::mouseClick(Find<QPushButton>(&form, "btnDelUrl"), Qt::LeftButton);
    QCOMPARE(list->count(), 10);
    QCOMPARE(list->currentRow(), 0);

    QTest::mouseClick(Find<QPushButton>(&form, "btnOK"), Qt::LeftButton);
    QCOMPARE(form.result(), int(QDialog::Accepted));
    QVERIFY(prompts_.Messages.empty());
    const TConfig& config = core_->Config();
    QCOMPARE(config.ReadString(keys::kSystem, keys::kSnapshotFormat, ""), std::string("bmp"));
    QCOMPARE(config.ReadBool(keys::kSystem, keys::kIsUseUpload, true), false);
    QCOMPARE(config.ReadString(keys::kSystem, keys::kDefLanguage, ""), std::string("ENU"));
    const std::string list_setting = config.ReadString(keys::kSystem, keys::kUploadList, "");
    QVERIFY(list_setting.find("1https://www.dailymotion.com/upload<br>") == 0 ||
            list_setting.find("<br>1") != std::string::npos);
    QVERIFY(list_setting.find("0https://my.example/upload<br>") != std::string::npos);
    QVERIFY(list_setting.find("youtube") == std::string::npos);  // removed
  }

  void CancelStoresNothing() {
    const std::string before = ReadFile(Ini());
    TOptionsForm form(core_->Config(), prompts_, desktop_);
    form.show();
    Find<QComboBox>(&form, "cboFormat")->setCurrentIndex(1);
    Find<QLineEdit>(&form, "Edit_newUrl")->setText("https://x.example");
    QTest::mouseClick(Find<QPushButton>(&form, "btnAddUrl"), Qt::LeftButton);
    auto* language = Find<QComboBox>(&form, "cboLanguage");
    form.ChangeLanguage(language->findData("DEU"));
    QCOMPARE(form.windowTitle(), QString("Optionen"));  // the dialog speaks the new language at once
    QTest::mouseClick(Find<QPushButton>(&form, "btnCancel"), Qt::LeftButton);
    QCOMPARE(form.result(), int(QDialog::Rejected));
    QCOMPARE(ReadFile(Ini()), before);
    QCOMPARE(QString::fromStdString(TLanguageMgr::Instance().Current()->Id()), QString("ENU"));
  }

  void RefusesAddressesThatAreNotWebPages() {
    TOptionsForm form(core_->Config(), prompts_, desktop_);
    auto* list = Find<QListWidget>(&form, "FSListView_Url");
    auto* edit = Find<QLineEdit>(&form, "Edit_newUrl");
    edit->setText("file:///etc/passwd");
    form.AddUrl();
    QCOMPARE(list->count(), 10);
    QCOMPARE(prompts_.Messages.size(), size_t(1));
    QVERIFY(prompts_.Messages[0].contains("file:///etc/passwd"));
    edit->setText("http://");
    form.AddUrl();  // the starting text alone adds nothing and says nothing
    QCOMPARE(list->count(), 10);
    QCOMPARE(prompts_.Messages.size(), size_t(1));

    form.PasteUrls("https://one.example\nsmb://server/share\nhttp://two.example\n");
    QCOMPARE(list->count(), 12);
    QCOMPARE(prompts_.Messages.size(), size_t(2));
    QVERIFY(prompts_.Messages[1].contains("smb://server/share"));
    QVERIFY(!prompts_.Messages[1].contains("one.example"));
  }

  void ChoosesOnlyExistingFolders() {
    TOptionsForm form(core_->Config(), prompts_, desktop_);
    const QString missing = dir_.path() + "/missing";
    const QString snaps = dir_.path() + "/snaps";
    QDir().mkpath(snaps);
    prompts_.Folders = {missing, snaps};
    form.ChooseSnapshotFolder();
    QCOMPARE(prompts_.Messages.size(), size_t(1));  // the missing one was refused, then asked again
    QCOMPARE(Find<QLineEdit>(&form, "bePhotoDir")->text(), snaps);
    form.BrowseSnapshotFolder();
    QCOMPARE(desktop_.Opened, std::vector<std::string>{snaps.toStdString()});
    prompts_.Folders = {};
    form.ChooseSnapshotFolder();  // cancelled: nothing changes
    QCOMPARE(Find<QLineEdit>(&form, "bePhotoDir")->text(), snaps);
  }

  void UnusableSnapshotFolderKeepsTheDialogOpen() {
    std::ofstream((dir_.path() + "/plain").toStdString()) << "a file";
    Start("[System]\nDefLanguage=ENU\nSnapshotPath=" + dir_.path().toStdString() + "/plain/sub\n");
    TOptionsForm form(core_->Config(), prompts_, desktop_);
    form.show();
    form.accept();
    QVERIFY(form.isVisible());
    QCOMPARE(prompts_.Messages.size(), size_t(1));
    QCOMPARE(Find<QLineEdit>(&form, "bePhotoDir")->text(),
             QString::fromStdString(DefaultSnapshotFolder(core_->Config())));
    // Nothing was stored: the setting still names the unusable folder.
    QCOMPARE(core_->Config().ReadString(keys::kSystem, keys::kSnapshotPath, ""), dir_.path().toStdString() + "/plain/sub");
  }

  void GermanSettingsShowGermanCaptions() {
    Start("[System]\nDefLanguage=DEU\n");
    TOptionsForm form(core_->Config(), prompts_, desktop_);
    QCOMPARE(form.windowTitle(), QString("Optionen"));
    QCOMPARE(Find<QPushButton>(&form, "btnCancel")->text(), QString("&Abbrechen"));
    QCOMPARE(TabText(&form, "pnlGeneral"), QString("Allgemein"));
    QCOMPARE(TabText(&form, "pnlLanguage"), QString("Sprache"));
    QCOMPARE(Find<QGroupBox>(&form, "GroupBox_upload")->title(), QString("Webseiten"));
    auto* format = Find<QComboBox>(&form, "cboFormat");
    QVERIFY(format->itemText(0).startsWith("JPEG-Bild"));
    QVERIFY(!Find<QPushButton>(&form, "btnBrowse")->toolTip().isEmpty());
    QVERIFY(!TLanguageMgr::Instance().Current()->FoundByClassName);
    // The chosen format is still stored by its extension.
    format->setCurrentIndex(1);
    form.accept();
    QCOMPARE(core_->Config().ReadString(keys::kSystem, keys::kSnapshotFormat, ""), std::string("bmp"));
  }

  void OkTranslatesEveryOpenWindowAndBack() {
    TOptionsForm other(core_->Config(), prompts_, desktop_);
    other.show();
    {
      TOptionsForm form(core_->Config(), prompts_, desktop_);
      form.show();
      auto* language = Find<QComboBox>(&form, "cboLanguage");
      language->setCurrentIndex(language->findData("DEU"));
      form.accept();
    }
    QCOMPARE(other.windowTitle(), QString("Optionen"));
    QCOMPARE(core_->Config().ReadString(keys::kSystem, keys::kDefLanguage, ""), std::string("DEU"));
    {
      TOptionsForm form(core_->Config(), prompts_, desktop_);
      QCOMPARE(Find<QComboBox>(&form, "cboLanguage")->currentData().toString(), QString("DEU"));
      form.show();
      form.SetDefaultLanguage();  // English, which has no window texts: the built-in ones return
      form.accept();
    }
    QCOMPARE(other.windowTitle(), QString("Options"));
    QCOMPARE(Find<QPushButton>(&other, "btnCancel")->text(), QString("&Cancel"));
    QCOMPARE(Find<QComboBox>(&other, "cboFormat")->itemText(0), QString("JPEG Image File (*.jpg)"));
  }

  void TextsSetByTheProgramSurviveALanguageChange() {
    Start("[System]\nDefLanguage=DEU\n");
    TOptionsForm form(core_->Config(), prompts_, desktop_);
    auto* browse = Find<QPushButton>(&form, "btnBrowse");
    browse->setText("Changed by the program");
    TLanguageMgr::Instance().SelectLanguage("ENU");
    TranslateForm(&form);
    QCOMPARE(browse->text(), QString("Changed by the program"));
    QCOMPARE(form.windowTitle(), QString("Options"));
  }

  void LanguageResourceRoundTrip() {
    pugi::xml_document lang;
    MakeLanguageResource(lang, Context(), true);
    const pugi::xml_node options = lang.select_node("/LanguageResource/Forms/OptionsForm").node();
    QVERIFY(options);
    QCOMPARE(QString(options.attribute("Caption").value()), QString("Options"));
    QCOMPARE(QString(options.child("cboFormat").attribute("Items").value()),
             QString("JPEG Image File (*.jpg)\nBitmap file (*.bmp)"));
    QVERIFY(!options.child("cboLanguage"));  // filled with data, nothing to translate
    QVERIFY(!options.child("bePhotoDir"));

    // The full definitions use the class-and-name form; a language made of it reads back.
    pugi::xml_document full;
    MakeLanguageResource(full, Context(), false);
    pugi::xml_node form = full.select_node("/LanguageResource/Forms/TOptionsForm[@name='OptionsForm']").node();
    QVERIFY(form);
    QVERIFY(form.find_child_by_attribute("QPushButton", "name", "btnOK"));
    QCOMPARE(QString(form.find_child_by_attribute("name", "grpUpdate").attribute("Visible").value()), QString("0"));
    form.attribute("Caption").set_value("Full caption");
    form.find_child_by_attribute("name", "btnOK").attribute("Caption").set_value("Full OK");
    full.document_element().append_attribute("Id").set_value("XFR");
    full.document_element().append_attribute("name").set_value("From the full definitions");
    const QString path = dir_.path() + "/Languages/full.dat";
    QDir().mkpath(dir_.path() + "/Languages");
    QVERIFY(full.save_file(path.toStdString().c_str()));

    TLanguageMgr& languages = TLanguageMgr::Instance();
    QCOMPARE(languages.LoadLanguages((dir_.path() + "/Languages/*.dat").toStdString()), 1);
    QVERIFY(languages.SelectLanguage("XFR"));
    TOptionsForm translated(core_->Config(), prompts_, desktop_);
    QCOMPARE(translated.windowTitle(), QString("Full caption"));
    QCOMPARE(Find<QPushButton>(&translated, "btnOK")->text(), QString("Full OK"));
    QVERIFY(languages.Current()->FoundByClassName);

    // One control shown with another entry's texts, and back.
    auto* cancel = Find<QPushButton>(&translated, "btnCancel");
    QVERIFY(TranslateControlAs(cancel, &translated, "btnOK"));
    QCOMPARE(cancel->text(), QString("Full OK"));
    QVERIFY(!TranslateControlAs(cancel, &translated, "noSuchEntry"));
    QCOMPARE(cancel->text(), QString("&Cancel"));
  }

  // Pictures of every page, for the eye; the second ctest run makes them at twice the size.
  void Screenshots() {
    for (const char* language : {"ENU", "DEU"}) {
      Start(std::string("[System]\nDefLanguage=") + language + "\n");
      TOptionsForm form(core_->Config(), prompts_, desktop_);
      form.resize(form.sizeHint().expandedTo(QSize(520, 380)));
      form.show();
      QVERIFY(QTest::qWaitForWindowExposed(&form));
      auto* tabs = Find<QTabWidget>(&form, "PageOption");
      QDir().mkpath("screenshots");
      for (int i = 0; i < tabs->count(); ++i) {
        tabs->setCurrentIndex(i);
        const QPixmap picture = form.grab();
        QVERIFY(qFuzzyCompare(picture.devicePixelRatio(), form.devicePixelRatioF()));
        const QString name = QString("screenshots/options_%1_%2@%3x.png")
                                 .arg(QString(language).toLower(), tabs->widget(i)->objectName())
                                 .arg(qRound(picture.devicePixelRatio()));
        QVERIFY(picture.save(name));
      }
    }
  }
};

}  // namespace fc::gui

QTEST_MAIN(fc::gui::TOptionsFormTest)
#include "options_form_test.moc"
