// The window services the program uses, with Qt's real message boxes and
// file dialogs, answered through the event loop as a person answers them.
#include <QClipboard>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QtTest>
#include <utility>

#include "tests/support/temporary_folder.h"
#include "tests/ui/support/modal_driver.h"
#include "tests/ui/support/shown_path.h"
#include "tests/ui/support/window_driving.h"
#include "ui/check_report_dialog.h"
#include "ui/field_text.h"
#include "ui/main_window.h"
#include "ui/qt_window_services.h"
#include "ui/run_only_settings.h"
#include "ui/russian_translations.h"

using namespace flashdisk;
using namespace flashdisk::testing;

namespace {

QStringList ButtonTexts(const QMessageBox& box) {
  QStringList texts;
  for (auto* button : box.buttons()) {
    texts << button->text().remove('&');
  }
  return texts;
}

QPushButton& AcceptButton(const QFileDialog& dialog) {
  auto* buttons = dialog.findChild<QDialogButtonBox*>("buttonBox");
  return *qobject_cast<QPushButton*>(buttons->buttons().constFirst());
}

QLineEdit& FileNameField(const QFileDialog& dialog) {
  return *dialog.findChild<QLineEdit*>("fileNameEdit");
}

// Types a name into the dialog's name field and presses its accept button.
void Answer(QFileDialog& dialog, const QString& name) {
  auto& field = FileNameField(dialog);
  field.setFocus();
  QTest::keyClick(&field, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClicks(&field, name);
  QTest::mouseClick(&AcceptButton(dialog), Qt::LeftButton);
}

// What Qt's file dialog of an earlier run left where Qt keeps it: a place
// "earlier" in its side bar. On Linux that is QtProject.conf in a home of the
// test's own; on Windows the registry, HKCU\Software\QtProject, which the
// test gives back as it found it.
class EarlierRunsDialogState {
 public:
  EarlierRunsDialogState() {
    std::filesystem::create_directories(home_ / "earlier");
#ifdef _WIN32
    QSettings registry(kRegistryKey, QSettings::NativeFormat);
    for (const auto& key : registry.allKeys()) {
      found_[key] = registry.value(key);
    }
    registry.setValue("OrganizationDefaults/FileDialog/shortcuts", EarlierUrl().toString());
    registry.setValue("OrganizationDefaults/FileDialog/sidebarWidth", 120);
#else
    std::filesystem::create_directories(home_ / ".config");
    const std::string text =
        "[FileDialog]\nshortcuts=" + EarlierUrl().toString().toStdString() + "\nsidebarWidth=120\n";
    home_.Write(".config/QtProject.conf", std::vector<std::uint8_t>(text.begin(), text.end()));
    qputenv("HOME", QFile::encodeName(Path(home_.path())));
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(Path(home_ / ".config")));
#endif
  }
#ifdef _WIN32
  ~EarlierRunsDialogState() {
    QSettings registry(kRegistryKey, QSettings::NativeFormat);
    registry.remove("");
    for (auto kept = found_.cbegin(); kept != found_.cend(); ++kept) {
      registry.setValue(kept.key(), kept.value());
    }
  }
#endif

  QUrl EarlierUrl() const {
    return QUrl::fromLocalFile(Path(home_ / "earlier"));
  }

  // All that Qt keeps of "QtProject" beyond the run, as text.
  QString Kept() const {
#ifdef _WIN32
    QSettings registry(kRegistryKey, QSettings::NativeFormat);
    QStringList values;
    for (const auto& key : registry.allKeys()) {
      const QVariant value = registry.value(key);
      values << key + "=" +
                    (value.typeId() == QMetaType::QStringList ? value.toStringList().join(',')
                                                              : value.toString());
    }
    return values.join('\n');
#else
    const auto file = ReadBytes(home_ / ".config/QtProject.conf");
    QStringList names;
    for (const auto& name : SortedNames(home_ / ".config")) {
      names << QString::fromStdString(name);
    }
    return names.join(',') + "\n" +
           QString::fromLatin1(reinterpret_cast<const char*>(file.data()),
                               static_cast<qsizetype>(file.size()));
#endif
  }

 private:
#ifdef _WIN32
  static constexpr auto kRegistryKey = "HKEY_CURRENT_USER\\Software\\QtProject";
  QVariantMap found_;
#endif
  testing::TemporaryFolder home_;
};

// The folder in which a QSettings of Qt's file dialog would be now.
QString SettingsFolder() {
  return QFileInfo(QSettings(QSettings::IniFormat, QSettings::UserScope, "QtProject").fileName())
      .absolutePath();
}

}  // namespace

class WindowServicesTest : public QObject {
  Q_OBJECT

 public:
  explicit WindowServicesTest(const EarlierRunsDialogState& earlier) : earlier_(earlier) {}

 private:
  const EarlierRunsDialogState& earlier_;
  QtWindowServices services_;
  QWidget owner_;

 private slots:
  void initTestCase() {
    QVERIFY(InstallRussianTranslations(*QCoreApplication::instance()));
    owner_.show();
  }
  void cleanupTestCase() { owner_.close(); }
  void cleanup() {
    QCOMPARE(QApplication::activeModalWidget(), nullptr);
    const auto windows = QApplication::topLevelWidgets();
    QCOMPARE(std::count_if(windows.begin(), windows.end(),
                           [](QWidget* widget) { return widget->isVisible(); }),
             1);
  }

  // First, before any other file dialog of this run has set a folder.
  void theFileDialogsNeitherReadNorKeepAnythingOfARun() {
    const QString earlier = earlier_.Kept();
    QVERIFY(earlier.contains(earlier_.EarlierUrl().toString()));
    testing::TemporaryFolder folder;
    ImageFileDialogs settings;
    ModalDriver driver;
    driver.WhenOpen<QFileDialog>([&](QFileDialog& dialog) {
      QVERIFY(!dialog.sidebarUrls().contains(earlier_.EarlierUrl()));
      Answer(dialog, Path(folder / "chosen"));
    });
    QCOMPARE(services_.ChooseImageToOpen(owner_, QString(), settings),
             std::optional<QString>(Path(folder / "chosen.rom")));
    QVERIFY(driver.RanAndClosed());
    QCOMPARE(earlier_.Kept(), earlier);
  }

  void anErrorOrAWarningIsABoxWithOneButton() {
    for (const bool error : {true, false}) {
      const QString text = error ? "Ошибка записи файла!" : "Внимание: такое же имя у записи 1.";
      ModalDriver driver;
      driver.WhenOpen<QMessageBox>([&](QMessageBox& box) {
        QCOMPARE(box.windowTitle(), QString(error ? "Ошибка" : "Внимание!"));
        QCOMPARE(box.text(), text);
        QCOMPARE(box.parentWidget(), &owner_);
        QCOMPARE(box.buttons().size(), 1);
        QTest::mouseClick(box.buttons().constFirst(), Qt::LeftButton);
      });
      error ? services_.ShowError(owner_, text) : services_.ShowWarning(owner_, text);
      QVERIFY(driver.RanAndClosed());
    }
  }

  void questionsAnswerDaOrNet() {
    for (const bool yes : {true, false}) {
      ModalDriver driver;
      driver.WhenOpen<QMessageBox>([yes](QMessageBox& box) {
        QCOMPARE(box.windowTitle(), QString("Внимание!"));
        QCOMPARE(box.text(), QString("Создать новый образ диска?"));
        QCOMPARE(ButtonTexts(box), (QStringList{"Да", "Нет"}));
        QTest::mouseClick(box.button(yes ? QMessageBox::Yes : QMessageBox::No), Qt::LeftButton);
      });
      QCOMPARE(services_.ConfirmNewImage(owner_), yes);
      QVERIFY(driver.RanAndClosed());
    }
    // Any other question the same way; each is about a loss, so Enter answers Нет.
    ModalDriver enter;
    enter.WhenOpen<QMessageBox>([](QMessageBox& box) {
      QCOMPARE(box.windowTitle(), QString("Внимание!"));
      QCOMPARE(box.text(), QString("Удалить запись «ИГРА»?"));
      QCOMPARE(ButtonTexts(box), (QStringList{"Да", "Нет"}));
      QTest::keyClick(&box, Qt::Key_Return);
    });
    QVERIFY(!services_.Ask(owner_, "Удалить запись «ИГРА»?"));
    QVERIFY(enter.RanAndClosed());
    // The New question keeps Enter as Да, as it always had; Esc is Нет.
    for (const auto& [key, yes] : {std::pair{Qt::Key_Return, true}, {Qt::Key_Escape, false}}) {
      ModalDriver keyed;
      keyed.WhenOpen<QMessageBox>([key](QMessageBox& box) { QTest::keyClick(&box, key); });
      QCOMPARE(services_.ConfirmNewImage(owner_), yes);
      QVERIFY(keyed.RanAndClosed());
    }
  }

  void saveProposesThePathAddsRomAndReplacesWithoutAsking() {
    testing::TemporaryFolder folder;
    const auto existing = folder.Write("disk.rom", Bytes({1}));
    ImageFileDialogs settings;
    ModalDriver driver;
    driver.WhenOpen<QFileDialog>([&](QFileDialog& dialog) {
      QCOMPARE(AcceptButton(dialog).text().remove('&'), QString("Сохранить"));
      QCOMPARE(dialog.nameFilters(),
               (QStringList{"Образы ПЗУ (*.rom)", "Описание диска (disk.toml)", "Все файлы (*)"}));
      QCOMPARE(dialog.selectedNameFilter(), QString("Образы ПЗУ (*.rom)"));
      QCOMPARE(dialog.directory().absolutePath(), Path(folder.path()));
      QCOMPARE(FileNameField(dialog).text(), QString("disk.rom"));
      Answer(dialog, "copy");
    });
    QCOMPARE(services_.ChooseImageToSave(owner_, Path(existing), settings),
             std::optional<QString>(Path(folder / "copy.rom")));
    QVERIFY(driver.RanAndClosed());

    ModalDriver replace;
    replace.WhenOpen<QFileDialog>([](QFileDialog& dialog) { Answer(dialog, "disk.rom"); });
    QCOMPARE(services_.ChooseImageToSave(owner_, Path(existing), settings),
             std::optional<QString>(Path(existing)));
    QVERIFY(replace.RanAndClosed());
  }

  void openTakesANewNameAndRemembersTheFilter() {
    testing::TemporaryFolder folder;
    ImageFileDialogs settings;
    ModalDriver driver;
    driver.WhenOpen<QFileDialog>([](QFileDialog& dialog) {
      QCOMPARE(AcceptButton(dialog).text().remove('&'), QString("Открыть"));
      auto* types = dialog.findChild<QComboBox*>("fileTypeCombo");
      types->setCurrentIndex(2);
      emit types->activated(2);
      Answer(dialog, "new");
    });
    QCOMPARE(services_.ChooseImageToOpen(owner_, Path(folder / "x.rom"), settings),
             std::optional<QString>(Path(folder / "new.rom")));
    QVERIFY(driver.RanAndClosed());
    QCOMPARE(settings.selected_filter, QString("Все файлы (*)"));

    ModalDriver cancel;
    cancel.WhenOpen<QFileDialog>([](QFileDialog& dialog) {
      QCOMPARE(dialog.selectedNameFilter(), QString("Все файлы (*)"));
      QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    QCOMPARE(services_.ChooseImageToOpen(owner_, QString(), settings), std::nullopt);
    QVERIFY(cancel.RanAndClosed());
  }

  void aSourceMustExist() {
    testing::TemporaryFolder folder;
    const auto source = folder.Write("source.bin", Bytes({1, 2}));
    ModalDriver driver;
    driver.WhenOpen<QFileDialog>([&](QFileDialog& dialog) {
      // No list of types of its own: every file is shown.
      QCOMPARE(dialog.nameFilters(), QStringList{"Все файлы (*)"});
      QCOMPARE(dialog.fileMode(), QFileDialog::ExistingFile);
      QCOMPARE(FileNameField(dialog).text(), QString("source.bin"));
      Answer(dialog, "missing.bin");
      QVERIFY(dialog.isVisible());
      Answer(dialog, "source.bin");
    });
    QCOMPARE(services_.ChooseSourceFile(owner_, Path(source)),
             std::optional<QString>(Path(source)));
    QVERIFY(driver.RanAndClosed());
  }

  void entryDataIsSavedUnderTheProposedNameAfterAQuestion() {
    testing::TemporaryFolder folder;
    ModalDriver driver;
    driver.WhenOpen<QFileDialog>([&](QFileDialog& dialog) {
      QCOMPARE(AcceptButton(dialog).text().remove('&'), QString("Сохранить"));
      QCOMPARE(FileNameField(dialog).text(), QString("ИГРА"));
      QVERIFY(dialog.defaultSuffix().isEmpty());
      QVERIFY(!dialog.testOption(QFileDialog::DontConfirmOverwrite));
      dialog.setDirectory(Path(folder.path()));
      Answer(dialog, "data");
    });
    QCOMPARE(services_.ChooseDataFileToSave(owner_, "ИГРА"),
             std::optional<QString>(Path(folder / "data")));
    QVERIFY(driver.RanAndClosed());
  }

  void theCheckReportIsReadAndCopiedFromTheKeyboard() {
    const QString report = "Проблем не найдено.\nСвободно: 0";
    ModalDriver driver;
    driver.WhenOpen<CheckReportDialog>([&](CheckReportDialog& dialog) {
      QCOMPARE(dialog.windowTitle(), QString("Проверка диска"));
      QCOMPARE(dialog.parentWidget(), &owner_);
      auto* text = qobject_cast<QPlainTextEdit*>(QApplication::focusWidget());
      QVERIFY(text != nullptr && text->isReadOnly());
      QCOMPARE(text->accessibleName(), QString("Результаты проверки"));
      QTest::keyClick(text, Qt::Key_A, Qt::ControlModifier);
      QTest::keyClick(text, Qt::Key_C, Qt::ControlModifier);
      QCOMPARE(QApplication::clipboard()->text(), report);
      QApplication::clipboard()->clear();
      QTest::keyClick(text, Qt::Key_Tab);  // to "Копировать"
      QTest::keyClick(QApplication::focusWidget(), Qt::Key_Space);
      QCOMPARE(QApplication::clipboard()->text(), report);
      QTest::keyClick(&dialog, Qt::Key_Escape);
    });
    services_.ShowCheckReport(owner_, report);
    QVERIFY(driver.RanAndClosed());
  }

  void theMainWindowReportsAFailedSaveInARealBox() {
    testing::TemporaryFolder folder;
    MainWindow window(services_);
    window.show();
    ModalDriver save;
    ModalDriver error;
    save.WhenOpen<QFileDialog>([&](QFileDialog& dialog) {
      error.WhenOpen<QMessageBox>([&](QMessageBox& box) {
        QCOMPARE(box.text(), QString("Ошибка записи файла!"));
        QCOMPARE(box.parentWidget(), &window);
        QTest::keyClick(&box, Qt::Key_Return);
      });
      Answer(dialog, Path(folder / "none"));
    });
    Click(window, 1);
    QVERIFY(save.RanAndClosed());
    QVERIFY(error.RanAndClosed());
    QCOMPARE(FieldText(window, 1049), QString("none.rom"));
    QVERIFY(!std::filesystem::exists(folder / "none.rom"));
    window.close();
  }

  void unsavedChangesAreAskedAboutInARealBox() {
    testing::TemporaryFolder folder;
    const auto file = folder / "disk.rom";
    MainWindow window(services_);
    window.show();
    ModalDriver new_image;
    new_image.WhenOpen<QMessageBox>(
        [](QMessageBox& box) { box.button(QMessageBox::Yes)->click(); });
    Click(window, 1051);
    QVERIFY(new_image.RanAndClosed());
    TypeOver(ById<QLineEdit>(window, 1001), "X");
    Click(window, 1072);
    // Esc in the box is Отмена: the window stays; Enter is Да: it saves, then ends.
    for (const auto key : {Qt::Key_Escape, Qt::Key_Return}) {
      ModalDriver question;
      ModalDriver save;
      question.WhenOpen<QMessageBox>([&](QMessageBox& box) {
        QCOMPARE(box.windowTitle(), QString("Внимание!"));
        QCOMPARE(box.text(), QString("Сохранить изменения в образе?"));
        auto buttons = ButtonTexts(box);
        buttons.sort();
        QCOMPARE(buttons, (QStringList{"Да", "Нет", "Отмена"}));
        if (key == Qt::Key_Return) {
          save.WhenOpen<QFileDialog>([&](QFileDialog& dialog) { Answer(dialog, Path(file)); });
        }
        QTest::keyClick(&box, key);
      });
      QTest::keyClick(&window, Qt::Key_Escape);
      QVERIFY(question.RanAndClosed());
    }
    QVERIFY(!window.isVisible());
    QCOMPARE(FileBytes(file, 8, 2), Bytes({'X', 0x00}));
  }

  // Last: it leaves Qt's settings pointed at a folder that is gone and the
  // temporary folder at a file, in which no folder can be made.
  void withoutATemporaryFolderEachRunHasAPrivateFolderOfItsOwn() {
    testing::TemporaryFolder folder;
    const auto file = folder.Write("file", Bytes({1}));
    for (const char* name : {"TMPDIR", "TMP", "TEMP"}) {
      qputenv(name, QFile::encodeName(Path(file)));
    }
    auto first_run = std::make_unique<RunOnlySettings>();
    const QString first = SettingsFolder();
    QVERIFY(QFileInfo(first).isDir());
#ifndef _WIN32
    QCOMPARE(QFile::permissions(first) & ~(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                           QFile::ReadUser | QFile::WriteUser | QFile::ExeUser),
             QFileDevice::Permissions());
#endif
    auto second_run = std::make_unique<RunOnlySettings>();
    QVERIFY(SettingsFolder() != first);
    const QString second = SettingsFolder();
    first_run.reset();
    second_run.reset();
    QVERIFY(!QFileInfo::exists(first) && !QFileInfo::exists(second));
  }
};

// The earlier run's state is in place before Qt looks for its settings.
int main(int argc, char** argv) {
  const EarlierRunsDialogState earlier;
  QApplication application(argc, argv);
  WindowServicesTest test(earlier);
  return QTest::qExec(&test, argc, argv);
}
#include "window_services_test.moc"
