// The largest directory a disk can hold: a 2048k disk with 1-byte sectors
// filled with entries that have no data, 44 bytes each.
#pragma once

#include <cstddef>
#include <filesystem>

#include "image/disk_image.h"

namespace flashdisk::bench {

inline constexpr std::size_t kLargestEntryCount = 47661;

// Formats `image` as a 2048k disk with 1-byte sectors and adds `count` empty
// entries through the same path as the window. `scratch` is a folder for the
// empty source file.
void FillWithEmptyEntries(DiskImage& image, std::size_t count,
                          const std::filesystem::path& scratch);

}  // namespace flashdisk::bench
