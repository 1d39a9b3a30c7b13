// 8080 machine code as text: an instruction at a time, from any offset of
// an entry's bytes, never reading past their end.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace flashdisk::target {

struct Instruction {
  std::uint16_t address = 0;
  std::uint8_t length = 1;  // 1 to 3 bytes
  std::array<std::uint8_t, 3> bytes{};
  // "DB" for bytes shown as data: an undocumented code, or all the bytes of
  // an instruction that the end cuts short. Its text is followed by spaces
  // up to 4 characters, so that a line copies it at a fixed size.
  std::string_view mnemonic;
  // Long enough for the longest operands, "SP,0F809H", and the digits
  // written past the text before its length is known.
  std::array<char, 12> operand_text{};
  std::uint8_t operand_length = 0;

  std::string_view operands() const { return {operand_text.data(), operand_length}; }
  std::span<const std::uint8_t> code() const { return {bytes.data(), length}; }
};

// The instruction that starts at `offset`, with the address the target sees
// it at when the bytes are loaded at `load_address`. `offset` is below
// `bytes.size()`.
Instruction DecodeInstruction(std::span<const std::uint8_t> bytes, std::size_t offset,
                              std::uint16_t load_address);

// The length DecodeInstruction would give, without the text: a walk over a
// whole Big entry to find where its instructions start.
std::size_t DecodedLength(std::span<const std::uint8_t> bytes, std::size_t offset);

// "7600  3E 41     MVI  A,41H" and a newline.
void AppendInstructionLine(std::string& out, const Instruction& instruction);
// The same written at `out`, which has room for the longest line; gives the
// end of what was written. A listing of a whole Big entry is written so.
inline constexpr std::size_t kLongestInstructionLine = 34;
char* WriteInstructionLine(char* out, const Instruction& instruction);
// The line of the instruction at `offset`, the same as DecodeInstruction and
// WriteInstructionLine make, written without the Instruction in between;
// `length` receives its length. This is what lists a whole Big entry.
char* WriteInstructionLineAt(char* out, std::span<const std::uint8_t> bytes, std::size_t offset,
                             std::uint16_t load_address, std::size_t& length);

}  // namespace flashdisk::target
