#include "ui/attribute_boxes.h"

#include <QCheckBox>

#include "ui/dialog_builder.h"

namespace flashdisk {

void SetAttributeBoxes(QWidget& window, std::uint8_t plain) {
  for (const auto& box : kAttributeBoxes) {
    Control<QCheckBox>(window, box.id).setChecked((plain & box.attribute) != 0);
  }
}

}  // namespace flashdisk
