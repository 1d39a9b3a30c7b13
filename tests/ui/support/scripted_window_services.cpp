#include "tests/ui/support/scripted_window_services.h"

#include <QStringList>

namespace flashdisk::testing {

namespace {

std::optional<QString> TakeFront(std::deque<std::optional<QString>>& answers) {
  const bool chosen = answers.front().has_value();
  const QString path = answers.front().value_or(QString());
  answers.pop_front();
  return chosen ? std::optional<QString>(path) : std::nullopt;
}

}  // namespace

void ScriptedWindowServices::ShowError(QWidget& owner, const QString& text) {
  errors.push_back({&owner, text});
}

void ScriptedWindowServices::ShowWarning(QWidget& owner, const QString& text) {
  warnings.push_back({&owner, text});
}

bool ScriptedWindowServices::ConfirmNewImage(QWidget&) {
  ++new_image_questions;
  if (new_image_answers.empty()) {
    unanswered.push_back("new image question");
    return false;
  }
  const bool answer = new_image_answers.front();
  new_image_answers.pop_front();
  return answer;
}

std::optional<QString> ScriptedWindowServices::ChooseImage(
    const char* what, std::deque<std::optional<QString>>& answers,
    std::vector<RecordedFileRequest>& requests, QWidget& owner, const QString& proposed_path,
    ImageFileDialogs& settings) {
  requests.push_back({&owner, proposed_path, settings.selected_filter});
  if (answers.empty()) {
    unanswered.push_back(what);
    return std::nullopt;
  }
  const auto answer = TakeFront(answers);
  if (answer && filter_to_choose) {
    settings.selected_filter = *filter_to_choose;
    filter_to_choose.reset();
  }
  return answer;
}

std::optional<QString> ScriptedWindowServices::ChooseImageToOpen(QWidget& owner,
                                                                 const QString& proposed_path,
                                                                 ImageFileDialogs& settings) {
  return ChooseImage("open dialog", open_answers, open_requests, owner, proposed_path, settings);
}

std::optional<QString> ScriptedWindowServices::ChooseImageToSave(QWidget& owner,
                                                                 const QString& proposed_path,
                                                                 ImageFileDialogs& settings) {
  return ChooseImage("save dialog", save_answers, save_requests, owner, proposed_path, settings);
}

std::optional<QString> ScriptedWindowServices::ChooseFile(
    const char* what, std::deque<std::optional<QString>>& answers,
    std::vector<RecordedFileRequest>& requests, QWidget& owner, const QString& proposed) {
  requests.push_back({&owner, proposed, {}});
  if (answers.empty()) {
    unanswered.push_back(what);
    return std::nullopt;
  }
  return TakeFront(answers);
}

std::optional<QString> ScriptedWindowServices::ChooseSourceFile(QWidget& owner,
                                                                const QString& proposed_name) {
  return ChooseFile("source dialog", source_answers, source_requests, owner, proposed_name);
}

bool ScriptedWindowServices::Ask(QWidget& owner, const QString& question) {
  questions.push_back({&owner, question});
  if (question_answers.empty()) {
    unanswered.push_back("question");
    return false;
  }
  const bool answer = question_answers.front();
  question_answers.pop_front();
  return answer;
}

UnsavedChangesAnswer ScriptedWindowServices::AskToSaveChanges(QWidget&) {
  ++save_changes_questions;
  if (save_changes_answers.empty()) {
    unanswered.push_back("save changes question");
    return UnsavedChangesAnswer::kCancel;
  }
  const auto answer = save_changes_answers.front();
  save_changes_answers.pop_front();
  return answer;
}

std::optional<QString> ScriptedWindowServices::ChooseDataFileToSave(QWidget& owner,
                                                                    const QString& proposed_name) {
  return ChooseFile("data file dialog", data_file_answers, data_file_requests, owner,
                    proposed_name);
}

void ScriptedWindowServices::ShowCheckReport(QWidget& owner, const QString& report) {
  check_reports.push_back({&owner, report});
}

namespace {

QStringList TextsOf(const std::vector<RecordedMessage>& messages) {
  QStringList texts;
  for (const auto& message : messages) {
    texts << message.text;
  }
  return texts;
}

}  // namespace

QStringList ScriptedWindowServices::ErrorTexts() const {
  return TextsOf(errors);
}

QStringList ScriptedWindowServices::WarningTexts() const {
  return TextsOf(warnings);
}

}  // namespace flashdisk::testing
