// Changing the order of the chain: the target machine lists and starts its
// programs in chain order, so the order is the user's to decide.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/disk_image.h"

namespace flashdisk {

// Moves the entry at `position` to place `to` of the chain (0 is the first);
// the entries between shift by one place. Every entry keeps its bytes and its
// total length, so the disk differs only in where they stand. Refuses, and
// changes nothing, when the image's header or chain is damaged, when no entry
// of the chain stands at `position` or when `to` is past the last place.
bool MoveEntry(DiskImage& image, std::uint32_t position, std::size_t to);

}  // namespace flashdisk
