#include "ui/browse_edit.h"

#include <QDropEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QUrl>
#include <optional>

#include "ui/dialog_builder.h"
#include "ui/window_services.h"

namespace flashdisk {

namespace {

// The field's client area: inside the frame that the style draws around it.
QRect ClientArea(const QLineEdit& field) {
  if (!field.hasFrame()) {
    return field.rect();
  }
  QStyleOptionFrame option;
  option.initFrom(&field);
  const int frame = field.style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &option, &field);
  return field.rect().adjusted(frame, frame, -frame, -frame);
}

// The local path of the first file among dropped addresses; nothing when
// the drop carries no addresses, an empty path when none is a local file.
std::optional<QString> DroppedPath(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls()) {
    return std::nullopt;
  }
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) {
      // In Qt's forward slashes, as the window writes every path.
      return url.toLocalFile();
    }
  }
  return QString();
}

}  // namespace

void BrowseEdit::SetUp(QLineEdit& field, const BrowseEditRecord& record, WindowServices& services) {
  field.installEventFilter(new BrowseEdit(field, record, services));
}

BrowseEdit::BrowseEdit(QLineEdit& field, const BrowseEditRecord& record, WindowServices& services)
    : QObject(&field),
      field_(field),
      record_(record),
      services_(services),
      button_(new QPushButton(QStringLiteral("…"), &field)) {
  button_->setObjectName(ControlName(kBrowseButtonId));
  button_->setAccessibleName(QStringLiteral("Выбрать файл"));
  button_->setFocusPolicy(Qt::NoFocus);
  button_->setAutoDefault(false);
  button_->setCursor(Qt::ArrowCursor);
  connect(button_, &QPushButton::clicked, this, &BrowseEdit::Browse);
  PlaceButton();
}

void BrowseEdit::PlaceButton() {
  const QRect client = ClientArea(field_);
  const int side = client.height();
  button_->setGeometry(client.right() + 1 - side, client.top(), side, side);
  // The text stops where the button starts.
  QMargins margins = field_.textMargins();
  margins.setRight(side);
  field_.setTextMargins(margins);
}

bool BrowseEdit::eventFilter(QObject* watched, QEvent* event) {
  if (watched != &field_) {
    return false;
  }
  if (event->type() == QEvent::Resize) {
    PlaceButton();
    return false;
  }
  if (event->type() == QEvent::DragEnter || event->type() == QEvent::DragMove ||
      event->type() == QEvent::Drop) {
    return TakeDroppedFile(static_cast<QDropEvent&>(*event));
  }
  if (event->type() == QEvent::KeyRelease) {
    const auto& key = static_cast<QKeyEvent&>(*event);
    // Alt+F4 closes windows; it never opens the file dialog.
    if (key.key() == Qt::Key_F4 && !key.isAutoRepeat() && !(key.modifiers() & Qt::AltModifier)) {
      Browse();
      return true;
    }
  }
  return false;
}

// A dropped file is taken as its path typed in full; other dropped text is
// left to the field.
bool BrowseEdit::TakeDroppedFile(QDropEvent& event) {
  const auto path = DroppedPath(event.mimeData());
  if (!path) {
    return false;
  }
  // Addresses of no local file, or a source that allows no copy: nothing
  // to take. A taken file is always a copy, so the source keeps it.
  if (path->isEmpty() || !(event.possibleActions() & Qt::CopyAction)) {
    event.setDropAction(Qt::IgnoreAction);
    event.ignore();
    return true;
  }
  event.setDropAction(Qt::CopyAction);
  event.accept();
  if (event.type() == QEvent::Drop) {
    field_.setText(*path);
    field_.setModified(true);  // as typing leaves it
  }
  return true;
}

void BrowseEdit::Browse() {
  // The field may be gone when the dialog returns, if its window was closed meanwhile.
  QPointer<QLineEdit> field(&field_);
  const auto chosen = services_.ChooseSourceFile(field_, field_.text());
  if (field.isNull()) {
    return;
  }
  if (chosen) {
    field_.setText(*chosen);
    field_.setModified(true);  // setText clears the mark, so it is set afterwards
    if ((record_.flags & kBrowseCallsBack) && record_.callback) {
      record_.callback(field_);
    }
  }
  field_.setFocus(Qt::OtherFocusReason);
}

}  // namespace flashdisk
