// The 8080's instruction set, one row for each of the 256 opcodes, spelt
// with Intel's mnemonics.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace flashdisk::target {

// What follows the opcode: nothing, a byte, or a little-endian word.
enum class Immediate : std::uint8_t { kNone, kByte, kWord };

struct OpcodeRow {
  // Empty for the twelve codes Intel left undocumented: the target's
  // programs never use them, so they are shown as data.
  std::string_view mnemonic;
  // The operands that the opcode alone fixes ("A,", "SP,", "7"); the
  // immediate, if any, is written after them.
  std::string_view operands;
  Immediate immediate;
};

extern const std::array<OpcodeRow, 256> kOpcodeTable;

constexpr std::size_t ImmediateLength(Immediate immediate) {
  return immediate == Immediate::kWord ? 2 : immediate == Immediate::kByte ? 1 : 0;
}

// The whole instruction's length in bytes, 1 to 3.
inline std::size_t InstructionLength(std::uint8_t opcode) {
  return 1 + ImmediateLength(kOpcodeTable[opcode].immediate);
}

}  // namespace flashdisk::target
