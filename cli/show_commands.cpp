#include "cli/show_commands.h"

#include "cli/json_output.h"
#include "cli/listing_text.h"
#include "cli/opened_image.h"

namespace flashdisk::cli {

namespace {

void PrintJson(const nlohmann::ordered_json& json, const Console& console) {
  console.out << json.dump(2, ' ', false, nlohmann::ordered_json::error_handler_t::replace) << '\n';
}

}  // namespace

int RunInfo(const ShowOptions& options, const Console& console) {
  const auto opened = OpenImage(options.image, console);
  if (!opened) {
    return kExitRefused;
  }
  const auto free_space = opened->listing.free_space;
  if (options.json) {
    PrintJson(HeaderJson(opened->header, free_space), console);
  } else {
    console.out << HeaderText(opened->header, free_space, opened->listing.entries.size());
  }
  return kExitSuccess;
}

int RunList(const ShowOptions& options, const Console& console) {
  const auto opened = OpenImage(options.image, console);
  if (!opened) {
    return kExitRefused;
  }
  if (options.json) {
    PrintJson(ListingJson(opened->header, opened->listing), console);
  } else {
    console.out << ListingText(opened->listing);
  }
  return kExitSuccess;
}

}  // namespace flashdisk::cli
