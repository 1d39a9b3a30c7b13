// What the fuzz targets and the corpus generators share: writing a whole file
// and stopping at once when something that must hold does not.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <span>
#include <string>
#include <system_error>

namespace flashdisk::fuzz {

// Replaces `path` with `bytes`; false when the file cannot be written.
inline bool WriteWholeFile(const std::filesystem::path& path, std::span<const std::uint8_t> bytes) {
  std::ofstream stream(path, std::ios::binary | std::ios::trunc);
  stream.write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(stream.flush());
}

// Where the fuzz targets keep their files: in memory when the system has a
// folder for that and TMPDIR names no other. Every input writes files, and
// on a real disk each rewrite of a file can wait for the disk (and every
// save syncs), which would slow the fuzzer down some twentyfold.
inline std::filesystem::path TemporaryRoot() {
  std::error_code error;
  if (std::getenv("TMPDIR") == nullptr && std::filesystem::is_directory("/dev/shm", error)) {
    return "/dev/shm";
  }
  return std::filesystem::temp_directory_path(error);
}

// A new, empty folder under TemporaryRoot whose name starts with `prefix`;
// an empty path when none can be made.
inline std::filesystem::path MakeTemporaryFolder(const std::string& prefix) {
  std::random_device random;
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::error_code error;
    const auto folder =
        TemporaryRoot() / (prefix + std::to_string(random()) + std::to_string(random()));
    if (!error && std::filesystem::create_directory(folder, error) && !error) {
      return folder;
    }
  }
  return {};
}

// Ends the run on the spot, so that the fuzzer keeps the input that broke
// the invariant named by `what`.
inline void Require(bool holds, const char* what) {
  if (!holds) {
    std::fprintf(stderr, "broken invariant: %s\n", what);
    std::fflush(stderr);
    __builtin_trap();
  }
}

}  // namespace flashdisk::fuzz
