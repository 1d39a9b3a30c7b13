#include "cli/room_refusals.h"

#include "cli/command_messages.h"
#include "image/entry_plan.h"
#include "image/user_messages.h"

namespace flashdisk::cli {

std::string AddRefusalMessage(const DiskImage& image, const std::filesystem::path& file,
                              const FileChoices& given, AddResult result) {
  if (result != AddResult::kNoRoom || !image.has_valid_sizes()) {
    return std::string(AddResultMessage(result));
  }
  // The add leaves the byte after the entry free.
  return NoRoomMessage(PlanOfAdd(image, file, given).total_length + 1, image.free_space());
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
