#include "cli/room_refusals.h"

#include "cli/command_messages.h"
#include "image/entry_plan.h"
#include "image/source_format.h"
#include "image/user_messages.h"

namespace flashdisk::cli {

std::string AddRefusalMessage(const DiskImage& image, const std::filesystem::path& file,
                              const FileChoices& given, AddResult result) {
  if (result != AddResult::kNoRoom || !image.has_valid_sizes()) {
    return std::string(AddResultMessage(result));
  }
  // The plan AddFile made; the add leaves the byte after the entry free.
  const auto size = LookUpSource(file).value_or(0);
  const auto rks = ChooseEntry(file, size, given.load_address, given.rks, given.big).rks;
  const auto plan =
      PlanEntry(size, rks, given.aligned, given.reserved_minimum, image.sector_size());
  return NoRoomMessage(plan.total_length + 1, image.free_space());
}

std::string ReplaceRefusalMessage(const DiskImage& image, const DirectoryEntry& entry,
                                  const SourceFile& source, const Replacement& replacement,
                                  AddResult result) {
  if (result != AddResult::kNoRoom) {
    return std::string(AddResultMessage(result));
  }
  const auto plan = PlanEntry(source.size, replacement.rks, entry.attributes.Has(kAttributeAligned),
                              0, image.sector_size());
  if (std::uint64_t{entry.position} + entry.total_length != image.EndOfChain()) {
    return NoRoomMessage(kEntryHeaderSize + plan.data_size, entry.total_length);
  }
  return NoRoomMessage(plan.total_length + 1, image.disk().size() - entry.position);
}

}  // namespace flashdisk::cli
