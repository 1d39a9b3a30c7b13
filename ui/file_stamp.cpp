#include "ui/file_stamp.h"

#include <system_error>

namespace flashdisk {

std::optional<FileStamp> FileStamp::Of(const std::filesystem::path& path) {
  std::error_code error;
  FileStamp stamp{path, std::filesystem::file_size(path, error), {}};
  if (error) {
    return std::nullopt;
  }
  stamp.modified = std::filesystem::last_write_time(path, error);
  if (error) {
    return std::nullopt;
  }
  return stamp;
}

bool ChangedSince(const std::optional<FileStamp>& stamp, const std::filesystem::path& path) {
  std::error_code error;
  if (!stamp || !std::filesystem::equivalent(stamp->path, path, error)) {
    return false;
  }
  const auto now = FileStamp::Of(path);
  return now && (now->size != stamp->size || now->modified != stamp->modified);
}

}  // namespace flashdisk
