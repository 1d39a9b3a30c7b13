#include "image/image_diff.h"

#include <algorithm>
#include <limits>

#include "image/entry_matching.h"
#include "image/entry_plan.h"
#include "image/little_endian.h"

namespace flashdisk {

namespace {

using Changes = std::vector<ImageChange>;

ImageChange& AddChange(Changes& changes, ChangeKind kind) {
  changes.emplace_back();
  changes.back().kind = kind;
  return changes.back();
}

// Blocks are compared whole first (a memcmp, many bytes an instruction),
// and only the block that differs is searched byte by byte: a byte loop over
// two 2 MiB disks took longer than all the rest of comparing equal disks.
std::optional<std::uint64_t> FirstDifference(std::span<const std::uint8_t> a,
                                             std::span<const std::uint8_t> b) {
  constexpr std::size_t kBlock = 4096;
  const auto common = std::min(a.size(), b.size());
  std::size_t block = 0;
  while (block < common) {
    const auto length = std::min(kBlock, common - block);
    const auto these = a.subspan(block, length);
    const auto those = b.subspan(block, length);
    if (!std::ranges::equal(these, those)) {
      const auto at = std::ranges::mismatch(these, those).in1;
      return static_cast<std::uint64_t>(block) + static_cast<std::uint64_t>(at - these.begin());
    }
    block += length;
  }
  if (a.size() != b.size()) {
    return common;
  }
  return std::nullopt;
}

void AddIfChanged(Changes& changes, ChangeKind kind, std::int64_t old_value,
                  std::int64_t new_value) {
  if (old_value != new_value) {
    auto& change = AddChange(changes, kind);
    change.old_value = old_value;
    change.new_value = new_value;
  }
}

void DiffHeaders(const ImageHeader& a, const ImageHeader& b, Changes& changes) {
  AddIfChanged(changes, ChangeKind::kDiskSize, a.disk_size, b.disk_size);
  AddIfChanged(changes, ChangeKind::kSectorSize, a.sector_size, b.sector_size);
  if (a.label != b.label) {
    auto& change = AddChange(changes, ChangeKind::kLabel);
    change.old_text = a.label;
    change.new_text = b.label;
  }
  AddIfChanged(changes, ChangeKind::kSystemLoadAddress, a.system_load_address,
               b.system_load_address);
  AddIfChanged(changes, ChangeKind::kSystemSize, a.system_size, b.system_size);
  AddIfChanged(changes, ChangeKind::kDirectoryOffset, a.directory_offset, b.directory_offset);
}

// One disk's chain, walked as List walks it. An entry is read in full only
// when it differs from the one it is paired with.
struct Chain final : MatchSide {
  const DiskImage& image;
  std::span<const std::uint8_t> disk;
  std::vector<std::uint32_t> positions;

  explicit Chain(const DiskImage& disk_image) : image(disk_image), disk(image.disk()) {
    // As many places as the disk could hold entries: pages of it are only
    // taken as they are written, and growing by steps would copy and fault
    // in each step's array anew.
    positions.reserve(disk.size() / kEntryHeaderSize + 1);
    auto walk = DirectoryWalk(disk, ReadLe32(disk, kDirectoryOffsetOffset));
    while (const auto position = walk.Next()) {
      positions.push_back(*position);
    }
  }

  std::size_t size() const override { return positions.size(); }

  // The name as ReadTextField gives it, without making a string of it.
  std::string_view name(std::size_t index) const override {
    const auto field = disk.subspan(positions[index] + kEntryNameOffset, kTextFieldSize);
    const std::string_view text(reinterpret_cast<const char*>(field.data()), field.size());
    return text.substr(0, text.find('\0'));
  }

  std::optional<std::span<const std::uint8_t>> data(std::size_t index) const override {
    return DataAt(index);
  }

  std::span<const std::uint8_t> DataAt(std::size_t index) const {
    DirectoryEntry sizes;
    sizes.position = positions[index];
    sizes.data_size = ReadLe32(disk, sizes.position + kEntryDataSizeOffset);
    sizes.total_length = ReadLe32(disk, sizes.position + kEntryTotalLengthOffset);
    return image.EntryData(sizes);
  }

  std::span<const std::uint8_t> FixedPartAt(std::size_t index) const {
    return disk.subspan(positions[index], kEntryHeaderSize);
  }

  DirectoryEntry EntryAt(std::size_t index) const {
    return ReadDirectoryEntry(disk, positions[index]);
  }

  // Where the entry's bytes end: its header, its data and its reserve.
  std::uint64_t EndAt(std::size_t index) const {
    const auto total_length = ReadLe32(disk, positions[index] + kEntryTotalLengthOffset);
    return std::uint64_t{positions[index]} +
           std::max<std::uint64_t>(total_length, kEntryHeaderSize);
  }

  bool Holds(std::string_view wanted) const {
    for (std::size_t i = 0; i < positions.size(); ++i) {
      if (name(i) == wanted) {
        return true;
      }
    }
    return false;
  }
};

// Matched entries that keep their order among themselves stay; the others
// moved. The longest run of `from` places that rises in `to`'s order is the
// fewest moves that explain the new order.
std::vector<bool> MovedEntries(const EntryMatches& matches) {
  std::vector<bool> moved(matches.size(), false);
  std::optional<std::uint32_t> last_place;
  const bool in_order = std::ranges::all_of(matches, [&](const auto& match) {
    const bool rises = !match || !last_place || *last_place < *match;
    if (match) {
      last_place = match;
    }
    return rises;
  });
  if (in_order) {
    return moved;
  }
  // Patience sorting over the matched entries of `to`: tails[k] ends the
  // best rising run of length k + 1. Both arrays hold places in `to`, and an
  // entry's `from` place is read from `matches` itself rather than from a
  // copy: every fresh page of memory costs.
  constexpr auto kFirst = std::numeric_limits<std::uint32_t>::max();
  std::vector<std::uint32_t> tails;
  std::vector<std::uint32_t> before(matches.size(), kFirst);
  const auto place_of = [&](std::uint32_t index) { return *matches[index]; };
  for (std::uint32_t i = 0; i < matches.size(); ++i) {
    if (!matches[i]) {
      continue;
    }
    moved[i] = true;
    const auto place = *matches[i];
    // Most entries keep their order and lengthen the best run: no search.
    const auto length =
        tails.empty() || place_of(tails.back()) < place
            ? tails.size()
            : static_cast<std::size_t>(std::ranges::lower_bound(tails, place, {}, place_of) -
                                       tails.begin());
    if (length > 0) {
      before[i] = tails[length - 1];
    }
    if (length == tails.size()) {
      tails.push_back(i);
    } else {
      tails[length] = i;
    }
  }
  for (auto i = tails.empty() ? kFirst : tails.back(); i != kFirst; i = before[i]) {
    moved[i] = false;
  }
  return moved;
}

class DiskDiffer {
 public:
  // Both disks hold the same bytes before `first_difference`.
  DiskDiffer(const DiskImage& from, const DiskImage& to, std::uint64_t first_difference,
             Changes& changes)
      : from_(from), to_(to), first_difference_(first_difference), changes_(changes) {}

  void DiffEntries() {
    const auto common = CommonPrefix();
    if (common == std::min(from_.positions.size(), to_.positions.size()) || OnlyRenamedApart()) {
      DiffInPlace(std::min(from_.positions.size(), to_.positions.size()));
      return;
    }
    const auto matches = MatchEntries(from_, to_);
    const auto moved = MovedEntries(matches);
    removed_.assign(from_.positions.size(), true);
    for (const auto& match : matches) {
      if (match) {
        removed_[*match] = false;
      }
    }
    for (std::size_t i = 0; i < to_.positions.size(); ++i) {
      if (!matches[i]) {
        Add(ChangeKind::kAdded, i, to_.EntryAt(i));
        continue;
      }
      if (!moved[i]) {
        TellRemovedBefore(*matches[i]);
      }
      DiffPair(*matches[i], i, moved[i]);
    }
    TellRemovedBefore(removed_.size());
  }

 private:
  ImageChange& Add(ChangeKind kind, std::size_t index, const DirectoryEntry& entry) {
    auto& change = AddChange(changes_, kind);
    change.index = index + 1;
    change.name = entry.name;
    return change;
  }

  // How many entries from the first on have the same names and data on both
  // sides. MatchEntries pairs each of them with its own place: when all of
  // one side's entries are among them, as after edits of entries' fields or
  // an add at the end, the pairing is known without its tables.
  std::size_t CommonPrefix() const {
    const auto count = std::min(from_.positions.size(), to_.positions.size());
    std::size_t i = 0;
    while (i < count && (Untouched(i, i) || (from_.name(i) == to_.name(i) &&
                                             std::ranges::equal(from_.DataAt(i), to_.DataAt(i))))) {
      ++i;
    }
    return i;
  }

  // The same number of entries with the same data in the same order, and a
  // few renamed to names the other side does not have: no name of them can
  // pair by the name rule, and every other name stands at the same places on
  // both sides, so MatchEntries would pair each entry with its own place.
  bool OnlyRenamedApart() const {
    constexpr std::size_t kMostRenamed = 16;
    const auto count = from_.positions.size();
    if (to_.positions.size() != count) {
      return false;
    }
    std::vector<std::size_t> renamed;
    for (std::size_t i = 0; i < count; ++i) {
      if (!std::ranges::equal(from_.DataAt(i), to_.DataAt(i))) {
        return false;
      }
      if (from_.name(i) != to_.name(i)) {
        renamed.push_back(i);
        if (renamed.size() > kMostRenamed) {
          return false;
        }
      }
    }
    return std::ranges::none_of(renamed, [&](std::size_t i) {
      return from_.Holds(to_.name(i)) || to_.Holds(from_.name(i));
    });
  }

  // The rest of the longer side is added or removed.
  void DiffInPlace(std::size_t common) {
    for (std::size_t i = 0; i < common; ++i) {
      DiffPair(i, i, false);
    }
    for (std::size_t i = common; i < to_.positions.size(); ++i) {
      Add(ChangeKind::kAdded, i, to_.EntryAt(i));
    }
    for (std::size_t i = common; i < from_.positions.size(); ++i) {
      Add(ChangeKind::kRemoved, i, from_.EntryAt(i));
    }
  }

  // Only entries whose bytes differ are read: the largest directories
  // differ in a few entries after an edit.
  void DiffPair(std::size_t from_index, std::size_t to_index, bool moved) {
    const bool same_sectors = from_.image.sector_size() == to_.image.sector_size();
    if (!moved && same_sectors &&
        (Untouched(from_index, to_index) ||
         (std::ranges::equal(from_.FixedPartAt(from_index), to_.FixedPartAt(to_index)) &&
          std::ranges::equal(from_.DataAt(from_index), to_.DataAt(to_index))))) {
      return;
    }
    DiffEntry(from_.EntryAt(from_index), from_index, to_.EntryAt(to_index), to_index, moved);
  }

  // An entry at the same place on both disks that ends before their first
  // differing byte is the same entry, known without reading it: after an
  // edit near the end of a large directory that is nearly every entry.
  bool Untouched(std::size_t from_index, std::size_t to_index) const {
    return from_.positions[from_index] == to_.positions[to_index] &&
           from_.EndAt(from_index) <= first_difference_;
  }

  void TellRemovedBefore(std::size_t end) {
    for (; next_removed_ < end; ++next_removed_) {
      if (removed_[next_removed_]) {
        Add(ChangeKind::kRemoved, next_removed_, from_.EntryAt(next_removed_));
      }
    }
  }

  void DiffEntry(const DirectoryEntry& a, std::size_t from_index, const DirectoryEntry& b,
                 std::size_t to_index, bool moved) {
    if (moved) {
      auto& change = Add(ChangeKind::kMoved, to_index, b);
      change.old_value = static_cast<std::int64_t>(from_index + 1);
      change.new_value = static_cast<std::int64_t>(to_index + 1);
    }
    if (a.name != b.name) {
      auto& change = Add(ChangeKind::kRenamed, to_index, b);
      change.old_text = a.name;
      change.new_text = b.name;
    }
    if (const auto at = FirstDifference(from_.image.EntryData(a), to_.image.EntryData(b));
        at || a.data_size != b.data_size) {
      auto& change = Add(ChangeKind::kData, to_index, b);
      change.old_value = a.data_size;
      change.new_value = b.data_size;
      change.first_difference = at.value_or(std::min(a.data_size, b.data_size));
    }
    AddValues(ChangeKind::kLoadAddress, to_index, b, a.load_address, b.load_address);
    AddValues(ChangeKind::kAttributes, to_index, b, a.attributes.stored, b.attributes.stored);
    // Counted alike on both sides, so that making an entry Aligned is told
    // as an attribute only.
    const bool aligned = b.attributes.Has(kAttributeAligned);
    AddValues(ChangeKind::kReserve, to_index, b,
              EntryReserve(a, aligned, from_.image.sector_size()),
              EntryReserve(b, aligned, to_.image.sector_size()));
  }

  void AddValues(ChangeKind kind, std::size_t index, const DirectoryEntry& entry,
                 std::int64_t old_value, std::int64_t new_value) {
    if (old_value != new_value) {
      auto& change = Add(kind, index, entry);
      change.old_value = old_value;
      change.new_value = new_value;
    }
  }

  Chain from_;
  Chain to_;
  std::uint64_t first_difference_;
  Changes& changes_;
  std::vector<bool> removed_;
  std::size_t next_removed_ = 0;
};

}  // namespace

std::int64_t EntryReserve(const DirectoryEntry& entry, bool aligned, std::uint32_t sector_size) {
  const std::uint64_t sector = std::max<std::uint32_t>(sector_size, 1);
  const auto needed = HeaderSpace(aligned, sector_size) + std::uint64_t{entry.data_size};
  const auto rounded = (needed + sector - 1) / sector * sector;
  return static_cast<std::int64_t>(entry.total_length) - static_cast<std::int64_t>(rounded);
}

std::vector<ImageChange> DiffImages(const DiskImage& from, const DiskImage& to) {
  Changes changes;
  const auto a = from.disk();
  const auto b = to.disk();
  const auto first = FirstDifference(a, b);
  if (!first) {
    return changes;
  }
  DiffHeaders(ReadImageHeader(a), ReadImageHeader(b), changes);
  DiskDiffer(from, to, *first, changes).DiffEntries();
  if (changes.empty()) {
    AddChange(changes, ChangeKind::kOtherBytes).first_difference = first;
  }
  return changes;
}

}  // namespace flashdisk
