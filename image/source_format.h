// How a host file goes onto the disk, for an add and a replace alike: the
// window and the command line choose RKS, Big and the load address here.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

#include "image/entry_plan.h"
#include "image/entry_replacement.h"

namespace flashdisk {

struct SourceFormat {
  bool rks = false;  // the first 4 and the last 2 bytes of the file are not data
  bool big = false;
  std::uint16_t load_address = 0;
};

// What the add-file dialog derives from the file, then the choices given. An
// RKS file's own load address wins over `load_address`.
SourceFormat ChooseSourceFormat(const std::filesystem::path& file, const SourceDefaults& defaults,
                                std::optional<bool> rks, std::optional<bool> big,
                                std::uint16_t load_address);

// The entry an add of a file of `size` bytes makes by the add's defaults
// and the choices given: named after the file, Executable when the file
// suggests it, neither Aligned nor reserving more than it needs.
EntryChoices ChooseEntry(const std::filesystem::path& file, std::uint64_t size,
                         std::uint16_t load_address, std::optional<bool> rks = std::nullopt,
                         std::optional<bool> big = std::nullopt);

// What a file of `size` bytes brings to `entry` by the add's defaults and the
// choices given. A plain file without a load address keeps the entry's.
Replacement ChooseReplacement(const std::filesystem::path& file, std::uint64_t size,
                              const DirectoryEntry& entry, std::optional<bool> rks = std::nullopt,
                              std::optional<bool> big = std::nullopt,
                              std::optional<std::uint16_t> load_address = std::nullopt);

}  // namespace flashdisk
