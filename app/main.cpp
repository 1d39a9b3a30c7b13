// Start-up: --help and --version answer on standard output without a
// window; otherwise the main window runs as a modal dialog, opening the image
// named on the command line first, and when it closes the program ends with
// exit code 0.
#include <QApplication>
#include <QMetaObject>
#include <cstdio>
#include <system_error>

#include "image/platform_seam.h"
#include "ui/main_window.h"
#include "ui/program_resources.h"
#include "ui/qt_window_services.h"
#include "ui/run_folders.h"
#include "ui/russian_translations.h"
#include "ui/start_arguments.h"

int main(int argc, char** argv) {
  // Before anything can change the current folder.
  std::error_code no_folder;
  const auto start = flashdisk::ReadStartArguments(flashdisk::platform::Utf8Arguments(argc, argv),
                                                   std::filesystem::current_path(no_folder));
  if (start.action != flashdisk::StartAction::kOpenWindow) {
    const flashdisk::platform::Utf8Console console;
    const auto text = start.action == flashdisk::StartAction::kPrintUsage
                          ? flashdisk::UsageText()
                          : flashdisk::VersionText();
    std::fputs(text.c_str(), stdout);
    return 0;
  }
  // Qt is handed no command line: the one argument is a file name, never an
  // option of Qt's.
  int qt_argc = 1;
  char* qt_argv[] = {argv[0], nullptr};
  QApplication application(qt_argc, qt_argv);
  flashdisk::InstallRussianTranslations(application);
  QApplication::setWindowIcon(flashdisk::ProgramIcon());
  flashdisk::RemoveFoldersOfEndedRuns();
  // Asked to end, the program ends as after "Выход" with nothing to ask, so
  // that its folders go with it; every event loop, a modal one too, ends.
  flashdisk::platform::WatchEndRequests([] {
    QMetaObject::invokeMethod(
        qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
  });
  flashdisk::QtWindowServices services;
  flashdisk::MainWindow window(services);
  if (start.image) {
    window.OpenImageAtStart(*start.image);
  }
  window.exec();
  return 0;
}
