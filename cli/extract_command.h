// `flashdisk extract`: writes an entry's data bytes back out to a host file,
// alone or as an RKS file.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "cli/console.h"

namespace flashdisk::cli {

struct ExtractOptions {
  std::filesystem::path image;
  std::uint32_t index = 0;  // 1-based, as `list` shows it
  // By default a file named after the entry in the current folder.
  std::optional<std::filesystem::path> output;
  bool force = false;  // replace an existing file
  // The entry as an RKS file (its load address and end address, the data,
  // the monitor's checksum), which add takes back as the same entry.
  bool rks = false;
};

int RunExtract(const ExtractOptions& options, const Console& console);

}  // namespace flashdisk::cli
