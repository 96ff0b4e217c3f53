// The Customize dialog on the offscreen platform: a task customised from the main window
// gets the settings confirmed with OK and keeps its own after Cancel; links that are no web
// address are refused; the profile page saves and deletes the user's profiles at once; the
// credit is placed with the mouse and the keys. The live player is a still here (the web
// view has tests of its own).

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <cmath>
#include <filesystem>
#include <functional>

#include "core/text.h"
#include "credit_feature.h"
#include "fake_prompts.h"
#include "flash/title_animations.h"
#include "gui/color_button.h"
#include "gui/credit_overlay_view.h"
#include "gui/customize_form.h"
#include "gui/main_window.h"
#include "gui/model/job_texts.h"
#include "gui/profile_pane.h"
#include "playback/media_player.h"
#include "profiles/profile_catalogue.h"

namespace fc::gui {

class TCustomizeFormTest : public TWindowTest {
  Q_OBJECT

  QString clip_;
  QString profiles_;  // a copy of the program's profile files: Save As writes beside them
  std::unique_ptr<TProfileCatalogue> catalogue_;

  std::unique_ptr<TCustomizeForm> Open(const TSwfFeature& feature = TSwfFeature(), int32_t format_id = 101) {
    TCustomProfileSettings custom;
    custom.FormatId = format_id;
    custom.VideoWidth = 640;
    custom.VideoHeight = 480;
    auto form = std::make_unique<TCustomizeForm>(Context(), catalogue_.get(), feature, custom);
    form->SetFontChooser([](QWidget*, const TMediaTaskFont&) {
      return std::optional<TMediaTaskFont>(TMediaTaskFont{.Name = "DejaVu Sans", .Size = 24, .Color = 0x00FF00,
                                                          .Style = kTextBold});
    });
    form->show();
    form->activateWindow();
    if (!QTest::qWaitForWindowActive(form.get())) qWarning("the dialog is not active");
    return form;
  }
  static void Click(QWidget* form, const char* name) { Find<QAbstractButton>(form, name)->click(); }
  // The last message shown is the text of `key`.
  bool LastMessageIs(const char* key) const {
    return !prompts_.Messages.empty() && prompts_.Messages.back() == QString::fromStdString(MessageText({key, {}}));
  }
  static void SelectTemplate(QWidget* form, const char* list_name, const QString& name) {
    auto* list = Find<QListWidget>(form, list_name);
    for (int i = 0; i < list->count(); ++i)
      if (list->item(i)->toolTip() == name) {
        list->setCurrentRow(i);
        return;
      }
    qFatal("no template %s", qPrintable(name));
  }

  // The changes the OK and Cancel tests make: on the Generate page the video in the movie and
  // a click link; on the template page the skin, its colour and an opening title.
  static void MakeChanges(TCustomizeForm& form) {
    Click(&form, "btnNext");
    Click(&form, "RadioButton_GSwf_Embed");
    Click(&form, "CheckBox_GClick");
    Find<QLineEdit>(&form, "Edit_GClick_Url")->setText("https://example.org/a");
    Find<QComboBox>(&form, "cmb_GClick_Target")->setCurrentText("_self");
    Click(&form, "btnNext");
    QCOMPARE(form.Page(), TCustomizePage::Template);
    SelectTemplate(&form, "FSPhotoView_SkinList", "Minimal");
    Find<TColorButton>(&form, "ColorBox_SkinColor")->SetColor(0x0000FF);
    Find<QTabWidget>(&form, "PageControl_Template")->setCurrentIndex(4);  // Head
    Click(&form, "cbHead");
    Find<QComboBox>(&form, "cbbHeadTransition")->setCurrentIndex(2);
    Find<QSpinBox>(&form, "seHeadDuration")->setValue(4);
    Find<QPlainTextEdit>(&form, "mmHeadContent")->setPlainText("Hello\nWorld");
  }

  // Opens Customize from the main window on its only task and lets `drive` work the dialog.
  bool CustomizeFromMainWindow(TMainForm& main, const std::function<void(TCustomizeForm&)>& drive) {
    bool seen = false;
    QTimer::singleShot(0, [&] {
      if (!QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }, 20000)) return;
      auto* form = qobject_cast<TCustomizeForm*>(QApplication::activeModalWidget());
      seen = form != nullptr;
      if (form) drive(*form);
      if (QApplication::activeModalWidget()) QApplication::activeModalWidget()->close();
    });
    main.CustomizeSelected();
    return seen;
  }

  std::unique_ptr<TMainForm> MainWithClip() {
    auto main = std::make_unique<TMainForm>(Context());
    main->show();
    main->AddPaths({clip_.toStdString()}, false);
    main->ProfilePane().ChooseProfile(101);
    auto* list = Find<QTreeWidget>(main.get(), "lvFileList");
    list->setCurrentItem(list->topLevelItem(0));
    return main;
  }

private slots:
  void initTestCase() {
    // The preview movies go into a cache of this run's own.
    qputenv("XDG_CACHE_HOME", (dir_.path() + "/cache").toUtf8());
    clip_ = dir_.path() + "/clip.mp4";
    if (!MakeClip(clip_, 2)) QSKIP("ffmpeg cannot make the test clip");
  }
  void init() {
    Start("[System]\nDefLanguage=ENU\n");
    profiles_ = dir_.path() + "/profiles";
    std::filesystem::remove_all(profiles_.toStdString());
    std::filesystem::create_directories(profiles_.toStdString());
    for (const char* file : {"profile.dat", "format.dat"})
      QVERIFY(QFile::copy(QString(FLARECAST_PROGRAM_DIR "/") + file, profiles_ + "/" + file));
    catalogue_ = std::make_unique<TProfileCatalogue>();
    catalogue_->LoadCatalogue(profiles_.toStdString());
  }
  void cleanup() {
    catalogue_.reset();
    core_.reset();
  }

  void OkGivesTheTaskTheSettings() {
    auto main = MainWithClip();
    TMediaTask& task = *main->JobList().Item(0)->Task();
    QVERIFY(CustomizeFromMainWindow(*main, [](TCustomizeForm& form) {
      QCOMPARE(form.windowTitle(), QString("Customize : Step 1 of 3"));
      MakeChanges(form);
      Click(&form, "btnOK");
      QCOMPARE(form.result(), int(QDialog::Accepted));
    }));
    const TSwfFeature& flash = task.Flash;
    QVERIFY(QString::fromStdString(flash.PlayerID).endsWith("/Minimal.png"));
    QCOMPARE(flash.Skin.SkinColor, TColor{0x0000FF});
    QCOMPARE(flash.Generate.SwfType, kSwfTypeEmbedded);
    QVERIFY(flash.Playback.LaunchClicking);
    QCOMPARE(QString::fromStdString(flash.Playback.ClickingUrl), QString("https://example.org/a"));
    QCOMPARE(QString::fromStdString(flash.Playback.ClickingTarget), QString("_self"));
    QVERIFY(flash.Head.Visible);
    QCOMPARE(QString::fromStdString(flash.Head.Content), QString("Hello#13World"));
    QCOMPARE(QString::fromStdString(flash.Head.NameID), QString::fromStdString(std::string(TextEffects()[2].ID)));
    QCOMPARE(flash.Head.Time, 4);
    QCOMPARE(flash.Base.Width, 320);  // the profile's frame, from the first page
    QCOMPARE(task.FormatId, 101);
  }

  void CancelLeavesTheTaskAsItWas() {
    auto main = MainWithClip();
    TMediaTask& task = *main->JobList().Item(0)->Task();
    const TSwfFeature before = task.Flash;
    QVERIFY(CustomizeFromMainWindow(*main, [](TCustomizeForm& form) {
      MakeChanges(form);
      Click(&form, "btnCancel");
      QCOMPARE(form.result(), int(QDialog::Rejected));
    }));
    QCOMPARE(QString::fromStdString(task.Flash.PlayerID), QString::fromStdString(before.PlayerID));
    QCOMPARE(task.Flash.Skin.SkinColor, before.Skin.SkinColor);
    QCOMPARE(task.Flash.Generate.SwfType, before.Generate.SwfType);
    QCOMPARE(task.Flash.Head.Visible, before.Head.Visible);
    QCOMPARE(task.Flash.Playback.LaunchClicking, before.Playback.LaunchClicking);
    QCOMPARE(QString::fromStdString(task.Flash.Playback.ClickingUrl),
             QString::fromStdString(before.Playback.ClickingUrl));
  }

  void LinksThatAreNoWebAddressAreRefused() {
    auto form = Open();
    Click(form.get(), "btnNext");
    Click(form.get(), "CheckBox_GClick");
    auto* link = Find<QLineEdit>(form.get(), "Edit_GClick_Url");
    link->setText("javascript:alert(1)");
    QVERIFY(!link->styleSheet().isEmpty());  // shown as wrong while typing or pasting
    Click(form.get(), "btnNext");
    QVERIFY(LastMessageIs("INF_HyperlinkBeginError"));
    QCOMPARE(form->Page(), TCustomizePage::Generate);
    QCOMPARE(QApplication::focusWidget(), link);
    // OK refuses it too, and the dialog stays.
    Click(form.get(), "btnOK");
    QVERIFY(form->isVisible());
    QCOMPARE(form->result(), 0);
    link->clear();  // an empty field is accepted
    Click(form.get(), "btnNext");
    QCOMPARE(form->Page(), TCustomizePage::Template);

    // The credit's link, checked when a credit is added.
    Find<QTabWidget>(form.get(), "PageControl_Template")->setCurrentIndex(0);
    Click(form.get(), "CheckBox_IsDecorate");
    Find<QLineEdit>(form.get(), "edtURL")->setText("file:///etc/passwd");
    prompts_.Messages.clear();
    Click(form.get(), "btnOK");
    QVERIFY(LastMessageIs("INF_HyperlinkBeginError"));
    QCOMPARE(Find<QTabWidget>(form.get(), "PageControl_Template")->currentWidget()->objectName(), QString("tsDecorate"));
    Find<QLineEdit>(form.get(), "edtURL")->setText("http://");  // left as it starts: no link
    Click(form.get(), "btnOK");
    QCOMPARE(form->result(), int(QDialog::Accepted));
    QVERIFY(form->SwfFeature().Decorate.IsDecorate);
    QVERIFY(form->SwfFeature().Text.URL.empty());
  }

  void TheUrlVariableKeepsNamesOnly() {
    auto form = Open();
    Click(form.get(), "btnNext");
    auto* variable = Find<QLineEdit>(form.get(), "Edt_GSwf_URLVar");
    QVERIFY(!variable->isEnabled());
    Click(form.get(), "RadioButton_GSwf_URL");
    QVERIFY(variable->isEnabled());
    QCOMPARE(variable->text(), QString("abc"));  // filled when it became enabled empty
    QVERIFY(Find<QCheckBox>(form.get(), "CheckBox_GHtml")->isChecked());
    variable->setText("my-var; alert(1)");  // as pasted
    QCOMPARE(variable->text(), QString("myvaralert1"));
    QTest::keyClicks(variable, " _2-");
    QCOMPARE(variable->text(), QString("myvaralert1_2"));
    // Both outputs off is impossible, and without the SWF there is no template page.
    Click(form.get(), "CheckBox_GSwf");
    QVERIFY(!Find<QPushButton>(form.get(), "btnNext")->isEnabled());
    QVERIFY(!Find<QCheckBox>(form.get(), "CheckBox_GHtml")->isChecked());
    Click(form.get(), "CheckBox_GFlv");
    QVERIFY(Find<QCheckBox>(form.get(), "CheckBox_GFlv")->isChecked());
    Click(form.get(), "btnOK");
    QCOMPARE(form->result(), int(QDialog::Accepted));
    QVERIFY(!form->SwfFeature().Generate.GenerateSwf);
  }

  void TheProfilePageKeepsItsLimits() {
    auto form = Open();
    auto* width = Find<QSpinBox>(form.get(), "seVideoWidth");
    auto* height = Find<QSpinBox>(form.get(), "seVideoHeight");
    QCOMPARE(width->value(), 640);
    QCOMPARE(height->value(), 480);
    QVERIFY(Find<QCheckBox>(form.get(), "CheckBox_vProportional")->isChecked());
    width->setValue(320);
    QCOMPARE(height->value(), 240);
    height->setValue(3000);  // clamped to the spin's range, the width following
    QCOMPARE(height->value(), kMaxFrameSize);
    QCOMPARE(width->value(), kMaxFrameSize);
    auto* rate = Find<QComboBox>(form.get(), "cboVFRate");
    rate->setEditText("45");
    QCOMPARE(rate->currentText(), QString("30"));
    rate->setEditText("2a5");
    QCOMPARE(rate->currentText(), QString("25"));
    // Too large for the profile check: OK says so and stays on the first page.
    Click(form.get(), "btnOK");
    QVERIFY(LastMessageIs("INF_Reso_Error"));
    QCOMPARE(form->Page(), TCustomizePage::Profile);
    width->setValue(480);
    height->setValue(360);
    Click(form.get(), "btnOK");
    QCOMPARE(form->result(), int(QDialog::Accepted));
    QCOMPARE(form->CustomProfile().VideoWidth, 480);
    QCOMPARE(form->CustomProfile().VideoFrameRate, 25.0);
    QCOMPARE(form->CustomProfile().FormatId, 101);
  }

  void SaveAsAndDeleteWriteTheProfileFileAtOnce() {
    auto form = Open();
    const std::string user_file = catalogue_->UserFile();
    prompts_.Texts.push_back("My small FLV");
    Find<QSpinBox>(form.get(), "seVideoWidth")->setValue(400);
    Click(form.get(), "btnSaveAs");
    QVERIFY(form->ProfilesChanged());
    QCOMPARE(Find<QComboBox>(form.get(), "cboProfile")->currentText(), QString("My small FLV"));
    QVERIFY(Find<QPushButton>(form.get(), "btnDelete")->isEnabled());
    TProfileCatalogue reread;
    reread.LoadCatalogue(profiles_.toStdString());
    QCOMPARE(reread.User().Count(), size_t{1});
    QCOMPARE(reread.User().Item(0)->Width, 400);
    QCOMPARE(reread.User().Item(0)->Height, 300);  // proportional

    Click(form.get(), "btnDelete");
    TProfileCatalogue after_delete;
    after_delete.LoadCatalogue(profiles_.toStdString());
    QCOMPARE(after_delete.User().Count(), size_t{0});
    QVERIFY(Find<QComboBox>(form.get(), "cboProfile")->findText("My small FLV") < 0);
    QVERIFY(!Find<QPushButton>(form.get(), "btnDelete")->isEnabled());
    // A cancelled name makes nothing.
    Click(form.get(), "btnSaveAs");
    QCOMPARE(catalogue_->User().Count(), size_t{0});
  }

  void TheReplacementSoundHasItsOwnPlayer() {
    auto form = Open();
    auto* play = Find<QPushButton>(form.get(), "btnplay");
    QVERIFY(!play->isEnabled());  // nothing to play yet
    prompts_.Files.push_back({clip_});
    Find<QLineEdit>(form.get(), "FSButtonEdit_AReplaceAudio")->actions().first()->trigger();
    QVERIFY(form->AudioPlayer());
    QVERIFY(play->isEnabled());
    QVERIFY(form->AudioPlayer()->MovieLength() > 1.5);
    // The part played: from 0.5 s to the end.
    form->AudioPlayer()->Seek(0.5);
    QVERIFY(QTest::qWaitFor([&] { return std::abs(form->AudioPlayer()->PlayedTime() - 0.5) < 0.05; }, 3000));
    Click(form.get(), "btnClipStart");
    Click(form.get(), "CheckBox_AReplaceLoop");
    Click(form.get(), "btnplay");
    QVERIFY(QTest::qWaitFor([&] { return form->AudioPlayer()->State() == fc::TPlayerState::Playing; }, 5000));
    // Leaving the page stops it.
    Click(form.get(), "btnNext");
    QVERIFY(form->AudioPlayer()->State() != fc::TPlayerState::Playing);
    Click(form.get(), "btnBack");
    // Without sound nothing of it can be used.
    Click(form.get(), "CheckBox_EnableAudio");
    QVERIFY(!play->isEnabled());
    QVERIFY(!Find<QLineEdit>(form.get(), "FSButtonEdit_AReplaceAudio")->isEnabled());
    Click(form.get(), "CheckBox_EnableAudio");
    Click(form.get(), "btnOK");
    QCOMPARE(form->result(), int(QDialog::Accepted));
    const TProfileAdd& add = form->SwfFeature().ProfileAdd;
    QVERIFY(add.AudioEnabled);
    QVERIFY(add.ReplaceLoop);
    QCOMPARE(QString::fromStdString(add.ReplaceAudio), clip_);
    QVERIFY(std::abs(add.ClipStartPos - 0.5) < 0.05);
    QVERIFY(add.ClipEndPos > 1.5);
  }

  void TheCreditIsPlacedWithTheMouseAndTheKeys() {
    auto form = Open(test::TextCreditFeature(24, 64, 48));
    Click(form.get(), "btnNext");
    Click(form.get(), "btnNext");
    QVERIFY(form->CreditOverlay());
    TCreditOverlayItem* text = form->CreditOverlay()->TextItem();
    QVERIFY(text && text->isVisible());
    // 640 x 480 shown in 320 x 281 (the video in the top 240 rows).
    QCOMPARE(text->pos(), QPoint(32, 24));
    QTest::mousePress(text, Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mouseMove(text, QPoint(70, 78));
    QTest::mouseRelease(text, Qt::LeftButton, {}, QPoint(2, 2));  // where the cursor is on the moved text
    QCOMPARE(text->pos(), QPoint(100, 100));
    QTest::keyClick(text, Qt::Key_Right, Qt::ShiftModifier);
    QTest::keyClick(text, Qt::Key_Up);
    QCOMPARE(text->pos(), QPoint(110, 99));
    Click(form.get(), "btnOK");
    QCOMPARE(form->result(), int(QDialog::Accepted));
    QCOMPARE(form->SwfFeature().Text.X, 220);
    QCOMPARE(form->SwfFeature().Text.Y, 198);
  }

  void ThePictureFrameResizesAndNeverVanishes() {
    const QString picture = dir_.path() + "/logo.png";
    QImage logo(400, 200, QImage::Format_ARGB32);
    logo.fill(QColor(255, 0, 0, 180));
    QVERIFY(logo.save(picture));
    auto form = Open();
    Click(form.get(), "btnNext");
    Click(form.get(), "btnNext");
    Find<QTabWidget>(form.get(), "PageControl_Template")->setCurrentIndex(3);  // Decorate
    Click(form.get(), "CheckBox_IsDecorate");
    Click(form.get(), "rbWaterMarkImage");
    prompts_.Files.push_back({dir_.path() + "/missing.png"});
    Find<QLineEdit>(form.get(), "beWaterMarkImage")->actions().first()->trigger();
    QVERIFY(LastMessageIs("INF_WatermarkPicError"));
    prompts_.Files.push_back({picture});
    Find<QLineEdit>(form.get(), "beWaterMarkImage")->actions().first()->trigger();
    TCreditOverlayItem* frame = form->CreditOverlay()->PictureItem();
    QVERIFY(frame && frame->isVisible());
    QCOMPARE(frame->size(), QSize(288, 144));  // 0.72 of the picture: it is wider than the player
    // The bottom-right corner dragged far up and left: 15 x 15 at least.
    QTest::mousePress(frame, Qt::LeftButton, {}, QPoint(287, 143));
    QTest::mouseMove(frame, QPoint(-200, -200));
    QTest::mouseRelease(frame, Qt::LeftButton, {}, QPoint(-200, -200));
    QCOMPARE(frame->size(), QSize(15, 15));
    QTest::keyClick(frame, Qt::Key_Right, Qt::ControlModifier);
    QCOMPARE(frame->size(), QSize(16, 15));
    // Dragged down, it stops above the control bar.
    QTest::mousePress(frame, Qt::LeftButton, {}, QPoint(7, 7));
    QTest::mouseMove(frame, QPoint(7, 400));
    QTest::mouseRelease(frame, Qt::LeftButton, {}, QPoint(7, 400 - frame->y()));
    QCOMPARE(frame->y() + frame->height(), 240);
    Click(form.get(), "btnOK");
    QCOMPARE(form->result(), int(QDialog::Accepted));
    const TImageInfo& image = form->SwfFeature().Image;
    QVERIFY(image.Visible);
    QCOMPARE(image.Width, 32);  // 16 of 320 preview pixels in a 640-pixel frame
    QCOMPARE(image.Y + image.Height, 480);
  }

  void ThePreviewMovieFollowsTheSettings() {
    auto form = Open();
    Click(form.get(), "btnNext");
    Click(form.get(), "btnNext");
    QVERIFY(!form->PreviewMovie().empty());  // built on arrival
    QVERIFY(std::filesystem::is_regular_file(form->PreviewMovie()));
    const auto built = std::filesystem::last_write_time(form->PreviewMovie());
    // A spin change waits for quiet, a click does not.
    QTest::qWait(20);
    Find<QSpinBox>(form.get(), "SpinEdit_HideDelay")->setValue(9);
    QCOMPARE(std::filesystem::last_write_time(form->PreviewMovie()), built);
    QVERIFY(QTest::qWaitFor([&] { return std::filesystem::last_write_time(form->PreviewMovie()) != built; }, 3000));
    QCOMPARE(form->SwfFeature().Skin.HideDelay, 9);
    // Back on the Generate page nothing is rebuilt, and the credit's overlays are gone.
    Click(form.get(), "btnBack");
    QCOMPARE(form->Page(), TCustomizePage::Generate);
    QVERIFY(!form->CreditOverlay());
  }

  void Screenshots() {
    auto form = Open(test::TextCreditFeature(28, 24, 24));
    form->resize(980, 640);
    SaveScreenshot(*form, "customize_profile");
    Click(form.get(), "btnNext");
    SaveScreenshot(*form, "customize_generate");
    Click(form.get(), "btnNext");
    auto* tabs = Find<QTabWidget>(form.get(), "PageControl_Template");
    tabs->setCurrentIndex(0);
    SaveScreenshot(*form, "customize_template");
    tabs->setCurrentIndex(3);
    SaveScreenshot(*form, "customize_credit");
    // With the video in the movie, the title screens.
    Click(form.get(), "btnBack");
    Click(form.get(), "RadioButton_GSwf_Embed");
    Click(form.get(), "btnNext");
    tabs->setCurrentIndex(4);
    Click(form.get(), "cbHead");
    Find<QPlainTextEdit>(form.get(), "mmHeadContent")->setPlainText("Flarecast Pro\npresents");
    SaveScreenshot(*form, "customize_title");
  }
};

}  // namespace fc::gui

QTEST_MAIN(fc::gui::TCustomizeFormTest)
#include "customize_form_test.moc"
