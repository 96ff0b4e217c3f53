#pragma once
// Stand-ins for the user and the desktop in the window tests: answers are queued by the
// test, messages and opened places recorded, and no modal loop ever runs.

#include <QDir>
#include <QObject>
#include <QPixmap>
#include <QTest>
#include <QWidget>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QStringList>
#include <QtGlobal>

#include <deque>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "core/application.h"
#include "gui/form_list.h"
#include "gui/user_prompts.h"
#include "fake_run_answers.h"

namespace fc::gui {

class TFakePrompts final : public TUserPrompts {
public:
  std::vector<QString> Messages;  // messages and questions, in order
  std::deque<QString> Folders;    // answers of the folder chooser; "" (cancel) when used up
  std::deque<QStringList> Files;  // answers of the file chooser; none (cancel) when used up
  bool Yes = false;               // the answer to every question
  TAnswer ThreeWay = TAnswer::Cancel;  // the answer to every Yes/No/Cancel question
  std::deque<QString> Texts;      // answers of the text box; cancel (a null text) when used up

  void ShowMessage(QWidget*, const QString& text) override { Messages.push_back(text); }
  bool AskYesNo(QWidget*, const QString& text) override {
    Messages.push_back(text);
    return Yes;
  }
  TAnswer AskYesNoCancel(QWidget*, const QString& text) override {
    Messages.push_back(text);
    return ThreeWay;
  }
  QString ChooseFolder(QWidget*, const QString&, const QString&) override { return Next(Folders); }
  QStringList ChooseFiles(QWidget*, const QString&, const QString&, bool) override { return Next(Files); }
  QString AskText(QWidget*, const QString&, const QString& prompt, const QString&) override {
    Messages.push_back(prompt);
    return Next(Texts);
  }

private:
  template <typename T>
  static T Next(std::deque<T>& answers) {
    if (answers.empty()) return {};
    T next = answers.front();
    answers.pop_front();
    return next;
  }
};

// A named child of a window; the test ends when it is missing.
template <typename T>
T* Find(QObject* form, const char* name) {
  T* w = form->findChild<T*>(name);
  if (!w) qFatal("no %s", name);
  return w;
}

// What every window test starts from: a fresh core over its own settings file, and the
// stand-ins for the user and the desktop.
class TWindowTest : public QObject {
protected:
  QTemporaryDir dir_;
  std::unique_ptr<TApplicationCore> core_;
  TFakePrompts prompts_;
  TFakeDesktop desktop_;

  std::string Ini() const { return (dir_.path() + "/flarecast.ini").toStdString(); }

  // A fresh start of the program's core with these settings in its file.
  void Start(const std::string& settings) {
    core_.reset();
    std::ofstream(Ini(), std::ios::binary) << settings;
    core_ = std::make_unique<TApplicationCore>(
        TStartupOptions{.ProgramFolder = FLARECAST_PROGRAM_DIR, .IniFile = Ini(), .OpenLog = false});
    prompts_ = TFakePrompts();
    desktop_ = TFakeDesktop();
  }
  TFormContext Context() { return TFormContext{core_->Config(), prompts_, desktop_, FLARECAST_PROGRAM_DIR}; }
  // Shows the window and saves it as screenshots/NAME@<scale>x.png.
  void SaveScreenshot(QWidget& window, const QString& name) {
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QPixmap picture = window.grab();
    QDir().mkpath("screenshots");
    QVERIFY(picture.save(QString("screenshots/%1@%2x.png").arg(name).arg(qRound(picture.devicePixelRatio()))));
  }
  // A clip of generated pictures with a tone, made with the ffmpeg tool; false when it fails.
  static bool MakeClip(const QString& path, int seconds) {
    QProcess ffmpeg;
    const QString length = QString::number(seconds);
    ffmpeg.start("ffmpeg", {"-nostdin", "-v", "error", "-y", "-f", "lavfi", "-i",
                            "testsrc2=size=320x240:rate=25:duration=" + length, "-f", "lavfi", "-i",
                            "sine=frequency=440:sample_rate=44100:duration=" + length, "-c:v", "libx264", "-preset",
                            "ultrafast", "-pix_fmt", "yuv420p", "-c:a", "aac", "-ac", "1", path});
    return ffmpeg.waitForFinished(60000) && ffmpeg.exitCode() == 0;
  }
};

}  // namespace fc::gui
