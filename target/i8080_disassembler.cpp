#include "target/i8080_disassembler.h"

#include <algorithm>
#include <cstring>

#include "target/address_space.h"
#include "target/i8080_instructions.h"

namespace flashdisk::target {

namespace {

constexpr std::string_view kHexDigits = "0123456789ABCDEF";
// "7600  3E 41     MVI  A,41H": the address, then three bytes of two digits
// and a space between, then the mnemonic column as wide as the longest
// mnemonic and a space, then the operands.
constexpr std::size_t kCodeColumn = 4 + 2;
constexpr std::size_t kCodeWidth = 8;
constexpr std::size_t kMnemonicColumn = kCodeColumn + kCodeWidth + 2;
constexpr std::size_t kOperandColumn = kMnemonicColumn + 5;
static_assert(kLongestInstructionLine == kOperandColumn + sizeof(Instruction::operand_text) + 1);

// Mnemonics and the operands an opcode fixes are at most 4 characters.
constexpr std::size_t kLongestName = 4;
using Name = std::array<char, kLongestName>;

// The listing of a whole Big entry is some 800,000 instructions of every
// kind in turn, so the common path avoids branches the CPU cannot predict
// and copies of a varying size: texts are padded with spaces and copied
// whole, and lengths are chosen rather than branched on.

// Every byte's two digits, so that a byte is one load and one store.
constexpr std::array<std::array<char, 2>, 256> MakeHexPairs() {
  std::array<std::array<char, 2>, 256> pairs{};
  for (std::size_t i = 0; i < pairs.size(); ++i) {
    pairs[i] = {kHexDigits[i >> 4], kHexDigits[i & 0xF]};
  }
  return pairs;
}
constexpr auto kHexPairs = MakeHexPairs();

char* WriteHexByte(char* out, std::uint8_t value) {
  std::memcpy(out, kHexPairs[value].data(), 2);
  return out + 2;
}

// A number as the 8080's assemblers read it ("41H", "7600H", "0F809H"): 2 or
// 4 digits, with a 0 first where they start with a letter, and the H.
// Writes up to 6 characters whatever it gives as its length.
std::size_t WriteIntelHex(char* out, std::uint16_t value, std::size_t digits) {
  const unsigned digits_first = digits == 4 ? value : static_cast<unsigned>(value) << 8;
  const std::size_t lead = ((digits_first >> 12) & 0xF) >= 10 ? 1 : 0;
  out[0] = '0';
  char* at = out + lead;
  std::memcpy(at, kHexPairs[(digits_first >> 8) & 0xFF].data(), 2);
  std::memcpy(at + 2, kHexPairs[digits_first & 0xFF].data(), 2);
  at[digits] = 'H';
  return lead + digits + 1;
}

// The digits, or two spaces where the instruction has no such byte.
void WriteHexByteIf(char* out, std::uint8_t value, bool present) {
  static constexpr std::array<char, 2> kSpaces{' ', ' '};
  std::memcpy(out, (present ? kHexPairs[value] : kSpaces).data(), 2);
}

constexpr Name Padded(std::string_view text) {
  Name name{};
  name.fill(' ');
  std::copy(text.begin(), text.end(), name.begin());
  return name;
}

constexpr std::string_view kDataMnemonicText = "DB";
constexpr Name kDataMnemonic = Padded(kDataMnemonicText);

// An opcode's row, ready to be written.
struct PreparedRow {
  Name mnemonic{};
  Name operands{};
  std::uint8_t mnemonic_length = 0;
  std::uint8_t operands_length = 0;
  std::uint8_t length = 1;
  std::uint8_t digits = 0;  // of the immediate: 0, 2 or 4
  // An undocumented code is "DB" with the opcode itself for its immediate,
  // so that it takes the same path as the instructions.
  bool data = false;
  // The line with the mnemonic and the fixed operands in place, where its
  // immediate goes, and where it ends without one.
  std::array<char, kLongestInstructionLine> line{};
  std::uint8_t immediate_column = 0;
  std::uint8_t end_without_immediate = 0;
};

using PreparedTable = std::array<PreparedRow, 256>;

PreparedTable Prepare() {
  PreparedTable table;
  for (std::size_t opcode = 0; opcode < table.size(); ++opcode) {
    const auto& row = kOpcodeTable[opcode];
    auto& prepared = table[opcode];
    prepared.data = row.mnemonic.empty();
    const auto mnemonic = prepared.data ? kDataMnemonicText : row.mnemonic;
    prepared.mnemonic = Padded(mnemonic);
    prepared.operands = Padded(row.operands);
    prepared.mnemonic_length = static_cast<std::uint8_t>(mnemonic.size());
    prepared.operands_length = static_cast<std::uint8_t>(row.operands.size());
    prepared.length =
        static_cast<std::uint8_t>(InstructionLength(static_cast<std::uint8_t>(opcode)));
    prepared.digits =
        static_cast<std::uint8_t>(prepared.data ? 2 : 2 * ImmediateLength(row.immediate));
    prepared.line.fill(' ');
    std::copy(mnemonic.begin(), mnemonic.end(), prepared.line.begin() + kMnemonicColumn);
    std::copy(row.operands.begin(), row.operands.end(), prepared.line.begin() + kOperandColumn);
    prepared.immediate_column = static_cast<std::uint8_t>(kOperandColumn + row.operands.size());
    prepared.end_without_immediate = static_cast<std::uint8_t>(
        row.operands.empty() ? kMnemonicColumn + mnemonic.size() : prepared.immediate_column);
  }
  return table;
}

// Made before main from the opcode table, which is a constant; a look-up
// is all each instruction can afford.
const PreparedTable kPreparedRows = Prepare();

const PreparedRow& RowOf(std::uint8_t opcode) {
  return kPreparedRows[opcode];
}

bool IsWhole(const PreparedRow& row, std::span<const std::uint8_t> bytes, std::size_t offset) {
  return row.length <= bytes.size() - offset;
}

// Byte `index` of the instruction at `offset`, or 0 past its length: read
// from within the bytes whatever the length, then kept or cleared by a mask
// rather than a branch.
std::uint8_t ByteOrZero(const PreparedRow& row, std::span<const std::uint8_t> bytes,
                        std::size_t offset, std::size_t index) {
  const auto mask = static_cast<std::uint8_t>(0 - static_cast<unsigned>(index < row.length));
  return static_cast<std::uint8_t>(bytes[std::min(offset + index, bytes.size() - 1)] & mask);
}

std::uint16_t ImmediateOf(const PreparedRow& row, std::uint8_t opcode, std::uint8_t low,
                          std::uint8_t high) {
  return static_cast<std::uint16_t>(row.data ? opcode : low | (high << 8));
}

// What is left of an instruction that the end cuts short: "DB 0CDH,09H".
void DecodeData(std::span<const std::uint8_t> bytes, std::size_t offset, Instruction& instruction) {
  // At most 2: an instruction is at most 3 bytes, and one is missing.
  constexpr std::size_t kLongestCut = 2;
  instruction.length =
      static_cast<std::uint8_t>(std::min(DecodedLength(bytes, offset), kLongestCut));
  instruction.mnemonic = {kDataMnemonic.data(), 2};
  char* text = instruction.operand_text.data();
  instruction.bytes[0] = bytes[offset];
  std::size_t written = WriteIntelHex(text, instruction.bytes[0], 2);
  if (instruction.length > 1) {
    instruction.bytes[1] = bytes[offset + 1];
    text[written] = ',';
    written += 1 + WriteIntelHex(text + written + 1, instruction.bytes[1], 2);
  }
  instruction.operand_length = static_cast<std::uint8_t>(written);
}

}  // namespace

std::size_t DecodedLength(std::span<const std::uint8_t> bytes, std::size_t offset) {
  const auto& row = RowOf(bytes[offset]);
  return IsWhole(row, bytes, offset) ? row.length : bytes.size() - offset;
}

Instruction DecodeInstruction(std::span<const std::uint8_t> bytes, std::size_t offset,
                              std::uint16_t load_address) {
  // One object for every path, which the caller's own then is.
  Instruction instruction;
  instruction.address = AddressAt(load_address, offset);
  const auto& row = RowOf(bytes[offset]);
  if (!IsWhole(row, bytes, offset)) {
    DecodeData(bytes, offset, instruction);
    return instruction;
  }
  instruction.length = row.length;
  instruction.bytes[0] = bytes[offset];
  instruction.bytes[1] = ByteOrZero(row, bytes, offset, 1);
  instruction.bytes[2] = ByteOrZero(row, bytes, offset, 2);
  instruction.mnemonic = {row.mnemonic.data(), row.mnemonic_length};
  std::memcpy(instruction.operand_text.data(), row.operands.data(), row.operands.size());
  // Written always, counted only when the opcode has an immediate.
  const auto immediate =
      ImmediateOf(row, instruction.bytes[0], instruction.bytes[1], instruction.bytes[2]);
  const auto hex_length = WriteIntelHex(instruction.operand_text.data() + row.operands_length,
                                        immediate, row.digits == 4 ? 4 : 2);
  instruction.operand_length =
      static_cast<std::uint8_t>(row.operands_length + (row.digits != 0 ? hex_length : 0));
  return instruction;
}

char* WriteInstructionLine(char* out, const Instruction& instruction) {
  std::fill_n(out, kLongestInstructionLine, ' ');
  WriteHexByte(WriteHexByte(out, static_cast<std::uint8_t>(instruction.address >> 8)),
               static_cast<std::uint8_t>(instruction.address & 0xFF));
  // All three bytes, then spaces over those the instruction does not have.
  for (std::size_t i = 0; i < instruction.bytes.size(); ++i) {
    WriteHexByte(out + kCodeColumn + 3 * i, instruction.bytes[i]);
  }
  std::fill_n(out + kCodeColumn + 3 * instruction.length - 1, kCodeWidth, ' ');
  // Mnemonics point into padded names, which copy at a fixed size.
  std::memcpy(out + kMnemonicColumn, instruction.mnemonic.data(), kLongestName);
  std::copy(instruction.operand_text.begin(), instruction.operand_text.end(), out + kOperandColumn);
  char* end = instruction.operand_length > 0 ? out + kOperandColumn + instruction.operand_length
                                             : out + kMnemonicColumn + instruction.mnemonic.size();
  *end++ = '\n';
  return end;
}

char* WriteInstructionLineAt(char* out, std::span<const std::uint8_t> bytes, std::size_t offset,
                             std::uint16_t load_address, std::size_t& length) {
  const auto& row = RowOf(bytes[offset]);
  if (!IsWhole(row, bytes, offset)) {
    const auto instruction = DecodeInstruction(bytes, offset, load_address);
    length = instruction.length;
    return WriteInstructionLine(out, instruction);
  }
  length = row.length;
  std::memcpy(out, row.line.data(), kLongestInstructionLine);
  const auto address = AddressAt(load_address, offset);
  WriteHexByte(WriteHexByte(out, static_cast<std::uint8_t>(address >> 8)),
               static_cast<std::uint8_t>(address & 0xFF));
  const auto opcode = bytes[offset];
  const auto low = ByteOrZero(row, bytes, offset, 1);
  const auto high = ByteOrZero(row, bytes, offset, 2);
  WriteHexByte(out + kCodeColumn, opcode);
  WriteHexByteIf(out + kCodeColumn + 3, low, row.length > 1);
  WriteHexByteIf(out + kCodeColumn + 6, high, row.length > 2);
  // Written always, counted only when the opcode has an immediate.
  const auto hex_length = WriteIntelHex(
      out + row.immediate_column, ImmediateOf(row, opcode, low, high), row.digits == 4 ? 4 : 2);
  char* end =
      out + (row.digits != 0 ? row.immediate_column + hex_length : row.end_without_immediate);
  *end++ = '\n';
  return end;
}

void AppendInstructionLine(std::string& out, const Instruction& instruction) {
  std::array<char, kLongestInstructionLine> line;
  out.append(line.data(), static_cast<std::size_t>(WriteInstructionLine(line.data(), instruction) -
                                                   line.data()));
}

}  // namespace flashdisk::target
