// The hexadecimal filter of the main window's address fields, tried with
// every route of typing and pasting, and the browse field of the add-file
// dialog with its "…" button and F4.
#include <QClipboard>
#include <QContextMenuEvent>
#include <QInputMethodEvent>
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QtTest>

#include "tests/support/temporary_folder.h"
#include "tests/ui/support/main_window_session.h"
#include "tests/ui/support/modal_driver.h"
#include "ui/add_file_dialog.h"

using namespace flashdisk;
using namespace flashdisk::testing;

namespace {

// The system load-address field, emptied and focused, with the window shown.
QLineEdit& EmptySystemAddress(Session& session) {
  auto& field = ById<QLineEdit>(session.window, 1015);
  field.clear();
  field.setFocus();
  return field;
}

// Drags `data` onto the middle of `target` with Shift held, as a move, and
// drops it there; true when the target took the drag, as a copy.
bool Drop(QWidget& target, const QMimeData& data) {
  const QPoint where = target.rect().center();
  const Qt::DropActions actions = Qt::CopyAction | Qt::MoveAction;
  QDragEnterEvent enter(where, actions, &data, Qt::LeftButton, Qt::ShiftModifier);
  QCoreApplication::sendEvent(&target, &enter);
  QDropEvent drop(where, actions, &data, Qt::LeftButton, Qt::ShiftModifier);
  QCoreApplication::sendEvent(&target, &drop);
  return enter.isAccepted() && drop.isAccepted() && drop.dropAction() == Qt::CopyAction;
}

void Drop(QWidget& target, const QString& text) {
  QMimeData data;
  data.setText(text);
  Drop(target, data);
}

void Commit(QWidget& target, const QString& text) {
  QInputMethodEvent event;
  event.setCommitString(text);
  QCoreApplication::sendEvent(&target, &event);
}

void MiddleClick(QWidget& target) {
  QTest::mouseClick(&target, Qt::MiddleButton, Qt::NoModifier, target.rect().center());
}

bool WithAddFileDialog(Session& session, std::function<void(AddFileDialog&)> steps) {
  ModalDriver driver;
  driver.WhenOpen<AddFileDialog>(std::move(steps));
  Click(session.window, 1004);
  return driver.RanAndClosed();
}

// Opens the field's context menu as a right click does and triggers each of
// its entries on an empty field with "12" on the clipboard; the number of
// entries after which the field held the clipboard's text.
int ActionsThatPaste(QLineEdit& field) {
  int pasting = 0;
  for (int entry = 0;; ++entry) {
    field.clear();
    QApplication::clipboard()->setText("12");
    QContextMenuEvent event(QContextMenuEvent::Mouse, field.rect().center(),
                            field.mapToGlobal(field.rect().center()));
    QCoreApplication::sendEvent(&field, &event);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    if (menu == nullptr) {
      return -1;
    }
    const auto actions = menu->actions();
    if (entry >= actions.size()) {
      menu->close();
      return pasting;
    }
    menu->close();
    actions[entry]->trigger();
    pasting += field.text() == "12" ? 1 : 0;
  }
}

QPushButton& BrowseButton(QLineEdit& field) {
  return *field.findChild<QPushButton*>("100");
}

int FrameWidth(const QLineEdit& field) {
  QStyleOptionFrame option;
  option.initFrom(&field);
  return field.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &field);
}

}  // namespace

class InputControlsTest : public QObject {
  Q_OBJECT

 private slots:
  void cleanup() { QVERIFY(NoWindowOpen()); }

  void theHexFieldTakesOnlyHexDigits() {
    Session session;
    auto& field = EmptySystemAddress(session);
    Type(field, "1a2g/@ ж");
    QCOMPARE(field.text(), QString("1A2"));
    QTest::keyClick(&field, Qt::Key_Backspace);
    QCOMPARE(field.text(), QString("1A"));
    QTest::keyClick(&field, Qt::Key_Home);
    QTest::keyClick(&field, Qt::Key_Delete);
    QCOMPARE(field.text(), QString("A"));
    Type(field, "Ef");
    QCOMPARE(field.text(), QString("EFA"));
    // The soft hyphen, the zero-width characters and a character beyond the
    // basic plane leave no invisible trace.
    Type(field, QString::fromUtf8("\u00AD\u200B\u200C\u200D\u200E\u200F😀"));
    QCOMPARE(field.text(), QString("EFA"));
  }

  void theProgramsOwnTextsAreNotFiltered() {
    Session session;
    session.New();
    QCOMPARE(FieldText(session.window, 1015), QString("0000"));
    QCOMPARE(FieldText(session.window, 1058), QString("0000"));
  }

  void thePasteKeysPasteNothing() {
    Session session;
    QApplication::clipboard()->setText("12");
    QLineEdit plain;
    plain.show();
    plain.setFocus();
    QTest::keyClick(&plain, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(plain.text(), QString("12"));  // the route works on this platform

    auto& field = EmptySystemAddress(session);
    QTest::keyClick(&field, Qt::Key_V, Qt::ControlModifier);
    QTest::keyClick(&field, Qt::Key_Insert, Qt::ShiftModifier);
    QCOMPARE(field.text(), QString());
    // Ctrl+C still copies: control characters pass the filter.
    Type(field, "BEEF");
    field.selectAll();
    QTest::keyClick(&field, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QApplication::clipboard()->text(), QString("BEEF"));
  }

  void theContextMenuOffersNoPaste() {
    Session session;
    QLineEdit plain;
    plain.show();
    QCOMPARE(ActionsThatPaste(plain), 1);  // the route works on this platform
    QCOMPARE(ActionsThatPaste(EmptySystemAddress(session)), 0);
  }

  void theMiddleButtonPastesNothing() {
    Session session;
    auto* clipboard = QApplication::clipboard();
    if (!clipboard->supportsSelection()) {
      QSKIP("This platform has no selection to paste; input_controls_test_on_x11 runs this");
    }
    clipboard->setText("34", QClipboard::Selection);
    QLineEdit plain;
    plain.show();
    MiddleClick(plain);
    QCOMPARE(plain.text(), QString("34"));  // the route works on this platform

    auto& field = EmptySystemAddress(session);
    MiddleClick(field);
    QCOMPARE(field.text(), QString());
  }

  void droppedTextIsRefused() {
    Session session;
    QLineEdit plain;
    plain.show();
    Drop(plain, "56");
    QCOMPARE(plain.text(), QString("56"));  // the route works on this platform

    auto& field = EmptySystemAddress(session);
    Drop(field, "56");
    QCOMPARE(field.text(), QString());
  }

  void inputMethodTextKeepsOnlyHexDigits() {
    Session session;
    auto& field = EmptySystemAddress(session);
    Commit(field, "1z");
    Commit(field, "ab");
    Commit(field, "Ж");
    Commit(field, QString::fromUtf8("\u00AD\u200B2\u200F"));
    Commit(field, "\x01");
    QCOMPARE(field.text(), QString("1AB2"));
  }

  void theDialogsAddressFieldsTakeAnything() {
    Session session;
    QApplication::clipboard()->setText("k1");
    QVERIFY(WithAddFileDialog(session, [](AddFileDialog& dialog) {
      auto& field = ById<QLineEdit>(dialog, 1058);
      TypeOver(field, "xyz");
      QCOMPARE(field.text(), QString("XYZ"));
      QTest::keyClick(&field, Qt::Key_V, Qt::ControlModifier);
      QCOMPARE(field.text(), QString("XYZK1"));
      Click(dialog, 2);
    }));
  }

  void theBrowseButtonSitsInsideTheFieldAtItsRightEnd() {
    Session session;
    QVERIFY(WithAddFileDialog(session, [](AddFileDialog& dialog) {
      auto& field = ById<QLineEdit>(dialog, 1101);
      auto& button = BrowseButton(field);
      QCOMPARE(button.text(), QString("…"));
      QCOMPARE(button.focusPolicy(), Qt::NoFocus);
      const int frame = FrameWidth(field);
      const int side = field.height() - 2 * frame;
      QCOMPARE(button.geometry(), QRect(field.width() - frame - side, frame, side, side));
      QCOMPARE(field.textMargins().right(), side);
      // A long path scrolls, but its end stops short of the button.
      field.setText(QString(300, 'p'));
      field.setFocus();
      QTest::keyClick(&field, Qt::Key_End);
      field.repaint();  // the field scrolls its text as it paints
      const QRect cursor = field.inputMethodQuery(Qt::ImCursorRectangle).toRect();
      QVERIFY(cursor.center().x() < button.geometry().left());
      // Tab passes the button by.
      QTest::keyClick(&field, Qt::Key_Tab);
      QCOMPARE(QApplication::focusWidget(), &ById<QLineEdit>(dialog, 1054));
      Click(dialog, 2);
    }));
  }

  void releasingF4BrowsesButAltF4DoesNot() {
    Session session;
    QVERIFY(WithAddFileDialog(session, [&session](AddFileDialog& dialog) {
      auto& field = ById<QLineEdit>(dialog, 1101);
      field.setFocus();
      Type(field, "start.bin");
      QTest::keyPress(&field, Qt::Key_F4);
      QCOMPARE(session.services.source_requests.size(), std::size_t{0});
      QTest::keyRelease(&field, Qt::Key_F4);
      QCOMPARE(session.services.source_requests.size(), std::size_t{1});
      QCOMPARE(session.services.source_requests[0].proposed, QString("start.bin"));
      QCOMPARE(session.services.source_requests[0].owner.data(), &field);
      QTest::keyRelease(&field, Qt::Key_F4, Qt::AltModifier);
      QCOMPARE(session.services.source_requests.size(), std::size_t{1});
      Click(dialog, 2);
    }));
  }

  void cancellingChangesNothingAndReturnsTheFocus() {
    Session session;
    session.New();
    testing::TemporaryFolder folder;
    const auto file = folder.Write("first.bin", CountingBytes(300));
    QVERIFY(WithAddFileDialog(session, [&](AddFileDialog& dialog) {
      auto& field = ById<QLineEdit>(dialog, 1101);
      session.services.source_answers.push_back(Path(file));
      QTest::mouseClick(&BrowseButton(field), Qt::LeftButton);
      field.setFocus();
      Type(field, "x");
      ById<QLineEdit>(dialog, 1054).setFocus();
      session.services.source_answers.push_back(std::nullopt);
      QTest::mouseClick(&BrowseButton(field), Qt::LeftButton);
      QCOMPARE(field.text(), Path(file) + "x");
      QVERIFY(field.isModified());
      QCOMPARE(FieldText(dialog, 1059), QString("300"));
      QCOMPARE(QApplication::focusWidget(), &field);
      Click(dialog, 2);
    }));
  }

  void aFileDroppedOnTheSourceFieldGivesItsLocalPath() {
    Session session;
    session.New();
    testing::TemporaryFolder folder;
    const auto file = folder.Write("dropped.bin", CountingBytes(300));
    QVERIFY(WithAddFileDialog(session, [&](AddFileDialog& dialog) {
      auto& field = ById<QLineEdit>(dialog, 1101);
      // A file manager offers the file as an address and as text.
      QMimeData data;
      data.setUrls({QUrl::fromLocalFile(Path(file))});
      data.setText(QUrl::fromLocalFile(Path(file)).toString());
      QVERIFY(Drop(field, data));
      QCOMPARE(field.text(), Path(file));
      QVERIFY(field.isModified());
      Click(dialog, 1078);
      QCOMPARE(FieldText(dialog, 1054), QString("dropped.bin"));
      Click(dialog, 2);
    }));
  }

  void aChoiceRefreshesAndReturnsTheFocus() {
    Session session;
    session.New();
    testing::TemporaryFolder folder;
    const auto file = folder.Write("chosen.bin", CountingBytes(300));
    QVERIFY(WithAddFileDialog(session, [&](AddFileDialog& dialog) {
      auto& field = ById<QLineEdit>(dialog, 1101);
      ById<QLineEdit>(dialog, 1054).setFocus();
      session.services.source_answers.push_back(Path(file));
      QTest::mouseClick(&BrowseButton(field), Qt::LeftButton);
      QCOMPARE(field.text(), Path(file));
      QVERIFY(!field.isModified());  // set by the choice, then read and cleared by Refresh
      QCOMPARE(FieldText(dialog, 1054), QString("chosen.bin"));
      QCOMPARE(ById<QLabel>(dialog, 1073).text(), QString("512"));
      QCOMPARE(QApplication::focusWidget(), &field);
      Click(dialog, 2);
    }));
  }
};

QTEST_MAIN(InputControlsTest)
#include "input_controls_test.moc"
