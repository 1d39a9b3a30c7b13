#include "ui/hex_digit_filter.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <optional>

#include "image/hex_text.h"

namespace flashdisk {

namespace {

// The characters to insert for a typed text, or nothing when it holds only
// refused characters. Control characters (backspace, the copy and cut keys,
// Delete's DEL) pass unchanged; printable characters beyond ASCII have no
// hexadecimal form in any code page, so they are refused without looking further.
std::optional<QString> Filtered(const QString& typed) {
  QString accepted;
  for (const QChar character : typed) {
    if (!character.isPrint()) {
      accepted += character;
    } else if (character.unicode() < 0x80) {
      if (const auto insert =
              HexText::FilterCharacter(static_cast<unsigned char>(character.unicode()))) {
        accepted += QChar::fromLatin1(*insert);
      }
    }
  }
  if (accepted.isEmpty() && !typed.isEmpty()) {
    return std::nullopt;
  }
  return accepted;
}

bool IsPasteKey(QKeyEvent& event) {
  return event.matches(QKeySequence::Paste);
}

bool IsMiddleButton(QEvent& event) {
  return static_cast<QMouseEvent&>(event).button() == Qt::MiddleButton;
}

}  // namespace

void HexDigitFilter::Attach(QLineEdit& field) {
  field.setAcceptDrops(false);
  field.installEventFilter(new HexDigitFilter(field));
}

HexDigitFilter::HexDigitFilter(QLineEdit& field) : QObject(&field), field_(field) {}

bool HexDigitFilter::eventFilter(QObject* watched, QEvent* event) {
  if (watched != &field_) {
    return false;
  }
  switch (event->type()) {
    case QEvent::ShortcutOverride:
      // Claim the paste keys, so no shortcut elsewhere pastes for the field;
      // the key press that follows is refused below.
      if (IsPasteKey(static_cast<QKeyEvent&>(*event))) {
        event->accept();
        return true;
      }
      return false;
    case QEvent::KeyPress:
      return FilterKeyPress(static_cast<QKeyEvent&>(*event));
    case QEvent::InputMethod:
      return FilterInputMethod(static_cast<QInputMethodEvent&>(*event));
    case QEvent::ContextMenu:
      ShowMenuWithoutPaste(static_cast<QContextMenuEvent&>(*event));
      return true;
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
      return IsMiddleButton(*event);  // the middle button pastes the selection
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
      event->ignore();
      return true;
    default:
      return false;
  }
}

bool HexDigitFilter::FilterKeyPress(QKeyEvent& event) {
  if (IsPasteKey(event)) {
    return true;
  }
  const QString typed = event.text();
  if (typed.isEmpty()) {
    return false;  // cursor keys and the like
  }
  const auto insert = Filtered(typed);
  if (!insert) {
    return true;
  }
  if (*insert == typed) {
    return false;
  }
  QKeyEvent replaced(event.type(), event.key(), event.modifiers(), *insert, event.isAutoRepeat(),
                     static_cast<quint16>(event.count()));
  QCoreApplication::sendEvent(&field_, &replaced);
  return true;
}

bool HexDigitFilter::FilterInputMethod(QInputMethodEvent& event) {
  const auto commit = Filtered(event.commitString()).value_or(QString());
  if (commit == event.commitString() && event.preeditString().isEmpty()) {
    return false;
  }
  // Composition text is not shown: only the hex digits of what is committed arrive.
  QInputMethodEvent replaced;
  replaced.setCommitString(commit, event.replacementStart(), event.replacementLength());
  QCoreApplication::sendEvent(&field_, &replaced);
  return true;
}

void HexDigitFilter::ShowMenuWithoutPaste(QContextMenuEvent& event) {
  QMenu* menu = field_.createStandardContextMenu();
  menu->setAttribute(Qt::WA_DeleteOnClose);
  // The standard menu's entries carry their shortcut after a tab.
  const QString paste = QLineEdit::tr("&Paste");
  for (QAction* action : menu->actions()) {
    if (action->text().section('\t', 0, 0) == paste) {
      menu->removeAction(action);
    }
  }
  menu->popup(event.globalPos());
}

}  // namespace flashdisk
