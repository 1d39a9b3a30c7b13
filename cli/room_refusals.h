// What `add` and `replace` say when a file is refused: for a disk too small,
// the bytes the entry needs and those free, so that the user knows how far
// it is from fitting.
#pragma once

#include <filesystem>
#include <string>

#include "cli/add_command.h"
#include "image/disk_image.h"
#include "image/entry_replacement.h"

namespace flashdisk::cli {

// The refusal of `file` given to AddFile on `image` with `given`; `image`
// as it was when the add refused.
std::string AddRefusalMessage(const DiskImage& image, const std::filesystem::path& file,
                              const FileChoices& given, AddResult result);

// The refusal of ReplaceEntryData for `entry` with `source`: an entry before
// the last has its own length for room, the last one the disk from its start
// on, less the byte after it.
std::string ReplaceRefusalMessage(const DiskImage& image, const DirectoryEntry& entry,
                                  const SourceFile& source, const Replacement& replacement,
                                  AddResult result);

}  // namespace flashdisk::cli
