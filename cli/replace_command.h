// `flashdisk replace`: puts a new build of a file into an existing entry,
// keeping its name, its place in the chain and its other attributes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>

#include "cli/console.h"

namespace flashdisk::cli {

struct ReplaceOptions {
  std::filesystem::path image;
  std::uint32_t index = 0;  // 1-based, as `list` shows it
  std::filesystem::path file;
  // Each flag given overrides what is derived from the file, as for `add`.
  std::optional<bool> rks;
  std::optional<bool> big;
  std::optional<std::string> load_address;  // hexadecimal text; an RKS file's own wins
};

int RunReplace(const ReplaceOptions& options, const Console& console);

}  // namespace flashdisk::cli
