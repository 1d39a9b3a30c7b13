// Layout of a flash-disk image: a 48-byte header, then from the directory
// offset on a chain of entries, each a 44-byte fixed part followed by its data.
// All numbers are little-endian; texts are code page 1251, NUL-terminated.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace flashdisk {

inline constexpr std::size_t kImageBufferSize = 8 * 1024 * 1024;
inline constexpr std::uint8_t kErasedByte = 0xFF;
inline constexpr std::uint16_t kImageMagic = 0x55AA;
inline constexpr std::uint8_t kEntryMarker = 0xE6;
inline constexpr std::size_t kTextFieldSize = 32;
inline constexpr std::size_t kMaxTextLength = kTextFieldSize - 1;

// Header fields, as offsets from the start of the disk.
inline constexpr std::size_t kHeaderSize = 48;
inline constexpr std::size_t kMagicOffset = 0;
inline constexpr std::size_t kDiskSizeOffset = 2;
inline constexpr std::size_t kSectorSizeOffset = 6;
inline constexpr std::size_t kLabelOffset = 8;
inline constexpr std::size_t kSystemLoadAddressOffset = 40;
inline constexpr std::size_t kSystemSizeOffset = 42;
inline constexpr std::size_t kDirectoryOffsetOffset = 44;

// Entry fields, as offsets from the entry's first byte.
inline constexpr std::size_t kEntryHeaderSize = 44;
inline constexpr std::size_t kEntryMarkerOffset = 0;
inline constexpr std::size_t kEntryAttributesOffset = 1;
inline constexpr std::size_t kEntryNameOffset = 2;
inline constexpr std::size_t kEntryLoadAddressOffset = 34;
inline constexpr std::size_t kEntryDataSizeOffset = 36;
inline constexpr std::size_t kEntryTotalLengthOffset = 40;

// One of the offered disk or sector sizes, with the text the window shows.
struct SizeChoice {
  std::uint32_t bytes;
  std::string_view text;
};

inline constexpr std::array<SizeChoice, 6> kDiskSizeChoices{{
    {0x10000, "64k"},
    {0x20000, "128k"},
    {0x40000, "256k"},
    {0x80000, "512k"},
    {0x100000, "1024k"},
    {0x200000, "2048k"},
}};
inline constexpr std::array<SizeChoice, 5> kSectorSizeChoices{{
    {1, "1"},
    {128, "128"},
    {256, "256"},
    {512, "512"},
    {1024, "1024"},
}};
inline constexpr std::size_t kDefaultDiskSizeIndex = 3;    // 512k
inline constexpr std::size_t kDefaultSectorSizeIndex = 2;  // 256

// The bytes of the size shown as `text`, or nothing when it is not offered.
std::optional<std::uint32_t> SizeFromText(std::span<const SizeChoice> choices,
                                          std::string_view text);

// List position of a size, or nothing when the size is not offered.
std::optional<std::size_t> DiskSizeIndex(std::uint32_t bytes);
std::optional<std::size_t> SectorSizeIndex(std::uint32_t bytes);

// The attribute bits. The byte is stored inverted: a 0 bit means "set", so an
// erased 0xFF byte is an entry with no attribute at all.
enum EntryAttribute : std::uint8_t {
  kAttributeDeleted = 0x80,
  kAttributeBig = 0x40,
  kAttributeExecutable = 0x20,
  kAttributeAligned = 0x10,
  kAttributeReadOnly = 0x08,
  kAttributeBit2 = 0x04,
  kAttributeBit1 = 0x02,
  kAttributeBit0 = 0x01,
};

struct EntryAttributes {
  std::uint8_t stored = kErasedByte;

  bool Has(EntryAttribute attribute) const { return (stored & attribute) == 0; }
  void Set(EntryAttribute attribute, bool on);
  // The byte with 1 for every attribute that is set.
  std::uint8_t Plain() const { return static_cast<std::uint8_t>(~stored); }
};

struct ImageHeader {
  std::uint16_t magic = 0;
  std::uint32_t disk_size = 0;
  std::uint16_t sector_size = 0;
  std::string label;  // code page 1251 bytes, up to the NUL
  std::uint16_t system_load_address = 0;
  std::uint16_t system_size = 0;
  std::uint32_t directory_offset = 0;
};

// The fixed part of an entry, decoded.
struct DirectoryEntry {
  std::uint32_t position = 0;  // byte offset of the entry in the disk
  EntryAttributes attributes;
  std::string name;  // code page 1251 bytes, up to the NUL
  std::uint16_t load_address = 0;
  std::uint32_t data_size = 0;
  std::uint32_t total_length = 0;
};

// The size shown for an entry: without Big only the low 16 bits count.
std::uint32_t ShownSize(const DirectoryEntry& entry);

// A NUL-terminated text field; a field without a NUL yields all its bytes.
std::string ReadTextField(std::span<const std::uint8_t> field);
// Writes at most kMaxTextLength bytes of `text` and a NUL; later bytes of the
// field keep their values. The text ends early at an embedded NUL.
void WriteTextField(std::span<std::uint8_t> field, std::string_view text);

// `bytes` must hold at least kHeaderSize bytes.
ImageHeader ReadImageHeader(std::span<const std::uint8_t> bytes);
// `disk` must hold at least kEntryHeaderSize bytes from `position` on.
DirectoryEntry ReadDirectoryEntry(std::span<const std::uint8_t> disk, std::uint32_t position);

// Where a freshly formatted disk's directory starts: on the second sector,
// or right after the header with 1-byte sectors.
std::uint32_t DefaultDirectoryOffset(std::uint32_t sector_size);

// Erases `disk` and writes a fresh header for it.
void FormatDisk(std::span<std::uint8_t> disk, std::uint32_t sector_size);

// Erases an entry marker at `position` (when it lies inside the disk), so that
// a chain ending right before it stays ended there.
void EraseMarkerAt(std::span<std::uint8_t> disk, std::uint64_t position);

// Follows the chain of entries from the directory offset, never leaving `disk`.
// An entry whose fixed part does not fit ends the chain before it; an entry
// whose total length is below 44 or runs past the disk is still visited, but
// ends the chain at the disk's end, so nothing can be placed over or after it.
// A directory offset inside the 48-byte header ends the chain at once, at the
// disk's end, so no entry is ever listed in or written over the header.
class DirectoryWalk {
 public:
  DirectoryWalk(std::span<const std::uint8_t> disk, std::uint64_t directory_offset);

  // Position of the next entry, or nothing once the chain has ended.
  std::optional<std::uint32_t> Next();
  // Where the next entry goes; final once Next has returned nothing.
  std::uint64_t end_of_chain() const { return candidate_; }

 private:
  std::span<const std::uint8_t> disk_;
  std::uint64_t candidate_;
};

}  // namespace flashdisk
