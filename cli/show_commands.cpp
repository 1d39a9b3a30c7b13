#include "cli/show_commands.h"

#include "cli/json_output.h"
#include "cli/listing_text.h"
#include "cli/opened_image.h"

namespace flashdisk::cli {

int RunInfo(const ShowOptions& options, const Console& console) {
  const auto opened = ReadImage(options.image, console);
  if (!opened) {
    return kExitRefused;
  }
  const auto free_space = opened->listing().free_space;
  if (options.json) {
    WriteJsonDocument(console.out, HeaderJson(opened->header, free_space));
  } else {
    console.out << HeaderText(opened->header, free_space, opened->listing().entries.size());
  }
  return kExitSuccess;
}

int RunList(const ShowOptions& options, const Console& console) {
  const auto opened = ReadImage(options.image, console);
  if (!opened) {
    return kExitRefused;
  }
  if (options.json) {
    WriteListingJson(console.out, opened->header, opened->listing());
  } else {
    WriteListingText(console.out, opened->listing());
  }
  return kExitSuccess;
}

}  // namespace flashdisk::cli
