// A label that shows a number named by another label's caption, such as the
// add-file dialog's required space. A screen reader reads the caption as its
// name and the number as its value and text, not the number as a name.
#pragma once

#include <QLabel>

namespace flashdisk {

class ValueLabel : public QLabel {
  Q_OBJECT

 public:
  ValueLabel(const QString& text, QWidget& parent);
};

}  // namespace flashdisk
