// `flashdisk move`: puts an entry at another place of the chain; the target
// machine lists and starts its programs in chain order.
#pragma once

#include <cstdint>
#include <filesystem>

#include "cli/console.h"

namespace flashdisk::cli {

struct MoveOptions {
  std::filesystem::path image;
  std::uint32_t index = 0;  // 1-based, as `list` shows it
  std::uint32_t to = 0;     // the place it takes, 1 for the first
};

int RunMove(const MoveOptions& options, const Console& console);

}  // namespace flashdisk::cli
