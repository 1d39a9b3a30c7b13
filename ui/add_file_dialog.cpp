#include "ui/add_file_dialog.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>

#include "image/hex_text.h"
#include "image/user_messages.h"
#include "ui/control_ids.h"
#include "ui/dialog_builder.h"
#include "ui/field_text.h"
#include "ui/window_services.h"

namespace flashdisk {

AddFileDialog::AddFileDialog(QWidget& owner, DiskImage& image, SourceFile& source, EntryPlan& plan,
                             WindowServices& services, std::function<void()> list_again)
    : QDialog(&owner),
      image_(image),
      source_(source),
      plan_(plan),
      services_(services),
      list_again_(std::move(list_again)) {
  setObjectName("AddFileDialog");
  BuildDialog(*this, LoadDialogTemplate(":/layouts/add_file_dialog.json"));
  // The free space of the last listing; it stays as it is while the dialog is open.
  Control<QLabel>(*this, ids::kDiskFreeSpace).setText(QString::number(image_.free_space()));
  BrowseEdit::SetUp(Field(ids::kSourcePath),
                    {kBrowseCallsBack,
                     [this](QLineEdit& field) {
                       field.setModified(true);
                       Refresh();
                     }},
                    services_);
  ConnectControls();
  Field(ids::kSourcePath).setFocus();
}

void AddFileDialog::ConnectControls() {
  // No button is the default one: Enter in a field means OK, and Enter on a
  // button presses that button (keyPressEvent).
  for (auto* button : findChildren<QPushButton*>()) {
    button->setAutoDefault(false);
  }
  connect(&Control<QPushButton>(*this, ids::kOk), &QPushButton::clicked, this, &AddFileDialog::Ok);
  connect(&Control<QPushButton>(*this, ids::kCancel), &QPushButton::clicked, this,
          [this] { done(0); });
  connect(&Control<QPushButton>(*this, ids::kRefresh), &QPushButton::clicked, this,
          &AddFileDialog::Refresh);
  // The two boxes that enter the plan refresh it once they have toggled, by
  // a click, a key or a screen reader alike. The dialog's own ticks for a
  // new source are made with the boxes' signals blocked.
  connect(&Box(ids::kRks), &QCheckBox::toggled, this, &AddFileDialog::Refresh);
  connect(&Box(ids::kAligned), &QCheckBox::toggled, this, &AddFileDialog::Refresh);
}

void AddFileDialog::keyPressEvent(QKeyEvent* event) {
  const bool enter = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
  if (!enter) {
    QDialog::keyPressEvent(event);
    return;
  }
  if (auto* button = qobject_cast<QPushButton*>(focusWidget())) {
    button->click();
  } else {
    Ok();
  }
}

// Takes the source field's path as the new source when the user has changed
// it since the last Refresh; false when that file is not found.
bool AddFileDialog::TakeNewSource() {
  auto& path_field = Field(ids::kSourcePath);
  path_field.setModified(false);
  Field(ids::kReserved).setText("0");
  source_.size = 0;
  source_.path = HostPath(path_field.text());
  const auto size = LookUpSource(source_.path);
  if (!size) {
    return false;
  }
  source_.size = *size;
  const SourceDefaults defaults = DeriveSourceDefaults(source_.path, source_.size);
  Field(ids::kEntryName).setText(QString::fromStdString(defaults.name));
  const QSignalBlocker refresh_runs_already(Box(ids::kRks));
  Box(ids::kRks).setChecked(defaults.rks);
  Box(ids::kBig).setChecked(defaults.big);
  if (defaults.executable_on) {
    Box(ids::kExecutable).setChecked(true);
  }
  return true;
}

void AddFileDialog::Refresh() {
  if (Field(ids::kSourcePath).isModified() && !TakeNewSource()) {
    return;
  }
  const bool rks = Box(ids::kRks).isChecked();
  if (rks) {
    // A file that cannot be read keeps the address the field shows.
    if (const auto address = ReadRksLoadAddress(source_.path)) {
      Field(ids::kLoadAddress).setText(QString::fromStdString(HexText::Format16(*address)));
    }
  }
  plan_ = PlanEntry(source_.size, rks, Box(ids::kAligned).isChecked(),
                    ReadUnsigned(Field(ids::kReserved).text()), image_.sector_size());
  Field(ids::kSize).setText(QString::number(plan_.data_size));
  Control<QLabel>(*this, ids::kRequiredSpace).setText(QString::number(plan_.total_length));
}

void AddFileDialog::Ok() {
  Refresh();
  const HexParse address = HexText::ParseAddress(ImageText(Field(ids::kLoadAddress).text()));
  if (!address.valid) {
    services_.ShowError(*this, TextFromUtf8(kBadLoadAddressMessage));
    return;
  }
  EntryChoices choices;
  choices.name = ImageText(Field(ids::kEntryName).text());
  choices.rks = Box(ids::kRks).isChecked();
  choices.big = Box(ids::kBig).isChecked();
  choices.executable = Box(ids::kExecutable).isChecked();
  choices.aligned = Box(ids::kAligned).isChecked();
  choices.load_address = static_cast<std::uint16_t>(address.value);
  choices.reserved_minimum = ReadUnsigned(Field(ids::kReserved).text());
  const AddResult result = AddEntry(image_, source_, choices, plan_);
  if (result != AddResult::kAdded) {
    services_.ShowError(*this, TextFromUtf8(AddResultMessage(result)));
    return;
  }
  list_again_();
  done(0);
}

QLineEdit& AddFileDialog::Field(int id) const {
  return Control<QLineEdit>(*this, id);
}

QCheckBox& AddFileDialog::Box(int id) const {
  return Control<QCheckBox>(*this, id);
}

}  // namespace flashdisk
