#include "image/image_problems.h"

#include <algorithm>
#include <iterator>

#include "image/little_endian.h"

namespace flashdisk {

namespace {

constexpr std::uint32_t kBigSizeStart = 0x10000;

struct KindText {
  FindingKind kind;
  FindingArea area;
  std::string_view name;
};

constexpr KindText kKinds[] = {
    {FindingKind::kBadMagic, FindingArea::kHeader, "bad_magic"},
    {FindingKind::kBadDiskSize, FindingArea::kHeader, "bad_disk_size"},
    {FindingKind::kBadSectorSize, FindingArea::kHeader, "bad_sector_size"},
    {FindingKind::kShortFile, FindingArea::kHeader, "short_file"},
    {FindingKind::kLongFile, FindingArea::kHeader, "long_file"},
    {FindingKind::kLabelWithoutNul, FindingArea::kHeader, "label_without_nul"},
    {FindingKind::kDirectoryInHeader, FindingArea::kHeader, "directory_in_header"},
    {FindingKind::kDirectoryPastDisk, FindingArea::kHeader, "directory_past_disk"},
    {FindingKind::kDirectoryOffSector, FindingArea::kHeader, "directory_off_sector"},
    {FindingKind::kEntryTooShort, FindingArea::kChain, "entry_too_short"},
    {FindingKind::kEntryNotWholeSectors, FindingArea::kChain, "entry_not_whole_sectors"},
    {FindingKind::kEntryPastDisk, FindingArea::kChain, "entry_past_disk"},
    {FindingKind::kDataPastRoom, FindingArea::kChain, "data_past_room"},
    {FindingKind::kNameWithoutNul, FindingArea::kChain, "name_without_nul"},
    {FindingKind::kEmptyName, FindingArea::kChain, "empty_name"},
    {FindingKind::kNotErased, FindingArea::kAfterChain, "not_erased"},
    {FindingKind::kStrayMarker, FindingArea::kAfterChain, "stray_marker"},
    {FindingKind::kBigSizeWraps, FindingArea::kNote, "big_size_wraps"},
    {FindingKind::kDeletedEntry, FindingArea::kNote, "deleted_entry"},
};

constexpr bool InEnumOrder() {
  for (std::size_t i = 0; i < std::size(kKinds); ++i) {
    if (static_cast<std::size_t>(kKinds[i].kind) != i) {
      return false;
    }
  }
  return true;
}
static_assert(InEnumOrder(), "kKinds is looked up by the kind's value");

const KindText& TextOf(FindingKind kind) {
  return kKinds[static_cast<std::size_t>(kind)];
}

// Walks the image once and collects what it finds.
class ProblemFinder {
 public:
  // `after_chain` also looks at the free space after the chain.
  ProblemFinder(const DiskImage& image, HeaderCheck::Outcome outcome, bool after_chain)
      : image_(image), disk_(image.disk()), outcome_(outcome), after_chain_(after_chain) {}

  ImageProblems Find() {
    if (outcome_ == HeaderCheck::Outcome::kBadMagic) {
      Add(kMagicOffset, FindingKind::kBadMagic);
      return std::move(found_);
    }
    if (outcome_ == HeaderCheck::Outcome::kBadDiskSize) {
      Add(kDiskSizeOffset, FindingKind::kBadDiskSize);
      return std::move(found_);  // without a disk size there is no disk to look at
    }
    // A sector size that is not offered still leaves a disk to walk; only
    // the sector rules are then left out.
    if (outcome_ == HeaderCheck::Outcome::kBadSectorSize) {
      Add(kSectorSizeOffset, FindingKind::kBadSectorSize);
    } else {
      sector_size_ = image_.sector_size();
    }
    FindInHeader();
    const auto end_of_chain = FindInChain();
    found_.free_space = static_cast<std::uint32_t>(disk_.size() - end_of_chain);
    if (after_chain_) {
      FindAfterChain(end_of_chain);
    }
    return std::move(found_);
  }

 private:
  void Add(std::uint64_t position, FindingKind kind) {
    auto& list = AreaOf(kind) == FindingArea::kNote ? found_.notes : found_.problems;
    list.push_back({position, kind});
  }

  bool OffSector(std::uint64_t value) const {
    return sector_size_ > 1 && value % sector_size_ != 0;
  }

  void FindInHeader() {
    const std::uint64_t file_size = image_.loaded_file_size();
    if (file_size < disk_.size()) {
      Add(file_size, FindingKind::kShortFile);
    } else if (file_size > disk_.size()) {
      Add(disk_.size(), FindingKind::kLongFile);
    }
    if (!HasNul(kLabelOffset)) {
      Add(kLabelOffset, FindingKind::kLabelWithoutNul);
    }
    const std::uint64_t directory = ReadLe32(disk_, kDirectoryOffsetOffset);
    if (directory < kHeaderSize) {
      Add(kDirectoryOffsetOffset, FindingKind::kDirectoryInHeader);
    } else if (directory > disk_.size()) {
      Add(kDirectoryOffsetOffset, FindingKind::kDirectoryPastDisk);
    } else if (OffSector(directory)) {
      Add(kDirectoryOffsetOffset, FindingKind::kDirectoryOffSector);
    }
  }

  bool HasNul(std::uint64_t field) const {
    const auto bytes = disk_.subspan(field, kTextFieldSize);
    return std::find(bytes.begin(), bytes.end(), std::uint8_t{0}) != bytes.end();
  }

  // Gives the end of the chain.
  std::uint64_t FindInChain() {
    DirectoryWalk walk(disk_, ReadLe32(disk_, kDirectoryOffsetOffset));
    while (const auto position = walk.Next()) {
      FindInEntry(ReadDirectoryEntry(disk_, *position));
    }
    const auto end = walk.end_of_chain();
    // A marker whose fixed part would run off the disk: the walk stops short
    // of it, the target machine would not.
    if (end < disk_.size() && disk_[end] == kEntryMarker) {
      Add(end, FindingKind::kEntryPastDisk);
      return disk_.size();
    }
    return end;
  }

  void FindInEntry(const DirectoryEntry& entry) {
    ++found_.entries;
    const std::uint64_t position = entry.position;
    const std::uint64_t total = entry.total_length;
    if (total < kEntryHeaderSize) {
      Add(position, FindingKind::kEntryTooShort);
    } else if (position + total > disk_.size()) {
      Add(position, FindingKind::kEntryPastDisk);
    } else if (OffSector(total)) {
      Add(position, FindingKind::kEntryNotWholeSectors);
    }
    // The data starts at byte 44 whatever the attributes say: Aligned widens
    // only the room an add plans for an entry, not the room its data has.
    const std::uint64_t room_for_data = total > kEntryHeaderSize ? total - kEntryHeaderSize : 0;
    if (entry.data_size > room_for_data) {
      Add(position, FindingKind::kDataPastRoom);
    }
    if (!HasNul(position + kEntryNameOffset)) {
      Add(position, FindingKind::kNameWithoutNul);
    } else if (entry.name.empty()) {
      Add(position, FindingKind::kEmptyName);
    }
    FindNotesOnEntry(entry);
  }

  void FindNotesOnEntry(const DirectoryEntry& entry) {
    if (!entry.attributes.Has(kAttributeBig) && entry.data_size >= kBigSizeStart) {
      Add(entry.position, FindingKind::kBigSizeWraps);
    }
    if (entry.attributes.Has(kAttributeDeleted)) {
      Add(entry.position, FindingKind::kDeletedEntry);
      ++found_.deleted_entries;
      found_.deleted_bytes += entry.total_length;
    }
  }

  // One problem per run of bytes that are not erased, and one per entry
  // marker at a sector boundary: a link that goes wrong would land on it.
  void FindAfterChain(std::uint64_t end_of_chain) {
    const auto not_erased = [](std::uint8_t byte) { return byte != kErasedByte; };
    auto run = std::find_if(disk_.begin() + static_cast<std::ptrdiff_t>(end_of_chain), disk_.end(),
                            not_erased);
    while (run != disk_.end()) {
      const auto run_end = std::find(run, disk_.end(), kErasedByte);
      Add(static_cast<std::uint64_t>(run - disk_.begin()), FindingKind::kNotErased);
      FindStrayMarkers(run, run_end);
      run = std::find_if(run_end, disk_.end(), not_erased);
    }
  }

  void FindStrayMarkers(std::span<const std::uint8_t>::iterator from,
                        std::span<const std::uint8_t>::iterator to) {
    for (auto byte = std::find(from, to, kEntryMarker); byte != to;
         byte = std::find(byte + 1, to, kEntryMarker)) {
      const auto position = static_cast<std::uint64_t>(byte - disk_.begin());
      if (!OffSector(position)) {
        Add(position, FindingKind::kStrayMarker);
      }
    }
  }

  const DiskImage& image_;
  std::span<const std::uint8_t> disk_;
  HeaderCheck::Outcome outcome_;
  bool after_chain_;
  std::uint32_t sector_size_ = 1;  // 1 while the header's is not one of the offered
  ImageProblems found_;
};

}  // namespace

bool ImageProblems::damaged() const {
  return std::any_of(problems.begin(), problems.end(), [](const Finding& finding) {
    return AreaOf(finding.kind) != FindingArea::kAfterChain;
  });
}

FindingArea AreaOf(FindingKind kind) {
  return TextOf(kind).area;
}

std::string_view KindName(FindingKind kind) {
  return TextOf(kind).name;
}

ImageProblems FindImageProblems(const DiskImage& image, HeaderCheck::Outcome outcome) {
  return ProblemFinder(image, outcome, true).Find();
}

HeaderCheck::Outcome CheckHeaderAgain(const DiskImage& image) {
  const auto disk = image.disk();
  if (disk.size() < kHeaderSize) {
    return HeaderCheck::Outcome::kBadMagic;
  }
  const auto header = ReadImageHeader(disk);
  if (header.magic != kImageMagic) {
    return HeaderCheck::Outcome::kBadMagic;
  }
  if (header.disk_size != image.disk_size() || !DiskSizeIndex(header.disk_size)) {
    return HeaderCheck::Outcome::kBadDiskSize;
  }
  if (header.sector_size != image.sector_size() || !SectorSizeIndex(header.sector_size)) {
    return HeaderCheck::Outcome::kBadSectorSize;
  }
  return HeaderCheck::Outcome::kValid;
}

bool IsSound(const DiskImage& image) {
  const auto outcome = CheckHeaderAgain(image);
  // What lies after the chain never stops an edit, so it is not looked at.
  return outcome == HeaderCheck::Outcome::kValid &&
         !ProblemFinder(image, outcome, false).Find().damaged();
}

}  // namespace flashdisk
