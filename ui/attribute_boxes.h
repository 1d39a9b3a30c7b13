// The eight attribute check boxes that the main window and the entry
// properties dialog both carry, under the same ids, for bits 7 down to 0.
#pragma once

#include <array>
#include <cstdint>

#include "image/image_format.h"

class QWidget;

namespace flashdisk {

struct AttributeBox {
  int id;
  EntryAttribute attribute;
};

inline constexpr std::array<AttributeBox, 8> kAttributeBoxes{{
    {1032, kAttributeDeleted},
    {1033, kAttributeBig},
    {1063, kAttributeExecutable},
    {1062, kAttributeAligned},
    {1037, kAttributeReadOnly},
    {1038, kAttributeBit2},
    {1039, kAttributeBit1},
    {1040, kAttributeBit0},
}};

// Ticks each box of `window` whose bit is 1 in `plain` (1 = attribute set)
// and clears the others.
void SetAttributeBoxes(QWidget& window, std::uint8_t plain);

}  // namespace flashdisk
