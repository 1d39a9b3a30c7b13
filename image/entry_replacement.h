// Putting a new build of a file into the space its entry already has: the
// data and its size change, the name and the other attributes stay.
#pragma once

#include <cstdint>

#include "image/disk_image.h"
#include "image/entry_plan.h"

namespace flashdisk {

struct Replacement {
  bool rks = false;  // the source is an RKS file: its first 4 and last 2 bytes are not data
  bool big = false;  // the entry's Big attribute afterwards
  std::uint16_t load_address = 0;
};

// Replaces the data of the chain's entry at `listed.position`; its other
// fields are read afresh from the image. Data that fits behind the entry's
// 44-byte fixed part keeps its total length: an entry never shrinks. Data
// that does not fit grows the last entry of the chain to the total an add of
// the source would plan, under the add's rule for fitting with the entry's
// own space counted free; any other entry answers kNoRoom. The bytes of the
// entry after the new data are erased. Gives kAdded once the data is in;
// kBadFormat (an image that IsSound finds damaged, or no entry of the chain
// at the position), kNoRoom or kReadError change nothing.
AddResult ReplaceEntryData(DiskImage& image, const DirectoryEntry& listed, const SourceFile& source,
                           const Replacement& replacement);

}  // namespace flashdisk
