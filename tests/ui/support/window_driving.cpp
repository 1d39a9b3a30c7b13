#include "tests/ui/support/window_driving.h"

#include <QAccessible>
#include <QStyle>
#include <QStyleOptionButton>
#include <fstream>
#include <iterator>

namespace flashdisk::testing {

void ToggleAsScreenReader(const QWidget& window, int id) {
  QAccessibleInterface* box = QAccessible::queryAccessibleInterface(&ById<QCheckBox>(window, id));
  if (box == nullptr || box->actionInterface() == nullptr) {
    qFatal("Check box %d offers no accessibility actions", id);
  }
  box->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
}

void Click(const QWidget& window, int id) {
  auto& button = ById<QAbstractButton>(window, id);
  QPoint where = button.rect().center();
  if (auto* box = qobject_cast<QCheckBox*>(&button)) {
    QStyleOptionButton option;
    option.initFrom(box);
    where = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box).center();
  }
  QTest::mouseClick(&button, Qt::LeftButton, Qt::NoModifier, where);
}

void Type(QWidget& field, const QString& text) {
  for (const QChar character : text) {
    const auto key = character.isLetterOrNumber() && character.unicode() < 0x80
                         ? static_cast<Qt::Key>(character.toUpper().unicode())
                         : Qt::Key_unknown;
    QTest::sendKeyEvent(QTest::Press, &field, key, QString(character), Qt::NoModifier);
    QTest::sendKeyEvent(QTest::Release, &field, key, QString(character), Qt::NoModifier);
  }
}

void TypeOver(QLineEdit& field, const QString& text) {
  field.setFocus();
  QTest::keyClick(&field, Qt::Key_A, Qt::ControlModifier);
  QTest::keyClick(&field, Qt::Key_Delete);
  Type(field, text);
}

std::vector<std::uint8_t> Bytes(std::initializer_list<int> values) {
  std::vector<std::uint8_t> bytes;
  for (const int value : values) {
    bytes.push_back(static_cast<std::uint8_t>(value));
  }
  return bytes;
}

std::vector<std::uint8_t> FileBytes(const std::filesystem::path& file, std::size_t from,
                                    std::size_t count) {
  std::ifstream stream(file, std::ios::binary);
  stream.seekg(static_cast<std::streamoff>(from));
  std::vector<std::uint8_t> bytes(count);
  stream.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(count));
  bytes.resize(static_cast<std::size_t>(stream.gcount()));
  return bytes;
}

}  // namespace flashdisk::testing
