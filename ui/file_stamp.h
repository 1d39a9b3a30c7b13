// What tells that another program changed a file since the window last read
// or wrote it: the file's size and modification time as the window saw them.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

namespace flashdisk {

struct FileStamp {
  std::filesystem::path path;
  std::uintmax_t size = 0;
  std::filesystem::file_time_type modified;

  // The stamp of the file at `path` now; nothing when it cannot be read.
  static std::optional<FileStamp> Of(const std::filesystem::path& path);
};

// Whether `path` names the stamped file and that file is no longer as the
// stamp saw it. A file that is gone was not changed by anyone: writing it
// afresh loses nothing.
bool ChangedSince(const std::optional<FileStamp>& stamp, const std::filesystem::path& path);

}  // namespace flashdisk
