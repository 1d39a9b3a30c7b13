#include "cli/show_commands.h"

#include "cli/json_output.h"
#include "cli/listing_text.h"
#include "cli/opened_image.h"

namespace flashdisk::cli {

namespace {

void PrintJson(const nlohmann::ordered_json& json, const Console& console) {
  WriteJson(console.out, json, 2);
  console.out << '\n';
}

}  // namespace

int RunInfo(const ShowOptions& options, const Console& console) {
  const auto opened = OpenImage(options.image, console);
  if (!opened) {
    return kExitRefused;
  }
  const auto free_space = opened->listing().free_space;
  if (options.json) {
    PrintJson(HeaderJson(opened->header, free_space), console);
  } else {
    console.out << HeaderText(opened->header, free_space, opened->listing().entries.size());
  }
  return kExitSuccess;
}

int RunList(const ShowOptions& options, const Console& console) {
  const auto opened = OpenImage(options.image, console);
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
