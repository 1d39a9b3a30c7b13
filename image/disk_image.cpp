#include "image/disk_image.h"

#include <algorithm>

#include "image/host_files.h"
#include "image/little_endian.h"

namespace flashdisk {

DiskImage::DiskImage() : buffer_(kImageBufferSize, 0) {}

bool DiskImage::Format(std::uint32_t disk_size, std::uint32_t sector_size) {
  if (!DiskSizeIndex(disk_size) || !SectorSizeIndex(sector_size)) {
    return false;
  }
  disk_size_ = disk_size;
  sector_size_ = sector_size;
  listed_end_of_chain_.reset();
  FormatDisk(writable_disk(), sector_size);
  return true;
}

bool DiskImage::Load(const std::filesystem::path& path) {
  // Read into a separate buffer first, so a failed read leaves the current
  // image, its sizes and its listing exactly as they were.
  const auto file = ReadWholeFile(path, kImageBufferSize);
  if (!file) {
    return false;
  }
  disk_size_ = 0;
  sector_size_ = 0;
  listed_end_of_chain_.reset();
  std::copy(file->begin(), file->end(), buffer_.begin());
  // A file shorter than its disk leaves the rest erased, never the bytes of an
  // image loaded earlier.
  std::fill(buffer_.begin() + static_cast<std::ptrdiff_t>(file->size()), buffer_.end(),
            kErasedByte);
  return true;
}

HeaderCheck DiskImage::Check() {
  HeaderCheck check;
  listed_end_of_chain_.reset();
  check.header = ReadImageHeader(buffer_);
  if (check.header.magic != kImageMagic) {
    check.outcome = HeaderCheck::Outcome::kBadMagic;
    return check;
  }
  disk_size_ = check.header.disk_size;
  check.disk_size_index = DiskSizeIndex(disk_size_);
  if (!check.disk_size_index) {
    check.outcome = HeaderCheck::Outcome::kBadDiskSize;
    return check;
  }
  sector_size_ = check.header.sector_size;
  check.sector_size_index = SectorSizeIndex(sector_size_);
  check.outcome =
      check.sector_size_index ? HeaderCheck::Outcome::kValid : HeaderCheck::Outcome::kBadSectorSize;
  return check;
}

DirectoryListing DiskImage::List() {
  DirectoryListing listing;
  const auto bytes = disk();
  if (bytes.size() < kHeaderSize) {
    free_space_ = static_cast<std::uint32_t>(bytes.size());
    listing.free_space = free_space_;
    return listing;
  }
  DirectoryWalk walk(bytes, ReadLe32(bytes, kDirectoryOffsetOffset));
  while (const auto position = walk.Next()) {
    listing.entries.push_back(ReadDirectoryEntry(bytes, *position));
  }
  listed_end_of_chain_ = static_cast<std::uint32_t>(walk.end_of_chain());
  free_space_ = static_cast<std::uint32_t>(bytes.size() - *listed_end_of_chain_);
  listing.free_space = free_space_;
  return listing;
}

std::uint32_t DiskImage::EndOfChain() const {
  if (listed_end_of_chain_) {
    return *listed_end_of_chain_;
  }
  const auto bytes = disk();
  if (bytes.size() < kHeaderSize) {
    return 0;
  }
  DirectoryWalk walk(bytes, ReadLe32(bytes, kDirectoryOffsetOffset));
  while (walk.Next()) {
  }
  return static_cast<std::uint32_t>(walk.end_of_chain());
}

bool DiskImage::Save(const std::filesystem::path& path) const {
  if (disk_size_ == 0) {
    return false;  // no image: writing an empty file would pass for success
  }
  return WriteFileAtomically(path, disk());
}

void DiskImage::SetLabel(std::string_view label) {
  WriteTextField(std::span(buffer_).subspan(kLabelOffset, kTextFieldSize), label);
}

bool DiskImage::HoldsEntry(std::uint32_t position) const {
  const auto bytes = disk();
  return std::uint64_t{position} + kEntryHeaderSize <= bytes.size() &&
         bytes[position] == kEntryMarker;
}

std::optional<DirectoryEntry> DiskImage::ReadEntry(std::uint32_t position) const {
  if (!HoldsEntry(position)) {
    return std::nullopt;
  }
  return ReadDirectoryEntry(disk(), position);
}

std::span<const std::uint8_t> DiskImage::EntryData(const DirectoryEntry& entry) const {
  const auto bytes = disk();
  const std::uint64_t start = std::uint64_t{entry.position} + kEntryHeaderSize;
  if (start > bytes.size() || entry.total_length < kEntryHeaderSize) {
    return {};
  }
  const std::uint64_t room =
      std::min<std::uint64_t>(entry.total_length - kEntryHeaderSize, bytes.size() - start);
  return bytes.subspan(start, std::min<std::uint64_t>(entry.data_size, room));
}

bool DiskImage::SetEntryName(std::uint32_t position, std::string_view name) {
  if (!HoldsEntry(position)) {
    return false;
  }
  WriteTextField(writable_disk().subspan(position + kEntryNameOffset, kTextFieldSize), name);
  return true;
}

bool DiskImage::SetEntryAttributes(std::uint32_t position, EntryAttributes attributes) {
  if (!HoldsEntry(position)) {
    return false;
  }
  buffer_[position + kEntryAttributesOffset] = attributes.stored;
  return true;
}

bool DiskImage::SetEntryLoadAddress(std::uint32_t position, std::uint16_t load_address) {
  if (!HoldsEntry(position)) {
    return false;
  }
  WriteLe16(writable_disk(), position + kEntryLoadAddressOffset, load_address);
  return true;
}

void DiskImage::AppendEntry(const DirectoryEntry& fields, std::span<const std::uint8_t> data) {
  // The new entry is the last one: a stale marker right behind it, left by an
  // entry that a broken link had cut off, would otherwise join the chain.
  const std::uint64_t next = std::uint64_t{fields.position} + fields.total_length;
  if (next < disk().size() && buffer_[next] == kEntryMarker) {
    buffer_[next] = kErasedByte;
  }
  auto entry = writable_disk().subspan(fields.position, fields.total_length);
  entry[kEntryMarkerOffset] = kEntryMarker;
  entry[kEntryAttributesOffset] = fields.attributes.stored;
  WriteTextField(entry.subspan(kEntryNameOffset, kTextFieldSize), fields.name);
  WriteLe16(entry, kEntryLoadAddressOffset, fields.load_address);
  WriteLe32(entry, kEntryDataSizeOffset, fields.data_size);
  WriteLe32(entry, kEntryTotalLengthOffset, fields.total_length);
  std::copy(data.begin(), data.end(), entry.begin() + kEntryHeaderSize);
  listed_end_of_chain_.reset();  // the next listing walks on past the new entry
}

bool DiskImage::has_valid_sizes() const {
  return DiskSizeIndex(disk_size_).has_value() && SectorSizeIndex(sector_size_).has_value();
}

std::span<const std::uint8_t> DiskImage::disk() const {
  return std::span(buffer_).first(std::min<std::size_t>(disk_size_, buffer_.size()));
}

std::span<std::uint8_t> DiskImage::writable_disk() {
  return std::span(buffer_).first(std::min<std::size_t>(disk_size_, buffer_.size()));
}

}  // namespace flashdisk
