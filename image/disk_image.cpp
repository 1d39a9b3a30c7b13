#include "image/disk_image.h"

#include <algorithm>
#include <array>

#include "image/host_files.h"
#include "image/little_endian.h"

namespace flashdisk {

DiskImage::DiskImage() : buffer_(kHeaderSize, 0) {}

bool DiskImage::Format(std::uint32_t disk_size, std::uint32_t sector_size) {
  if (!DiskSizeIndex(disk_size) || !SectorSizeIndex(sector_size)) {
    return false;
  }
  disk_size_ = disk_size;
  sector_size_ = sector_size;
  listed_end_of_chain_.reset();
  GrowTo(disk_size);
  FormatDisk(writable_disk(), sector_size);
  // All but the header is erased now.
  if (erased_from_ <= disk_size) {
    erased_from_ = kHeaderSize;
  }
  defined_end_ = disk_size;
  loaded_file_size_ = disk_size;
  return true;
}

namespace {

// How many bytes of a file an image takes: with a header that names one of
// the offered disk sizes no more than the disk's, so that a file far longer
// than its disk still loads and a check can say by how much; otherwise the
// whole file.
std::uint64_t BytesToLoad(std::span<const std::uint8_t> start, std::uint64_t file_length) {
  if (start.size() < kHeaderSize) {
    return file_length;
  }
  const auto header = ReadImageHeader(start);
  if (header.magic != kImageMagic || !DiskSizeIndex(header.disk_size)) {
    return file_length;
  }
  return std::min<std::uint64_t>(file_length, header.disk_size);
}

}  // namespace

bool DiskImage::Load(const std::filesystem::path& path) {
  FileReader file;
  if (!file.Open(path)) {
    return false;
  }
  std::array<std::uint8_t, kHeaderSize> header_bytes{};
  const auto start =
      std::span(header_bytes).first(std::min<std::size_t>(file.length(), kHeaderSize));
  if (!file.Read(start)) {
    return false;
  }
  const auto length = BytesToLoad(start, file.length());
  if (length > kImageBufferSize) {
    return false;
  }
  if (!ReadRest(file, start.size(), static_cast<std::size_t>(length))) {
    return false;
  }
  std::copy(start.begin(), start.end(), buffer().begin());
  disk_size_ = 0;
  sector_size_ = 0;
  listed_end_of_chain_.reset();
  // A file shorter than its disk leaves the rest erased, never the bytes of
  // an image loaded earlier; Check erases up to the disk's end once it knows it.
  defined_end_ = static_cast<std::size_t>(length);
  loaded_file_size_ = file.length();
  EraseUpTo(kHeaderSize);
  return true;
}

bool DiskImage::ReadRest(FileReader& file, std::size_t from, std::size_t length) {
  if (has_image()) {
    // Read aside first, so a failed read leaves the current image, its sizes
    // and its listing exactly as they were.
    std::vector<std::uint8_t> rest(length - from);
    if (!file.Read(rest)) {
      return false;
    }
    GrowTo(length);
    erased_from_ = std::max(erased_from_, length);
    std::copy(rest.begin(), rest.end(), buffer().begin() + static_cast<std::ptrdiff_t>(from));
    return true;
  }
  // Without an image no byte of the buffer can be seen, so the file may go
  // straight in; a failed read then has nothing to spoil.
  GrowTo(length);
  erased_from_ = std::max(erased_from_, length);
  return file.Read(buffer().subspan(from, length - from));
}

void DiskImage::GrowTo(std::size_t end) {
  end = std::min(end, kImageBufferSize);
  if (end > buffer_.size()) {
    buffer_.resize(end, kErasedByte);
  }
}

void DiskImage::EraseUpTo(std::size_t end) {
  end = std::min(end, kImageBufferSize);
  if (end <= defined_end_) {
    return;
  }
  // Bytes the buffer gains come erased, and so do those from erased_from_
  // on: only the stretch before them needs it. Opening one image after
  // another then costs little more than their files.
  const std::size_t not_known_erased = std::min({end, buffer_.size(), erased_from_});
  GrowTo(end);
  if (not_known_erased > defined_end_) {
    std::fill(buffer_.begin() + static_cast<std::ptrdiff_t>(defined_end_),
              buffer_.begin() + static_cast<std::ptrdiff_t>(not_known_erased), kErasedByte);
  }
  if (erased_from_ <= end) {
    erased_from_ = std::max(std::min(erased_from_, defined_end_), kHeaderSize);
  }
  defined_end_ = end;
}

HeaderCheck DiskImage::Check() {
  HeaderCheck check;
  listed_end_of_chain_.reset();
  check.header = ReadImageHeader(buffer());
  if (check.header.magic != kImageMagic) {
    check.outcome = HeaderCheck::Outcome::kBadMagic;
    return check;
  }
  disk_size_ = check.header.disk_size;
  EraseUpTo(disk_size_);
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

DirectoryWalk DiskImage::WalkChain() const {
  const auto bytes = disk();
  if (bytes.size() < kHeaderSize) {
    return DirectoryWalk(bytes.first(0), 0);  // too short to hold a header, let alone a chain
  }
  return DirectoryWalk(bytes, ReadLe32(bytes, kDirectoryOffsetOffset));
}

const DirectoryListing& DiskImage::List() {
  // The listing's storage is kept from one listing to the next: the largest
  // directories hold tens of thousands of entries, and filling memory that is
  // already there is far cheaper than asking the system for it every time.
  listing_.entries.clear();
  // Counting first costs a bare walk and saves growing the listing step by
  // step, copying it each time, on the largest directories.
  auto counter = WalkChain();
  std::size_t count = 0;
  while (counter.Next()) {
    ++count;
  }
  listing_.entries.reserve(count);
  const auto bytes = disk();
  auto walk = WalkChain();
  while (const auto position = walk.Next()) {
    listing_.entries.push_back(ReadDirectoryEntry(bytes, *position));
  }
  listed_end_of_chain_ = static_cast<std::uint32_t>(walk.end_of_chain());
  free_space_ = static_cast<std::uint32_t>(bytes.size() - *listed_end_of_chain_);
  listing_.free_space = free_space_;
  return listing_;
}

std::uint32_t DiskImage::EndOfChain() const {
  if (listed_end_of_chain_) {
    return *listed_end_of_chain_;
  }
  auto walk = WalkChain();
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
  // The header lies before erased_from_, which never goes below it.
  WriteTextField(buffer().subspan(kLabelOffset, kTextFieldSize), label);
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
  WriteTextField(WrittenBytes(position + kEntryNameOffset, kTextFieldSize), name);
  return true;
}

bool DiskImage::SetEntryAttributes(std::uint32_t position, EntryAttributes attributes) {
  if (!HoldsEntry(position)) {
    return false;
  }
  WrittenBytes(position + kEntryAttributesOffset, 1)[0] = attributes.stored;
  return true;
}

bool DiskImage::SetEntryLoadAddress(std::uint32_t position, std::uint16_t load_address) {
  if (!HoldsEntry(position)) {
    return false;
  }
  WriteLe16(WrittenBytes(position + kEntryLoadAddressOffset, 2), 0, load_address);
  return true;
}

void DiskImage::AppendEntry(const DirectoryEntry& fields, std::span<const std::uint8_t> data) {
  auto entry = WrittenBytes(fields.position, fields.total_length);
  entry[kEntryMarkerOffset] = kEntryMarker;
  entry[kEntryAttributesOffset] = fields.attributes.stored;
  WriteTextField(entry.subspan(kEntryNameOffset, kTextFieldSize), fields.name);
  WriteLe16(entry, kEntryLoadAddressOffset, fields.load_address);
  WriteLe32(entry, kEntryDataSizeOffset, fields.data_size);
  WriteLe32(entry, kEntryTotalLengthOffset, fields.total_length);
  std::copy(data.begin(), data.end(), entry.begin() + kEntryHeaderSize);
  // The new entry is the last one: a stale marker right behind it, left by an
  // entry that a broken link had cut off, would otherwise join the chain.
  const std::uint64_t next = std::uint64_t{fields.position} + fields.total_length;
  EraseMarkerAt(writable_disk(), next);  // writes an erased byte, if any
  // So the chain now ends right behind the new entry: the end and the free
  // space stay exact without another walk, and many adds in a row stay cheap.
  listed_end_of_chain_ = static_cast<std::uint32_t>(std::min<std::uint64_t>(next, disk().size()));
  free_space_ = static_cast<std::uint32_t>(disk().size() - *listed_end_of_chain_);
}

std::span<std::uint8_t> DiskImage::EditDisk() {
  listed_end_of_chain_.reset();
  erased_from_ = buffer_.size();  // the edit may write anywhere
  return writable_disk();
}

bool DiskImage::has_valid_sizes() const {
  return DiskSizeIndex(disk_size_).has_value() && SectorSizeIndex(sector_size_).has_value();
}

std::span<const std::uint8_t> DiskImage::disk() const {
  return buffer().first(std::min<std::size_t>(disk_size_, buffer_.size()));
}

std::span<std::uint8_t> DiskImage::writable_disk() {
  return buffer().first(std::min<std::size_t>(disk_size_, buffer_.size()));
}

std::span<std::uint8_t> DiskImage::WrittenBytes(std::size_t from, std::size_t count) {
  erased_from_ = std::max(erased_from_, from + count);
  return writable_disk().subspan(from, count);
}

}  // namespace flashdisk
