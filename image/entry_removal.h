// Taking entries out of the chain: every later entry moves down over them,
// so their space comes back as free space at the end of the chain.
#pragma once

#include <cstdint>
#include <vector>

#include "image/disk_image.h"

namespace flashdisk {

// `positions` name entries of a chain in which FindImageProblems finds no
// damage; a repeated position counts once. Later entries keep their bytes and
// their order, the bytes freed at the end of the chain are erased, and the
// entries' positions change: List shows the new ones.
void RemoveEntries(DiskImage& image, std::vector<std::uint32_t> positions);

}  // namespace flashdisk
