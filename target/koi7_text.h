// The target's screen shows the 7-bit KOI-7 N2 set: ASCII from 0x20 to
// 0x5F, the capital Cyrillic letters from 0x60 to 0x7E.
#pragma once

#include <cstdint>
#include <optional>

namespace flashdisk::target {

// The character the target's screen shows for `byte`, or nothing for a
// control code, 0x7F and the upper half.
std::optional<char32_t> Koi7Character(std::uint8_t byte);

}  // namespace flashdisk::target
