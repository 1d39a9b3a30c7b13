#include "image/check_report.h"

#include <string_view>

#include "image/user_messages.h"

namespace flashdisk {

namespace {

void AddFindings(std::vector<std::string>& lines, const std::vector<Finding>& findings,
                 std::string_view caption) {
  for (const auto& finding : findings) {
    lines.push_back(std::string(caption) + std::to_string(finding.position) + ": " +
                    std::string(FindingMessage(finding.kind)));
  }
}

}  // namespace

std::vector<std::string> CheckReportLines(const ImageProblems& found) {
  std::vector<std::string> lines;
  AddFindings(lines, found.problems, "Байт ");
  AddFindings(lines, found.notes, "Замечание, байт ");
  if (found.problems.empty()) {
    lines.emplace_back("Проблем не найдено.");
  }
  lines.push_back("Записей: " + std::to_string(found.entries));
  lines.push_back("Удалённых записей: " + std::to_string(found.deleted_entries) +
                  ", в них байт: " + std::to_string(found.deleted_bytes));
  lines.push_back("Свободно: " + std::to_string(found.free_space));
  return lines;
}

}  // namespace flashdisk
