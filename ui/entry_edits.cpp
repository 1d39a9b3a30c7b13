#include "ui/entry_edits.h"

#include <algorithm>
#include <system_error>

#include "image/entry_move.h"
#include "image/entry_plan.h"
#include "image/entry_removal.h"
#include "image/entry_replacement.h"
#include "image/host_files.h"
#include "image/rks_file.h"
#include "image/source_format.h"
#include "image/user_messages.h"

namespace flashdisk {

namespace {

bool IsFolder(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::is_directory(path, error);
}

AddResult AddFile(DiskImage& image, const std::filesystem::path& file) {
  const auto size = LookUpSource(file).value_or(0);
  const auto choices = ChooseEntry(file, size, 0);
  const auto plan =
      PlanEntry(size, choices.rks, choices.aligned, choices.reserved_minimum, image.sector_size());
  return AddEntry(image, SourceFile{file, size}, choices, plan);
}

}  // namespace

std::string_view RemoveEntry(DiskImage& image, std::uint32_t position) {
  // The core refuses an image whose header or chain is damaged: a removal
  // would build on the damage and spread it.
  return RemoveEntries(image, {position}) ? std::string_view() : kFormatErrorMessage;
}

std::string_view MoveEntryTo(DiskImage& image, std::uint32_t position, std::size_t to) {
  return MoveEntry(image, position, to) ? std::string_view() : kFormatErrorMessage;
}

std::string_view ReplaceEntryFromFile(DiskImage& image, const DirectoryEntry& entry,
                                      const std::filesystem::path& file) {
  // A file that is not found counts as an empty one, whose read then fails.
  const auto size = LookUpSource(file).value_or(0);
  return AddResultMessage(
      ReplaceEntryData(image, entry, SourceFile{file, size}, ChooseReplacement(file, size, entry)));
}

std::string_view SaveEntryData(const DiskImage& image, const DirectoryEntry& entry,
                               const std::filesystem::path& file) {
  const auto data = image.EntryData(entry);
  // Data too long for an RKS file leaves as it is stored, as an add of it
  // took it in.
  const bool written = HasRksExtension(entry.name) && FitsRksFile(data.size())
                           ? WriteFileAtomically(file, MakeRksFile(entry.load_address, data))
                           : WriteFileAtomically(file, data);
  return written ? std::string_view() : kWriteErrorMessage;
}

std::string_view AddFiles(DiskImage& image, const std::vector<std::filesystem::path>& files) {
  if (std::any_of(files.begin(), files.end(), IsFolder)) {
    return kReadErrorMessage;
  }
  // Each add measures the space the ones before it left; when one is
  // refused, the disk gets back the bytes it had before the first.
  const auto disk = image.disk();
  const std::vector<std::uint8_t> before(disk.begin(), disk.end());
  for (const auto& file : files) {
    const auto result = AddFile(image, file);
    if (result != AddResult::kAdded) {
      std::copy(before.begin(), before.end(), image.EditDisk().begin());
      image.List();
      return AddResultMessage(result);
    }
  }
  return {};
}

}  // namespace flashdisk
