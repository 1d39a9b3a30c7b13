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
  // The place must hold an entry now: there is no place after the last.
  if (!entry || !FindEntry(*opened, options.to, console)) {
    return kExitRefused;
  }
  if (!MoveEntry(opened->image, entry->position, options.to - 1)) {
    console.Report(options.image, kFormatErrorMessage);
    return kExitRefused;
  }
  return SaveImage(*opened, console) ? kExitSuccess : kExitRefused;
}

}  // namespace flashdisk::cli
