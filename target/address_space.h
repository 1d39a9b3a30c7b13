// The target's 16-bit address space: an entry's bytes are counted from its
// load address, and an entry longer than 64 KiB wraps past FFFF to 0000 as
// the CPU's program counter does.
#pragma once

#include <cstddef>
#include <cstdint>

namespace flashdisk::target {

inline constexpr std::size_t kAddressSpaceSize = 0x10000;

constexpr std::uint16_t AddressAt(std::uint16_t load_address, std::size_t offset) {
  return static_cast<std::uint16_t>((load_address + offset) % kAddressSpaceSize);
}

// The first offset of an entry that the target sees at `address`: below
// 64 KiB every address but one stands for one offset.
constexpr std::size_t FirstOffsetOf(std::uint16_t load_address, std::uint16_t address) {
  return (address + kAddressSpaceSize - load_address) % kAddressSpaceSize;
}

}  // namespace flashdisk::target
