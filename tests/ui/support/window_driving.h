// Finding a window's controls by their ids and working them as a person
// does: clicks, typed text and keys.
#pragma once

#include <QAbstractButton>
#include <QCheckBox>
#include <QLineEdit>
#include <QString>
#include <QWidget>
#include <QtTest>
#include <cstdint>
#include <filesystem>
#include <vector>

namespace flashdisk::testing {

template <typename Widget>
Widget& ById(const QWidget& window, int id) {
  auto* widget = window.findChild<Widget*>(QString::number(id), Qt::FindDirectChildrenOnly);
  if (widget == nullptr) {
    qFatal("No control %d of the expected kind in %s", id, window.metaObject()->className());
  }
  return *widget;
}

inline QString FieldText(const QWidget& window, int id) {
  return ById<QLineEdit>(window, id).text();
}

inline bool IsTicked(const QWidget& window, int id) {
  return ById<QCheckBox>(window, id).isChecked();
}

// A left click in the middle of a button, or on a check box's indicator.
void Click(const QWidget& window, int id);

// Toggles a check box through its accessibility interface, as a screen
// reader does: no click, only the toggle action.
void ToggleAsScreenReader(const QWidget& window, int id);

// Types `text` into the focused field character by character, as key events
// that carry the character, so that letters beyond ASCII arrive too.
void Type(QWidget& field, const QString& text);
// Selects everything in the field and types `text` over it.
void TypeOver(QLineEdit& field, const QString& text);

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values);
// Bytes `from` up to `from + count` of a file.
std::vector<std::uint8_t> FileBytes(const std::filesystem::path& file, std::size_t from,
                                    std::size_t count);

}  // namespace flashdisk::testing
