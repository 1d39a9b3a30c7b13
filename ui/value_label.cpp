#include "ui/value_label.h"

#include <QAccessibleWidget>

namespace flashdisk {

namespace {

class AccessibleValueLabel : public QAccessibleWidget {
 public:
  explicit AccessibleValueLabel(QLabel& label)
      : QAccessibleWidget(&label, QAccessible::StaticText) {}

  // The name is the caption that the builder gave as the accessible name.
  QString text(QAccessible::Text kind) const override {
    if (kind == QAccessible::Value) {
      return static_cast<const QLabel*>(widget())->text();
    }
    return QAccessibleWidget::text(kind);
  }
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
