// The one image the tool works on: a buffer of up to 8 MiB holding the disk's bytes,
// the current disk and sector sizes, and the free space of the last listing.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "image/image_format.h"
#include "image/image_memory.h"

namespace flashdisk {

class FileReader;

// What Check found. The size indexes are filled in as each size passes, so a
// caller can show the disk size even when the sector size then fails.
struct HeaderCheck {
  enum class Outcome { kValid, kBadMagic, kBadDiskSize, kBadSectorSize };

  Outcome outcome = Outcome::kBadMagic;
  std::optional<std::size_t> disk_size_index;
  std::optional<std::size_t> sector_size_index;
  ImageHeader header;  // its fields are to be shown only when valid

  bool valid() const { return outcome == Outcome::kValid; }
};

struct DirectoryListing {
  std::vector<DirectoryEntry> entries;  // in chain order
  std::uint32_t free_space = 0;
};

class DiskImage {
 public:
  DiskImage();
  DiskImage(DiskImage&&) = default;
  DiskImage& operator=(DiskImage&&) = default;

  // Formats a blank disk; refuses sizes that are not offered and then changes nothing.
  bool Format(std::uint32_t disk_size, std::uint32_t sector_size);
  // Reads an image file: when its header names one of the offered disk sizes
  // only the disk's bytes, else the whole file. On failure (cannot open, short
  // read, more to read than the buffer holds, not a regular file) nothing
  // changes. On success both sizes are 0 until Check, and the buffer past the
  // file's end reads as erased.
  bool Load(const std::filesystem::path& path);
  // Takes the sizes over from the header and checks them.
  HeaderCheck Check();
  // Walks the chain and stores the free space. The listing stays valid until
  // the next List.
  const DirectoryListing& List();
  // What the last List found.
  const DirectoryListing& listing() const { return listing_; }
  // Where the next entry goes: kept from the last listing, walked afresh
  // when the disk has changed since.
  std::uint32_t EndOfChain() const;
  // Writes the disk's bytes through a temporary file renamed over the target,
  // so a failed save leaves the old file as it was. Fails with no image.
  bool Save(const std::filesystem::path& path) const;

  // Texts are code page 1251 bytes; at most 31 of them are stored.
  void SetLabel(std::string_view label);
  // The entry at `position`, or nothing when no entry's fixed part lies there.
  std::optional<DirectoryEntry> ReadEntry(std::uint32_t position) const;
  // The entry's data bytes as far as they lie inside both the entry and the disk.
  std::span<const std::uint8_t> EntryData(const DirectoryEntry& entry) const;
  // The setters write in place and refuse a position that holds no entry.
  bool SetEntryName(std::uint32_t position, std::string_view name);
  bool SetEntryAttributes(std::uint32_t position, EntryAttributes attributes);
  bool SetEntryLoadAddress(std::uint32_t position, std::uint16_t load_address);

  // Writes a new entry with its data at the end of the chain and moves the end
  // of the chain and the free space past it; the caller has checked that it
  // fits. Used by AddEntry.
  void AppendEntry(const DirectoryEntry& fields, std::span<const std::uint8_t> data);
  // The disk's bytes for an edit that moves entries or the end of the chain:
  // the end is walked afresh when next asked for, and List shows the result.
  std::span<std::uint8_t> EditDisk();

  std::uint32_t disk_size() const { return disk_size_; }
  std::uint32_t sector_size() const { return sector_size_; }
  std::uint32_t free_space() const { return free_space_; }
  // The whole length of the file the last Load read, bytes past the disk's
  // end included, or the disk size after Format.
  std::uint64_t loaded_file_size() const { return loaded_file_size_; }
  bool has_image() const { return disk_size_ != 0 || sector_size_ != 0; }
  // Both sizes are among the offered ones.
  bool has_valid_sizes() const;

  const std::filesystem::path& image_path() const { return image_path_; }
  void set_image_path(std::filesystem::path path) { image_path_ = std::move(path); }

  // The disk's bytes, never longer than the buffer whatever a header claims.
  std::span<const std::uint8_t> disk() const;

 private:
  // The disk's bytes, for a write that erases or sets every byte of the
  // disk (Format), or one that writes only erased bytes.
  std::span<std::uint8_t> writable_disk();
  // `count` bytes of the disk from `from` on, about to be written.
  std::span<std::uint8_t> WrittenBytes(std::size_t from, std::size_t count);
  // The chain from the header's directory offset.
  DirectoryWalk WalkChain() const;
  bool HoldsEntry(std::uint32_t position) const;

  // Reads bytes [from, length) of an image file into the buffer.
  bool ReadRest(FileReader& file, std::size_t from, std::size_t length);
  std::span<std::uint8_t> buffer() { return buffer_; }
  std::span<const std::uint8_t> buffer() const { return buffer_; }
  // Makes the buffer at least `end` bytes long (never more than
  // kImageBufferSize); the bytes it gains read as erased.
  void GrowTo(std::size_t end);
  // Makes every byte below `end` part of the image: what lies between the
  // end of the loaded file and `end` reads as erased.
  void EraseUpTo(std::size_t end);

  // Only as long as the largest disk it has held: a 64k disk costs 64k of
  // memory, not the 8 MiB that the largest claimed disk may reach, and a
  // new image needs no 8 MiB block cleared first. Starts as a zeroed header.
  std::vector<std::uint8_t, ImageMemoryAllocator<std::uint8_t>> buffer_;
  // Bytes below this hold the loaded file or erased bytes after it; bytes
  // above it are leftovers of earlier images and never part of the disk.
  std::size_t defined_end_ = 0;
  // Every byte from here to the buffer's end is known to be erased, so Check
  // need not erase it again. Never inside the header.
  std::size_t erased_from_ = kHeaderSize;
  std::uint32_t disk_size_ = 0;
  std::uint32_t sector_size_ = 0;
  std::uint32_t free_space_ = 0;
  std::uint64_t loaded_file_size_ = 0;
  std::optional<std::uint32_t> listed_end_of_chain_;
  DirectoryListing listing_;
  std::filesystem::path image_path_;
};

}  // namespace flashdisk
