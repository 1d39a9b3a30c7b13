#include "image/entry_replacement.h"

#include <algorithm>
#include <optional>

#include "image/host_files.h"
#include "image/image_problems.h"
#include "image/little_endian.h"

namespace flashdisk {

namespace {

// The entry of the image's chain at `position`, read afresh from the disk,
// or nothing when the chain has no entry there.
std::optional<DirectoryEntry> EntryOfChain(const DiskImage& image, std::uint32_t position) {
  DirectoryWalk walk(image.disk(), ReadLe32(image.disk(), kDirectoryOffsetOffset));
  while (const auto next = walk.Next()) {
    if (*next == position) {
      return ReadDirectoryEntry(image.disk(), position);
    }
    if (*next > position) {
      break;
    }
  }
  return std::nullopt;
}

// The entry's total length once it holds the planned data, or nothing when
// the data has no room there. Data that fits behind the 44-byte fixed part
// stays in place; only a grown entry is planned with the add's header space.
std::optional<std::uint64_t> TotalLengthFor(const DiskImage& image, const DirectoryEntry& entry,
                                            const EntryPlan& plan) {
  if (plan.data_size + kEntryHeaderSize <= entry.total_length) {
    return entry.total_length;
  }
  const std::uint64_t end = std::uint64_t{entry.position} + entry.total_length;
  if (end != image.EndOfChain()) {
    return std::nullopt;  // only the last entry has free space behind it
  }
  const std::uint64_t free_space = image.disk().size() - entry.position;
  if (plan.total_length >= free_space) {
    return std::nullopt;
  }
  return plan.total_length;
}

void WriteData(std::span<std::uint8_t> entry, EntryAttributes attributes,
               const Replacement& replacement, std::span<const std::uint8_t> data) {
  attributes.Set(kAttributeBig, replacement.big);
  entry[kEntryAttributesOffset] = attributes.stored;
  WriteLe16(entry, kEntryLoadAddressOffset, replacement.load_address);
  WriteLe32(entry, kEntryDataSizeOffset, static_cast<std::uint32_t>(data.size()));
  WriteLe32(entry, kEntryTotalLengthOffset, static_cast<std::uint32_t>(entry.size()));
  const auto data_end = std::copy(data.begin(), data.end(), entry.begin() + kEntryHeaderSize);
  // Old data left behind the new would be read back as part of the file by
  // any tool that trusts the total length, and blocks the next write.
  std::fill(data_end, entry.end(), kErasedByte);
}

}  // namespace

AddResult ReplaceEntryData(DiskImage& image, const DirectoryEntry& listed, const SourceFile& source,
                           const Replacement& replacement) {
  if (!IsSound(image)) {
    return AddResult::kBadFormat;
  }
  // Only the position is taken from the caller: the fields are read afresh.
  const auto found = EntryOfChain(image, listed.position);
  if (!found) {
    return AddResult::kBadFormat;
  }
  const DirectoryEntry& entry = *found;
  if (replacement.rks && source.size < kRksOverhead) {
    return AddResult::kReadError;  // an RKS file without its overhead holds no data
  }
  const auto plan = PlanEntry(source.size, replacement.rks, entry.attributes.Has(kAttributeAligned),
                              0, image.sector_size());
  const auto total_length = TotalLengthFor(image, entry, plan);
  if (!total_length) {
    return AddResult::kNoRoom;
  }
  const auto data =
      ReadFileBytes(source.path, replacement.rks ? kRksHeaderSize : 0, plan.data_size);
  if (!data) {
    return AddResult::kReadError;
  }
  const bool grows = *total_length != entry.total_length;
  auto disk = image.EditDisk();
  WriteData(disk.subspan(entry.position, *total_length), entry.attributes, replacement, *data);
  if (grows) {
    // The entry ends the chain further on now: a stale marker right behind
    // it would join the chain.
    EraseMarkerAt(disk, entry.position + *total_length);
  }
  return AddResult::kAdded;
}

}  // namespace flashdisk
