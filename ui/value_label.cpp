#include "ui/value_label.h"

#include <QAccessibleWidget>

namespace flashdisk {

namespace {

// The name is the caption that the builder gave as the accessible name; the
// number is the value, and the text that a screen reader on Linux reads over
// AT-SPI, which passes on a label's text but not its value.
class AccessibleValueLabel : public QAccessibleWidget, public QAccessibleTextInterface {
 public:
  explicit AccessibleValueLabel(QLabel& label)
      : QAccessibleWidget(&label, QAccessible::StaticText) {}

  QString text(QAccessible::Text kind) const override {
    return kind == QAccessible::Value ? Number() : QAccessibleWidget::text(kind);
  }

  void* interface_cast(QAccessible::InterfaceType type) override {
    if (type == QAccessible::TextInterface) {
      return static_cast<QAccessibleTextInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
  }

  // The number as read-only text, with neither cursor nor selection.
  QString text(int start, int end) const override { return Number().mid(start, end - start); }
  int characterCount() const override { return static_cast<int>(Number().size()); }
  int cursorPosition() const override { return 0; }
  void setCursorPosition(int) override {}
  void selection(int, int* start, int* end) const override { *start = *end = 0; }
  int selectionCount() const override { return 0; }
  void addSelection(int, int) override {}
  void removeSelection(int) override {}
  void setSelection(int, int, int) override {}
  QRect characterRect(int) const override { return {}; }
  int offsetAtPoint(const QPoint&) const override { return -1; }
  void scrollToSubstring(int, int) override {}
  QString attributes(int, int* start, int* end) const override {
    *start = 0;
    *end = characterCount();
    return {};
  }

 private:
  QString Number() const { return static_cast<const QLabel*>(widget())->text(); }
};

QAccessibleInterface* AccessibleInterfaceFor(const QString& class_name, QObject* object) {
  if (class_name != QLatin1String(ValueLabel::staticMetaObject.className())) {
    return nullptr;
  }
  return new AccessibleValueLabel(*static_cast<ValueLabel*>(object));
}

}  // namespace

// The text is set only once the label is a ValueLabel, so that a screen
// reader that is already listening asks for its interface no earlier.
ValueLabel::ValueLabel(const QString& text, QWidget& parent) : QLabel(&parent) {
  static const bool factory_installed = [] {
    QAccessible::installFactory(&AccessibleInterfaceFor);
    return true;
  }();
  Q_UNUSED(factory_installed);
  setText(text);
}

}  // namespace flashdisk
