// Start-up: the main window runs as a modal dialog; when it closes, the
// program ends with exit code 0. An image file named as the one argument is
// opened as "Открыть" opens it, once the window shows.
#include <QApplication>
#include <QMetaObject>

#include "image/platform_seam.h"
#include "ui/main_window.h"
#include "ui/program_resources.h"
#include "ui/qt_window_services.h"
#include "ui/russian_translations.h"

int main(int argc, char** argv) {
  // Qt is handed no command line: the one argument is a file name, never an
  // option of Qt's.
  const auto arguments = flashdisk::platform::Utf8Arguments(argc, argv);
  int qt_argc = 1;
  char* qt_argv[] = {argv[0], nullptr};
  QApplication application(qt_argc, qt_argv);
  flashdisk::InstallRussianTranslations(application);
  QApplication::setWindowIcon(flashdisk::ProgramIcon());
  flashdisk::QtWindowServices services;
  flashdisk::MainWindow window(services);
  if (arguments.size() > 1) {
    const QString image = QString::fromStdString(arguments[1]);
    // Queued, so that a message about the file is owned by the shown window.
    QMetaObject::invokeMethod(
        &window, [&window, image] { window.OpenImageFile(image); }, Qt::QueuedConnection);
  }
  window.exec();
  return 0;
}
