// The add-file dialog opened from the main window's "Добавить": Refresh and
// what runs it, the plan it shows, OK with its refusals, and its keys.
#include <QAccessible>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include <fstream>

#include "image/utf8_path.h"
#include "tests/support/temporary_folder.h"
#include "tests/ui/support/disk_bytes.h"
#include "tests/ui/support/main_window_session.h"
#include "tests/ui/support/modal_driver.h"
#include "ui/add_file_dialog.h"

using namespace flashdisk;
using namespace flashdisk::testing;

namespace {

QString LabelText(const QWidget& dialog, int id) {
  return ById<QLabel>(dialog, id).text();
}

QPushButton& BrowseButton(const QWidget& dialog) {
  return *ById<QLineEdit>(dialog, 1101).findChild<QPushButton*>("100");
}

// Chooses `file` with the "…" button of the source field.
void Browse(Session& session, AddFileDialog& dialog, const std::filesystem::path& file) {
  session.services.source_answers.push_back(Path(file));
  QTest::mouseClick(&BrowseButton(dialog), Qt::LeftButton);
}

// An RKS file of 1030 bytes: load address 3000, two unused bytes, 1024 data
// bytes counting up from 0x10, and a 2-byte trailer.
std::vector<std::uint8_t> RksFile() {
  auto bytes = Bytes({0x00, 0x30, 0xAA, 0xBB});
  const auto data = CountingBytes(1024, 0x10);
  bytes.insert(bytes.end(), data.begin(), data.end());
  bytes.push_back(0xCC);
  bytes.push_back(0xDD);
  return bytes;
}

// Opens the dialog with "Добавить" and runs `steps` on it; true when the
// steps ran and the dialog was closed by them.
bool WithAddFileDialog(Session& session, std::function<void(AddFileDialog&)> steps) {
  ModalDriver driver;
  driver.WhenOpen<AddFileDialog>(std::move(steps));
  Click(session.window, 1004);
  return driver.RanAndClosed();
}

}  // namespace

class AddFileDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { QVERIFY(NoWindowOpen()); }

  void opensWithStartTextsAndTheLastFreeSpace() {
    Session session;
    session.New();
    QVERIFY(WithAddFileDialog(session, [](AddFileDialog& dialog) {
      QCOMPARE(dialog.windowTitle(), QString("Добавление файла"));
      QCOMPARE(LabelText(dialog, 1076), QString("524032"));
      QCOMPARE(LabelText(dialog, 1073), QString("0"));
      for (const int id : {1058, 1059, 1060}) {
        QCOMPARE(FieldText(dialog, id), QString("0"));
      }
      QCOMPARE(FieldText(dialog, 1054), QString());
      for (const int id : {1056, 1033, 1062, 1063}) {
        QVERIFY(!IsTicked(dialog, id));
      }
      QCOMPARE(QApplication::focusWidget(), &ById<QLineEdit>(dialog, 1101));
      for (auto* button : dialog.findChildren<QPushButton*>()) {
        QVERIFY(!button->isDefault());
      }
      // Resizing keeps every control in its place.
      const QRect ok = ById<QPushButton>(dialog, 1).geometry();
      dialog.resize(dialog.size() * 2);
      QCOMPARE(ById<QPushButton>(dialog, 1).geometry(), ok);
      Click(dialog, 2);
    }));
  }

  void theTwoSpacesReadAsCaptionAndNumber() {
    Session session;
    session.New();
    testing::TemporaryFolder folder;
    const auto file = folder.Write("data.bin", CountingBytes(300));
    QVERIFY(WithAddFileDialog(session, [&](AddFileDialog& dialog) {
      Browse(session, dialog, file);
      const auto read = [&dialog](int id, QAccessible::Text kind) {
        return QAccessible::queryAccessibleInterface(&ById<QLabel>(dialog, id))->text(kind);
      };
      QCOMPARE(read(1073, QAccessible::Name), QString("Требуется места"));
      QCOMPARE(read(1073, QAccessible::Value), QString("512"));
      QCOMPARE(read(1076, QAccessible::Name), QString("Свободно на диске"));
      QCOMPARE(read(1076, QAccessible::Value), QString("524032"));
      Click(dialog, 2);
    }));
  }

  void browsingAnRksFilePlansItAndOkAddsIt() {
    Session session;
    session.NewDisk("512k", "512");
    testing::TemporaryFolder folder;
    const auto rks = folder.Write("prog.rks", RksFile());
    QVERIFY(WithAddFileDialog(session, [&](AddFileDialog& dialog) {
      Browse(session, dialog, rks);
      QCOMPARE(FieldText(dialog, 1101), Path(rks));
      QCOMPARE(FieldText(dialog, 1054), QString("prog.rks"));
      QVERIFY(IsTicked(dialog, 1056));
      QVERIFY(IsTicked(dialog, 1063));
      QVERIFY(!IsTicked(dialog, 1033));
      QCOMPARE(FieldText(dialog, 1058), QString("3000"));
      QCOMPARE(FieldText(dialog, 1059), QString("1024"));
      QCOMPARE(FieldText(dialog, 1060), QString("0"));
      QCOMPARE(LabelText(dialog, 1073), QString("1536"));
      QCOMPARE(QApplication::focusWidget(), &ById<QLineEdit>(dialog, 1101));
      Click(dialog, 1);
    }));
    QVERIFY(session.services.errors.empty());
    QCOMPARE(session.ListedNames(), QStringList{"prog.rks"});
    QCOMPARE(FieldText(session.window, 1043), QString(QString::number(524288 - 512 - 1536)));

    session.Save(folder / "disk.rom");
    QCOMPARE(FileBytes(folder / "disk.rom", 512, 12),
             Bytes({0xE6, 0xDF, 'p', 'r', 'o', 'g', '.', 'r', 'k', 's', 0x00, 0xFF}));
    QCOMPARE(FileBytes(folder / "disk.rom", 512 + 34, 10),
             Bytes({0x00, 0x30, 0x00, 0x04, 0x00, 0x00, 0x00, 0x06, 0x00, 0x00}));
    QCOMPARE(FileBytes(folder / "disk.rom", 512 + 44, 1024), CountingBytes(1024, 0x10));
    QCOMPARE(FileBytes(folder / "disk.rom", 512 + 44 + 1024, 2), Bytes({0xFF, 0xFF}));
  }

  // Windows names files in UTF-16; a path that went through the ANSI code
  // page on its way to or from the window would lose the Cyrillic letters.
  void cyrillicNamesOfFilesAndFoldersRoundTrip() {
    Session session;
    session.NewDisk("512k", "512");
    testing::TemporaryFolder folder;
    std::filesystem::create_directory(folder / PathFromUtf8("Диск"));
    const auto rks = folder.Write(PathFromUtf8("Диск/Игра.rks"), RksFile());
    QVERIFY(WithAddFileDialog(session, [&](AddFileDialog& dialog) {
      Browse(session, dialog, rks);
      QCOMPARE(FieldText(dialog, 1054), QString("Игра.rks"));
      QCOMPARE(FieldText(dialog, 1058), QString("3000"));
      Click(dialog, 1);
    }));
    QVERIFY(session.services.errors.empty());
    QCOMPARE(session.ListedNames(), QStringList{"Игра.rks"});

    const auto image = folder / PathFromUtf8("Диск/Образ.rom");
    session.Save(image);
    QCOMPARE(FileBytes(image, 512, 11),
             Bytes({0xE6, 0xDF, 0xC8, 0xE3, 0xF0, 0xE0, '.', 'r', 'k', 's', 0x00}));
    session.Open(image);
    QCOMPARE(session.ListedNames(), QStringList{"Игра.rks"});
  }

  void aLargePlainFileIsBigAndKeepsExecutable() {
    Session session;
    session.New();
    testing::TemporaryFolder folder;
    const auto rks = folder.Write("a.rks", RksFile());
    const auto large = folder.Write("large.bin", CountingBytes(70000));
    QVERIFY(WithAddFileDialog(session, [&](AddFileDialog& dialog) {
      Browse(session, dialog, rks);
      Browse(session, dialog, large);
      QVERIFY(IsTicked(dialog, 1033));
      QVERIFY(!IsTicked(dialog, 1056));
      QVERIFY(IsTicked(dialog, 1063));
      QCOMPARE(FieldText(dialog, 1059), QString("70000"));
      // Big cleared by hand: the entry keeps the low 16 bits as its shown size.
      Click(dialog, 1033);
      Click(dialog, 1);
    }));
    QCOMPARE(FieldText(session.window, 1059), QString("4464"));
    QVERIFY(!IsTicked(session.window, 1033));
  }

  // 4 GiB and 100 bytes, sparse: measured whole, never by its low 32 bits.
  void aFileOf4GiBOrMoreNeverFits() {
    Session session;
    session.New();
    testing::TemporaryFolder folder;
    const auto huge = folder.Write("huge.bin", std::vector<std::uint8_t>{});
    std::filesystem::resize_file(huge, 0x100000064);
    QVERIFY(WithAddFileDialog(session, [&](AddFileDialog& dialog) {
      Browse(session, dialog, huge);
      QCOMPARE(FieldText(dialog, 1059), QString("4294967396"));
      QCOMPARE(LabelText(dialog, 1073), QString("4294967552"));
      QVERIFY(IsTicked(dialog, 1033));
      Click(dialog, 1);
      QCOMPARE(session.services.ErrorTexts(), QStringList{"Недостаточно места на диске!"});
      Click(dialog, 2);
    }));
    QCOMPARE(session.List().model()->rowCount(), 0);
  }

  void aPathThatIsNotFoundKeepsWhatWasShown() {
    Session session;
    session.New();
    testing::TemporaryFolder folder;
    const auto file = folder.Write("data.bin", CountingBytes(1000));
    QVERIFY(WithAddFileDialog(session, [&](AddFileDialog& dialog) {
      Browse(session, dialog, file);
      TypeOver(ById<QLineEdit>(dialog, 1060), "2000");
      TypeOver(ById<QLineEdit>(dialog, 1101), Path(folder / "gone.bin"));
      Click(dialog, 1078);
      QCOMPARE(FieldText(dialog, 1060), QString("0"));
      QCOMPARE(FieldText(dialog, 1054), QString("data.bin"));
      QCOMPARE(FieldText(dialog, 1059), QString("1000"));
      QCOMPARE(LabelText(dialog, 1073), QString("1280"));
      // The mark is clear now, so Refresh plans with the source size 0.
      Click(dialog, 1078);
      QCOMPARE(FieldText(dialog, 1059), QString("0"));
      QCOMPARE(LabelText(dialog, 1073), QString("256"));
      Click(dialog, 2);
    }));
  }

  void rksAndAlignedReplanAtOnce() {
    Session session;
    session.NewDisk("512k", "1024");
    testing::TemporaryFolder folder;
    auto plain = CountingBytes(900);
    plain[0] = 0x34;
    plain[1] = 0x12;
    const auto file = folder.Write("plain.bin", plain);
    QVERIFY(WithAddFileDialog(session, [&](AddFileDialog& dialog) {
      Browse(session, dialog, file);
      QCOMPARE(LabelText(dialog, 1073), QString("1024"));
      Click(dialog, 1056);
      QCOMPARE(FieldText(dialog, 1058), QString("1234"));
      QCOMPARE(FieldText(dialog, 1059), QString("894"));
      Click(dialog, 1056);
      QCOMPARE(FieldText(dialog, 1059), QString("900"));
      QCOMPARE(FieldText(dialog, 1058), QString("1234"));
      Click(dialog, 1062);
      QCOMPARE(LabelText(dialog, 1073), QString("2048"));
      // Big and Executable do not enter the plan and do not refresh it.
      TypeOver(ById<QLineEdit>(dialog, 1060), "5000");
      Click(dialog, 1033);
      Click(dialog, 1063);
      QCOMPARE(LabelText(dialog, 1073), QString("2048"));
      Click(dialog, 1078);
      QCOMPARE(LabelText(dialog, 1073), QString("5120"));
      // A screen reader's toggle replans as a click does.
      ToggleAsScreenReader(dialog, 1056);
      QCOMPARE(FieldText(dialog, 1059), QString("894"));
      ToggleAsScreenReader(dialog, 1062);
      QCOMPARE(LabelText(dialog, 1073), QString("5120"));
      TypeOver(ById<QLineEdit>(dialog, 1060), "0");
      ToggleAsScreenReader(dialog, 1062);
      QCOMPARE(LabelText(dialog, 1073), QString("2048"));
      Click(dialog, 2);
    }));
    QCOMPARE(session.List().model()->rowCount(), 0);
  }

  void okTakesTheReservedMinimumAndTheTypedAddress() {
    Session session;
    session.New();
    testing::TemporaryFolder folder;
    const auto file = folder.Write("data.bin", CountingBytes(1000));
    QVERIFY(WithAddFileDialog(session, [&](AddFileDialog& dialog) {
      Browse(session, dialog, file);
      TypeOver(ById<QLineEdit>(dialog, 1060), "2000");
      TypeOver(ById<QLineEdit>(dialog, 1058), "c0de5");
      QCOMPARE(FieldText(dialog, 1058), QString("C0DE5"));
      QCOMPARE(LabelText(dialog, 1073), QString("1280"));
      Click(dialog, 1);
    }));
    QCOMPARE(FieldText(session.window, 1058), QString("C0DE"));
    QCOMPARE(FieldText(session.window, 1060), QString("2048"));
    QCOMPARE(FieldText(session.window, 1043), QString(QString::number(524032 - 2048)));
  }

  void anRksSourceTakesItsAddressFromTheFile() {
    Session session;
    session.New();
    testing::TemporaryFolder folder;
    const auto rks = folder.Write("prog.rks", RksFile());
    QVERIFY(WithAddFileDialog(session, [&](AddFileDialog& dialog) {
      Browse(session, dialog, rks);
      TypeOver(ById<QLineEdit>(dialog, 1058), "1234");
      Click(dialog, 1);
    }));
    QCOMPARE(FieldText(session.window, 1058), QString("3000"));
  }

  void refusalsKeepTheDialogOpenAndTheImageAsItWas() {
    Session session;
    QVERIFY(WithAddFileDialog(session, [&](AddFileDialog& dialog) {
      QCOMPARE(LabelText(dialog, 1076), QString("0"));
      Click(dialog, 1);
      QCOMPARE(session.services.ErrorTexts(), QStringList{"Недостаточно места на диске!"});
      QCOMPARE(session.services.errors[0].owner.data(), &dialog);
      QVERIFY(dialog.isVisible());
      Click(dialog, 2);
    }));

    session.New();
    testing::TemporaryFolder folder;
    session.Save(folder / "before.rom");
    session.services.errors.clear();
    QVERIFY(WithAddFileDialog(session, [&](AddFileDialog& dialog) {
      Click(dialog, 1);
      QCOMPARE(FieldText(dialog, 1059), QString("0"));
      QCOMPARE(LabelText(dialog, 1073), QString("256"));
      TypeOver(ById<QLineEdit>(dialog, 1054), "NAME");
      Click(dialog, 1);
      TypeOver(ById<QLineEdit>(dialog, 1058), "G1");
      Click(dialog, 1);
      QCOMPARE(
          session.services.ErrorTexts(),
          (QStringList{"Пустое имя файла!", "Ошибка чтения файла!", "Неверный адрес загрузки!"}));
      QCOMPARE(session.services.errors[2].owner.data(), &dialog);
      QCOMPARE(LabelText(dialog, 1076), QString("524032"));
      QCOMPARE(FieldText(dialog, 1054), QString("NAME"));
      Click(dialog, 2);
    }));
    QCOMPARE(session.List().model()->rowCount(), 0);
    session.Save(folder / "after.rom");
    QCOMPARE(ReadBytes(folder / "after.rom"), ReadBytes(folder / "before.rom"));
  }

  void enterInAFieldMeansOkAndEnterOnAButtonPressesIt() {
    Session session;
    session.New();
    testing::TemporaryFolder folder;
    const auto file = folder.Write("data.bin", CountingBytes(100));
    QVERIFY(WithAddFileDialog(session, [&](AddFileDialog& dialog) {
      Browse(session, dialog, file);
      auto& cancel = ById<QPushButton>(dialog, 2);
      cancel.setFocus();
      QTest::keyClick(&cancel, Qt::Key_Return);
    }));
    QCOMPARE(session.List().model()->rowCount(), 0);

    QVERIFY(WithAddFileDialog(session, [&](AddFileDialog& dialog) {
      Browse(session, dialog, file);
      QTest::keyClick(&ById<QLineEdit>(dialog, 1054), Qt::Key_Return);
    }));
    QCOMPARE(session.ListedNames(), QStringList{"data.bin"});
  }

  void pathsOfAnyLengthWork() {
    Session session;
    session.New();
    testing::TemporaryFolder folder;
    auto deep = folder.path();
    for (int level = 0; level < 6; ++level) {
      deep /= std::string(60, static_cast<char>('a' + level));
    }
    std::filesystem::create_directories(deep);
    const auto file = deep / "long.bin";
    { std::ofstream(file, std::ios::binary) << "0123456789"; }
    QVERIFY(Path(file).size() > 400);
    QVERIFY(WithAddFileDialog(session, [&](AddFileDialog& dialog) {
      Browse(session, dialog, file);
      QCOMPARE(FieldText(dialog, 1059), QString("10"));
      Click(dialog, 1);
    }));
    QCOMPARE(session.ListedNames(), QStringList{"long.bin"});
    session.Save(deep / "image.rom");
    QCOMPARE(FileBytes(deep / "image.rom", 256 + 44, 10),
             Bytes({'0', '1', '2', '3', '4', '5', '6', '7', '8', '9'}));
  }

  void aDamagedImageTakesNoEntries() {
    Session session;
    testing::TemporaryFolder folder;
    // A 64k disk whose header claims 136-byte sectors.
    const auto damaged = folder.Write(
        "damaged.rom",
        DiskBytes(65536).Put(0, Bytes({0xAA, 0x55, 0x00, 0x00, 0x01, 0x00, 0x88, 0x00})).bytes());
    const auto file = folder.Write("data.bin", CountingBytes(100));
    session.Open(damaged);
    session.services.errors.clear();
    QVERIFY(WithAddFileDialog(session, [&](AddFileDialog& dialog) {
      Browse(session, dialog, file);
      Click(dialog, 1);
      QCOMPARE(session.services.ErrorTexts(), QStringList{"Ошибка формата диска!"});
      Click(dialog, 2);
    }));
    QCOMPARE(session.List().model()->rowCount(), 0);
  }

  void escapeAndTheCloseBoxCancel() {
    Session session;
    session.New();
    testing::TemporaryFolder folder;
    const auto file = folder.Write("data.bin", CountingBytes(100));
    QVERIFY(WithAddFileDialog(session, [&](AddFileDialog& dialog) {
      Browse(session, dialog, file);
      QTest::keyClick(&ById<QLineEdit>(dialog, 1054), Qt::Key_Escape);
    }));
    QVERIFY(WithAddFileDialog(session, [&](AddFileDialog& dialog) {
      Browse(session, dialog, file);
      dialog.close();
    }));
    QCOMPARE(session.List().model()->rowCount(), 0);
  }

  void eachOpeningStartsWithoutASource() {
    Session session;
    session.New();
    testing::TemporaryFolder folder;
    const auto file = folder.Write("data.bin", CountingBytes(100));
    QVERIFY(WithAddFileDialog(session, [&](AddFileDialog& dialog) {
      Browse(session, dialog, file);
      Click(dialog, 2);
    }));
    // The file chosen before is gone: OK has nothing to read.
    QVERIFY(WithAddFileDialog(session, [&](AddFileDialog& dialog) {
      QCOMPARE(FieldText(dialog, 1101), QString());
      TypeOver(ById<QLineEdit>(dialog, 1054), "STALE");
      Click(dialog, 1);
      QCOMPARE(session.services.ErrorTexts(), QStringList{"Ошибка чтения файла!"});
      Click(dialog, 2);
    }));
    QCOMPARE(session.List().model()->rowCount(), 0);
  }

  void onlyATypedPathThatChangedIsLookedUpAgain() {
    Session session;
    session.New();
    testing::TemporaryFolder folder;
    const auto file = folder.Write("data.bin", CountingBytes(100));
    QVERIFY(WithAddFileDialog(session, [&](AddFileDialog& dialog) {
      auto& path = ById<QLineEdit>(dialog, 1101);
      path.setFocus();
      Type(path, Path(file));
      QCOMPARE(FieldText(dialog, 1054), QString());  // typing alone refreshes nothing
      Click(dialog, 1078);
      QCOMPARE(FieldText(dialog, 1054), QString("data.bin"));
      TypeOver(ById<QLineEdit>(dialog, 1054), "MINE");
      Click(dialog, 1078);
      QCOMPARE(FieldText(dialog, 1054), QString("MINE"));
      Click(dialog, 1);
    }));
    QCOMPARE(session.ListedNames(), QStringList{"MINE"});
  }
};

QTEST_MAIN(AddFileDialogTest)
#include "add_file_dialog_test.moc"
