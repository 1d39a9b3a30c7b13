// `flashdisk label` and `flashdisk set`: change the disk label, or an
// entry's name, load address and attributes in place, as the entry
// properties window does. Neither ever moves data or changes a length.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "cli/console.h"

namespace flashdisk::cli {

struct LabelOptions {
  std::filesystem::path image;
  std::string label;  // UTF-8
};

struct SetEntryOptions {
  std::filesystem::path image;
  std::uint32_t index = 0;                  // 1-based, as `list` shows it
  std::optional<std::string> name;          // UTF-8
  std::optional<std::string> load_address;  // hexadecimal text
  std::vector<std::string> set_attributes;  // names from kAttributeNames
  std::vector<std::string> clear_attributes;
};

int RunLabel(const LabelOptions& options, const Console& console);
int RunSetEntry(const SetEntryOptions& options, const Console& console);

}  // namespace flashdisk::cli
