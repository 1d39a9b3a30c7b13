// `flashdisk remove`: takes entries out of the chain and moves every later
// entry down, so that their space comes back as free space.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "cli/console.h"

namespace flashdisk::cli {

struct RemoveOptions {
  std::filesystem::path image;
  std::vector<std::uint32_t> indexes;  // 1-based, as `list` showed them before
};

// All the entries go, or none: a missing index refuses the whole command.
int RunRemove(const RemoveOptions& options, const Console& console);

}  // namespace flashdisk::cli
