#include "cli/check_command.h"

#include "cli/json_output.h"
#include "image/check_report.h"
#include "image/image_problems.h"
#include "image/user_messages.h"

namespace flashdisk::cli {

namespace {

void WriteText(std::ostream& out, const ImageProblems& found) {
  for (const auto& line : CheckReportLines(found)) {
    out << line << '\n';
  }
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
