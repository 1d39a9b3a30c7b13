// The add-file dialog with an entry planned, held open for a screen reader:
// a file of 300 bytes on a fresh 512k disk needs 512 of the 524032 bytes
// free. Prints "ready" once the dialog shows the plan, and closes it when its
// standard input ends. screen_reader_test.py reads it over AT-SPI.
#include <unistd.h>

#include <QApplication>
#include <QEventLoop>
#include <QSocketNotifier>
#include <QtTest>
#include <cstdio>

#include "tests/support/temporary_folder.h"
#include "tests/ui/support/main_window_session.h"
#include "tests/ui/support/modal_driver.h"
#include "ui/add_file_dialog.h"

using namespace flashdisk;
using namespace flashdisk::testing;

namespace {

// Runs the dialog's events until standard input ends.
void WaitForTheEndOfInput() {
  QEventLoop loop;
  QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
  QObject::connect(&input, &QSocketNotifier::activated, [&loop, &input] {
    char byte = 0;
    if (read(STDIN_FILENO, &byte, 1) <= 0) {
      input.setEnabled(false);
      loop.quit();
    }
  });
  loop.exec();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  const TemporaryFolder folder;
  const auto file = folder.Write("data.bin", CountingBytes(300));
  Session session;
  session.New();
  ModalDriver driver;
  driver.WhenOpen<AddFileDialog>([&](AddFileDialog& dialog) {
    session.services.source_answers.push_back(Path(file));
    QTest::keyRelease(&ById<QLineEdit>(dialog, 1101), Qt::Key_F4);
    std::printf("ready\n");
    std::fflush(stdout);
    WaitForTheEndOfInput();
    Click(dialog, 2);
  });
  Click(session.window, 1004);
  return driver.RanAndClosed() && session.services.errors.empty() ? 0 : 1;
}
