#include "cli/remove_command.h"

#include "cli/opened_image.h"
#include "image/entry_removal.h"
#include "image/user_messages.h"

namespace flashdisk::cli {

int RunRemove(const RemoveOptions& options, const Console& console) {
  auto opened = OpenSoundImage(options.image, console);
  if (!opened) {
    return kExitRefused;
  }
  std::vector<std::uint32_t> positions;
  positions.reserve(options.indexes.size());
  for (const auto index : options.indexes) {
    const auto entry = FindEntry(*opened, index, console);
    if (!entry) {
      return kExitRefused;
    }
    positions.push_back(entry->position);
  }
  if (!RemoveEntries(opened->image, std::move(positions))) {
    console.Report(options.image, kFormatErrorMessage);
    return kExitRefused;
  }
  return SaveImage(*opened, console) ? kExitSuccess : kExitRefused;
}

}  // namespace flashdisk::cli
