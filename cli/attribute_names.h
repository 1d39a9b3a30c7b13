// The attribute bits of an entry by the names the command line uses for them.
#pragma once

#include <array>
#include <optional>
#include <string_view>
#include <vector>

#include "image/image_format.h"

namespace flashdisk::cli {

struct AttributeName {
  std::string_view name;
  EntryAttribute attribute;
};

// From bit 7 down to bit 0, the order in which they are listed.
inline constexpr std::array<AttributeName, 8> kAttributeNames{{
    {"deleted", kAttributeDeleted},
    {"big", kAttributeBig},
    {"executable", kAttributeExecutable},
    {"aligned", kAttributeAligned},
    {"readonly", kAttributeReadOnly},
    {"bit2", kAttributeBit2},
    {"bit1", kAttributeBit1},
    {"bit0", kAttributeBit0},
}};

std::optional<EntryAttribute> AttributeFromName(std::string_view name);
// Names of the attributes that are set, from bit 7 down.
std::vector<std::string_view> SetAttributeNames(EntryAttributes attributes);

}  // namespace flashdisk::cli
