#include "target/i8080_disassembler.h"

#include <algorithm>

#include "target/address_space.h"
#include "target/hex_rows.h"
#include "target/i8080_instructions.h"

namespace flashdisk::target {

namespace {

constexpr std::string_view kDataMnemonic = "DB";
constexpr std::string_view kHexDigits = "0123456789ABCDEF";
// The mnemonic column is as wide as the longest mnemonic and a space.
constexpr std::size_t kMnemonicWidth = 5;
// Three bytes of two digits and a space between.
constexpr std::size_t kCodeWidth = 8;

// "0F809H": a leading 0, four digits and the H.
constexpr std::size_t kLongestIntelHex = 6;

std::size_t WriteIntelHex(char* out, std::uint16_t value, std::size_t digits) {
  std::size_t written = 0;
  if (((value >> (4 * (digits - 1))) & 0xF) >= 10) {
    out[written++] = '0';
  }
  for (std::size_t i = digits; i-- > 0;) {
    out[written++] = kHexDigits[(value >> (4 * i)) & 0xF];
  }
  out[written++] = 'H';
  return written;
}

// Writes into a fixed buffer that is known to be large enough.
class OperandWriter {
 public:
  explicit OperandWriter(Instruction& instruction) : instruction_(instruction) {}

  void Text(std::string_view text) {
    std::copy(text.begin(), text.end(), instruction_.operand_text.begin() + length());
    instruction_.operand_length = static_cast<std::uint8_t>(length() + text.size());
  }

  void Hex(std::uint16_t value, std::size_t digits) {
    std::array<char, kLongestIntelHex> text{};
    Text({text.data(), WriteIntelHex(text.data(), value, digits)});
  }

 private:
  std::size_t length() const { return instruction_.operand_length; }

  Instruction& instruction_;
};

bool FitsBefore(std::size_t end, std::size_t offset, std::size_t length) {
  return length <= end - offset;
}

const OpcodeRow& RowAt(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return kOpcodeTable[bytes[offset]];
}

bool IsDocumented(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return !RowAt(bytes, offset).mnemonic.empty();
}

bool IsWhole(std::span<const std::uint8_t> bytes, std::size_t offset) {
  return FitsBefore(bytes.size(), offset, InstructionLength(bytes[offset]));
}

}  // namespace

void AppendIntelHex(std::string& out, std::uint16_t value, std::size_t digits) {
  std::array<char, kLongestIntelHex> text{};
  out.append(text.data(), WriteIntelHex(text.data(), value, digits));
}

std::size_t DecodedLength(std::span<const std::uint8_t> bytes, std::size_t offset) {
  if (!IsDocumented(bytes, offset)) {
    return 1;
  }
  return IsWhole(bytes, offset) ? InstructionLength(bytes[offset]) : bytes.size() - offset;
}

Instruction DecodeInstruction(std::span<const std::uint8_t> bytes, std::size_t offset,
                              std::uint16_t load_address) {
  Instruction instruction;
  instruction.address = AddressAt(load_address, offset);
  instruction.length = static_cast<std::uint8_t>(DecodedLength(bytes, offset));
  std::copy_n(bytes.begin() + static_cast<std::ptrdiff_t>(offset), instruction.length,
              instruction.bytes.begin());
  OperandWriter operands(instruction);
  if (!IsDocumented(bytes, offset) || !IsWhole(bytes, offset)) {
    instruction.mnemonic = kDataMnemonic;
    for (std::size_t i = 0; i < instruction.length; ++i) {
      operands.Text(i == 0 ? "" : ",");
      operands.Hex(instruction.bytes[i], 2);
    }
    return instruction;
  }
  const auto& row = RowAt(bytes, offset);
  instruction.mnemonic = row.mnemonic;
  operands.Text(row.operands);
  if (row.immediate == Immediate::kByte) {
    operands.Hex(instruction.bytes[1], 2);
  } else if (row.immediate == Immediate::kWord) {
    operands.Hex(static_cast<std::uint16_t>(instruction.bytes[1] | (instruction.bytes[2] << 8)), 4);
  }
  return instruction;
}

void AppendInstructionLine(std::string& out, const Instruction& instruction) {
  AppendHexByte(out, static_cast<std::uint8_t>(instruction.address >> 8));
  AppendHexByte(out, static_cast<std::uint8_t>(instruction.address & 0xFF));
  out += "  ";
  const auto code_start = out.size();
  for (std::size_t i = 0; i < instruction.length; ++i) {
    if (i > 0) {
      out += ' ';
    }
    AppendHexByte(out, instruction.bytes[i]);
  }
  out.append(kCodeWidth - (out.size() - code_start) + 2, ' ');
  out += instruction.mnemonic;
  if (instruction.operand_length > 0) {
    out.append(kMnemonicWidth - instruction.mnemonic.size(), ' ');
    out += instruction.operands();
  }
  out += '\n';
}

}  // namespace flashdisk::target
