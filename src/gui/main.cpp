// flarecast: start-up of the GUI. The core start-up (settings, log, languages) is shared
// with flarecast-cli; the windows come on top of it: the language file switches, the style
// sheet skin, the splash window and the main window.
//
// A second running copy is allowed: it finds the log of the first one locked and writes its
// own (Log(1).txt, ...), so the two never mix their lines.

#include <QApplication>
#include <QCommandLineParser>
#include <QElapsedTimer>
#include <QFile>
#include <QLinearGradient>
#include <QMessageBox>
#include <QPainter>
#include <QSplashScreen>
#include <QThread>
#include <QTimer>

#include <iostream>

#include "core/application.h"
#include "core/config_keys.h"
#include "core/error.h"
#include "core/version.h"
#include "gui/flash_preview.h"
#include "gui/form_list.h"
#include "gui/main_window.h"
#include "gui/model/desktop_actions.h"
#include "gui/model/startup_switches.h"
#include "gui/user_prompts.h"

namespace {

using namespace fc;
using namespace fc::gui;

// The splash picture, drawn at the screen's pixel ratio so that it is sharp on HiDPI.
QPixmap SplashPicture(const QString& title, qreal ratio) {
  const QSize size(440, 200);
  QPixmap picture(size * ratio);
  picture.setDevicePixelRatio(ratio);
  QPainter painter(&picture);
  painter.setRenderHint(QPainter::Antialiasing);
  QLinearGradient fill(0, 0, 0, size.height());
  fill.setColorAt(0, QColor(0xE8, 0x4A, 0x1B));
  fill.setColorAt(1, QColor(0x8C, 0x1C, 0x0A));
  painter.fillRect(QRect(QPoint(0, 0), size), fill);
  painter.setPen(Qt::white);
  QFont font = painter.font();
  font.setPointSize(24);
  font.setBold(true);
  painter.setFont(font);
  painter.drawText(QRect(24, 40, size.width() - 48, 60), Qt::AlignLeft | Qt::AlignVCenter, title);
  font.setPointSize(10);
  font.setBold(false);
  painter.setFont(font);
  painter.drawText(QRect(24, 110, size.width() - 48, 30), Qt::AlignLeft | Qt::AlignVCenter,
                   "Version " + QString::fromStdString(TApplicationCore::VersionText()));
  return picture;
}

// Shows a message and waits, unless the program was told to end after ms milliseconds.
void ShowInformation(const QString& text, int quit_after_ms) {
  QMessageBox box(QMessageBox::Information, "Information", text);
  if (quit_after_ms >= 0) QTimer::singleShot(quit_after_ms, &box, &QMessageBox::accept);
  box.exec();
}

void LoadSkin(QApplication& app, const TApplicationCore& core) {
  QFile file(QString::fromStdString(SkinStyleSheetFile(core.ProgramFolder(), core.Config())));
  if (file.open(QIODevice::ReadOnly)) app.setStyleSheet(QString::fromUtf8(file.readAll()));
}

}  // namespace

int main(int argc, char** argv) {
  QApplication::setHighDpiScaleFactorRoundingPolicy(Qt::HighDpiScaleFactorRoundingPolicy::PassThrough);
  // The Customize page plays its preview movie in a web view over our own URL scheme.
  TFlashPreview::RegisterScheme();
  QApplication qt_app(argc, argv);
  QApplication::setApplicationName("flarecast");
  QApplication::setApplicationVersion(QString::fromStdString(TApplicationCore::VersionText()));

  QCommandLineParser parser;
  parser.setApplicationDescription(
      "Flarecast Pro: video to Flash.\n"
      "MakeLangRes[:file] writes the translatable texts of every window (default MakeNewLang.dat),\n"
      "MakeFormRes[:file] the full window definitions (default MakeForms.xml), and ends.");
  parser.addHelpOption();
  parser.addVersionOption();
  QCommandLineOption ini_option("ini", "Use this settings file instead of flarecast.ini.", "file");
  QCommandLineOption quit_option("quit-after", "Close the main window after this many milliseconds.", "ms");
  parser.addOption(ini_option);
  parser.addOption(quit_option);
  parser.addPositionalArgument("files", "Video files to add, or MakeLangRes[:file] or MakeFormRes[:file].",
                               "[file|switch...]");
  parser.process(qt_app);
  const int quit_after_ms = parser.isSet(quit_option) ? parser.value(quit_option).toInt() : -1;

  TStartupOptions startup;
  startup.IniFile = parser.value(ini_option).toStdString();
  TApplicationCore core(startup);
  for (const std::string& warning : core.Warnings()) std::cerr << "flarecast: " << warning << "\n";

  TDesktopPrompts prompts;
  TSystemDesktopActions desktop;
  const TFormContext context{core.Config(), prompts, desktop, core.ProgramFolder()};
  std::vector<std::string> args;
  for (const QString& arg : parser.positionalArguments()) args.push_back(arg.toStdString());
  if (const auto resource = FindLanguageResourceSwitch(args)) {
    try {
      SaveLanguageResource(resource->FileName, context, resource->OnlyTranslatable);
    } catch (const Error& e) {
      std::cerr << "flarecast: " << e.what() << "\n";
      return 1;
    }
    ShowInformation("Make language resource file successfully complete.\r\n" + QString::fromStdString(resource->FileName),
                    quit_after_ms);
    return 0;
  }

  LoadSkin(qt_app, core);

  const QString title =
      QString::fromStdString(core.Config().ReadString(keys::kSystem, keys::kFullName, kProductName));
  QSplashScreen splash(SplashPicture(title, qt_app.devicePixelRatio()));
  splash.show();
  QElapsedTimer shown;
  shown.start();
  while (shown.elapsed() < 100) {
    QApplication::processEvents();
    QThread::msleep(1);
  }

  TMainForm window(context);
  window.show();
  // Files named on the command line ("Open with") are added as if they were dropped.
  const std::vector<std::string> files = StartupFiles(args);
  if (!files.empty()) QTimer::singleShot(0, &window, [&window, files] { window.AddPaths(files, true); });
  QTimer::singleShot(500, &splash, &QWidget::close);
  if (quit_after_ms >= 0) QTimer::singleShot(quit_after_ms, &window, &QWidget::close);
  return QApplication::exec();
}
