// The window services as the program uses them: Qt's message boxes and Qt's
// own file dialogs, which speak Russian through Qt's translations and keep
// nothing beyond the run (see run_only_settings.h).
#pragma once

#include "ui/run_only_settings.h"
#include "ui/window_services.h"

namespace flashdisk {

class QtWindowServices : public WindowServices {
 public:
  void ShowError(QWidget& owner, const QString& text) override;
  void ShowWarning(QWidget& owner, const QString& text) override;
  bool ConfirmNewImage(QWidget& owner) override;
  std::optional<QString> ChooseImageToOpen(QWidget& owner, const QString& proposed_path,
                                           ImageFileDialogs& settings) override;
  std::optional<QString> ChooseImageToSave(QWidget& owner, const QString& proposed_path,
                                           ImageFileDialogs& settings) override;
  std::optional<QString> ChooseSourceFile(QWidget& owner, const QString& proposed_name) override;
  bool Ask(QWidget& owner, const QString& question) override;
  UnsavedChangesAnswer AskToSaveChanges(QWidget& owner) override;
  std::optional<QString> ChooseDataFileToSave(QWidget& owner,
                                              const QString& proposed_name) override;
  void ShowCheckReport(QWidget& owner, const QString& report) override;

 private:
  // The file dialogs' own state lives as long as the services, not longer.
  RunOnlySettings dialog_state_;
};

}  // namespace flashdisk
