#include "ui/qt_window_services.h"

#include <QFileDialog>
#include <QMessageBox>

#include "ui/check_report_dialog.h"
#include "ui/program_resources.h"

namespace flashdisk {

namespace {

// Qt's own dialog rather than the desktop's, so it is the same, and Russian,
// on every desktop.
void UseQtDialog(QFileDialog& dialog) {
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setWindowIcon(ProgramIcon());
}

std::optional<QString> RunFileDialog(QFileDialog& dialog) {
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return std::nullopt;
  }
  return dialog.selectedFiles().constFirst();
}

std::optional<QString> ChooseImageFile(QWidget& owner, QFileDialog::AcceptMode mode,
                                       const QString& proposed_path, ImageFileDialogs& settings) {
  const RegistryAside registry_aside;
  QFileDialog dialog(&owner);
  UseQtDialog(dialog);
  dialog.setAcceptMode(mode);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setOption(QFileDialog::DontConfirmOverwrite);
  dialog.setNameFilters(ImageFileDialogs::Filters());
  dialog.selectNameFilter(settings.selected_filter);
  dialog.setDefaultSuffix(kImageSuffix);
  if (!proposed_path.isEmpty()) {
    dialog.selectFile(proposed_path);
  }
  auto chosen = RunFileDialog(dialog);
  if (chosen) {
    settings.selected_filter = dialog.selectedNameFilter();
  }
  return chosen;
}

// A file of any kind, without a list of types.
std::optional<QString> ChooseAnyFile(QWidget& owner, QFileDialog::AcceptMode mode,
                                     QFileDialog::FileMode file_mode,
                                     const QString& proposed_name) {
  const RegistryAside registry_aside;
  QFileDialog dialog(&owner);
  UseQtDialog(dialog);
  dialog.setAcceptMode(mode);
  dialog.setFileMode(file_mode);
  if (!proposed_name.isEmpty()) {
    dialog.selectFile(proposed_name);
  }
  return RunFileDialog(dialog);
}

}  // namespace

namespace {

void ShowMessage(QWidget& owner, const QString& caption, const QString& text) {
  QMessageBox box(QMessageBox::NoIcon, caption, text, QMessageBox::Ok, &owner);
  box.exec();
}

}  // namespace

void QtWindowServices::ShowError(QWidget& owner, const QString& text) {
  ShowMessage(owner, kErrorCaption, text);
}

void QtWindowServices::ShowWarning(QWidget& owner, const QString& text) {
  ShowMessage(owner, kNewImageCaption, text);
}

namespace {

bool AskYesOrNo(QWidget& owner, const QString& question, QMessageBox::StandardButton on_enter) {
  QMessageBox box(QMessageBox::NoIcon, kNewImageCaption, question,
                  QMessageBox::Yes | QMessageBox::No, &owner);
  box.setDefaultButton(on_enter);
  return box.exec() == QMessageBox::Yes;
}

}  // namespace

// The New question has always taken Enter as Да; it asks every time, whatever
// the image holds, and users of the window press Enter through it.
bool QtWindowServices::ConfirmNewImage(QWidget& owner) {
  return AskYesOrNo(owner, kNewImageQuestion, QMessageBox::Yes);
}

// A question before something is destroyed: a stray Enter keeps it.
bool QtWindowServices::Ask(QWidget& owner, const QString& question) {
  return AskYesOrNo(owner, question, QMessageBox::No);
}

UnsavedChangesAnswer QtWindowServices::AskToSaveChanges(QWidget& owner) {
  QMessageBox box(QMessageBox::NoIcon, kNewImageCaption, kSaveChangesQuestion,
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, &owner);
  box.setDefaultButton(QMessageBox::Yes);
  box.setEscapeButton(QMessageBox::Cancel);
  switch (box.exec()) {
    case QMessageBox::Yes:
      return UnsavedChangesAnswer::kSave;
    case QMessageBox::No:
      return UnsavedChangesAnswer::kDiscard;
    default:
      return UnsavedChangesAnswer::kCancel;
  }
}

std::optional<QString> QtWindowServices::ChooseImageToOpen(QWidget& owner,
                                                           const QString& proposed_path,
                                                           ImageFileDialogs& settings) {
  return ChooseImageFile(owner, QFileDialog::AcceptOpen, proposed_path, settings);
}

std::optional<QString> QtWindowServices::ChooseImageToSave(QWidget& owner,
                                                           const QString& proposed_path,
                                                           ImageFileDialogs& settings) {
  return ChooseImageFile(owner, QFileDialog::AcceptSave, proposed_path, settings);
}

std::optional<QString> QtWindowServices::ChooseSourceFile(QWidget& owner,
                                                          const QString& proposed_name) {
  return ChooseAnyFile(owner, QFileDialog::AcceptOpen, QFileDialog::ExistingFile, proposed_name);
}

std::optional<QString> QtWindowServices::ChooseDataFileToSave(QWidget& owner,
                                                              const QString& proposed_name) {
  return ChooseAnyFile(owner, QFileDialog::AcceptSave, QFileDialog::AnyFile, proposed_name);
}

void QtWindowServices::ShowCheckReport(QWidget& owner, const QString& report) {
  CheckReportDialog dialog(owner, report);
  dialog.exec();
}

}  // namespace flashdisk
