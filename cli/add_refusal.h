// What `add` says when a file is refused: for a disk too small, the bytes
// the entry needs and those free, so that the user knows how far it is.
#pragma once

#include <filesystem>
#include <string>

#include "cli/add_command.h"
#include "image/disk_image.h"

namespace flashdisk::cli {

// The refusal of `file` given to AddFile on `image` with `given`; `image`
// as it was when the add refused.
std::string AddRefusalMessage(const DiskImage& image, const std::filesystem::path& file,
                              const FileChoices& given, AddResult result);

}  // namespace flashdisk::cli
