#include "image/host_files.h"

#include <cstdio>
#include <fstream>
#include <random>
#include <string>
#include <system_error>

#include "image/platform_seam.h"

namespace flashdisk {

namespace fs = std::filesystem;

namespace {

bool IsRegularFile(const fs::path& path) {
  std::error_code error;
  return fs::is_regular_file(path, error);
}

std::optional<std::vector<std::uint8_t>> ReadStream(std::ifstream& stream, std::uint64_t count) {
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(count));
  stream.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(count));
  if (static_cast<std::uint64_t>(stream.gcount()) != count) {
    return std::nullopt;
  }
  return bytes;
}

// The start of a name beside `target` that no file has yet; the random part
// keeps two writers of the same folder apart. It does not repeat the
// target's name, so a target whose name is as long as the folder allows can
// still be saved.
fs::path TemporaryStemBeside(const fs::path& target) {
  std::random_device random;
  std::string name = ".flashdisk-";
  name += std::to_string(random());
  name += std::to_string(random());
  name += "-";
  return target.parent_path() / name;
}

bool WriteNewFile(const fs::path& path, std::span<const std::uint8_t> bytes,
                  std::optional<fs::perms> mode) {
  // A new file only: never reuse one that someone else has just made.
  std::FILE* file = platform::CreateNewFile(path, mode);
  if (file == nullptr) {
    return false;
  }
  // On the disk before its name replaces the old file's: otherwise a power
  // cut soon after the save can leave an empty file under the image's name.
  if (!WriteSyncedAndClose(file, bytes)) {
    std::error_code error;
    fs::remove(path, error);
    return false;
  }
  return true;
}

}  // namespace

bool FileReader::Open(const fs::path& path) {
  if (!IsRegularFile(path)) {
    return false;
  }
  stream_.open(path, std::ios::binary | std::ios::ate);
  if (!stream_) {
    return false;
  }
  length_ = static_cast<std::uint64_t>(stream_.tellg());
  return static_cast<bool>(stream_.seekg(0));
}

bool FileReader::Read(std::span<std::uint8_t> destination) {
  stream_.read(reinterpret_cast<char*>(destination.data()),
               static_cast<std::streamsize>(destination.size()));
  return static_cast<std::uint64_t>(stream_.gcount()) == destination.size();
}

std::optional<std::vector<std::uint8_t>> ReadWholeFile(const fs::path& path,
                                                       std::uint64_t max_size) {
  FileReader file;
  if (!file.Open(path) || file.length() > max_size) {
    return std::nullopt;
  }
  std::vector<std::uint8_t> bytes(static_cast<std::size_t>(file.length()));
  if (!file.Read(bytes)) {
    return std::nullopt;
  }
  return bytes;
}

std::optional<std::vector<std::uint8_t>> ReadFileBytes(const fs::path& path, std::uint64_t offset,
                                                       std::uint64_t count) {
  if (!IsRegularFile(path)) {
    return std::nullopt;
  }
  std::ifstream stream;
  // Unbuffered: the bytes are read once, straight into their place.
  stream.rdbuf()->pubsetbuf(nullptr, 0);
  stream.open(path, std::ios::binary);
  if (!stream) {
    return std::nullopt;
  }
  if (offset != 0 && !stream.seekg(static_cast<std::streamoff>(offset))) {
    return std::nullopt;
  }
  return ReadStream(stream, count);
}

bool WriteFileAtomically(const fs::path& path, std::span<const std::uint8_t> bytes) {
  std::error_code error;
  // Write through a link to the file it names instead of replacing the link.
  // Asked of every name: Wine shows a Linux link as a plain file. A name
  // that leads to no file (a new one, a link that leads nowhere) is taken
  // as it is.
  const fs::path target = platform::FinalPath(path).value_or(path);
  const auto status = fs::status(target, error);
  const bool replacing = fs::exists(status);
  if (replacing && !fs::is_regular_file(status)) {
    return false;  // never swap a folder, device or pipe for a file
  }
  if (replacing && !platform::MayReplaceFile(target)) {
    return false;  // a read-only file stays as it is, whoever asks
  }
  if (target.filename().empty()) {
    return false;
  }
  // Ctrl+C or SIGTERM while it is written leaves no temporary behind.
  const platform::TemporaryFilesGuard guard(TemporaryStemBeside(target), 1);
  const fs::path temporary = guard.Name(0);
  // With the replaced file's mode from the start: a copy of a private image
  // is never readable by others, not even while it is written.
  if (!WriteNewFile(temporary, bytes,
                    replacing ? std::optional(status.permissions()) : std::nullopt)) {
    return false;
  }
  if (!platform::MoveFileOver(temporary, target)) {
    fs::remove(temporary, error);
    return false;
  }
  return true;
}

bool WriteSyncedAndClose(std::FILE* file, std::span<const std::uint8_t> bytes) {
  // An empty span may hold no pointer at all, which fwrite must not be given.
  const bool written =
      (bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size()) &&
      platform::SyncFile(file);
  return std::fclose(file) == 0 && written;
}

}  // namespace flashdisk
