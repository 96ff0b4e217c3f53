// The main window and its profile pane on the offscreen platform.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProgressBar>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProcess>
#include <QPushButton>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeWidget>

#include <deque>
#include <fstream>
#include <functional>

#include "core/application.h"
#include "core/config.h"
#include "core/config_keys.h"
#include "core/language.h"
#include "core/version.h"
#include "gui/form_list.h"
#include "gui/main_window.h"
#include "gui/model/desktop_actions.h"
#include "gui/profile_pane.h"
#include "gui/progress_form.h"
#include "gui/user_prompts.h"
#include "gui/customize_form.h"
#include "gui/dvd_load_form.h"
#include "gui/video_clip_form.h"
#include "gui/video_edit_form.h"
#include "test_dvd.h"
#include "fake_prompts.h"

namespace fc::gui {

class TMainFormTest : public TWindowTest {
  Q_OBJECT

  QString clip_;  // the generated 2-second clip


  // A copy of the generated clip under another name.
  QString Clip(const QString& name) {
    const QString path = dir_.path() + "/" + name;
    QFile::remove(path);
    QFile::copy(clip_, path);
    return path;
  }
  static QTreeWidget* List(TMainForm& form) { return Find<QTreeWidget>(&form, "lvFileList"); }
  static QAction* Action(TMainForm& form, const char* name) { return Find<QAction>(&form, name); }
  static void Key(TMainForm& form, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
    QTest::keyClick(List(form), static_cast<Qt::Key>(key), modifiers);
  }

  // Runs `command`, which opens a modal dialog, and answers it: true when it was a T.
  template <class T>
  static bool AnswerDialog(const std::function<void()>& command, bool accept) {
    bool seen = false;
    QTimer::singleShot(0, [&seen, accept] {
      if (!QTest::qWaitFor([] { return QApplication::activeModalWidget() != nullptr; }, 20000)) return;
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      seen = qobject_cast<T*>(dialog) != nullptr;
      if (seen && accept)
        dialog->accept();
      else
        dialog->reject();
    });
    command();
    return seen;
  }

  struct TRunOutcome {
    int Result = -1;
    int JobPercent = -1, TotalPercent = -1, Errors = -1;
    QString ErrorTexts;
  };
  // Waits for the running progress window to finish (after `act`, when given) and to go,
  // and tells how it ended (Result -1: no run, -2: it did not end in time).
  TRunOutcome WaitForRun(TMainForm& form, const std::function<void()>& act = {}) {
    TRunOutcome outcome;
    TProgressForm* run = form.ProgressWindow();
    if (!run) return outcome;
    connect(run, &QDialog::finished, this, [&outcome, run](int result) {
      outcome.Result = result;
      outcome.JobPercent = Find<QProgressBar>(run, "pbCurrCvt")->value();
      outcome.TotalPercent = Find<QProgressBar>(run, "pbTotal")->value();
      outcome.Errors = run->Model().Errors();
      for (const std::string& text : run->Model().ErrorTexts()) outcome.ErrorTexts += QString::fromStdString(text) + "\n";
    });
    if (act) act();
    if (!QTest::qWaitFor([&form] { return !form.ProgressWindow(); }, 180000)) outcome.Result = -2;  // still running
    return outcome;
  }
  // Every file under a folder with its size and time of change, sorted.
  static QStringList FilesWithTimes(const QString& folder) {
    QStringList files;
    QDirIterator it(folder, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
      const QFileInfo info(it.next());
      files << QString("%1 %2 %3").arg(info.filePath()).arg(info.size()).arg(info.lastModified().toMSecsSinceEpoch());
    }
    files.sort();
    return files;
  }
  static QStringList LeftoverParts(const QString& folder) { return FilesWithTimes(folder).filter(".part"); }
private slots:
  void initTestCase() {
    clip_ = dir_.path() + "/clip.mp4";
    if (!MakeClip(clip_, 2)) QSKIP("ffmpeg cannot make the test clip");
  }
  void init() { Start("[System]\nDefLanguage=ENU\n"); }
  void cleanup() { core_.reset(); }

  void StartsEmptyWithTheGettingStartedPicture() {
    TMainForm form(Context());
    QCOMPARE(form.objectName(), QString("MainForm"));
    QCOMPARE(form.windowTitle(), QString::fromStdString(core_->Config().ReadString(keys::kSystem, keys::kFullName, kProductName)));
    auto* stack = qobject_cast<QStackedWidget*>(List(form)->parentWidget());
    QVERIFY(stack);
    QCOMPARE(stack->currentWidget()->objectName(), QString("FimgGettingStart"));
    QCOMPARE(List(form)->headerItem()->text(3), QString("Distination File"));
    QVERIFY(!Action(form, "actStart")->isEnabled());
    QVERIFY(!Find<QToolButton>(&form, "btnStart")->isEnabled());
    QVERIFY(!Action(form, "actPasteEffect")->isVisible());
    QVERIFY(form.ProfilePane().SelectedProfile());
    QCOMPARE(form.ProfilePane().SelectedProfile()->EffectiveId(), 101);
  }

  void AddsByTheCommandAndByADrop() {
    TMainForm form(Context());
    prompts_.Files = {{Clip("a.mp4")}};
    form.AddFiles();
    QCOMPARE(List(form)->topLevelItemCount(), 1);
    QCOMPARE(List(form)->topLevelItem(0)->text(0), QString("a.mp4"));
    QCOMPARE(List(form)->topLevelItem(0)->text(3), QString("a.flv"));
    QCOMPARE(List(form)->topLevelItem(0)->checkState(0), Qt::Checked);
    QVERIFY(Action(form, "actStart")->isEnabled());

    // A drop of a file and a folder: the file is added, the folder refused with its message.
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(Clip("b.mp4")), QUrl::fromLocalFile(dir_.path())});
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    const QPoint at = List(form)->mapTo(&form, List(form)->rect().center());
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&form, &drop);
    QCOMPARE(List(form)->topLevelItemCount(), 2);
    QVERIFY(!prompts_.Messages.empty());  // the dropped folder, then the failed path
    QVERIFY(prompts_.Messages[0].startsWith("Folders cannot be dropped here"));
    QCOMPARE(QString::fromStdString(core_->Config().ReadString(keys::kOutput, keys::kRecentVideoFiles, "")),
             dir_.path());
  }

  void ChoosingAProfileChangesTheCheckedTasks() {
    TMainForm form(Context());
    form.AddPaths({Clip("a.mp4").toStdString(), Clip("b.mp4").toStdString()}, false);
    List(form)->topLevelItem(1)->setCheckState(0, Qt::Unchecked);
    form.ProfilePane().ChooseProfile(302);  // MP4 for phones
    QVERIFY(List(form)->topLevelItem(0)->text(3).endsWith(".mp4"));
    QCOMPARE(List(form)->topLevelItem(1)->text(3), QString("b.flv"));  // unchecked: unchanged
    QCOMPARE(form.JobList().Item(0)->Task()->FormatId, 302);
    QCOMPARE(core_->Config().ReadString(keys::kProfile, keys::kRecent, ""), std::string("302"));
    QCOMPARE(core_->Config().ReadInteger("MainForm", "LastProfile", 0), 302);
    // The recent category lists it at once: choosing it there again keeps the pane whole.
    auto* pane = form.ProfilePane().findChild<QTreeWidget*>();
    QVERIFY(pane);
    QTreeWidgetItem* recent = nullptr;
    for (int c = 0; c < pane->topLevelItemCount(); ++c)
      if (pane->topLevelItem(c)->text(0) == "Recently used") recent = pane->topLevelItem(c);
    QVERIFY(recent);
    QTRY_COMPARE(recent->childCount(), 1);
    QCOMPARE(recent->child(0)->text(0), QString::fromStdString(form.ProfilePane().SelectedProfile()->Name));
    emit pane->itemClicked(recent->child(0), 0);
    QTRY_COMPARE(recent->childCount(), 1);
    QCOMPARE(form.ProfilePane().SelectedProfile()->EffectiveId(), 302);
    // The next window starts with it.
    TMainForm next(Context());
    QCOMPARE(next.ProfilePane().SelectedProfile()->EffectiveId(), 302);
  }

  void RenameDeleteAndMoveByKeyboard() {
    TMainForm form(Context());
    form.show();
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    form.AddPaths({Clip("a.mp4").toStdString(), Clip("b.mp4").toStdString(), Clip("c.mp4").toStdString()}, false);
    QTreeWidget* list = List(form);
    form.SelectItems({form.JobList().Item(1)});
    list->setFocus();
    Key(form, Qt::Key_F2);
    auto* editor = qobject_cast<QLineEdit*>(QApplication::focusWidget());
    QVERIFY(editor);
    QCOMPARE(editor->text(), QString("b"));
    editor->setText("a");  // the name of another task
    QTest::keyClick(editor, Qt::Key_Return);
    QTRY_COMPARE(list->topLevelItem(1)->text(3), QString("a(1).flv"));

    list->setFocus();
    form.SelectItems({form.JobList().Item(1)});
    Key(form, Qt::Key_Up, Qt::ControlModifier);
    QCOMPARE(list->topLevelItem(0)->text(0), QString("b.mp4"));
    QCOMPARE(form.Selection(), std::vector<TJobItem*>{form.JobList().Item(0)});
    Key(form, Qt::Key_Down, Qt::ControlModifier);
    Key(form, Qt::Key_Down, Qt::ControlModifier);
    QCOMPARE(list->topLevelItem(2)->text(0), QString("b.mp4"));

    Key(form, Qt::Key_Delete);
    QCOMPARE(list->topLevelItemCount(), 2);
    QCOMPARE(list->topLevelItem(0)->text(0), QString("a.mp4"));
    QCOMPARE(list->topLevelItem(1)->text(0), QString("c.mp4"));
  }

  void EnabledStateFollowsTheSelection() {
    TMainForm form(Context());
    form.AddPaths({Clip("a.mp4").toStdString(), Clip("b.mp4").toStdString()}, false);
    form.SelectItems({});
    QVERIFY(!Action(form, "actRemove")->isEnabled());
    QVERIFY(!Action(form, "actMerge")->isEnabled());
    QVERIFY(Action(form, "actStart")->isEnabled());
    form.SelectItems({form.JobList().Item(0)});
    QVERIFY(Action(form, "actRemove")->isEnabled());
    QVERIFY(Action(form, "actFileInformation")->isEnabled());
    QVERIFY(Action(form, "actCustomize")->isEnabled());
    QVERIFY(Find<QToolButton>(&form, "btnCloneTask")->isEnabled());
    QVERIFY(!Action(form, "actMoveUp")->isEnabled());
    QVERIFY(Action(form, "actMoveDown")->isEnabled());
    form.SelectItems({form.JobList().Item(0), form.JobList().Item(1)});
    QVERIFY(Action(form, "actMerge")->isEnabled());
    QVERIFY(Find<QToolButton>(&form, "btnMergeTask")->isEnabled());
    QVERIFY(!Action(form, "actCustomize")->isEnabled());
    QVERIFY(!Action(form, "actRename")->isEnabled());

    form.MergeSelected();
    QCOMPARE(List(form)->topLevelItemCount(), 3);
    QCOMPARE(List(form)->topLevelItem(2)->childCount(), 2);
    form.SelectItems({form.JobList().Item(0)});
    form.MergeSelected();  // one item: refused with its message
    QCOMPARE(prompts_.Messages.back(), QString::fromStdString(GetString("INF_MainMergeInf")));

    form.CopyEffect();
    QVERIFY(Action(form, "actPasteEffect")->isVisible());
    prompts_.Yes = false;
    form.EffectApplyToAll();  // asked, and the answer No changes nothing
    QVERIFY(prompts_.Messages.back().startsWith("Apply the effect settings"));
  }

  void StartChecks() {
    TMainForm form(Context());
    TFakeQuestions questions;
    form.SetProgressQuestions(questions);
    auto* folder = Find<QComboBox>(&form, "cbOutputDir");
    const QString output = dir_.path() + "/out";
    folder->setEditText(output);
    form.Start();  // nothing in the list
    QCOMPARE(prompts_.Messages.size(), size_t(1));
    QCOMPARE(prompts_.Messages[0], QString::fromStdString(GetString("INF_LackTask", "?")));
    QCOMPARE(form.ProgressWindowRequests(), 0);

    form.AddPaths({Clip("a.mp4").toStdString()}, false);
    std::ofstream((dir_.path() + "/plain").toStdString()) << "a file, never a folder";
    folder->setEditText(dir_.path() + "/plain/out");
    form.Start();
    QCOMPARE(prompts_.Messages.size(), size_t(2));
    QCOMPARE(prompts_.Messages[1], QString::fromStdString(GetString("INF_MainDiscError", "?")));
    QCOMPARE(form.ProgressWindowRequests(), 0);

    folder->setEditText(output);
    form.Start();
    QCOMPARE(form.ProgressWindowRequests(), 1);
    QCOMPARE(QString::fromStdString(form.JobList().Manager().OutputFolder), output);
    QVERIFY(QDir(output).exists());
    QCOMPARE(QString::fromStdString(core_->Config().ReadString(keys::kOutput, keys::kOutputPath, "")), output);
    QCOMPARE(folder->itemText(0), output);
    QCOMPARE(WaitForRun(form).Result, int(QDialog::Accepted));
    QCOMPARE(List(form)->topLevelItemCount(), 1);

    form.FindTarget();
    QCOMPARE(desktop_.Opened.back(), output.toStdString());
  }

  void GermanWindow() {
    Start("[System]\nDefLanguage=DEU\n");
    TMainForm form(Context());
    QCOMPARE(Action(form, "actAddFiles")->text(), QString("Dateien hinzufügen..."));
    QCOMPARE(Find<QPushButton>(&form, "btnBrowse")->text(), QString("Durchsuchen..."));
    QCOMPARE(List(form)->headerItem()->text(3), QString("Zieldatei"));
    // The windows of a run too.
    const std::unique_ptr<QWidget> progress = MakeProgressFormSkeleton();
    QCOMPARE(Find<QCheckBox>(progress.get(), "cbShowPreview")->text(), QString("Vorschau anzeigen"));
    QCOMPARE(Find<QPushButton>(progress.get(), "btnCancel")->text(), QString("&Abbrechen"));
    TConvertQueryForm query;
    QCOMPARE(Find<QPushButton>(&query, "btnNotoAll")->text(), QString("Nein, keine"));
  }

  void WindowStateIsRemembered() {
    {
      TMainForm form(Context());
      form.resize(900, 600);
      form.show();
      QVERIFY(QTest::qWaitForWindowExposed(&form));
      List(form)->setColumnWidth(0, 301);
      form.close();
    }
    TMainForm again(Context());
    QCOMPARE(List(again)->columnWidth(0), 301);
    QVERIFY(!core_->Config().ReadString("MainForm", "Geometry", "").empty());
  }

  void FormFactoriesListTheNewWindows() {
    pugi::xml_document lang;
    MakeLanguageResource(lang, Context(), true);
    for (const char* name : {"MainForm", "ProfilePane", "FileInfoForm", "AboutForm", "OptionsForm"})
      QVERIFY2(lang.select_node((std::string("/LanguageResource/Forms/") + name).c_str()), name);
    QCOMPARE(QString(lang.select_node("/LanguageResource/Forms/MainForm/actRename").node().attribute("Caption").value()),
             QString("Rename"));
  }

  // The edit, trim, Customize and DVD dialogs open from their commands, and what they decide
  // reaches the list.
  void DialogsOpenFromTheirCommands() {
    TMainForm form(Context());
    form.AddPaths({Clip("a.mp4").toStdString()}, false);
    form.SelectItems({form.JobList().Item(0)});
    QVERIFY(AnswerDialog<TVideoEditForm>([&] { Action(form, "actEffect")->trigger(); }, true));
    QVERIFY(AnswerDialog<TCustomizeForm>([&] { Find<QToolButton>(&form, "btnCloneTask")->click(); }, true));
    prompts_.ThreeWay = TAnswer::No;  // leave the clips the dialog began with unsaved
    QVERIFY(AnswerDialog<TVideoClipForm>([&] { Action(form, "actTrim")->trigger(); }, false));
    QCOMPARE(List(form)->topLevelItemCount(), 1);
    QCOMPARE(List(form)->topLevelItem(0)->childCount(), 0);  // cancelled: no clips

    if (!test::HaveDvdTools()) QSKIP("ffmpeg or dvdauthor is not installed");
    QVERIFY(test::MakeTestDvd((dir_.path() + "/dvd").toStdString(), {{3, "0"}}));
    QVERIFY(AnswerDialog<TDVDLoadForm>([&] { form.AddPaths({(dir_.path() + "/dvd/disc").toStdString()}, false); },
                                       false));
    QCOMPARE(List(form)->topLevelItemCount(), 1);  // cancelled: nothing added
    QVERIFY(AnswerDialog<TDVDLoadForm>([&] { form.AddPaths({(dir_.path() + "/dvd/disc").toStdString()}, false); },
                                       true));
    QVERIFY(List(form)->topLevelItemCount() > 1);
  }

  // The whole job as a user does it: a clip added, the FLV profile chosen, an output folder
  // typed, Ctrl+Enter; the progress window runs it to the end and goes, and the folder holds
  // the video, its player movie and its page. A second run answered "No to all" writes
  // nothing.
  void WalkthroughMakesTheFlashPage() {
    TMainForm form(Context());
    TFakeQuestions questions;
    form.SetProgressQuestions(questions);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    form.AddPaths({Clip("walk.mp4").toStdString()}, false);
    form.ProfilePane().ChooseProfile(101);  // FLV
    QCOMPARE(form.JobList().Item(0)->Task()->FormatId, 101);
    const QString output = dir_.path() + "/walk_out";
    Find<QComboBox>(&form, "cbOutputDir")->setEditText(output);

    List(form)->setFocus();
    QTest::keyClick(&form, Qt::Key_Return, Qt::ControlModifier);
    const TRunOutcome first = WaitForRun(form);
    QCOMPARE(first.Result, int(QDialog::Accepted));
    QCOMPARE(first.JobPercent, 100);
    QCOMPARE(first.TotalPercent, 100);
    QVERIFY2(first.Errors == 0, qPrintable(first.ErrorTexts));
    for (const char* name : {"walk.flv", "walk.swf", "walk.HTML"})
      QVERIFY2(QFileInfo(output + "/" + name).size() > 0, name);
    QVERIFY(LeftoverParts(output).isEmpty());
    QVERIFY(form.isEnabled());
    QCOMPARE(List(form)->topLevelItemCount(), 1);  // the list is as the run left it

    const QStringList before = FilesWithTimes(output);
    questions.Overwrite = TOverwriteAnswer::NoToAll;
    form.Start();
    QCOMPARE(questions.Asked.size(), size_t(1));  // the one question about walk.flv
    QTRY_VERIFY(!form.ProgressWindow());
    QCOMPARE(FilesWithTimes(output), before);
  }

  // Cancel in the middle of a run, confirmed: nothing is left in the output folder.
  void CancelInTheMiddleLeavesNoOutput() {
    const QString long_clip = dir_.path() + "/long.mp4";
    QVERIFY(MakeClip(long_clip, 120));  // converting lasts for many progress reports
    TMainForm form(Context());
    TFakeQuestions questions;
    form.SetProgressQuestions(questions);
    form.show();
    form.AddPaths({long_clip.toStdString()}, false);
    const QString output = dir_.path() + "/cancel_out";
    Find<QComboBox>(&form, "cbOutputDir")->setEditText(output);
    form.Start();
    QVERIFY(form.ProgressWindow());
    auto* job_bar = Find<QProgressBar>(form.ProgressWindow(), "pbCurrCvt");
    QTRY_VERIFY_WITH_TIMEOUT(job_bar->value() > 0, 60000);
    QVERIFY(job_bar->value() < 100);
    const TRunOutcome outcome = WaitForRun(form, [&] { form.ProgressWindow()->reject(); });
    QCOMPARE(outcome.Result, int(QDialog::Rejected));
    QVERIFY(questions.Asked.size() == 1);  // "cancel the conversion?"
    QVERIFY(FilesWithTimes(output).isEmpty());
  }

  // Pictures of the windows, for the eye; the second ctest run makes them at twice the size.
  void Screenshots() {
    TMainForm form(Context());
    form.resize(1000, 680);
    SaveScreenshot(form, "main_empty");
    form.AddPaths({Clip("a.mp4").toStdString(), Clip("b.mp4").toStdString()}, false);
    SaveScreenshot(form, "main_items");
    TFileInfoForm info(FileInformation(*form.JobList().Item(0)->Task()));
    SaveScreenshot(info, "file_information");
    TAboutForm about(core_->Config());
    SaveScreenshot(about, "about");
  }
};

}  // namespace fc::gui

QTEST_MAIN(fc::gui::TMainFormTest)
#include "main_form_test.moc"
