// flarecast: start-up of the GUI. The core start-up (settings, log, languages) is shared
// with flarecast-cli; the windows come on top of it.

#include <QApplication>
#include <QCommandLineParser>
#include <QTimer>

#include <iostream>

#include "core/application.h"
#include "gui/main_window.h"

int main(int argc, char** argv) {
  QApplication qt_app(argc, argv);
  QApplication::setApplicationName("flarecast");
  QApplication::setApplicationVersion(QString::fromStdString(fc::TApplicationCore::VersionText()));

  QCommandLineParser parser;
  parser.setApplicationDescription("Flarecast Pro: video to Flash.");
  parser.addHelpOption();
  parser.addVersionOption();
  QCommandLineOption ini_option("ini", "Use this settings file instead of flarecast.ini.", "file");
  QCommandLineOption quit_option("quit-after", "Close the main window after this many milliseconds.", "ms");
  parser.addOption(ini_option);
  parser.addOption(quit_option);
  parser.process(qt_app);

  fc::TStartupOptions startup;
  startup.IniFile = parser.value(ini_option).toStdString();
  fc::TApplicationCore core(startup);
  for (const std::string& warning : core.Warnings()) std::cerr << "flarecast: " << warning << "\n";

  fc::gui::TMainForm window;
  window.show();
  if (parser.isSet(quit_option)) QTimer::singleShot(parser.value(quit_option).toInt(), &window, &QWidget::close);
  return QApplication::exec();
}
