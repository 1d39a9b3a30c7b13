// Lets only hexadecimal digits be typed into a field and refuses every way of
// pasting into it: the paste keys, the context menu, the middle button's
// selection paste, dropped text and input-method text that is not hexadecimal.
// Lower-case a to f arrive as A to F; the program's own setText is not filtered.
#pragma once

#include <QObject>

class QLineEdit;
class QContextMenuEvent;
class QInputMethodEvent;
class QKeyEvent;

namespace flashdisk {

class HexDigitFilter : public QObject {
  Q_OBJECT

 public:
  // The filter lives as long as the field.
  static void Attach(QLineEdit& field);

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  explicit HexDigitFilter(QLineEdit& field);

  bool FilterKeyPress(QKeyEvent& event);
  bool FilterInputMethod(QInputMethodEvent& event);
  void ShowMenuWithoutPaste(QContextMenuEvent& event);

  QLineEdit& field_;
};

}  // namespace flashdisk
