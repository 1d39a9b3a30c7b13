// The machine-readable form of `info` and `list`: numbers as JSON numbers,
// texts decoded from code page 1251 to UTF-8.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>

#include "image/disk_image.h"

namespace flashdisk::cli {

// The header's fields and the free space.
nlohmann::ordered_json HeaderJson(const ImageHeader& header, std::uint32_t free_space);
// One entry under its 1-based index.
nlohmann::ordered_json EntryJson(const DirectoryEntry& entry, std::size_t index);
// The header's fields, the free space and every entry in chain order.
nlohmann::ordered_json ListingJson(const ImageHeader& header, const DirectoryListing& listing);

}  // namespace flashdisk::cli
