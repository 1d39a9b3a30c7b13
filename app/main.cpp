// Start-up: the main window runs as a modal dialog; when it closes, the
// program ends with exit code 0.
#include <QApplication>

#include "ui/main_window.h"
#include "ui/program_resources.h"
#include "ui/qt_window_services.h"
#include "ui/russian_translations.h"

int main(int, char** argv) {
  // The program takes no command line, so Qt is not handed one either.
  int qt_argc = 1;
  char* qt_argv[] = {argv[0], nullptr};
  QApplication application(qt_argc, qt_argv);
  flashdisk::InstallRussianTranslations(application);
  QApplication::setWindowIcon(flashdisk::ProgramIcon());
  flashdisk::QtWindowServices services;
  flashdisk::MainWindow window(services);
  window.exec();
  return 0;
}
