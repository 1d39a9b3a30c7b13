// The entry properties dialog opened with "Изменить" on the selected entry:
// what it shows, what "Сохранить" writes in place, and what it leaves alone.
#include <QListView>
#include <QPushButton>
#include <QtTest>

#include "tests/support/temporary_folder.h"
#include "tests/ui/support/disk_bytes.h"
#include "tests/ui/support/main_window_session.h"
#include "tests/ui/support/modal_driver.h"
#include "ui/entry_properties_dialog.h"

using namespace flashdisk;
using namespace flashdisk::testing;

namespace {

// A 64k disk with 256-byte sectors and two entries: "FIRST" (no attributes,
// load address 1234, 3 data bytes, at 256) and "SECOND" (Big and Read-only,
// data size 65536 + 100, load address 8000, at 512).
std::vector<std::uint8_t> DiskWithTwoEntries() {
  return DiskBytes(65536)
      .Put(0, Bytes({0xAA, 0x55, 0x00, 0x00, 0x01, 0x00, 0x00, 0x01, 0x00}))
      .Put(40, Bytes({0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00}))
      .Put(256, Bytes({0xE6, 0xFF, 'F', 'I', 'R', 'S', 'T', 0x00}))
      .Put(290, Bytes({0x34, 0x12, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 1, 2, 3}))
      .Put(512, Bytes({0xE6, 0xB7, 'S', 'E', 'C', 'O', 'N', 'D', 0x00}))
      .Put(546, Bytes({0x00, 0x80, 0x64, 0x00, 0x01, 0x00, 0x00, 0x02, 0x00, 0x00}))
      .bytes();
}

struct OpenedDisk {
  testing::TemporaryFolder folder;
  Session session;

  OpenedDisk() { session.Open(folder.Write("disk.rom", DiskWithTwoEntries())); }

  void SelectSecond() {
    auto& list = session.List();
    QTest::mouseClick(list.viewport(), Qt::LeftButton, Qt::NoModifier,
                      list.visualRect(list.model()->index(1, 0)).center());
  }
  std::vector<std::uint8_t> Saved() {
    session.Save(folder / "saved.rom");
    return ReadBytes(folder / "saved.rom");
  }
  bool WithDialog(std::function<void(EntryPropertiesDialog&)> steps) {
    ModalDriver driver;
    driver.WhenOpen<EntryPropertiesDialog>(std::move(steps));
    Click(session.window, 1069);
    return driver.RanAndClosed();
  }
};

}  // namespace

class EntryPropertiesDialogTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { QVERIFY(NoWindowOpen()); }

  void showsTheSelectedEntry() {
    OpenedDisk disk;
    disk.SelectSecond();
    QVERIFY(disk.WithDialog([](EntryPropertiesDialog& dialog) {
      QCOMPARE(dialog.windowTitle(), QString("Изменить свойства файла"));
      QCOMPARE(FieldText(dialog, 1101), QString("SECOND"));
      QCOMPARE(FieldText(dialog, 1058), QString("8000"));
      QCOMPARE(FieldText(dialog, 1059), QString("65636"));
      QCOMPARE(FieldText(dialog, 1060), QString("512"));
      QVERIFY(IsTicked(dialog, 1033));
      QVERIFY(IsTicked(dialog, 1037));
      for (const int id : {1032, 1063, 1062, 1038, 1039, 1040}) {
        QVERIFY(!IsTicked(dialog, id));
      }
      QCOMPARE(QApplication::focusWidget(), &ById<QLineEdit>(dialog, 1058));
      Click(dialog, 2);
    }));
  }

  void savingUnchangedWritesTheSameBytesAndSelectsTheFirst() {
    OpenedDisk disk;
    disk.SelectSecond();
    QVERIFY(disk.WithDialog([](EntryPropertiesDialog& dialog) { Click(dialog, 1); }));
    QCOMPARE(disk.session.window.SelectedEntryPosition(), std::optional<std::uint32_t>(256));
    QCOMPARE(disk.Saved(), DiskWithTwoEntries());
  }

  void saveWritesAttributesNameAndAddressInPlace() {
    OpenedDisk disk;
    QVERIFY(disk.WithDialog([](EntryPropertiesDialog& dialog) {
      Click(dialog, 1032);
      Click(dialog, 1040);
      TypeOver(ById<QLineEdit>(dialog, 1101), "Файл");
      TypeOver(ById<QLineEdit>(dialog, 1058), "c0");
      QCOMPARE(FieldText(dialog, 1058), QString("C0"));
      TypeOver(ById<QLineEdit>(dialog, 1060), "9999");
      Click(dialog, 1);
    }));
    QCOMPARE(disk.session.ListedNames(), (QStringList{"Файл", "SECOND"}));
    QVERIFY(IsTicked(disk.session.window, 1032));
    auto expected = DiskWithTwoEntries();
    const auto changed = Bytes({0x7E, 0xD4, 0xE0, 0xE9, 0xEB, 0x00});
    std::copy(changed.begin(), changed.end(), expected.begin() + 257);
    expected[290] = 0xC0;
    expected[291] = 0x00;
    QCOMPARE(disk.Saved(), expected);
  }

  void aBoxToggledByAScreenReaderIsStored() {
    OpenedDisk disk;
    QVERIFY(disk.WithDialog([](EntryPropertiesDialog& dialog) {
      ToggleAsScreenReader(dialog, 1037);
      QVERIFY(IsTicked(dialog, 1037));
      Click(dialog, 1);
    }));
    auto expected = DiskWithTwoEntries();
    expected[257] = 0xF7;  // Read-only
    QCOMPARE(disk.Saved(), expected);
  }

  void clearingBigChangesOnlyTheAttributeByte() {
    OpenedDisk disk;
    disk.SelectSecond();
    QVERIFY(disk.WithDialog([](EntryPropertiesDialog& dialog) {
      Click(dialog, 1033);
      QCOMPARE(FieldText(dialog, 1059), QString("65636"));
      Click(dialog, 1);
    }));
    disk.SelectSecond();
    QCOMPARE(FieldText(disk.session.window, 1059), QString("100"));
    auto expected = DiskWithTwoEntries();
    expected[513] = 0xF7;
    QCOMPARE(disk.Saved(), expected);
  }

  void longEmptyAndFiveDigitTexts() {
    OpenedDisk disk;
    QVERIFY(disk.WithDialog([](EntryPropertiesDialog& dialog) {
      TypeOver(ById<QLineEdit>(dialog, 1101), QString(40, 'N'));
      TypeOver(ById<QLineEdit>(dialog, 1058), "ABCDE");
      Click(dialog, 1);
    }));
    auto saved = disk.Saved();
    auto name = std::vector<std::uint8_t>(31, 'N');
    name.push_back(0x00);
    QCOMPARE(std::vector<std::uint8_t>(saved.begin() + 258, saved.begin() + 290), name);
    QCOMPARE(std::vector<std::uint8_t>(saved.begin() + 290, saved.begin() + 292),
             Bytes({0xCD, 0xAB}));

    QVERIFY(disk.WithDialog([](EntryPropertiesDialog& dialog) {
      ById<QLineEdit>(dialog, 1101).setFocus();
      QTest::keyClick(&ById<QLineEdit>(dialog, 1101), Qt::Key_A, Qt::ControlModifier);
      QTest::keyClick(&ById<QLineEdit>(dialog, 1101), Qt::Key_Delete);
      ById<QLineEdit>(dialog, 1058).setFocus();
      QTest::keyClick(&ById<QLineEdit>(dialog, 1058), Qt::Key_A, Qt::ControlModifier);
      QTest::keyClick(&ById<QLineEdit>(dialog, 1058), Qt::Key_Delete);
      Click(dialog, 1);
    }));
    saved = disk.Saved();
    QCOMPARE(std::vector<std::uint8_t>(saved.begin() + 258, saved.begin() + 260),
             Bytes({0x00, 'N'}));
    QCOMPARE(std::vector<std::uint8_t>(saved.begin() + 290, saved.begin() + 292),
             Bytes({0x00, 0x00}));
  }

  void anAddressThatIsNotHexadecimalIsRefused() {
    OpenedDisk disk;
    QVERIFY(disk.WithDialog([&disk](EntryPropertiesDialog& dialog) {
      Click(dialog, 1032);
      TypeOver(ById<QLineEdit>(dialog, 1101), "OTHER");
      TypeOver(ById<QLineEdit>(dialog, 1058), "12G");
      Click(dialog, 1);
      QCOMPARE(disk.session.services.ErrorTexts(), QStringList{"Неверный адрес загрузки!"});
      QCOMPARE(disk.session.services.errors[0].owner.data(), &dialog);
      QVERIFY(dialog.isVisible());
      Click(dialog, 2);
    }));
    QCOMPARE(disk.Saved(), DiskWithTwoEntries());
  }

  void cancelEscapeAndCloseWriteNothing() {
    OpenedDisk disk;
    const std::vector<std::function<void(EntryPropertiesDialog&)>> ways{
        [](EntryPropertiesDialog& dialog) { Click(dialog, 2); },
        [](EntryPropertiesDialog& dialog) {
          QTest::keyClick(&ById<QLineEdit>(dialog, 1058), Qt::Key_Escape);
        },
        [](EntryPropertiesDialog& dialog) { dialog.close(); },
        [](EntryPropertiesDialog& dialog) {
          auto& cancel = ById<QPushButton>(dialog, 2);
          cancel.setFocus();
          QTest::keyClick(&cancel, Qt::Key_Return);
        },
    };
    for (const auto& close : ways) {
      QVERIFY(disk.WithDialog([&close](EntryPropertiesDialog& dialog) {
        QVERIFY(!IsTicked(dialog, 1032));  // ticks of a cancelled opening are gone
        Click(dialog, 1032);
        TypeOver(ById<QLineEdit>(dialog, 1101), "GONE");
        close(dialog);
      }));
    }
    QCOMPARE(disk.Saved(), DiskWithTwoEntries());
  }

  void enterInAFieldSaves() {
    OpenedDisk disk;
    QVERIFY(disk.WithDialog([](EntryPropertiesDialog& dialog) {
      TypeOver(ById<QLineEdit>(dialog, 1101), "KEY");
      QTest::keyClick(&ById<QLineEdit>(dialog, 1101), Qt::Key_Return);
    }));
    QCOMPARE(disk.session.ListedNames(), (QStringList{"KEY", "SECOND"}));
  }
};

QTEST_MAIN(EntryPropertiesDialogTest)
#include "entry_properties_dialog_test.moc"
