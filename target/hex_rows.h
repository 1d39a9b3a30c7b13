// An entry's bytes as rows of 16: the target's address of the first, the
// bytes in hexadecimal, and the characters they stand for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace flashdisk::target {

inline constexpr std::size_t kHexRowBytes = 16;

enum class CharacterSet : std::uint8_t { kCp1251, kKoi7 };

// The UTF-8 text of the character `byte` stands for, or "." where the set
// has no printable one.
std::string_view CharacterText(std::uint8_t byte, CharacterSet set);

// "7600  3E 41 ... 34  >A1.v" and a newline, for up to 16 bytes at
// `address`; a short last row keeps the character column in place.
void AppendHexRow(std::string& out, std::span<const std::uint8_t> row, std::uint16_t address,
                  CharacterSet set);
// The same written at `out`, which has room for the longest row; gives the
// end of what was written. A whole Big entry is written so.
inline constexpr std::size_t kLongestHexRow = 104;
char* WriteHexRow(char* out, std::span<const std::uint8_t> row, std::uint16_t address,
                  CharacterSet set);

}  // namespace flashdisk::target
