#include "image/image_diff.h"

#include <algorithm>

#include "image/entry_matching.h"
#include "image/entry_plan.h"

namespace flashdisk {

namespace {

using Changes = std::vector<ImageChange>;

ImageChange& AddChange(Changes& changes, ChangeKind kind) {
  changes.emplace_back();
  changes.back().kind = kind;
  return changes.back();
}

std::optional<std::uint64_t> FirstDifference(std::span<const std::uint8_t> a,
                                             std::span<const std::uint8_t> b) {
  const auto common = std::min(a.size(), b.size());
  const auto [at, ignored] =
      std::mismatch(a.begin(), a.begin() + static_cast<std::ptrdiff_t>(common), b.begin());
  const auto offset = static_cast<std::uint64_t>(at - a.begin());
  if (offset < common || a.size() != b.size()) {
    return offset;
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

std::vector<MatchedEntryKey> KeysOf(const DiskImage& image) {
  std::vector<MatchedEntryKey> keys;
  keys.reserve(image.listing().entries.size());
  for (const auto& entry : image.listing().entries) {
    keys.push_back({entry.name, image.EntryData(entry)});
  }
  return keys;
}

// Matched entries that keep their order among themselves stay; the others
// moved. The longest run of `from` places that rises in `to`'s order is the
// fewest moves that explain the new order.
std::vector<bool> MovedEntries(const std::vector<std::optional<std::size_t>>& matches) {
  std::vector<std::size_t> matched;  // indexes into `to`
  for (std::size_t i = 0; i < matches.size(); ++i) {
    if (matches[i]) {
      matched.push_back(i);
    }
  }
  // Patience sorting: tails[k] ends the best rising run of length k + 1.
  std::vector<std::size_t> tails;
  std::vector<std::optional<std::size_t>> before(matched.size());
  for (std::size_t k = 0; k < matched.size(); ++k) {
    const auto place = *matches[matched[k]];
    const auto slot = std::lower_bound(
        tails.begin(), tails.end(), place,
        [&](std::size_t tail, std::size_t value) { return *matches[matched[tail]] < value; });
    if (slot != tails.begin()) {
      before[k] = *(slot - 1);
    }
    if (slot == tails.end()) {
      tails.push_back(k);
    } else {
      *slot = k;
    }
  }
  std::vector<bool> moved(matches.size(), false);
  for (const auto k : matched) {
    moved[k] = true;
  }
  for (auto k = tails.empty() ? std::nullopt : std::optional(tails.back()); k; k = before[*k]) {
    moved[matched[*k]] = false;
  }
  return moved;
}

class DiskDiffer {
 public:
  DiskDiffer(const DiskImage& from, const DiskImage& to, Changes& changes)
      : from_(from), to_(to), changes_(changes) {}

  void DiffEntries() {
    const auto& to_entries = to_.listing().entries;
    const auto matches = MatchEntries(KeysOf(from_), KeysOf(to_));
    const auto moved = MovedEntries(matches);
    removed_.assign(from_.listing().entries.size(), true);
    for (const auto& match : matches) {
      if (match) {
        removed_[*match] = false;
      }
    }
    for (std::size_t i = 0; i < to_entries.size(); ++i) {
      if (!matches[i]) {
        Add(ChangeKind::kAdded, i, to_entries[i]);
        continue;
      }
      if (!moved[i]) {
        TellRemovedBefore(*matches[i]);
      }
      DiffEntry(*matches[i], i, moved[i]);
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

  void TellRemovedBefore(std::size_t end) {
    for (; next_removed_ < end; ++next_removed_) {
      if (removed_[next_removed_]) {
        Add(ChangeKind::kRemoved, next_removed_, from_.listing().entries[next_removed_]);
      }
    }
  }

  void DiffEntry(std::size_t from_index, std::size_t to_index, bool moved) {
    const auto& a = from_.listing().entries[from_index];
    const auto& b = to_.listing().entries[to_index];
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
    if (const auto at = FirstDifference(from_.EntryData(a), to_.EntryData(b));
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
    AddValues(ChangeKind::kReserve, to_index, b, EntryReserve(a, aligned, from_.sector_size()),
              EntryReserve(b, aligned, to_.sector_size()));
  }

  void AddValues(ChangeKind kind, std::size_t index, const DirectoryEntry& entry,
                 std::int64_t old_value, std::int64_t new_value) {
    if (old_value != new_value) {
      auto& change = Add(kind, index, entry);
      change.old_value = old_value;
      change.new_value = new_value;
    }
  }

  const DiskImage& from_;
  const DiskImage& to_;
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
  DiskDiffer(from, to, changes).DiffEntries();
  if (changes.empty()) {
    AddChange(changes, ChangeKind::kOtherBytes).first_difference = first;
  }
  return changes;
}

}  // namespace flashdisk
