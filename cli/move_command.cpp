#include "cli/move_command.h"

#include "cli/command_messages.h"
#include "cli/opened_image.h"
#include "image/entry_move.h"
#include "image/user_messages.h"

namespace flashdisk::cli {

int RunMove(const MoveOptions& options, const Console& console) {
  auto opened = OpenSoundImage(options.image, console);
  if (!opened) {
    return kExitRefused;
  }
  const auto entry = FindEntry(*opened, options.index, console);
  if (!entry) {
    return kExitRefused;
  }
  // The place must hold an entry now: there is no place after the last.
  const auto places = opened->image.listing().entries.size();
  if (options.to < 1 || options.to > places) {
    console.Report(options.image, NoSuchPlaceMessage(places));
    return kExitRefused;
  }
  // An entry left where it stands changes nothing, and the image's time
  // stays, so that make rebuilds nothing.
  if (options.to == options.index) {
    return kExitSuccess;
  }
  if (!MoveEntry(opened->image, entry->position, options.to - 1)) {
    console.Report(options.image, kFormatErrorMessage);
    return kExitRefused;
  }
  return SaveImage(*opened, console) ? kExitSuccess : kExitRefused;
}

}  // namespace flashdisk::cli
