// `flashdisk dump`: an entry's data as hex rows or as 8080 code, at the
// addresses the target loads it to.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "cli/console.h"

namespace flashdisk::cli {

struct DumpOptions {
  std::filesystem::path image;
  std::uint32_t index = 0;       // 1-based, as `list` shows it
  std::string charset = "1251";  // or "koi7", for the character column
  bool disassemble = false;
  bool json = false;  // with `disassemble` only
  // The first and last address to show, as --load takes them.
  std::optional<std::string> from;
  std::optional<std::string> to;
};

int RunDump(const DumpOptions& options, const Console& console);

}  // namespace flashdisk::cli
