// Reading and writing files of the host. Only regular files are read or
// replaced: a folder, a device or a pipe is refused rather than waited on.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <optional>
#include <span>
#include <vector>

namespace flashdisk {

// A regular file opened for reading from its start, with its length; each
// read goes on where the last one ended.
class FileReader {
 public:
  // False when the path names no regular file or it cannot be opened.
  bool Open(const std::filesystem::path& path);
  std::uint64_t length() const { return length_; }
  // Exactly `destination.size()` bytes, or false when fewer arrive.
  bool Read(std::span<std::uint8_t> destination);

 private:
  std::ifstream stream_;
  std::uint64_t length_ = 0;
};

// The whole file, or nothing when it cannot be read in full or holds more
// than `max_size` bytes.
std::optional<std::vector<std::uint8_t>> ReadWholeFile(const std::filesystem::path& path,
                                                       std::uint64_t max_size);

// Exactly `count` bytes from `offset` on, or nothing when fewer arrive.
std::optional<std::vector<std::uint8_t>> ReadFileBytes(const std::filesystem::path& path,
                                                       std::uint64_t offset, std::uint64_t count);

// Writes `bytes` to a temporary file beside `path`, syncs it to the disk and
// renames it over `path`, then syncs the folder: once it returns true the new
// bytes survive a power cut. A link is written through to its file. A file
// without write permission is refused, even for root. On failure the old file
// is untouched and no temporary is left.
bool WriteFileAtomically(const std::filesystem::path& path, std::span<const std::uint8_t> bytes);

// Writes `bytes` into a file just created, syncs and closes it; false when
// any of it failed. The file is closed either way.
bool WriteSyncedAndClose(std::FILE* file, std::span<const std::uint8_t> bytes);

}  // namespace flashdisk
