// The main window mending a disk: the directory's context menu and keys,
// and files dragged onto the window or out of the list, checked against the
// image the window then saves.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDropEvent>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QTabWidget>
#include <QUrl>
#include <QtTest>
#include <map>

#include "disk_folder/folder_unpacking.h"
#include "image/utf8_path.h"
#include "tests/support/temporary_folder.h"
#include "tests/ui/support/disk_bytes.h"
#include "tests/ui/support/main_window_session.h"
#include "tests/ui/support/modal_driver.h"
#include "tests/ui/support/window_driving.h"
#include "ui/entry_viewer.h"
#include "ui/field_text.h"
#include "ui/start_arguments.h"

using namespace flashdisk;
using namespace flashdisk::testing;

namespace {

// One 256-byte sector holding an entry without attributes.
std::vector<std::uint8_t> OneSector() {
  return DiskBytes(256)
      .Put(0, Bytes({0xE6, 0xFF, 'O', 'N', 'E', 0x00}))
      .Put(34, Bytes({0x00, 0x10, 0x04, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00}))
      .Put(44, Bytes({0x11, 0x22, 0x33, 0x44}))
      .bytes();
}
std::vector<std::uint8_t> TwoSector() {
  return DiskBytes(256)
      .Put(0, Bytes({0xE6, 0xFF, 'T', 'W', 'O', 0x00}))
      .Put(34, Bytes({0x00, 0x20, 0x03, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00}))
      .Put(44, Bytes({0xAA, 0xBB, 0xCC}))
      .bytes();
}
std::vector<std::uint8_t> ThreeSector() {
  return DiskBytes(256)
      .Put(0, Bytes({0xE6, 0xFF, 'T', 'H', 'R', 'E', 'E', 0x00}))
      .Put(34, Bytes({0x00, 0x30, 0x02, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00}))
      .Put(44, Bytes({0x55, 0x66}))
      .bytes();
}
const std::vector<std::uint8_t> kErasedSector(256, 0xFF);

// A 64k disk with 256-byte sectors and the entries ONE, TWO and THREE at
// 256, 512 and 768, each one sector long.
std::vector<std::uint8_t> DiskWithThreeEntries() {
  return DiskBytes(65536)
      .Put(0, Bytes({0xAA, 0x55, 0x00, 0x00, 0x01, 0x00, 0x00, 0x01, 0x00}))
      .Put(40, Bytes({0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00}))
      .Put(256, OneSector())
      .Put(512, TwoSector())
      .Put(768, ThreeSector())
      .bytes();
}

// TWO's total length of 16 breaks the chain after it.
std::vector<std::uint8_t> DiskWithBrokenChain() {
  return DiskBytes(65536)
      .Put(0, DiskWithThreeEntries())
      .Put(512 + 40, Bytes({0x10, 0x00, 0x00, 0x00}))
      .bytes();
}

// The window over the three-entry disk, and the folder its files live in.
struct MendSession : Session {
  TemporaryFolder folder;

  explicit MendSession(const std::vector<std::uint8_t>& disk = DiskWithThreeEntries()) {
    Open(folder.Write("disk.rom", disk));
  }

  // The bytes the window saves, from `from` on.
  std::vector<std::uint8_t> Saved(std::size_t from, std::size_t count) {
    Save(folder / "saved.rom");
    return FileBytes(folder / "saved.rom", from, count);
  }
  QString SelectedName() const { return List().currentIndex().data().toString(); }
  QPoint RowCentre(int row) const {
    return List().visualRect(List().model()->index(row, 0)).center();
  }

  // The menu a right click on `row` opens (below the entries when -1).
  QMenu& RightClick(int row) {
    const QPoint where = row < 0 ? QPoint(5, List().viewport()->height() - 5) : RowCentre(row);
    QWidget* viewport = List().viewport();
    QTest::mouseClick(viewport, Qt::RightButton, Qt::NoModifier, where);
    // What the desktop sends after a right click; Qt Test leaves it out.
    QContextMenuEvent request(QContextMenuEvent::Mouse, where, viewport->mapToGlobal(where));
    QApplication::sendEvent(viewport, &request);
    return OpenMenu();
  }
  static QMenu& OpenMenu() {
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu == nullptr) {
      qFatal("No context menu is open");
    }
    return *menu;
  }
  // Picks an item of the open menu with the mouse.
  static void Choose(QMenu& menu, const QString& text) {
    for (QAction* action : menu.actions()) {
      if (action->text() == text) {
        QTest::mouseClick(&menu, Qt::LeftButton, Qt::NoModifier,
                          menu.actionGeometry(action).center());
        return;
      }
    }
    qFatal("No item %s in the menu", qPrintable(text));
  }
  void OnEntry(int row, const QString& text) { Choose(RightClick(row), text); }
};

QStringList EnabledItems(const QMenu& menu) {
  QStringList items;
  for (const QAction* action : menu.actions()) {
    if (!action->isSeparator() && action->isEnabled()) {
      items << action->text();
    }
  }
  return items;
}

// Drops `data` onto the window as a file manager does with Shift held:
// enter, then drop, proposing a move. Gives the action the window reports to
// the file manager, IgnoreAction when it refused the drop.
Qt::DropAction Drop(QWidget& window, const QMimeData& data) {
  const QPoint where = window.rect().center();
  const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
  QDragEnterEvent enter(where, actions, &data, Qt::LeftButton, Qt::ShiftModifier);
  QApplication::sendEvent(&window, &enter);
  if (!enter.isAccepted()) {
    return Qt::IgnoreAction;
  }
  QDropEvent drop(where, actions, &data, Qt::LeftButton, Qt::ShiftModifier);
  QApplication::sendEvent(&window, &drop);
  return drop.isAccepted() ? drop.dropAction() : Qt::IgnoreAction;
}

// The same with the addresses of `files`.
Qt::DropAction Drop(QWidget& window, const std::vector<std::filesystem::path>& files) {
  QMimeData data;
  QList<QUrl> urls;
  for (const auto& file : files) {
    urls << QUrl::fromLocalFile(Path(file));
  }
  data.setUrls(urls);
  return Drop(window, data);
}

// Every file of `folder` with its bytes.
std::map<std::string, std::vector<std::uint8_t>> FolderFiles(const std::filesystem::path& folder) {
  std::map<std::string, std::vector<std::uint8_t>> files;
  for (const auto& file : std::filesystem::directory_iterator(folder)) {
    files[Utf8FromPath(file.path().filename())] = ReadBytes(file.path());
  }
  return files;
}

// Writes `text` as `name` in `folder`, making the folders on its way.
std::filesystem::path WriteText(const TemporaryFolder& folder, const std::filesystem::path& name,
                                std::string_view text) {
  std::filesystem::create_directories((folder / name).parent_path());
  return folder.Write(name,
                      std::span(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

// The entry viewers shown over the window.
QList<EntryViewer*> Viewers(const QWidget& window) {
  QList<EntryViewer*> shown;
  for (auto* viewer : window.findChildren<EntryViewer*>()) {
    if (viewer->isVisible()) {
      shown << viewer;
    }
  }
  return shown;
}

QStringList Rows(const QListView& view) {
  QStringList rows;
  for (int row = 0; row < view.model()->rowCount(); ++row) {
    rows << view.model()->index(row, 0).data().toString();
  }
  return rows;
}

void GoTo(EntryViewer& viewer, const QString& address) {
  auto& field = *viewer.findChild<QLineEdit*>("Address");
  field.setFocus();
  TypeOver(field, address);
  QTest::keyClick(&field, Qt::Key_Return);
}

}  // namespace

class DirectoryEditsTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { QVERIFY(NoWindowOpen()); }

  void theMenuOffersWhatFitsWhereItOpens() {
    MendSession session;
    QMenu& on_first = session.RightClick(0);
    QCOMPARE(on_first.accessibleName(), QString("Действия с каталогом"));
    QCOMPARE(EnabledItems(on_first),
             (QStringList{"Добавить…", "Изменить…", "Просмотр…", "Сохранить в файл…",
                          "Заменить данные…", "Удалить", "Вниз", "Проверить диск…"}));
    on_first.close();
    session.RightClick(2).close();
    QCOMPARE(session.SelectedName(), QString("THREE"));  // the right click selected it
    QCOMPARE(EnabledItems(session.RightClick(-1)), (QStringList{"Добавить…", "Проверить диск…"}));
    MendSession::OpenMenu().close();
    // What the desktop sends for the menu key, to the focused list; and Shift+F10.
    session.List().setFocus();
    QContextMenuEvent menu_key(QContextMenuEvent::Keyboard, QPoint(0, 0), QPoint(0, 0));
    QApplication::sendEvent(&session.List(), &menu_key);
    QVERIFY(!EnabledItems(MendSession::OpenMenu()).contains("Вниз"));
    QTest::keyClick(&MendSession::OpenMenu(), Qt::Key_Escape);
    QTest::keyClick(&session.List(), Qt::Key_Home);
    QTest::keyClick(&session.List(), Qt::Key_F10, Qt::ShiftModifier);
    QVERIFY(!EnabledItems(MendSession::OpenMenu()).contains("Вверх"));
    MendSession::OpenMenu().close();
  }

  void removeAsksThenTakesOutTheEntryAndSelectsTheNext() {
    MendSession session;
    session.services.question_answers = {false, true};
    session.OnEntry(1, "Удалить");
    QCOMPARE(session.services.questions.at(0).text, QString("Удалить запись «TWO»?"));
    QCOMPARE(session.services.questions.at(0).owner, &session.window);
    QCOMPARE(session.ListedNames(), (QStringList{"ONE", "TWO", "THREE"}));  // Нет

    QTest::keyClick(&session.List(), Qt::Key_Delete);  // TWO is still selected
    QCOMPARE(session.ListedNames(), (QStringList{"ONE", "THREE"}));
    QCOMPARE(session.SelectedName(), QString("THREE"));
    QCOMPARE(FieldText(session.window, 1058), QString("3000"));
    QCOMPARE(FieldText(session.window, 1043), QString("64768"));
    QCOMPARE(
        session.Saved(256, 768),
        DiskBytes(768).Put(0, OneSector()).Put(256, ThreeSector()).Put(512, kErasedSector).bytes());
    // The file on disk is untouched until the image is saved.
    QCOMPARE(ReadBytes(session.folder / "disk.rom"), DiskWithThreeEntries());
  }

  void upAndDownMoveTheEntryOnePlace() {
    MendSession session;
    session.OnEntry(2, "Вверх");
    QCOMPARE(session.ListedNames(), (QStringList{"ONE", "THREE", "TWO"}));
    QCOMPARE(session.SelectedName(), QString("THREE"));
    session.OnEntry(0, "Вниз");
    QCOMPARE(session.ListedNames(), (QStringList{"THREE", "ONE", "TWO"}));
    QCOMPARE(session.SelectedName(), QString("ONE"));
    QCOMPARE(FieldText(session.window, 1043), QString("64512"));
    QCOMPARE(
        session.Saved(256, 768),
        DiskBytes(768).Put(0, ThreeSector()).Put(256, OneSector()).Put(512, TwoSector()).bytes());
  }

  void saveToFileWritesTheEntrysDataUnderTheChosenName() {
    MendSession session;
    session.services.data_file_answers = {std::nullopt, Path(session.folder / "two.bin")};
    session.OnEntry(1, "Сохранить в файл…");  // cancelled
    QVERIFY(!std::filesystem::exists(session.folder / "two.bin"));
    session.OnEntry(1, "Сохранить в файл…");
    QCOMPARE(session.services.data_file_requests.at(1).proposed, QString("TWO"));
    QCOMPARE(ReadBytes(session.folder / "two.bin"), Bytes({0xAA, 0xBB, 0xCC}));
  }

  // Windows would open the device NUL for both names, and drop the
  // trailing dot.
  void anEntryNamedLikeADeviceIsSavedAndDraggedUnderASafeName() {
    MendSession session(DiskBytes(65536)
                            .Put(0, DiskWithThreeEntries())
                            .Put(512 + 2, Bytes({'N', 'U', 'L', '.', 'T', 'X', 'T', '.', 0x00}))
                            .bytes());
    session.services.data_file_answers = {std::nullopt};
    session.OnEntry(1, "Сохранить в файл…");
    QCOMPARE(session.services.data_file_requests.at(0).proposed, QString("NUL_.TXT_"));
    auto& list = session.List();
    std::unique_ptr<QMimeData> data(list.model()->mimeData({list.model()->index(1, 0)}));
    const QString file = data->urls().constFirst().toLocalFile();
    QCOMPARE(FileNamePart(file), QString("NUL_.TXT_"));
    QCOMPARE(ReadBytes(HostPath(file)), Bytes({0xAA, 0xBB, 0xCC}));
  }

  void replaceKeepsTheRoomAndRefusesWhatDoesNotFit() {
    MendSession session;
    const auto plain = session.folder.Write("new.bin", Bytes({1, 2, 3, 4, 5}));
    const auto rks = session.folder.Write("new.rks", Bytes({0x00, 0x50, 0xFF, 0xFF, 9, 8, 0, 0}));
    const auto big = session.folder.Write("big.bin", std::vector<std::uint8_t>(300, 0x77));
    session.services.source_answers = {Path(plain), Path(big), Path(rks)};

    session.OnEntry(1, "Заменить данные…");
    QCOMPARE(session.SelectedName(), QString("TWO"));
    // The load address stays for a plain file; the data after it is erased.
    QCOMPARE(session.Saved(512, 256),
             DiskBytes(256)
                 .Put(0, Bytes({0xE6, 0xFF, 'T', 'W', 'O', 0x00}))
                 .Put(34, Bytes({0x00, 0x20, 0x05, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00}))
                 .Put(44, Bytes({1, 2, 3, 4, 5}))
                 .bytes());

    session.OnEntry(1, "Заменить данные…");  // 300 bytes need a second sector
    QCOMPARE(session.services.ErrorTexts(), QStringList{"Недостаточно места на диске!"});
    QCOMPARE(session.Saved(512, 56).at(36), std::uint8_t{5});

    // An RKS file brings its load address and leaves its 4 + 2 bytes out.
    session.OnEntry(2, "Заменить данные…");
    QCOMPARE(session.SelectedName(), QString("THREE"));
    QCOMPARE(FieldText(session.window, 1058), QString("5000"));
    QCOMPARE(session.Saved(768 + 34, 12),
             Bytes({0x00, 0x50, 0x02, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 9, 8}));
  }

  void aDamagedChainIsNeitherRemovedFromNorMovedNorRefilledNorUnpacked() {
    MendSession session(DiskWithBrokenChain());
    const auto plain = session.folder.Write("new.bin", Bytes({1}));
    session.services.question_answers = {true};
    session.services.source_answers = {Path(plain)};
    session.OnEntry(0, "Удалить");
    session.OnEntry(0, "Вниз");
    session.OnEntry(0, "Заменить данные…");
    // A folder would hold only the entries the chain still reaches.
    session.Save(session.folder / "disk.toml");
    QVERIFY(!std::filesystem::exists(session.folder / "disk.toml"));
    QCOMPARE(session.services.ErrorTexts(), QStringList(4, "Ошибка формата диска!"));
    QCOMPARE(session.Saved(0, 65536), DiskWithBrokenChain());
  }

  void theCheckReportsEveryFindingWithItsByte() {
    MendSession session;
    session.OnEntry(0, "Проверить диск…");
    QCOMPARE(session.services.check_reports.at(0).text,
             QString("Проблем не найдено.\nЗаписей: 3\nУдалённых записей: 0, в них байт: 0\n"
                     "Свободно: 64512"));
    session.Open(session.folder.Write("damaged.rom", DiskWithBrokenChain()));
    session.OnEntry(-1, "Проверить диск…");
    QVERIFY(session.services.check_reports.at(1).text.startsWith(
        "Байт 512: Длина записи меньше 44 байт: цепочка каталога обрывается.\n"));
  }

  void droppedFilesAreAddedAllOrNone() {
    MendSession session;
    const auto first = session.folder.Write("first.bin", Bytes({1, 2}));
    const auto game = session.folder.Write("game.rks", Bytes({0x00, 0x40, 0xFF, 0xFF, 7, 0, 0}));
    const auto huge = session.folder.Write("huge.bin", std::vector<std::uint8_t>(64600, 0));
    std::filesystem::create_directory(session.folder / "folder");

    QCOMPARE(Drop(session.window, {first, huge}), Qt::IgnoreAction);
    QCOMPARE(Drop(session.window, {first, session.folder / "folder"}), Qt::IgnoreAction);
    QCOMPARE(session.services.ErrorTexts(),
             (QStringList{"Недостаточно места на диске!", "Ошибка чтения файла!"}));
    QCOMPARE(session.ListedNames(), (QStringList{"ONE", "TWO", "THREE"}));
    QCOMPARE(session.Saved(1024, 256), kErasedSector);

    QCOMPARE(Drop(session.window, {first, game}), Qt::CopyAction);
    QCOMPARE(session.ListedNames(), (QStringList{"ONE", "TWO", "THREE", "first.bin", "game.rks"}));
    QCOMPARE(session.SelectedName(), QString("first.bin"));
    QCOMPARE(session.Saved(1024, 512),
             DiskBytes(512)
                 .Put(0, Bytes({0xE6, 0xFF, 'f', 'i', 'r', 's', 't', '.', 'b', 'i', 'n', 0x00}))
                 .Put(34, Bytes({0x00, 0x00, 0x02, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 1, 2}))
                 // An RKS file is an Executable entry, as in the add-file dialog.
                 .Put(256, Bytes({0xE6, 0xDF, 'g', 'a', 'm', 'e', '.', 'r', 'k', 's', 0x00}))
                 .Put(290, Bytes({0x00, 0x40, 0x01, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 7}))
                 .bytes());
  }

  void theLargestFileThatFitsIsTakenAfterARefusedDrop() {
    MendSession session;
    const auto first = session.folder.Write("first.bin", Bytes({1, 2}));
    // 64512 free bytes, of which an added entry leaves the last sector free:
    // the entry's 44 bytes and this file fill the rest.
    const auto largest = session.folder.Write("largest.bin", std::vector<std::uint8_t>(64212, 0));
    const auto huge = session.folder.Write("huge.bin", std::vector<std::uint8_t>(64600, 0));
    QCOMPARE(Drop(session.window, {first, huge}), Qt::IgnoreAction);
    QCOMPARE(Drop(session.window, {largest}), Qt::CopyAction);
    QCOMPARE(FieldText(session.window, 1043), QString("256"));
    QVERIFY(std::filesystem::exists(largest));
  }

  void anImageDroppedAloneIsOpenedAfterTheQuestion() {
    MendSession session;
    auto two_entries = DiskWithThreeEntries();
    two_entries[768] = 0xFF;  // THREE's marker erased: the chain ends after TWO
    const auto other = session.folder.Write(PathFromUtf8("Другой.ROM"), two_entries);
    // Among other files an image is added as any file is.
    const auto one = session.folder.Write("one.bin", Bytes({1}));
    const auto small = session.folder.Write("small.rom", Bytes({2}));
    QCOMPARE(Drop(session.window, {one, small}), Qt::CopyAction);
    QCOMPARE(session.ListedNames(), (QStringList{"ONE", "TWO", "THREE", "one.bin", "small.rom"}));
    // The additions are unsaved: Отмена keeps them, Нет lets them go.
    session.services.save_changes_answers = {UnsavedChangesAnswer::kCancel,
                                             UnsavedChangesAnswer::kDiscard};
    QCOMPARE(Drop(session.window, {other}), Qt::IgnoreAction);
    QCOMPARE(session.ListedNames().size(), 5);
    QCOMPARE(Drop(session.window, {other}), Qt::CopyAction);
    QCOMPARE(session.services.save_changes_questions, 2);
    QCOMPARE(FieldText(session.window, 1049), QString("Другой.ROM"));
    QCOMPARE(session.ListedNames(), (QStringList{"ONE", "TWO"}));
    QVERIFY(std::filesystem::exists(other));
  }

  void aDiskFolderIsOpenedAndSavedBackInPlace() {
    MendSession session;
    const auto disk = session.folder / "disk";
    DiskImage image;
    QVERIFY(image.Load(session.folder / "disk.rom"));
    image.Check();
    image.List();
    QVERIFY(!UnpackIntoFolder(image, disk));
    const auto before = FolderFiles(disk);
    session.Open(disk / "disk.toml");
    QCOMPARE(FieldText(session.window, 1049), QString("disk"));
    QCOMPARE(session.ListedNames(), (QStringList{"ONE", "TWO", "THREE"}));
    session.services.source_answers = {Path(session.folder.Write("new.bin", Bytes({1, 2, 3})))};
    session.OnEntry(1, "Заменить данные…");
    TypeOver(ById<QLineEdit>(session.window, 1001), "НОВЫЙ");
    Click(session.window, 1072);
    // Opening the folder again asks first; Да saves into the folder itself.
    session.services.save_changes_answers = {UnsavedChangesAnswer::kSave};
    session.services.save_answers.push_back(Path(disk / "disk.toml"));
    session.services.open_answers.push_back(Path(disk));
    Click(session.window, 1050);
    QCOMPARE(session.services.save_changes_questions, 1);
    QCOMPARE(session.services.save_requests.at(0).proposed, Path(disk / "disk.toml"));
    QCOMPARE(session.services.save_requests.at(0).filter, QString("Описание диска (disk.toml)"));
    QCOMPARE(session.services.ErrorTexts(), QStringList());
    // TWO's data file and the manifest change, nothing else.
    auto after = FolderFiles(disk);
    QVERIFY(after.at("disk.toml") != before.at("disk.toml"));
    QCOMPARE(after.at("TWO"), Bytes({1, 2, 3}));
    after["disk.toml"] = before.at("disk.toml");
    after["TWO"] = before.at("TWO");
    QVERIFY(after == before);
    // Read back from the folder, the disk holds both edits.
    QCOMPARE(session.window.windowTitle(), QString("Составитель образов FLASH-диска"));
    QCOMPARE(session.Saved(8, 6), Bytes({0xCD, 0xCE, 0xC2, 0xDB, 0xC9, 0x00}));
  }

  void aFolderOpensFromADropOrTheStartOnlyWithASoundManifest() {
    MendSession session;
    std::filesystem::create_directory(session.folder / "plain");
    const auto manifest = WriteText(session.folder, "bad/disk.toml",
                                    "[disk]\nsize = \"64k\"\n[[entry]]\nfile = \"one.bin\"\n"
                                    "load = \"12345\"\n");
    session.folder.Write("bad/one.bin", Bytes({1}));
    QCOMPARE(Drop(session.window, {session.folder / "plain"}), Qt::IgnoreAction);
    QCOMPARE(Drop(session.window, {session.folder / "bad"}), Qt::IgnoreAction);
    // Windows' backslashes read as Qt's slashes.
    const auto errors = session.services.ErrorTexts().replaceInStrings("\\", "/");
    QCOMPARE(errors.size(), 2);
    QCOMPARE(errors.at(0), QString("Ошибка чтения файла!"));
    QCOMPARE(errors.at(1), Path(manifest) +
                               ":5: entry[1].load: Нужен шестнадцатеричный адрес: "
                               "0x8000 или \"8000\"!");
    QCOMPARE(session.ListedNames(), (QStringList{"ONE", "TWO", "THREE"}));

    // A warning of pack's is told once the folder is open.
    WriteText(session.folder, "bad/disk.toml",
              "[[entry]]\nfile = \"one.bin\"\n[[entry]]\nfile = \"one.bin\"\n");
    const auto start = ReadStartArguments({"flashdisk-composer", "bad"}, session.folder.path());
    session.window.OpenImageAtStart(*start.image);
    QTRY_COMPARE(session.ListedNames(), (QStringList{"one.bin", "one.bin"}));
    QCOMPARE(FieldText(session.window, 1049), QString("bad"));
    QCOMPARE(session.services.ErrorTexts().size(), 2);
    QCOMPARE(session.services.WarningTexts().replaceInStrings("\\", "/"),
             QStringList{Path(manifest) + ":4: entry[2]: Внимание: такое же имя у записи 1."});
  }

  void filesDroppedWithoutAnImageAreRefused() {
    Session session;
    testing::TemporaryFolder folder;
    QCOMPARE(Drop(session.window, {folder.Write("one.bin", Bytes({1}))}), Qt::IgnoreAction);
    QCOMPARE(session.services.ErrorTexts(), QStringList{"Нет образа диска!"});
  }

  void anEntryDraggedOutTravelsAsAFileWithItsData() {
    MendSession session;
    auto& list = session.List();
    QVERIFY(list.dragEnabled());
    const QModelIndex two = list.model()->index(1, 0);
    QVERIFY(list.model()->flags(two) & Qt::ItemIsDragEnabled);
    std::unique_ptr<QMimeData> data(list.model()->mimeData({two}));
    QVERIFY(data != nullptr);
    QCOMPARE(data->urls().size(), 1);
    const QString file = data->urls().constFirst().toLocalFile();
    QCOMPARE(FileNamePart(file), QString("TWO"));
    QCOMPARE(ReadBytes(HostPath(file)), Bytes({0xAA, 0xBB, 0xCC}));
    // Let go over the window itself, the drag adds nothing.
    QCOMPARE(Drop(session.window, *data), Qt::IgnoreAction);
    QCOMPARE(session.ListedNames(), (QStringList{"ONE", "TWO", "THREE"}));

    // An RKS file added leaves as the same file, dragged or saved, and comes
    // back as the same entry.
    const auto rks = Bytes({0x00, 0x40, 0x01, 0x40, 0x07, 0x08, 0x0F, 0x07});
    QCOMPARE(Drop(session.window, {session.folder.Write("game.rks", rks)}), Qt::CopyAction);
    std::unique_ptr<QMimeData> game(list.model()->mimeData({list.model()->index(3, 0)}));
    QCOMPARE(ReadBytes(HostPath(game->urls().constFirst().toLocalFile())), rks);
    session.services.data_file_answers.push_back(Path(session.folder / "saved.rks"));
    session.OnEntry(3, "Сохранить в файл…");
    QCOMPARE(ReadBytes(session.folder / "saved.rks"), rks);
    QCOMPARE(Drop(session.window, {session.folder / "saved.rks"}), Qt::CopyAction);
    QCOMPARE(session.Saved(1024 + 34, 12),
             Bytes({0x00, 0x40, 0x02, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x07, 0x08}));
    QCOMPARE(session.Saved(1280 + 34, 12),
             Bytes({0x00, 0x40, 0x02, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00, 0x07, 0x08}));
  }

  // An add took the file as plain data, since an RKS file cannot hold it:
  // the saved file must be that data again, not an RKS file whose 16-bit
  // end address wrapped.
  void anRksNamedEntryTooLongForAnRksFileLeavesAsItsData() {
    MendSession session(DiskBytes(131072)
                            .Put(0, Bytes({0xAA, 0x55, 0x00, 0x00, 0x02, 0x00, 0x00, 0x01, 0x00}))
                            .Put(40, Bytes({0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00}))
                            .bytes());
    std::vector<std::uint8_t> data(70000);
    for (std::size_t i = 0; i < data.size(); ++i) {
      data[i] = static_cast<std::uint8_t>(i * 7);
    }
    QCOMPARE(Drop(session.window, {session.folder.Write("big.rks", data)}), Qt::CopyAction);
    session.services.data_file_answers.push_back(Path(session.folder / "out.rks"));
    session.OnEntry(0, "Сохранить в файл…");
    QCOMPARE(ReadBytes(session.folder / "out.rks"), data);
  }

  void aDragWhoseFileCannotBeWrittenSaysSo() {
    MendSession session;
    const auto not_a_folder = session.folder.Write("file", Bytes({1}));
    std::map<const char*, QByteArray> kept;
    for (const char* name : {"TMPDIR", "TMP", "TEMP"}) {
      kept[name] = qgetenv(name);
      qputenv(name, QFile::encodeName(Path(not_a_folder)));
    }
    std::unique_ptr<QMimeData> data(
        session.List().model()->mimeData({session.List().model()->index(0, 0)}));
    for (const auto& [name, value] : kept) {
      value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }
    QVERIFY(data == nullptr);
    QCOMPARE(session.services.ErrorTexts(), QStringList{"Ошибка записи файла!"});
  }

  void theViewerOpensFromTheMenuAndByF3AndShowsBytesAndCode() {
    MendSession session;
    session.OnEntry(0, "Просмотр…");
    QCOMPARE(Viewers(session.window).size(), 1);
    EntryViewer& one = *Viewers(session.window).at(0);
    QCOMPARE(one.windowTitle(), QString("ONE — адрес загрузки 1000"));
    QCOMPARE(one.tabs().tabText(0), QString("Байты"));
    QCOMPARE(one.tabs().tabText(1), QString("Код 8080"));
    QCOMPARE(Rows(one.BytesView()),
             QStringList{"1000  11 22 33 44" + QString(12 * 3, ' ') + "  .\"3D"});
    QCOMPARE(Rows(one.CodeView()),
             (QStringList{"1000  11 22 33  LXI  D,3322H", "1003  44        MOV  B,H"}));
    one.tabs().setCurrentIndex(1);
    one.CodeView().setFocus();
    QTest::keyClick(&one.CodeView(), Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(&one.CodeView(), Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(),
             QString("1000  11 22 33  LXI  D,3322H\n1003  44        MOV  B,H\n"));

    session.List().setFocus();
    QTest::keyClick(&session.List(), Qt::Key_Down);
    QTest::keyClick(&session.List(), Qt::Key_F3);
    QCOMPARE(Viewers(session.window).size(), 2);
    QVERIFY(Viewers(session.window).at(1)->windowTitle().startsWith("TWO — "));
  }

  // The character column follows the box; an address is found in either tab,
  // and one outside the entry is refused.
  void theViewerGoesToAnAddressInTheChosenCharacters() {
    MendSession session;
    const auto text = session.folder.Write(
        "text.bin", Bytes({0x60, 0x61, 0x62, 0x3E, 0x41, 0x76, 0xC9, 0x48, 0x49, 0x4A, 0x4B, 0x4C,
                           0x4D, 0x4E, 0x4F, 0x50, 0x51, 0x52}));
    session.services.source_answers = {Path(text)};
    session.OnEntry(2, "Просмотр…");
    EntryViewer& viewer = *Viewers(session.window).at(0);
    QCOMPARE(Rows(viewer.BytesView()).size(), 1);
    session.OnEntry(2, "Заменить данные…");  // the viewer shows the new bytes
    QCOMPARE(Rows(viewer.BytesView()).at(0).right(16), QString("`ab>AvЙHIJKLMNOP"));
    auto& sets = *viewer.findChild<QComboBox*>("CharacterSets");
    sets.setFocus();
    QTest::keyClick(&sets, Qt::Key_Down);
    QCOMPARE(sets.currentText(), QString("КОИ-7"));
    QCOMPARE(Rows(viewer.BytesView()).at(0).right(16), QString("ЮАБ>AЖ.HIJKLMNOP"));
    QCOMPARE(Rows(viewer.BytesView()).at(1), "3010  51 52" + QString(14 * 3, ' ') + "  QR");

    GoTo(viewer, "3011");
    QCOMPARE(viewer.BytesView().currentIndex().row(), 1);
    viewer.tabs().setCurrentIndex(1);
    GoTo(viewer, "3004");  // the second byte of MVI A,41H
    QCOMPARE(viewer.CodeView().currentIndex().data().toString(),
             QString("3003  3E 41     MVI  A,41H"));
    session.OnEntry(0, "Вниз");  // listed again: the viewer keeps its place
    QCOMPARE(viewer.CodeView().currentIndex().data().toString(),
             QString("3003  3E 41     MVI  A,41H"));
    GoTo(viewer, "3012");
    GoTo(viewer, "2FFF");
    QCOMPARE(session.services.ErrorTexts(),
             (QStringList{"Адрес вне данных записи!", "Адрес вне данных записи!"}));
  }

  // A viewer follows its entry's row through moves and removals of others,
  // closes when its entry goes, and all close with another disk.
  void aViewerFollowsItsEntryAndClosesWhenItIsRemoved() {
    MendSession session;
    session.OnEntry(1, "Просмотр…");
    session.OnEntry(2, "Просмотр…");
    session.OnEntry(1, "Вверх");  // TWO ONE THREE
    session.services.question_answers = {true, true};
    session.OnEntry(1, "Удалить");  // ONE
    QCOMPARE(session.ListedNames(), (QStringList{"TWO", "THREE"}));
    auto viewers = Viewers(session.window);
    QCOMPARE(viewers.size(), 2);
    QVERIFY(viewers.at(0)->windowTitle().startsWith("TWO — "));
    QVERIFY(viewers.at(1)->windowTitle().startsWith("THREE — "));
    session.OnEntry(0, "Удалить");  // TWO
    QTRY_COMPARE(Viewers(session.window).size(), 1);
    QVERIFY(Viewers(session.window).at(0)->windowTitle().startsWith("THREE — "));
    session.New();
    QTRY_COMPARE(Viewers(session.window).size(), 0);
  }
};

QTEST_MAIN(DirectoryEditsTest)
#include "directory_edits_test.moc"
