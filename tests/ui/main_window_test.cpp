// The main window driven as a person does: New, Open, Save, the label, the
// directory list and the dialog keys, checked against the files it writes.
#include <QComboBox>
#include <QGroupBox>
#include <QListView>
#include <QProcess>
#include <QPushButton>
#include <QtTest>
#include <chrono>
#include <future>
#include <thread>

#include "image/platform_seam.h"
#include "image/utf8_path.h"
#include "tests/support/temporary_folder.h"
#include "tests/ui/support/disk_bytes.h"
#include "tests/ui/support/main_window_session.h"
#include "tests/ui/support/modal_driver.h"
#include "tests/ui/support/scripted_window_services.h"
#include "tests/ui/support/window_driving.h"
#include "ui/entry_properties_dialog.h"
#include "ui/field_text.h"
#include "ui/main_window.h"
#include "ui/start_arguments.h"

using namespace flashdisk;
using namespace flashdisk::testing;

namespace {

// A 64k disk with 256-byte sectors, labelled "ДИСК", system load address
// ABCD, system size 4660, and two entries: "BOOT" (Executable, 4 data bytes,
// at 256) and "BIG" (Big, data size 65536 + 100, at 512).
std::vector<std::uint8_t> DiskWithTwoEntries() {
  return DiskBytes(65536)
      .Put(0, Bytes({0xAA, 0x55, 0x00, 0x00, 0x01, 0x00, 0x00, 0x01}))
      .Put(8, Bytes({0xC4, 0xC8, 0xD1, 0xCA, 0x00}))
      .Put(40, Bytes({0xCD, 0xAB, 0x34, 0x12, 0x00, 0x01, 0x00, 0x00}))
      .Put(256, Bytes({0xE6, 0xDF, 'B', 'O', 'O', 'T', 0x00}))
      .Put(290, Bytes({0x00, 0x30, 0x04, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00}))
      .Put(300, Bytes({0xDE, 0xAD, 0xBE, 0xEF}))
      .Put(512, Bytes({0xE6, 0xBF, 'B', 'I', 'G', 0x00}))
      .Put(546, Bytes({0x10, 0x00, 0x64, 0x00, 0x01, 0x00, 0x00, 0x02, 0x00, 0x00}))
      .bytes();
}

// The header of a fresh 512k disk with 256-byte sectors.
std::vector<std::uint8_t> Fresh512kHeader() {
  auto header = Bytes({0xAA, 0x55, 0x00, 0x00, 0x08, 0x00, 0x00, 0x01, 0x00});
  header.insert(header.end(), 31, 0xFF);
  const auto rest = Bytes({0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00});
  header.insert(header.end(), rest.begin(), rest.end());
  return header;
}

// A left click on the directory list's entry in `row`.
void ClickEntry(Session& session, int row, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  auto& list = session.List();
  QTest::mouseClick(list.viewport(), Qt::LeftButton, modifiers,
                    list.visualRect(list.model()->index(row, 0)).center());
}

// The three ways out of the window: Esc, "Выход" and the close box.
constexpr int kWaysToLeave = 3;
void Leave(Session& session, int way) {
  switch (way) {
    case 0:
      QTest::keyClick(&ById<QLineEdit>(session.window, 1001), Qt::Key_Escape);
      break;
    case 1:
      Click(session.window, 2);
      break;
    default:
      session.window.close();
  }
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { QVERIFY(NoWindowOpen()); }

  void startsWithDefaultSizesAndNoImage() {
    Session session;
    QCOMPARE(session.window.windowTitle(), QString("Составитель образов FLASH-диска"));
    QVERIFY(!session.window.windowIcon().isNull());
    QCOMPARE(session.DiskSizes().count(), 6);
    QCOMPARE(session.DiskSizes().itemText(0), QString("64k"));
    QCOMPARE(session.DiskSizes().itemText(5), QString("2048k"));
    QCOMPARE(session.DiskSizes().currentText(), QString("512k"));
    QCOMPARE(session.SectorSizes().count(), 5);
    QCOMPARE(session.SectorSizes().itemText(0), QString("1"));
    QCOMPARE(session.SectorSizes().currentText(), QString("256"));
    QCOMPARE(session.List().model()->rowCount(), 0);
    for (const int id : {1015, 1016, 1017, 1043, 1058, 1059, 1060}) {
      QCOMPARE(FieldText(session.window, id), QString("0"));
    }
    QCOMPARE(QApplication::focusWidget(), &ById<QPushButton>(session.window, 1051));
  }

  void saveWithoutImageFailsAndLeavesTheFileAlone() {
    Session session;
    testing::TemporaryFolder folder;
    const auto file = folder.Write("old.rom", Bytes({1, 2, 3}));
    session.Save(file);
    QCOMPARE(session.services.ErrorTexts(), QStringList{"Ошибка записи файла!"});
    QCOMPARE(session.services.errors[0].owner.data(), &session.window);
    QCOMPARE(FieldText(session.window, 1049), QString("old.rom"));
    QCOMPARE(ReadBytes(file), Bytes({1, 2, 3}));
  }

  void newWithUntouchedListsMakesA512kDisk() {
    Session session;
    session.New();
    QCOMPARE(session.services.new_image_questions, 1);
    QCOMPARE(FieldText(session.window, 1043), QString("524032"));
    QCOMPARE(FieldText(session.window, 1015), QString("0000"));
    QCOMPARE(FieldText(session.window, 1016), QString("0"));
    QCOMPARE(FieldText(session.window, 1017), QString("256"));
    QCOMPARE(FieldText(session.window, 1001), QString());
    QCOMPARE(FieldText(session.window, 1058), QString("0000"));
    QCOMPARE(session.List().model()->rowCount(), 0);

    testing::TemporaryFolder folder;
    session.Save(folder / "fresh.rom");
    const auto saved = ReadBytes(folder / "fresh.rom");
    QCOMPARE(saved.size(), std::size_t{524288});
    QCOMPARE(FileBytes(folder / "fresh.rom", 0, 48), Fresh512kHeader());
    QVERIFY(std::all_of(saved.begin() + 48, saved.end(), [](auto byte) { return byte == 0xFF; }));
  }

  void newAnsweredNoChangesNothing() {
    Session session;
    session.services.new_image_answers.push_back(false);
    Click(session.window, 1051);
    QCOMPARE(session.services.new_image_questions, 1);
    QCOMPARE(FieldText(session.window, 1043), QString("0"));
    QCOMPARE(FieldText(session.window, 1017), QString("0"));
  }

  void newUsesTheChosenSizes() {
    Session session;
    session.DiskSizes().setFocus();
    for (int step = 0; step < 3; ++step) {
      QTest::keyClick(&session.DiskSizes(), Qt::Key_Up);
    }
    session.SectorSizes().setFocus();
    QTest::keyClick(&session.SectorSizes(), Qt::Key_Home);
    QCOMPARE(session.DiskSizes().currentText(), QString("64k"));
    QCOMPARE(session.SectorSizes().currentText(), QString("1"));
    session.New();
    QCOMPARE(FieldText(session.window, 1017), QString("48"));
    QCOMPARE(FieldText(session.window, 1043), QString("65488"));
  }

  void openShowsHeaderListAndFirstEntry() {
    Session session;
    testing::TemporaryFolder folder;
    const auto file = folder.Write("two.rom", DiskWithTwoEntries());
    session.Open(file);
    QVERIFY(session.services.errors.empty());
    QCOMPARE(FieldText(session.window, 1049), QString("two.rom"));
    QCOMPARE(session.DiskSizes().currentText(), QString("64k"));
    QCOMPARE(session.SectorSizes().currentText(), QString("256"));
    QCOMPARE(FieldText(session.window, 1001), QString("ДИСК"));
    QCOMPARE(FieldText(session.window, 1015), QString("ABCD"));
    QCOMPARE(FieldText(session.window, 1016), QString("4660"));
    QCOMPARE(FieldText(session.window, 1017), QString("256"));
    QCOMPARE(FieldText(session.window, 1043), QString("64512"));
    QCOMPARE(session.ListedNames(), (QStringList{"BOOT", "BIG"}));
    QCOMPARE(session.window.SelectedEntryPosition(), std::optional<std::uint32_t>(256));
    QCOMPARE(FieldText(session.window, 1058), QString("3000"));
    QCOMPARE(FieldText(session.window, 1059), QString("4"));
    QCOMPARE(FieldText(session.window, 1060), QString("256"));
    QVERIFY(IsTicked(session.window, 1063));
    QVERIFY(!IsTicked(session.window, 1033));
  }

  void selectingAnEntryShowsItsFields() {
    Session session;
    testing::TemporaryFolder folder;
    session.Open(folder.Write("two.rom", DiskWithTwoEntries()));
    ClickEntry(session, 1);
    QCOMPARE(session.window.SelectedEntryPosition(), std::optional<std::uint32_t>(512));
    QCOMPARE(FieldText(session.window, 1058), QString("0010"));
    QCOMPARE(FieldText(session.window, 1059), QString("65636"));
    QCOMPARE(FieldText(session.window, 1060), QString("512"));
    QVERIFY(IsTicked(session.window, 1033));
    QVERIFY(!IsTicked(session.window, 1063));
    QTest::keyClick(&session.List(), Qt::Key_Up);
    QCOMPARE(FieldText(session.window, 1058), QString("3000"));
  }

  void theListNeverLosesItsSelection() {
    Session session;
    testing::TemporaryFolder folder;
    session.Open(folder.Write("two.rom", DiskWithTwoEntries()));
    auto& list = session.List();
    const QPoint below(list.viewport()->width() / 2, list.viewport()->height() - 2);
    const auto second_stays_selected = [&] {
      QCOMPARE(list.selectionModel()->selectedIndexes().size(), 1);
      QCOMPARE(FieldText(session.window, 1058), QString("0010"));
    };
    ClickEntry(session, 1);
    ClickEntry(session, 1, Qt::ControlModifier);
    second_stays_selected();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier, below);
    second_stays_selected();
    QTest::keyClick(&list, Qt::Key_Space, Qt::ControlModifier);
    second_stays_selected();
    // A new listing selects the first entry again.
    session.Open(folder / "two.rom");
    QCOMPARE(session.window.SelectedEntryPosition(), std::optional<std::uint32_t>(256));
    QCOMPARE(FieldText(session.window, 1058), QString("3000"));
  }

  void theImageNamedAtStartIsTheImageSaved() {
    testing::TemporaryFolder folder;
    std::filesystem::create_directories(folder / "disks");
    std::filesystem::create_directories(folder / "gui");
    const auto file = folder.Write("gui/game.rom", DiskWithTwoEntries());
    const auto start =
        ReadStartArguments({"flashdisk-composer", "../gui/game.rom"}, folder / "disks");
    QVERIFY(start.action == StartAction::kOpenWindow);
    Session session;
    session.window.OpenImageAtStart(*start.image);
    QTRY_COMPARE(session.ListedNames(), (QStringList{"BOOT", "BIG"}));
    // Save proposes the opened file itself, whatever folder is current.
    session.services.save_answers.push_back(std::nullopt);
    Click(session.window, 1);
    const auto proposed = HostPath(session.services.save_requests.at(0).proposed);
    QVERIFY(proposed.is_absolute());
    QVERIFY(std::filesystem::equivalent(proposed, file));

    QVERIFY(ReadStartArguments({"flashdisk-composer", "--help"}, folder.path()).action ==
            StartAction::kPrintUsage);
    QVERIFY(ReadStartArguments({"flashdisk-composer", "--version"}, folder.path()).action ==
            StartAction::kPrintVersion);
    QVERIFY(!ReadStartArguments({"flashdisk-composer"}, folder.path()).image);
  }

  void failedOpenKeepsTheImageAndItsListing() {
    Session session;
    testing::TemporaryFolder folder;
    session.Open(folder.Write("two.rom", DiskWithTwoEntries()));
    session.Open(folder / "missing.rom");
    QCOMPARE(session.services.ErrorTexts(), QStringList{"Ошибка чтения файла!"});
    QCOMPARE(FieldText(session.window, 1049), QString("missing.rom"));
    QCOMPARE(session.ListedNames(), (QStringList{"BOOT", "BIG"}));
    session.Save(folder / "again.rom");
    QCOMPARE(session.services.errors.size(), std::size_t{1});
    QCOMPARE(ReadBytes(folder / "again.rom"), DiskWithTwoEntries());
  }

  void openingAFileThatIsNoImageReportsTheFormat() {
    Session session;
    testing::TemporaryFolder folder;
    session.Open(folder.Write("text.rom", Bytes({'h', 'e', 'l', 'l', 'o'})));
    QCOMPARE(session.services.ErrorTexts(), QStringList{"Ошибка формата диска!"});
    QCOMPARE(session.List().model()->rowCount(), 0);
    QCOMPARE(FieldText(session.window, 1043), QString("0"));
    // There is no image to save now: the save fails and writes nothing.
    session.Save(folder / "none.rom");
    QCOMPARE(session.services.errors.back().text, QString("Ошибка записи файла!"));
    QVERIFY(!std::filesystem::exists(folder / "none.rom"));
  }

  void aBadSectorSizeShowsTheDiskSizeFirst() {
    Session session;
    testing::TemporaryFolder folder;
    session.Open(folder.Write("two.rom", DiskWithTwoEntries()));
    auto odd = DiskBytes(65536)
                   .Put(0, Bytes({0xAA, 0x55, 0x00, 0x00, 0x02, 0x00, 0x88, 0x00}))
                   .Put(8, Bytes({'X', 0x00}))
                   .bytes();
    odd.resize(131072, 0xFF);
    session.Open(folder.Write("odd.rom", odd));
    QCOMPARE(session.services.ErrorTexts(), QStringList{"Ошибка формата диска!"});
    QCOMPARE(session.DiskSizes().currentText(), QString("128k"));
    QCOMPARE(FieldText(session.window, 1001), QString("ДИСК"));
    QCOMPARE(FieldText(session.window, 1015), QString("ABCD"));
  }

  void dialogsShareTheImagePathAndTheLastFilter() {
    Session session;
    testing::TemporaryFolder folder;
    const auto file = folder.Write(PathFromUtf8("Диск два.rom"), DiskWithTwoEntries());
    session.services.filter_to_choose = "Все файлы (*)";
    session.Open(file);
    session.New();
    QCOMPARE(FieldText(session.window, 1049), QString());
    session.services.save_answers.push_back(std::nullopt);
    Click(session.window, 1);
    QCOMPARE(session.services.open_requests[0].proposed, QString());
    QCOMPARE(session.services.open_requests[0].filter, QString("Образы ПЗУ (*.rom)"));
    QCOMPARE(session.services.save_requests[0].proposed, Path(file));
    QCOMPARE(session.services.save_requests[0].filter, QString("Все файлы (*)"));
    QCOMPARE(session.services.save_requests[0].owner.data(), &session.window);
    QCOMPARE(ReadBytes(file), DiskWithTwoEntries());  // cancelled: nothing written
  }

  void applyStoresTheLabelInCodePage1251() {
    Session session;
    session.New();
    TypeOver(ById<QLineEdit>(session.window, 1001), "Диск №1 ☃");
    Click(session.window, 1072);
    testing::TemporaryFolder folder;
    session.Save(folder / "label.rom");
    QCOMPARE(FileBytes(folder / "label.rom", 8, 11),
             Bytes({0xC4, 0xE8, 0xF1, 0xEA, ' ', 0xB9, '1', ' ', '?', 0x00, 0xFF}));

    TypeOver(ById<QLineEdit>(session.window, 1001), QString(40, 'L'));
    Click(session.window, 1072);
    session.Save(folder / "label.rom");
    auto expected = std::vector<std::uint8_t>(31, 'L');
    expected.push_back(0x00);
    QCOMPARE(FileBytes(folder / "label.rom", 8, 32), expected);
  }

  void enterInAFieldSavesAndEnterOnAButtonPressesIt() {
    Session session;
    session.New();
    auto& label = ById<QLineEdit>(session.window, 1001);
    TypeOver(label, "NEW");
    testing::TemporaryFolder folder;
    session.services.save_answers.push_back(Path(folder / "enter.rom"));
    QTest::keyClick(&label, Qt::Key_Return);
    QCOMPARE(session.services.save_requests.size(), std::size_t{1});
    QCOMPARE(FileBytes(folder / "enter.rom", 8, 2), Bytes({0x00, 0xFF}));  // not applied

    // The directory list passes Enter on to the window too.
    session.services.save_answers.push_back(std::nullopt);
    session.List().setFocus();
    QTest::keyClick(&session.List(), Qt::Key_Return);
    QCOMPARE(session.services.save_requests.size(), std::size_t{2});

    auto& open = ById<QPushButton>(session.window, 1050);
    open.setFocus();
    session.services.open_answers.push_back(std::nullopt);
    QTest::keyClick(&open, Qt::Key_Return);
    QCOMPARE(session.services.open_requests.size(), std::size_t{1});
    QCOMPARE(session.services.save_requests.size(), std::size_t{2});
  }

  void typedHeaderFieldsAndTickedBoxesStoreNothing() {
    Session session;
    testing::TemporaryFolder folder;
    session.Open(folder.Write("two.rom", DiskWithTwoEntries()));
    TypeOver(ById<QLineEdit>(session.window, 1015), "1111");
    TypeOver(ById<QLineEdit>(session.window, 1017), "999");
    Click(session.window, 1032);
    QVERIFY(IsTicked(session.window, 1032));
    session.Save(folder / "same.rom");
    QCOMPARE(ReadBytes(folder / "same.rom"), DiskWithTwoEntries());
  }

  void theButtonsWithoutAnActionChangeNothing() {
    Session session;
    testing::TemporaryFolder folder;
    session.Open(folder.Write("two.rom", DiskWithTwoEntries()));
    ClickEntry(session, 1);
    ModalDriver nothing_opens;
    nothing_opens.WhenOpen<QDialog>([](QDialog& dialog) { dialog.reject(); });
    // Система's Добавить and Удалить; Каталог's Вверх, Вниз, Удалить and Сохранить.
    for (const int id : {1026, 1027, 1006, 1007, 1005, 1070}) {
      Click(session.window, id);
    }
    QVERIFY(!nothing_opens.ran());
    QVERIFY(session.services.errors.empty());
    QVERIFY(session.services.unanswered.empty());
    QCOMPARE(session.ListedNames(), (QStringList{"BOOT", "BIG"}));
    QCOMPARE(session.window.SelectedEntryPosition(), std::optional<std::uint32_t>(512));
    session.Save(folder / "same.rom");
    QCOMPARE(ReadBytes(folder / "same.rom"), DiskWithTwoEntries());
    QCOMPARE(ReadBytes(folder / "two.rom"), DiskWithTwoEntries());
  }

  void escapeExitAndTheCloseBoxEndAtOnce() {
    for (int way = 0; way < kWaysToLeave; ++way) {
      Session session;
      session.New();
      Leave(session, way);
      QVERIFY(!session.window.isVisible());
      QCOMPARE(session.window.result(), 0);
      QCOMPARE(session.services.new_image_questions, 1);
      QVERIFY(session.services.save_requests.empty());
    }
  }

  void unsavedChangesAreAskedAboutBeforeTheImageGoes() {
    testing::TemporaryFolder folder;
    const auto renamed = Bytes({0xCD, 0xCE, 0xC2, 0xDB, 0xC9, 0x00});  // "НОВЫЙ"
    // The last way is "Открыть" of another image.
    for (int way = 0; way <= kWaysToLeave; ++way) {
      const auto file = folder.Write("two.rom", DiskWithTwoEntries());
      Session session;
      session.Open(file);
      QCOMPARE(session.window.windowTitle(), QString("Составитель образов FLASH-диска"));
      TypeOver(ById<QLineEdit>(session.window, 1001), "НОВЫЙ");
      Click(session.window, 1072);
      QCOMPARE(session.window.windowTitle(), QString("*Составитель образов FLASH-диска"));
      const auto leave = [&] {
        if (way < kWaysToLeave) {
          Leave(session, way);
          return;
        }
        session.services.open_answers.push_back(Path(file));
        Click(session.window, 1050);
      };
      // Отмена, and Да with the save dialog cancelled, keep everything.
      session.services.save_changes_answers = {UnsavedChangesAnswer::kCancel,
                                               UnsavedChangesAnswer::kSave};
      leave();
      session.services.open_answers.clear();
      leave();
      session.services.open_answers.clear();
      QVERIFY(session.window.isVisible());
      QCOMPARE(session.services.save_changes_questions, 2);
      QCOMPARE(session.services.save_requests.size(), std::size_t{1});
      QCOMPARE(session.services.open_requests.size(), std::size_t{1});  // the first Open's
      QCOMPARE(ReadBytes(file), DiskWithTwoEntries());

      session.services.save_changes_answers = {UnsavedChangesAnswer::kSave};
      session.services.save_answers.push_back(Path(file));
      leave();
      QCOMPARE(FileBytes(file, 8, 6), renamed);
      QCOMPARE(session.window.isVisible(), way == kWaysToLeave);
      QCOMPARE(session.services.open_requests.size(), std::size_t{way == kWaysToLeave ? 2u : 1u});
      QCOMPARE(session.window.windowTitle(), QString("Составитель образов FLASH-диска"));
    }
  }

  void saveTakesTurnsWithOtherPrograms() {
    Session session;
    testing::TemporaryFolder folder;
    const auto file = folder.Write("two.rom", DiskWithTwoEntries());
    session.Open(file);
    auto theirs = DiskWithTwoEntries();
    theirs[8] = 'Z';
    folder.Write("two.rom", theirs);
    std::filesystem::last_write_time(
        file, std::filesystem::last_write_time(file) + std::chrono::seconds(5));
    session.services.question_answers = {false, true};
    session.Save(file);
    QCOMPARE(ReadBytes(file), theirs);
    session.Save(file);
    QCOMPARE(ReadBytes(file), DiskWithTwoEntries());
    session.Save(file);  // the file is as the window left it: no question
    QCOMPARE(session.services.questions.size(), std::size_t{2});
    QCOMPARE(session.services.questions.at(0).text,
             QString("Образ изменён другой программой. Записать поверх?"));

    // Another program holding the image's lock keeps the window's Save out.
    std::promise<void> locked;
    std::promise<void> saved;
    std::thread other([&] {
      const auto lock = platform::FileLock::Acquire(file, std::chrono::seconds(1));
      locked.set_value();
      saved.get_future().wait();
    });
    locked.get_future().wait();
    session.Save(folder / "two.rom");
    saved.set_value();
    other.join();
    QCOMPARE(session.services.ErrorTexts(), QStringList{"Образ занят другой программой!"});
  }

  void aRunEndedBySigtermLeavesNoFolderAndAKilledRunsFolderGoes() {
#ifdef _WIN32
    QSKIP("ends the program with SIGTERM, which Windows has not");
#else
    testing::TemporaryFolder folder;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("TMPDIR", Path(folder.path()));
    environment.insert("HOME", Path(folder.path()));
    environment.insert("QT_QPA_PLATFORM", "offscreen");
    QProcess ended;
    ended.start(FLASHDISK_COMPOSER, {"--version"});
    QVERIFY(ended.waitForStarted());
    const QString killed_run = ".flashdisk-composer-" + QString::number(ended.processId()) + "-a1";
    QVERIFY(ended.waitForFinished());
    const QString running =
        ".flashdisk-composer-" + QString::number(QCoreApplication::applicationPid()) + "-b2";
    for (const QString& name : {killed_run, running}) {
      std::filesystem::create_directories(folder / HostPath(name) / "settings");
    }

    QProcess window;
    window.setProcessEnvironment(environment);
    window.start(FLASHDISK_COMPOSER);
    QVERIFY(window.waitForStarted());
    const QString own_prefix = ".flashdisk-composer-" + QString::number(window.processId()) + "-";
    const auto names = [&] {
      QStringList found;
      for (const auto& name : folder.Names()) {
        found << QString::fromStdString(name);
      }
      return found;
    };
    QTRY_COMPARE_WITH_TIMEOUT(names().filter(own_prefix).size(), 1, 20000);
    // The killed run's folder is gone, the running one's stays.
    QCOMPARE(names().filter(".flashdisk-composer-").size(), 2);
    QVERIFY(names().contains(running));
    window.terminate();
    QVERIFY(window.waitForFinished(20000));
    QCOMPARE(window.exitStatus(), QProcess::NormalExit);
    QCOMPARE(window.exitCode(), 0);
    QCOMPARE(names().filter(".flashdisk-composer-"), QStringList{running});
#endif
  }

  void changeWithoutSelectionOpensNothing() {
    Session session;
    session.New();
    ModalDriver driver;
    driver.WhenOpen<EntryPropertiesDialog>([](EntryPropertiesDialog& dialog) { dialog.reject(); });
    Click(session.window, 1069);
    QTest::qWait(50);
    QVERIFY(!driver.ran());
  }

  void controlsAreNamedForScreenReaders() {
    Session session;
    QCOMPARE(ById<QComboBox>(session.window, 1011).accessibleName(), QString("Размер диска"));
    QCOMPARE(ById<QLineEdit>(session.window, 1001).accessibleName(), QString("Метка диска"));
    QCOMPARE(ById<QLineEdit>(session.window, 1015).accessibleName(),
             QString("Адрес загрузки (hex)"));
    QCOMPARE(ById<QLineEdit>(session.window, 1049).accessibleName(), QString("Имя файла образа"));
    QCOMPARE(ById<QLineEdit>(session.window, 1043).accessibleName(), QString("Свободно на диске"));
    QStringList titles;
    for (auto* group : session.window.findChildren<QGroupBox*>()) {
      titles << group->accessibleName();
    }
    QVERIFY(titles.contains("Каталог"));
    QVERIFY(titles.contains("Система"));
  }
};

QTEST_MAIN(MainWindowTest)
#include "main_window_test.moc"
