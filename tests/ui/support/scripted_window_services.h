// A stand-in for the window services: it records every message box and
// question, and answers each file dialog from a script, so that tests drive
// every flow without a modal loop of their own.
#pragma once

#include <QPointer>
#include <QString>
#include <QWidget>
#include <deque>
#include <optional>
#include <vector>

#include "ui/window_services.h"

namespace flashdisk::testing {

struct RecordedMessage {
  QPointer<QWidget> owner;
  QString text;
};

// What a file dialog was asked to propose, and over which window.
struct RecordedFileRequest {
  QPointer<QWidget> owner;
  QString proposed;
  QString filter;  // the image dialogs' preselected filter
};

class ScriptedWindowServices : public WindowServices {
 public:
  // Answers, taken from the front; a request without an answer is recorded
  // in `unanswered` and treated as Cancel (or Нет).
  std::deque<bool> new_image_answers;
  std::deque<std::optional<QString>> open_answers;
  std::deque<std::optional<QString>> save_answers;
  std::deque<std::optional<QString>> source_answers;
  std::deque<bool> question_answers;
  std::deque<UnsavedChangesAnswer> save_changes_answers;
  std::deque<std::optional<QString>> data_file_answers;
  // A filter the user switches to in the next image dialog.
  std::optional<QString> filter_to_choose;

  std::vector<RecordedMessage> errors;
  std::vector<RecordedMessage> warnings;
  int new_image_questions = 0;
  std::vector<RecordedFileRequest> open_requests;
  std::vector<RecordedFileRequest> save_requests;
  std::vector<RecordedFileRequest> source_requests;
  std::vector<RecordedMessage> questions;
  int save_changes_questions = 0;
  std::vector<RecordedFileRequest> data_file_requests;
  std::vector<RecordedMessage> check_reports;
  std::vector<QString> unanswered;

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

  // The texts of the recorded errors, in order.
  QStringList ErrorTexts() const;
  QStringList WarningTexts() const;

 private:
  std::optional<QString> ChooseFile(const char* what, std::deque<std::optional<QString>>& answers,
                                    std::vector<RecordedFileRequest>& requests, QWidget& owner,
                                    const QString& proposed);
  std::optional<QString> ChooseImage(const char* what, std::deque<std::optional<QString>>& answers,
                                     std::vector<RecordedFileRequest>& requests, QWidget& owner,
                                     const QString& proposed_path, ImageFileDialogs& settings);
};

}  // namespace flashdisk::testing
