#include "image/image_format.h"

#include <algorithm>

#include "image/little_endian.h"

namespace flashdisk {

namespace {

template <std::size_t N>
std::optional<std::size_t> IndexOf(const std::array<SizeChoice, N>& choices, std::uint32_t bytes) {
  for (std::size_t i = 0; i < N; ++i) {
    if (choices[i].bytes == bytes) {
      return i;
    }
  }
  return std::nullopt;
}

}  // namespace

std::optional<std::uint32_t> SizeFromText(std::span<const SizeChoice> choices,
                                          std::string_view text) {
  for (const auto& choice : choices) {
    if (choice.text == text) {
      return choice.bytes;
    }
  }
  return std::nullopt;
}

std::optional<std::size_t> DiskSizeIndex(std::uint32_t bytes) {
  return IndexOf(kDiskSizeChoices, bytes);
}

std::optional<std::size_t> SectorSizeIndex(std::uint32_t bytes) {
  return IndexOf(kSectorSizeChoices, bytes);
}

void EntryAttributes::Set(EntryAttribute attribute, bool on) {
  if (on) {
    stored = static_cast<std::uint8_t>(stored & ~attribute);
  } else {
    stored = static_cast<std::uint8_t>(stored | attribute);
  }
}

std::uint32_t ShownSize(const DirectoryEntry& entry) {
  return entry.attributes.Has(kAttributeBig) ? entry.data_size : (entry.data_size & 0xFFFFu);
}

std::string ReadTextField(std::span<const std::uint8_t> field) {
  const auto end = std::find(field.begin(), field.end(), std::uint8_t{0});
  return std::string(field.begin(), end);
}

void WriteTextField(std::span<std::uint8_t> field, std::string_view text) {
  text = text.substr(0, std::min({text.size(), kMaxTextLength, field.size() - 1}));
  text = text.substr(0, text.find('\0'));
  std::copy(text.begin(), text.end(), field.begin());
  field[text.size()] = 0;
}

ImageHeader ReadImageHeader(std::span<const std::uint8_t> bytes) {
  ImageHeader header;
  header.magic = ReadLe16(bytes, kMagicOffset);
  header.disk_size = ReadLe32(bytes, kDiskSizeOffset);
  header.sector_size = ReadLe16(bytes, kSectorSizeOffset);
  header.label = ReadTextField(bytes.subspan(kLabelOffset, kTextFieldSize));
  header.system_load_address = ReadLe16(bytes, kSystemLoadAddressOffset);
  header.system_size = ReadLe16(bytes, kSystemSizeOffset);
  header.directory_offset = ReadLe32(bytes, kDirectoryOffsetOffset);
  return header;
}

DirectoryEntry ReadDirectoryEntry(std::span<const std::uint8_t> disk, std::uint32_t position) {
  const auto fixed_part = disk.subspan(position, kEntryHeaderSize);
  DirectoryEntry entry;
  entry.position = position;
  entry.attributes.stored = fixed_part[kEntryAttributesOffset];
  entry.name = ReadTextField(fixed_part.subspan(kEntryNameOffset, kTextFieldSize));
  entry.load_address = ReadLe16(fixed_part, kEntryLoadAddressOffset);
  entry.data_size = ReadLe32(fixed_part, kEntryDataSizeOffset);
  entry.total_length = ReadLe32(fixed_part, kEntryTotalLengthOffset);
  return entry;
}

void FormatDisk(std::span<std::uint8_t> disk, std::uint32_t sector_size) {
  std::fill(disk.begin(), disk.end(), kErasedByte);
  WriteLe16(disk, kMagicOffset, kImageMagic);
  WriteLe32(disk, kDiskSizeOffset, static_cast<std::uint32_t>(disk.size()));
  WriteLe16(disk, kSectorSizeOffset, static_cast<std::uint16_t>(sector_size));
  disk[kLabelOffset] = 0;
  WriteLe16(disk, kSystemLoadAddressOffset, 0);
  WriteLe16(disk, kSystemSizeOffset, 0);
  WriteLe32(disk, kDirectoryOffsetOffset, DefaultDirectoryOffset(sector_size));
}

std::uint32_t DefaultDirectoryOffset(std::uint32_t sector_size) {
  return std::max<std::uint32_t>(sector_size, static_cast<std::uint32_t>(kHeaderSize));
}

void EraseMarkerAt(std::span<std::uint8_t> disk, std::uint64_t position) {
  if (position < disk.size() && disk[position] == kEntryMarker) {
    disk[position] = kErasedByte;
  }
}

DirectoryWalk::DirectoryWalk(std::span<const std::uint8_t> disk, std::uint64_t directory_offset)
    : disk_(disk),
      // A directory inside the header is broken like a broken link: an entry
      // placed there would overwrite the magic, the sizes or the offset itself.
      candidate_(directory_offset < kHeaderSize
                     ? disk.size()
                     : std::min<std::uint64_t>(directory_offset, disk.size())) {}

std::optional<std::uint32_t> DirectoryWalk::Next() {
  if (candidate_ + kEntryHeaderSize > disk_.size() || disk_[candidate_] != kEntryMarker) {
    return std::nullopt;
  }
  const auto position = static_cast<std::uint32_t>(candidate_);
  const std::uint64_t total_length = ReadLe32(disk_, position + kEntryTotalLengthOffset);
  if (total_length < kEntryHeaderSize || candidate_ + total_length > disk_.size()) {
    candidate_ = disk_.size();  // a broken link: nothing may follow it
  } else {
    candidate_ += total_length;
  }
  return position;
}

}  // namespace flashdisk
