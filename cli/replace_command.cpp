#include "cli/replace_command.h"

#include "cli/load_address_text.h"
#include "cli/opened_image.h"
#include "cli/room_refusals.h"
#include "image/entry_replacement.h"
#include "image/source_format.h"
#include "image/user_messages.h"

namespace flashdisk::cli {

int RunReplace(const ReplaceOptions& options, const Console& console) {
  std::optional<std::uint16_t> load_address;
  if (!ReadLoadAddressOption(options.load_address, options.image, console, load_address)) {
    return kExitRefused;
  }
  auto opened = OpenSoundImage(options.image, console);
  if (!opened) {
    return kExitRefused;
  }
  const auto entry = FindEntry(*opened, options.index, console);
  if (!entry) {
    return kExitRefused;
  }
  // A source that is not found is taken as an empty one, as an add takes it:
  // it fits any entry, and its read then fails.
  const auto size = LookUpSource(options.file).value_or(0);
  const SourceFile source{options.file, size};
  const auto replacement =
      ChooseReplacement(options.file, size, *entry, options.rks, options.big, load_address);
  const auto result = ReplaceEntryData(opened->image, *entry, source, replacement);
  if (result != AddResult::kAdded) {
    console.Report(options.image, options.file,
                   ReplaceRefusalMessage(opened->image, *entry, source, replacement, result));
    return kExitRefused;
  }
  return SaveImage(*opened, console) ? kExitSuccess : kExitRefused;
}

}  // namespace flashdisk::cli
