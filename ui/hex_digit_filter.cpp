#include "ui/hex_digit_filter.h"

#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <algorithm>
#include <optional>

#include "image/hex_text.h"

namespace flashdisk {

namespace {

// A key whose text is made of control characters only (Backspace, Delete,
// the copy and cut keys) edits the field, which never inserts such text.
bool IsEditingKey(const QString& typed) {
  return std::all_of(typed.begin(), typed.end(),
                     [](QChar character) { return character.category() == QChar::Other_Control; });
}

// The character inserted for a typed or committed one. Every code from 0x80
// up is refused, the invisible ones (soft hyphen, zero-width characters)
// among them, and so are control characters, which would be inserted as
// they are.
std::optional<QChar> InsertedCharacter(QChar typed) {
  if (typed.unicode() < 0x20 || typed.unicode() >= 0x80) {
    return std::nullopt;
  }
  const auto insert = HexText::FilterCharacter(static_cast<unsigned char>(typed.unicode()));
  return insert ? std::optional<QChar>(QChar::fromLatin1(*insert)) : std::nullopt;
}

// The characters to insert for a text, or nothing when it holds only refused ones.
std::optional<QString> Filtered(const QString& typed) {
  QString accepted;
  for (const QChar character : typed) {
    if (const auto insert = InsertedCharacter(character)) {
      accepted += *insert;
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
  if (typed.isEmpty() || IsEditingKey(typed)) {
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
