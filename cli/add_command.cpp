#include "cli/add_command.h"

#include <string>

#include "cli/command_messages.h"
#include "cli/load_address_text.h"
#include "cli/opened_image.h"
#include "cli/room_refusals.h"
#include "image/cp1251_text.h"
#include "image/entry_plan.h"
#include "image/host_files.h"
#include "image/little_endian.h"
#include "image/rks_file.h"
#include "image/source_format.h"
#include "image/user_messages.h"

namespace flashdisk::cli {

namespace {

// The choices for one source: what the file suggests, then those given.
EntryChoices ChoicesFor(const std::filesystem::path& file, std::uint64_t size,
                        const FileChoices& given) {
  auto choices = ChooseEntry(file, size, given.load_address, given.rks, given.big);
  if (given.name) {
    choices.name = Cp1251FromUtf8(*given.name);
  }
  if (given.executable) {
    choices.executable = *given.executable;
  }
  choices.aligned = given.aligned;
  choices.reserved_minimum = given.reserved_minimum;
  return choices;
}

EntryPlan PlanOf(const DiskImage& image, std::uint64_t size, const EntryChoices& choices) {
  return PlanEntry(size, choices.rks, choices.aligned, choices.reserved_minimum,
                   image.sector_size());
}

}  // namespace

int RunAdd(const AddOptions& options, const Console& console) {
  if (options.name && options.files.size() > 1) {
    console.Report(options.image, kNameWithSeveralFilesMessage);
    return kExitUsage;
  }
  std::optional<std::uint16_t> load_address;
  if (!ReadLoadAddressOption(options.load_address, options.image, console, load_address)) {
    return kExitRefused;
  }
  auto opened = OpenImage(options.image, console);
  if (!opened) {
    return kExitRefused;
  }
  const FileChoices given{options.name,
                          options.rks,
                          options.big,
                          options.executable,
                          options.aligned,
                          load_address.value_or(0),
                          options.reserved_minimum};
  // All files go into the one image in memory; the file on disk is replaced
  // only once every one of them is in.
  for (const auto& file : options.files) {
    const auto result = AddFile(opened->image, file, given);
    if (result != AddResult::kAdded) {
      console.Report(options.image, file, AddRefusalMessage(opened->image, file, given, result));
      return kExitRefused;
    }
    WarnOfRksLength(options.image, file, given, console);
  }
  return SaveImage(*opened, console) ? kExitSuccess : kExitRefused;
}

AddResult AddFile(DiskImage& image, const std::filesystem::path& file, const FileChoices& given,
                  RoomRule room) {
  // A source that is not found is planned as an empty one: the add then
  // refuses it as the window does, for want of room or a name before the
  // read that fails.
  const auto size = LookUpSource(file).value_or(0);
  const auto choices = ChoicesFor(file, size, given);
  // An add moves the free space on by itself, so the next file is measured
  // against the space now left without walking the chain again.
  return AddEntry(image, SourceFile{file, size}, choices, PlanOf(image, size, choices), room);
}

EntryPlan PlanOfAdd(const DiskImage& image, const std::filesystem::path& file,
                    const FileChoices& given) {
  const auto size = LookUpSource(file).value_or(0);
  return PlanOf(image, size, ChoicesFor(file, size, given));
}

void WarnOfRksLength(const std::filesystem::path& image, const std::filesystem::path& file,
                     const FileChoices& given, const Console& console) {
  const auto size = LookUpSource(file);
  if (!size || !ChoicesFor(file, *size, given).rks) {
    return;
  }
  const auto header = ReadFileBytes(file, 0, kRksHeaderSize);
  if (!header) {
    return;
  }
  if (const auto warning = RksLengthWarning(*header, *size)) {
    console.Report(image, file, *warning);
  }
}

}  // namespace flashdisk::cli
