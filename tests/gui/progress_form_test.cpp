// The progress window over real conversions of generated clips, on the offscreen platform:
// the bars, the Flash files, the questions, pause, cancel, the countdown and the desktop
// session services, all answered by fakes.

#include <QCheckBox>
#include <QDir>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "core/config.h"
#include "core/language.h"
#include "gui/form_list.h"
#include "gui/model/desktop_actions.h"
#include "gui/progress_form.h"
#include "gui/run_session.h"
#include "gui/translate.h"
#include "gui/user_prompts.h"
#include "profiles/profile_catalogue.h"
#include "tasks/task_builder.h"
#include "fake_prompts.h"

namespace fc::gui {
namespace {

namespace fs = std::filesystem;

constexpr int kRunTimeoutMs = 180000;

// Records what the window asked of the desktop session.
struct TSessionLog {
  std::vector<std::string> Events;
};

class TFakeRunSession final : public TRunSession {
public:
  explicit TFakeRunSession(TSessionLog& log) : log_(log) {}
  void InhibitSleep() override { log_.Events.push_back("inhibit"); }
  void ReleaseSleep() override { log_.Events.push_back("release"); }
  void Notify(const std::string& title, const std::string& text) override {
    log_.Events.push_back("notify " + title + ": " + text);
  }

private:
  TSessionLog& log_;
};

bool HaveFfmpeg() { return std::system("command -v ffmpeg >/dev/null 2>&1") == 0; }

void SaveScreenshot(QWidget* window, const QString& name) {
  QDir().mkpath("screenshots");
  const QPixmap picture = window->grab();
  QVERIFY(qFuzzyCompare(picture.devicePixelRatio(), window->devicePixelRatioF()));
  QVERIFY(picture.save(QString("screenshots/%1@%2x.png").arg(name).arg(qRound(picture.devicePixelRatio()))));
}

}  // namespace

class TProgressFormTest : public QObject {
  Q_OBJECT

  QTemporaryDir dir_;
  TProfileCatalogue catalogue_;
  std::string short_clip_, long_clip_;
  fs::path out_;
  std::unique_ptr<TMediaTaskMgr> manager_;
  std::unique_ptr<TMainLoop> loop_;
  TFakeQuestions questions_;
  TFakeDesktop desktop_;
  TSessionLog session_;

  std::string MakeClip(const std::string& name, int seconds, const std::string& size) {
    const std::string path = (dir_.path() + "/" + QString::fromStdString(name)).toStdString();
    if (fs::exists(path)) return path;
    const std::string command = "ffmpeg -nostdin -v error -y -f lavfi -i testsrc2=size=" + size +
                                ":rate=25:duration=" + std::to_string(seconds) +
                                " -f lavfi -i sine=frequency=440:sample_rate=44100:duration=" + std::to_string(seconds) +
                                " -c:v mpeg4 -c:a aac -ac 1 '" + path + "'";
    if (std::system(command.c_str()) != 0) qFatal("could not make %s", path.c_str());
    return path;
  }

  // Tasks through the FLV profile into the output folder, as the main window adds them.
  void Add(const std::string& input) {
    const TProfileItem* profile = catalogue_.FindProfile(101);  // FLV
    QVERIFY(profile);
    AddRunTasks(*manager_, *profile, {input}, out_);
  }

  std::unique_ptr<TProgressForm> MakeForm(TProgressSettings settings = {}) {
    auto form = std::make_unique<TProgressForm>(*manager_, *loop_, questions_, desktop_, std::move(settings));
    form->SetRunSession(std::make_unique<TFakeRunSession>(session_));
    return form;
  }

  std::vector<std::string> Files() const { return FileNamesIn(out_); }

  static bool WaitForEnd(TProgressForm& form) {
    return QTest::qWaitFor([&] { return !form.isVisible(); }, kRunTimeoutMs);
  }

private slots:
  void initTestCase() {
    if (!HaveFfmpeg()) QSKIP("the ffmpeg tool is not installed");
    catalogue_.LoadCatalogue(FLARECAST_SOURCE_DATA_DIR);
    short_clip_ = MakeClip("clip.mp4", 2, "160x120");
    long_clip_ = MakeClip("long.mp4", 12, "320x240");
  }

  void init() {
    TLanguageMgr::Instance().SelectLanguage("ENU");
    out_ = fs::path(dir_.path().toStdString()) / QTest::currentTestFunction();
    fs::remove_all(out_);
    fs::create_directories(out_);
    manager_ = std::make_unique<TMediaTaskMgr>();
    manager_->DefaultFlash.Generate.GenerateThumbnail = false;
    loop_ = std::make_unique<TMainLoop>();
    questions_ = TFakeQuestions();
    desktop_ = TFakeDesktop();
    session_ = TSessionLog();
  }

  void cleanup() {
    manager_.reset();
    loop_.reset();
  }

  void ARunFillsBothBarsAndWritesTheFlashPage() {
    Add(short_clip_);
    auto form = MakeForm();
    QCOMPARE(form->objectName(), QString("ConvertingForm"));
    int job_max = 0, total_max = 0;
    bool saw_percent_title = false, shot = false;
    connect(Find<QProgressBar>(form.get(), "pbCurrCvt"), &QProgressBar::valueChanged, [&](int v) {
      job_max = std::max(job_max, v);
    });
    connect(Find<QProgressBar>(form.get(), "pbTotal"), &QProgressBar::valueChanged, [&](int v) {
      total_max = std::max(total_max, v);
    });
    connect(form.get(), &QWidget::windowTitleChanged, [&](const QString& title) {
      saw_percent_title |= title.contains("% - Converting");
    });
    QVERIFY(form->Begin());
    QVERIFY(form->isVisible());
    QVERIFY(!form->isModal());
    QCOMPARE(session_.Events, std::vector<std::string>{"inhibit"});
    auto* preview = Find<TPreviewPanel>(form.get(), "pnlPreview");
    // The running window with a picture, once one has arrived.
    QVERIFY(QTest::qWaitFor([&] { return preview->HasPicture() || !form->isVisible(); }, kRunTimeoutMs));
    if (preview->HasPicture()) {
      form->resize(form->sizeHint().expandedTo(QSize(480, 520)));
      SaveScreenshot(form.get(), "progress_running");
      shot = true;
    }
    QVERIFY(WaitForEnd(*form));
    QVERIFY(shot);
    QCOMPARE(form->result(), int(QDialog::Accepted));
    QCOMPARE(job_max, 100);
    QCOMPARE(total_max, 100);
    QVERIFY(saw_percent_title);
    QCOMPARE(form->windowTitle(), QString("100% - Converting"));
    QCOMPARE(Find<QLabel>(form.get(), "lblTotalPro")->text(), QString("Total progress:  [1 / 1]"));
    QCOMPARE(Files(), (std::vector<std::string>{"clip.HTML", "clip.flv", "clip.swf", "ruffle"}));
    QCOMPARE(questions_.Told, std::vector<std::string>{"Information: The conversion is complete."});
    QCOMPARE(session_.Events, (std::vector<std::string>{"inhibit", "release",
                                                        "notify 100% - Converting: The conversion is complete."}));

    // Again into the same folder, answered "No to all": nothing runs and nothing is written.
    const auto written = fs::last_write_time(out_ / "clip.flv");
    questions_ = TFakeQuestions();
    questions_.Overwrite = TOverwriteAnswer::NoToAll;
    session_ = TSessionLog();
    auto second = MakeForm();
    QVERIFY(!second->Begin());
    QVERIFY(!second->isVisible());
    QCOMPARE(second->result(), int(QDialog::Rejected));
    QCOMPARE(questions_.Asked, std::vector<std::string>{"Are you sure you want to replace the existing file 'clip.flv'?"});
    QVERIFY(questions_.Told.empty());
    QVERIFY(session_.Events.empty());
    QCOMPARE(fs::last_write_time(out_ / "clip.flv"), written);
    QCOMPARE(Files().size(), size_t(4));
  }

  void CancelConfirmedLeavesNoOutput() {
    Add(long_clip_);
    auto form = MakeForm();
    QVERIFY(form->Begin());
    QVERIFY(QTest::qWaitFor([&] { return form->Model().JobPercent() >= 10; }, kRunTimeoutMs));
    QTest::mouseClick(Find<QPushButton>(form.get(), "btnCancel"), Qt::LeftButton);
    QVERIFY(!form->isVisible());
    QCOMPARE(form->result(), int(QDialog::Rejected));
    QCOMPARE(questions_.Asked, std::vector<std::string>{"Do you really want to cancel the conversion?"});
    QVERIFY(questions_.Told.empty());
    QCOMPARE(Files(), std::vector<std::string>{});
    QCOMPARE(session_.Events, (std::vector<std::string>{"inhibit", "release"}));  // no notification
  }

  void PauseResumeAndCancelNotConfirmed() {
    Add(long_clip_);
    auto form = MakeForm();
    auto* pause = Find<QPushButton>(form.get(), "btnPause");
    QCOMPARE(pause->text(), QString("&Pause"));
    QVERIFY(form->Begin());
    QVERIFY(QTest::qWaitFor([&] { return form->Model().JobPercent() >= 5; }, kRunTimeoutMs));
    QTest::mouseClick(pause, Qt::LeftButton);
    QCOMPARE(form->Model().State(), TProgressState::Paused);
    QCOMPARE(pause->text(), QString("&Resume"));
    QTest::mouseClick(pause, Qt::LeftButton);
    QCOMPARE(form->Model().State(), TProgressState::Running);
    QCOMPARE(pause->text(), QString("&Pause"));

    // Closing the window is Cancel; answered No, the run goes on to its end.
    questions_.Confirm = false;
    form->close();
    QVERIFY(form->isVisible());
    QCOMPARE(questions_.Asked.size(), size_t(1));
    QVERIFY(WaitForEnd(*form));
    QCOMPARE(form->result(), int(QDialog::Accepted));
    QVERIFY(fs::exists(out_ / "long.swf"));
  }

  void CountdownCountsAndCancelStopsIt() {
    Add(short_clip_);
    auto form = MakeForm();
    auto* shut_down = Find<QCheckBox>(form.get(), "cbShutdown");
    auto* open_target = Find<QCheckBox>(form.get(), "cbOpenTarget");
    QVERIFY(!Find<QCheckBox>(form.get(), "cbOpenUrl")->isEnabled());  // no page to open
    open_target->setChecked(true);
    shut_down->setChecked(true);
    QVERIFY(!open_target->isChecked());  // power-off excludes the others
    QVERIFY(form->Begin());
    QVERIFY(QTest::qWaitFor([&] { return form->ShutDownWindow() != nullptr; }, kRunTimeoutMs));
    TShutDownForm* countdown = form->ShutDownWindow();
    QVERIFY(countdown->isVisible());
    QVERIFY(form->isVisible());  // the window waits for the countdown
    auto* info = Find<QLabel>(countdown, "lblInfo");
    QCOMPARE(info->text(), QString("The conversion is complete. The computer will shut down in 30 seconds."));
    countdown->Second();
    countdown->Second();
    QCOMPARE(info->text(), QString("The conversion is complete. The computer will shut down in 28 seconds."));
    countdown->resize(countdown->sizeHint().expandedTo(QSize(360, 120)));
    SaveScreenshot(countdown, "progress_countdown");
    QTest::mouseClick(Find<QPushButton>(countdown, "btnCancel"), Qt::LeftButton);
    QVERIFY(!countdown->isVisible());
    QVERIFY(!form->isVisible());
    QCOMPARE(form->result(), int(QDialog::Accepted));
    QCOMPARE(desktop_.PowerOffs, 0);
    QVERIFY(desktop_.Opened.empty());
    QCOMPARE(questions_.Told, std::vector<std::string>{"Information: The conversion is complete."});
    // The one-second timer no longer counts.
    QTest::qWait(1200);
    QCOMPARE(info->text(), QString("The conversion is complete. The computer will shut down in 28 seconds."));
  }

  void ShutDownNowPowersOffOnce() {
    Add(short_clip_);
    auto form = MakeForm();
    Find<QCheckBox>(form.get(), "cbShutdown")->setChecked(true);
    QVERIFY(form->Begin());
    QVERIFY(QTest::qWaitFor([&] { return form->ShutDownWindow() != nullptr; }, kRunTimeoutMs));
    QTest::mouseClick(Find<QPushButton>(form->ShutDownWindow(), "btnShutDown"), Qt::LeftButton);
    QCOMPARE(desktop_.PowerOffs, 1);
    QVERIFY(!form->isVisible());
    form->ShutDownWindow()->Second();
    QCOMPARE(desktop_.PowerOffs, 1);
  }

  void UnwritableFolderEndsWithTheErrorMessage() {
    Add(short_clip_);
    const fs::path file = out_ / "a file";
    std::ofstream(file) << "x";
    manager_->OutputFolder = (file / "sub").string();  // not even root can make this folder
    auto form = MakeForm();
    QVERIFY(form->Begin());
    QVERIFY(WaitForEnd(*form));
    QCOMPARE(questions_.Told, std::vector<std::string>{
                                  "Information: Errors occurred during the conversion. Some files may not have been converted."});
    QCOMPARE(Files(), std::vector<std::string>{"a file"});
    QCOMPARE(session_.Events.back(),
             std::string("notify 100% - Converting: Errors occurred during the conversion. Some files may not have been converted."));
  }

  void OverwriteQuestionAnswers() {
    const struct {
      const char* Button;
      TOverwriteAnswer Answer;
    } kCases[] = {{"btnYes", TOverwriteAnswer::Yes},
                  {"btnYestoAll", TOverwriteAnswer::YesToAll},
                  {"btnNo", TOverwriteAnswer::No},
                  {"btnNotoAll", TOverwriteAnswer::NoToAll},
                  {"btnCancel", TOverwriteAnswer::Cancel}};
    for (const auto& c : kCases) {
      TConvertQueryForm form;
      form.SetQuestion("Are you sure you want to replace the existing file 'clip.flv'?");
      form.show();
      QTest::mouseClick(Find<QPushButton>(&form, c.Button), Qt::LeftButton);
      QCOMPARE(form.Answer(), c.Answer);
    }
    TConvertQueryForm closed;
    closed.show();
    closed.close();
    QCOMPARE(closed.Answer(), TOverwriteAnswer::Cancel);

    TConvertQueryForm shown;
    QCOMPARE(shown.windowTitle(), QString("Confirm"));
    shown.SetQuestion("Are you sure you want to replace the existing file 'clip.flv'?");
    shown.show();
    QVERIFY(QTest::qWaitForWindowExposed(&shown));
    SaveScreenshot(&shown, "progress_overwrite");
  }

  void TheDesktopSessionWithoutABusLetsTheRunGoOn() {
    // As in CI: neither bus can be reached.
    qputenv("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=/nonexistent/system_bus_socket");
    qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/session_bus_socket");
    QElapsedTimer clock;
    clock.start();
    TDBusRunSession session;
    session.InhibitSleep();
    session.Notify("Converting", "The conversion is complete.");
    session.ReleaseSleep();
    session.ReleaseSleep();
    QVERIFY(clock.elapsed() < 5000);  // nothing waits for a bus that is not there
  }

  void TheWindowsAreInTheLanguageFileSkeleton() {
    TFakePrompts prompts;
    TFakeDesktop desktop;
    const TConfig config;
    pugi::xml_document doc;
    pugi::xml_node all = doc.append_child("Forms");
    for (const TFormFactory& factory : FormFactories()) {
      const std::string name = factory.Name;
      if (name != "ConvertingForm" && name != "ConvertQueryForm" && name != "ShutDownForm") continue;
      const std::unique_ptr<QWidget> form = factory.Create(TFormContext{config, prompts, desktop, FLARECAST_PROGRAM_DIR});
      QCOMPARE(form->objectName(), QString::fromStdString(name));
      WriteFormElement(form.get(), all, true);
    }
    const pugi::xml_node forms = all;
    QCOMPARE(QString(forms.child("ConvertingForm").attribute("Caption").value()), QString("Converting"));
    QCOMPARE(QString(forms.child("ConvertingForm").child("btnPause").attribute("Caption").value()), QString("&Pause"));
    QCOMPARE(QString(forms.child("ConvertingForm").child("lblTotalPro").attribute("Caption").value()),
             QString("Total progress:  [%d / %d]"));
    QCOMPARE(QString(forms.child("ConvertQueryForm").child("btnNotoAll").attribute("Caption").value()),
             QString("No to All"));
    QCOMPARE(QString(forms.child("ShutDownForm").attribute("Caption").value()), QString("ShutDownInfo"));
  }
};

}  // namespace fc::gui

QTEST_MAIN(fc::gui::TProgressFormTest)
#include "progress_form_test.moc"
