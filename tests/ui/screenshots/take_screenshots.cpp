// Builds the windows in typical states and saves a picture of each, the
// directory's context menu and the check's dialog among them, into FOLDER; scripts/screenshots runs
// it under a virtual X server for the README. With IMAGE it also saves there the image the window
// composed, which lets the Windows run compare the two builds' windows byte for byte.
//   flashdisk-screenshots FOLDER [IMAGE]
#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QListView>
#include <QMenu>
#include <QScreen>
#include <QTabWidget>
#include <QtTest>
#include <cstdio>

#include "tests/support/temporary_folder.h"
#include "tests/ui/support/main_window_session.h"
#include "tests/ui/support/modal_driver.h"
#include "ui/add_file_dialog.h"
#include "ui/check_report_dialog.h"
#include "ui/entry_properties_dialog.h"
#include "ui/entry_viewer.h"
#include "ui/field_text.h"
#include "ui/program_resources.h"
#include "ui/russian_translations.h"

using namespace flashdisk;
using namespace flashdisk::testing;

namespace {

std::vector<std::uint8_t> RksFile(std::uint8_t address_low, std::uint8_t address_high,
                                  std::size_t data_size) {
  auto bytes = Bytes({address_low, address_high, 0, 0});
  const auto data = CountingBytes(data_size);
  bytes.insert(bytes.end(), data.begin(), data.end());
  bytes.push_back(0);
  bytes.push_back(0);
  return bytes;
}

bool Save(QWidget& window, const QDir& folder, const QString& name) {
  QApplication::processEvents();
  const bool saved = window.grab().save(folder.filePath(name));
  std::printf("%s %s\n", saved ? "saved" : "could not save", qPrintable(folder.filePath(name)));
  return saved;
}

void Add(Session& session, const std::filesystem::path& file) {
  ModalDriver driver;
  driver.WhenOpen<AddFileDialog>([&](AddFileDialog& dialog) {
    session.services.source_answers.push_back(Path(file));
    QTest::keyRelease(&ById<QLineEdit>(dialog, 1101), Qt::Key_F4);
    Click(dialog, 1);
  });
  Click(session.window, 1004);
}

// The window with the directory's menu open on the entry in `row`, as the
// screen shows them: the menu is a window of its own.
bool SaveWithMenu(Session& session, int row, const QDir& folder, const QString& name) {
  auto& list = session.List();
  const QPoint where = list.visualRect(list.model()->index(row, 0)).center();
  QTest::mouseClick(list.viewport(), Qt::RightButton, Qt::NoModifier, where);
  QContextMenuEvent request(QContextMenuEvent::Mouse, where, list.viewport()->mapToGlobal(where));
  QApplication::sendEvent(list.viewport(), &request);
  auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
  if (menu == nullptr) {
    return false;
  }
  QTest::qWait(200);
  const QRect area = session.window.geometry().united(menu->geometry());
  const bool saved = session.window.screen()
                         ->grabWindow(0, area.x(), area.y(), area.width(), area.height())
                         .save(folder.filePath(name));
  std::printf("%s %s\n", saved ? "saved" : "could not save", qPrintable(folder.filePath(name)));
  menu->close();
  return saved;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication application(argc, argv);
  // The arguments as Qt reads them: UTF-16 on Windows, whatever the code page.
  const QStringList arguments = QApplication::arguments();
  if (argc < 2 || argc > 3 || arguments.size() != argc) {
    std::fprintf(stderr, "usage: %s FOLDER [IMAGE]\n", argv[0]);
    return 2;
  }
  InstallRussianTranslations(application);
  QApplication::setWindowIcon(ProgramIcon());
  const QDir output(arguments[1]);
  testing::TemporaryFolder sources;
  const auto boot = sources.Write("boot.rks", RksFile(0x00, 0x01, 2042));
  const auto basic = sources.Write("basic.bin", CountingBytes(12000));
  const auto games = sources.Write("games.dat", CountingBytes(70000));
  const auto monitor = sources.Write("monitor.rks", RksFile(0x00, 0xF8, 2042));

  bool saved = true;
  Session session;
  session.New();
  saved &= Save(session.window, output, "main-window-fresh.png");

  Add(session, boot);
  Add(session, basic);
  Add(session, games);
  TypeOver(ById<QLineEdit>(session.window, 1001), "Рабочий диск");
  Click(session.window, 1072);
  session.Save(sources / "work.rom");
  session.List().setFocus();
  saved &= Save(session.window, output, "main-window-entries.png");

  ModalDriver add;
  add.WhenOpen<AddFileDialog>([&](AddFileDialog& dialog) {
    session.services.source_answers.push_back(Path(monitor));
    QTest::keyRelease(&ById<QLineEdit>(dialog, 1101), Qt::Key_F4);
    saved &= Save(dialog, output, "add-file-dialog.png");
    Click(dialog, 2);
  });
  Click(session.window, 1004);

  ModalDriver change;
  change.WhenOpen<EntryPropertiesDialog>([&](EntryPropertiesDialog& dialog) {
    saved &= Save(dialog, output, "entry-properties-dialog.png");
    Click(dialog, 2);
  });
  Click(session.window, 1069);

  saved &= SaveWithMenu(session, 1, output, "directory-menu.png");
  // The first entry's viewer, on its code.
  session.List().setCurrentIndex(session.List().model()->index(0, 0));
  for (QAction* action : session.window.findChild<QMenu*>("DirectoryMenu")->actions()) {
    if (action->text() == "Просмотр…") {
      action->trigger();
    }
  }
  const auto viewers = session.window.findChildren<EntryViewer*>();
  if (viewers.size() == 1) {
    viewers.front()->tabs().setCurrentIndex(1);
    saved &= Save(*viewers.front(), output, "entry-viewer.png");
    viewers.front()->close();
  } else {
    saved = false;
  }
  // The check's report as the window hands it over, in the program's dialog.
  session.services.check_reports.clear();
  auto* menu = session.window.findChild<QMenu*>("DirectoryMenu");
  for (QAction* action : menu->actions()) {
    if (action->text() == "Проверить диск…") {
      action->trigger();
    }
  }
  if (session.services.check_reports.size() == 1) {
    CheckReportDialog check(session.window, session.services.check_reports.front().text);
    check.show();
    saved &= Save(check, output, "check-dialog.png");
  } else {
    saved = false;
  }
  if (argc == 3) {
    session.Save(HostPath(arguments[2]));
  }
  return saved && session.services.errors.empty() ? 0 : 1;
}
