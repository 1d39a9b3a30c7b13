// What differs between two disks, entry by entry: what `diff` shows. Entries
// are paired by MatchEntries; the changes come in the directory's order of
// the second disk, with entries gone from it at their old place.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "image/disk_image.h"

namespace flashdisk {

enum class ChangeKind {
  // The header's fields.
  kDiskSize,
  kSectorSize,
  kLabel,
  kSystemLoadAddress,
  kSystemSize,
  kDirectoryOffset,
  // Entries.
  kAdded,
  kRemoved,
  kMoved,        // old and new place, 1-based
  kRenamed,      // old and new text
  kData,         // old and new size, and the first differing offset in the data
  kLoadAddress,  // old and new address
  kAttributes,   // old and new stored byte
  kReserve,      // old and new bytes of the entry beyond the sectors its data needs
  // Bytes that belong to no field above: after a name's or the label's NUL,
  // after an entry's data, before the directory or after the chain. Told
  // only when nothing else differs.
  kOtherBytes,
};

struct ImageChange {
  ChangeKind kind = ChangeKind::kOtherBytes;
  // The entry's 1-based place in the second disk, or in the first for a
  // removed one; 0 for the header and other bytes.
  std::size_t index = 0;
  std::string name;  // the entry's name there, code page 1251 bytes
  std::int64_t old_value = 0;
  std::int64_t new_value = 0;
  std::string old_text;  // code page 1251 bytes: the label, a renamed entry's names
  std::string new_text;
  std::optional<std::uint64_t> first_difference;  // data, other bytes
};

// Both disks are checked; their listings are not used. No change when their
// bytes are the same.
std::vector<ImageChange> DiffImages(const DiskImage& from, const DiskImage& to);

// What an entry holds beyond the sectors that its fixed part and data need,
// counted as an Aligned entry does when `aligned`; below 0 when an Aligned
// entry was given only what its data needs.
std::int64_t EntryReserve(const DirectoryEntry& entry, bool aligned, std::uint32_t sector_size);

}  // namespace flashdisk
