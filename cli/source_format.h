// How a host file goes onto the disk, for `add` and `replace` alike.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

#include "image/entry_plan.h"

namespace flashdisk::cli {

struct SourceFormat {
  bool rks = false;  // the first 4 and the last 2 bytes of the file are not data
  bool big = false;
  std::uint16_t load_address = 0;
};

// What the window derives from the file, then the flags given. An RKS file's
// own load address wins over `load_address`, as in the window.
SourceFormat ChooseSourceFormat(const std::filesystem::path& file, const SourceDefaults& defaults,
                                std::optional<bool> rks, std::optional<bool> big,
                                std::uint16_t load_address);

}  // namespace flashdisk::cli
