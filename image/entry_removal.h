// Taking entries out of the chain: every later entry moves down over them,
// so their space comes back as free space at the end of the chain.
#pragma once

#include <cstdint>
#include <vector>

#include "image/disk_image.h"

namespace flashdisk {

// Takes out the entries of the chain at `positions`; a repeated position
// counts once, and one that is not an entry of the chain is passed over.
// Later entries keep their bytes and their order, the bytes freed at the end
// of the chain are erased, and the entries' positions change: List shows the
// new ones. An image that IsSound finds damaged is refused with false and
// left as it was: its caller reports "Ошибка формата диска!".
[[nodiscard]] bool RemoveEntries(DiskImage& image, std::vector<std::uint32_t> positions);

}  // namespace flashdisk
