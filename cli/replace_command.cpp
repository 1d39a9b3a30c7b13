#include "cli/replace_command.h"

#include "cli/load_address_text.h"
#include "cli/opened_image.h"
#include "cli/source_format.h"
#include "image/entry_replacement.h"
#include "image/user_messages.h"

namespace flashdisk::cli {

namespace {

// What the file brings, by the defaults and flags of `add`. A plain file
// without --load keeps the entry's load address.
Replacement ReplacementFor(const ReplaceOptions& options, std::uint64_t size,
                           const DirectoryEntry& entry, std::optional<std::uint16_t> load_address) {
  const auto format =
      ChooseSourceFormat(options.file, DeriveSourceDefaults(options.file, size), options.rks,
                         options.big, load_address.value_or(entry.load_address));
  Replacement replacement;
  replacement.rks = format.rks;
  replacement.big = format.big;
  replacement.load_address = format.load_address;
  return replacement;
}

}  // namespace

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
  const auto result = ReplaceEntryData(opened->image, *entry, SourceFile{options.file, size},
                                       ReplacementFor(options, size, *entry, load_address));
  if (result != AddResult::kAdded) {
    console.Report(options.image, options.file, AddResultMessage(result));
    return kExitRefused;
  }
  return SaveImage(*opened, console) ? kExitSuccess : kExitRefused;
}

}  // namespace flashdisk::cli
