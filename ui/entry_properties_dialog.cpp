#include "ui/entry_properties_dialog.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>

#include "image/hex_text.h"
#include "image/user_messages.h"
#include "ui/attribute_boxes.h"
#include "ui/control_ids.h"
#include "ui/dialog_builder.h"
#include "ui/field_text.h"
#include "ui/window_services.h"

namespace flashdisk {

EntryPropertiesDialog::EntryPropertiesDialog(QWidget& owner, DiskImage& image,
                                             const DirectoryEntry& entry, WindowServices& services,
                                             std::function<void()> list_again)
    : QDialog(&owner),
      image_(image),
      position_(entry.position),
      working_attributes_(entry.attributes),
      services_(services),
      list_again_(std::move(list_again)) {
  setObjectName("EntryPropertiesDialog");
  BuildDialog(*this, LoadDialogTemplate(":/layouts/entry_properties_dialog.json"));
  ShowEntry(entry);
  // Whatever toggles a box (a click, Space, a screen reader) changes its bit.
  for (const auto& box : kAttributeBoxes) {
    connect(&Control<QCheckBox>(*this, box.id), &QCheckBox::toggled, this,
            [this, attribute = box.attribute](bool ticked) {
              working_attributes_.Set(attribute, ticked);
            });
  }
  connect(&Control<QPushButton>(*this, ids::kOk), &QPushButton::clicked, this,
          &EntryPropertiesDialog::Save);
  connect(&Control<QPushButton>(*this, ids::kCancel), &QPushButton::clicked, this,
          [this] { done(0); });
  Field(ids::kLoadAddress).setFocus();
}

void EntryPropertiesDialog::ShowEntry(const DirectoryEntry& entry) {
  Field(ids::kPropertiesName).setText(TextFromImage(entry.name));
  Field(ids::kSize).setText(QString::number(ShownSize(entry)));
  SetAttributeBoxes(*this, entry.attributes.Plain());
  Field(ids::kReserved).setText(QString::number(entry.total_length));
  Field(ids::kLoadAddress).setText(QString::fromStdString(HexText::Format16(entry.load_address)));
}

void EntryPropertiesDialog::Save() {
  const HexParse address = HexText::ParseAddress(ImageText(Field(ids::kLoadAddress).text()));
  if (!address.valid) {
    services_.ShowError(*this, TextFromUtf8(kBadLoadAddressMessage));
    return;
  }
  // The total length field is shown only: the entry never moves or grows here.
  image_.SetEntryAttributes(position_, working_attributes_);
  image_.SetEntryName(position_, ImageText(Field(ids::kPropertiesName).text()));
  image_.SetEntryLoadAddress(position_, static_cast<std::uint16_t>(address.value));
  list_again_();
  done(0);
}

QLineEdit& EntryPropertiesDialog::Field(int id) const {
  return Control<QLineEdit>(*this, id);
}

}  // namespace flashdisk
