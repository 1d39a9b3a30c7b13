#include "cli/check_command.h"

#include "cli/json_output.h"
#include "image/image_problems.h"
#include "image/user_messages.h"

namespace flashdisk::cli {

namespace {

void WriteFindings(std::ostream& out, const std::vector<Finding>& findings,
                   std::string_view caption) {
  for (const auto& finding : findings) {
    out << caption << finding.position << ": " << FindingMessage(finding.kind) << '\n';
  }
}

void WriteText(std::ostream& out, const ImageProblems& found) {
  WriteFindings(out, found.problems, "Байт ");
  WriteFindings(out, found.notes, "Замечание, байт ");
  if (found.problems.empty()) {
    out << "Проблем не найдено.\n";
  }
  out << "Записей: " << found.entries << '\n'
      << "Удалённых записей: " << found.deleted_entries << ", в них байт: " << found.deleted_bytes
      << '\n'
      << "Свободно: " << found.free_space << '\n';
}

}  // namespace

int RunCheck(const ShowOptions& options, const Console& console) {
  DiskImage image;
  if (!image.Load(options.image)) {
    console.Report(options.image, kReadErrorMessage);
    if (options.json) {
      WriteJsonDocument(console.out, {{"message", kReadErrorMessage}});
    }
    return kExitUnreadable;
  }
  const auto found = FindImageProblems(image, image.Check().outcome);
  if (options.json) {
    WriteJsonDocument(console.out, ProblemsJson(found));
  } else {
    WriteText(console.out, found);
  }
  return found.problems.empty() ? kExitSuccess : kExitRefused;
}

}  // namespace flashdisk::cli
