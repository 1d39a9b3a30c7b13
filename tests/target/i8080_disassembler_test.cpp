#include "target/i8080_disassembler.h"

#include <gtest/gtest.h>

#include <array>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <map>
#include <optional>
#include <ostream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "target/i8080_instructions.h"
#include "tests/support/temporary_folder.h"

namespace flashdisk::target {
namespace {

using Bytes = std::vector<std::uint8_t>;

// The listing as the viewer makes it, through Instruction, checked against
// the one dump writes straight from the bytes.
std::string Listing(const Bytes& bytes, std::uint16_t load_address) {
  std::string text;
  std::string written;
  for (std::size_t offset = 0; offset < bytes.size();) {
    const auto instruction = DecodeInstruction(bytes, offset, load_address);
    EXPECT_EQ(DecodedLength(bytes, offset), instruction.length);
    AppendInstructionLine(text, instruction);
    std::array<char, kLongestInstructionLine> line{};
    std::size_t length = 0;
    char* end = WriteInstructionLineAt(line.data(), bytes, offset, load_address, length);
    written.append(line.data(), static_cast<std::size_t>(end - line.data()));
    EXPECT_EQ(length, instruction.length);
    offset += instruction.length;
  }
  EXPECT_EQ(written, text);
  return text;
}

// Written out by hand from the 8080's manual, so that they hold where the
// independent disassembler is missing.
TEST(I8080Disassembler, WritesIntelMnemonicsAtTheLoadAddress) {
  struct Case {
    Bytes bytes;
    std::uint16_t load_address;
    std::string listing;
  };
  const std::vector<Case> cases{
      {{0x3E, 0x41, 0x31, 0x00, 0x76, 0xCD, 0x09, 0xF8, 0xD3, 0x10},
       0x7600,
       "7600  3E 41     MVI  A,41H\n"
       "7602  31 00 76  LXI  SP,7600H\n"
       "7605  CD 09 F8  CALL 0F809H\n"
       "7608  D3 10     OUT  10H\n"},
      // The undocumented codes are data; so are the bytes of an instruction
      // that the end cuts short, all on one line.
      {{0x08, 0xCB, 0xD9, 0xDD, 0xED, 0xFD, 0xC3, 0x34},
       0x0000,
       "0000  08        DB   08H\n"
       "0001  CB        DB   0CBH\n"
       "0002  D9        DB   0D9H\n"
       "0003  DD        DB   0DDH\n"
       "0004  ED        DB   0EDH\n"
       "0005  FD        DB   0FDH\n"
       "0006  C3 34     DB   0C3H,34H\n"},
      // Addresses wrap past FFFF within an instruction's span and after it.
      {{0xF5, 0x7E, 0xE6, 0xA0, 0xFF, 0x00, 0x21, 0xFF, 0x00, 0x01},
       0xFFFB,
       "FFFB  F5        PUSH PSW\n"
       "FFFC  7E        MOV  A,M\n"
       "FFFD  E6 A0     ANI  0A0H\n"
       "FFFF  FF        RST  7\n"
       "0000  00        NOP\n"
       "0001  21 FF 00  LXI  H,00FFH\n"
       "0004  01        DB   01H\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Listing(c.bytes, c.load_address), c.listing);
  }
  // Every opcode, each followed by immediates that start with a letter, and
  // cut short at the end: both ways of writing agree on all of them.
  Bytes every;
  for (std::size_t opcode = 0; opcode < 256; ++opcode) {
    every.insert(every.end(), {static_cast<std::uint8_t>(opcode), 0xAB, 0xCD});
  }
  every.push_back(0xCD);
  Listing(every, 0xF000);
}

#ifdef DZ80_PROGRAM
// One instruction as the independent disassembler spells it and as this one
// does, reduced to what they mean: the lower-case mnemonic, and each operand
// as a register name or a number.
struct Meaning {
  std::uint16_t address = 0;
  Bytes bytes;
  std::string mnemonic;
  std::vector<std::string> operands;
  bool operator==(const Meaning&) const = default;

  friend void PrintTo(const Meaning& meaning, std::ostream* out) {
    *out << meaning.address << ": " << meaning.mnemonic;
    for (const auto& operand : meaning.operands) {
      *out << ' ' << operand;
    }
    *out << " (" << meaning.bytes.size() << " bytes)";
  }
};

std::string Lower(std::string text) {
  for (auto& c : text) {
    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  }
  return text;
}

// "0F809H", "f809h", "Xf809" and "7" are numbers; anything else is a name.
std::string OperandMeaning(std::string text) {
  text = Lower(text);
  int base = 10;
  if (text.size() == 5 && text[0] == 'x') {
    text = text.substr(1);
    base = 16;
  } else if (text.size() > 1 && text.back() == 'h') {
    text.pop_back();
    base = 16;
  }
  char* end = nullptr;
  const auto value = std::strtol(text.c_str(), &end, base);
  if (text.empty() || *end != '\0') {
    return text;
  }
  return "#" + std::to_string(value);
}

std::vector<std::string> SplitOperands(const std::string& text) {
  std::vector<std::string> operands;
  std::stringstream stream(text);
  std::string operand;
  while (std::getline(stream, operand, ',')) {
    operands.push_back(OperandMeaning(operand));
  }
  return operands;
}

Meaning OurMeaning(const Instruction& instruction) {
  const auto code = instruction.code();
  return {instruction.address, Bytes(code.begin(), code.end()),
          Lower(std::string(instruction.mnemonic)),
          SplitOperands(std::string(instruction.operands()))};
}

// "X0002:\tlxi\tsp,X7600\t; 0002  31 00 76\t1.v": the label, the
// instruction, then the address and bytes in the comment.
std::optional<Meaning> Dz80Meaning(const std::string& line) {
  const auto comment = line.find(';');
  if (comment == std::string::npos || comment == 0) {
    return std::nullopt;
  }
  std::stringstream code(line.substr(line.find('\t'), comment - line.find('\t')));
  // The bytes end at the tab before their characters.
  std::stringstream data(line.substr(comment + 1, line.find('\t', comment) - comment - 1));
  Meaning meaning;
  std::string operands;
  code >> meaning.mnemonic >> operands;
  meaning.operands = SplitOperands(operands);
  std::string address;
  data >> address;
  meaning.address = static_cast<std::uint16_t>(std::stoul(address, nullptr, 16));
  std::string byte;
  while (data >> byte) {
    meaning.bytes.push_back(static_cast<std::uint8_t>(std::stoul(byte, nullptr, 16)));
  }
  // Its data is "db 8" whatever the code.
  if (meaning.mnemonic == "db") {
    meaning.operands = {"#" + std::to_string(meaning.bytes.front())};
  }
  return meaning;
}

// What dz80 -80 makes of `bytes` at address 0. It reads a name beginning
// with '/' as an option, so it runs in the folder with a relative name.
std::vector<Meaning> Dz80Listing(const Bytes& bytes) {
  testing::TemporaryFolder folder;
  folder.Write("code.bin", bytes);
  const std::string command = "cd '" + folder.path().string() +
                              "' && '" DZ80_PROGRAM "' -80 -d -b code.bin >/dev/null 2>&1";
  EXPECT_EQ(std::system(command.c_str()), 0) << command;
  std::ifstream listing(folder.path() / "code.d80");
  std::vector<Meaning> meanings;
  std::string line;
  while (std::getline(listing, line)) {
    if (auto meaning = Dz80Meaning(line)) {
      meanings.push_back(*meaning);
    }
  }
  return meanings;
}

// Every opcode with each pattern of immediate bytes, then random
// instructions; both end on a whole instruction, since dz80 reads past the
// end of its file. It passes over runs of 00 and FF as empty memory, so the
// comparison goes by the addresses it shows, and checks that every opcode
// was among them.
TEST(I8080Disassembler, MeansWhatAnIndependentDisassemblerReads) {
  const std::array<std::array<std::uint8_t, 2>, 4> immediates{
      {{0x34, 0x12}, {0x09, 0xF8}, {0x80, 0x7F}, {0xA5, 0x01}}};
  Bytes bytes;
  for (const auto& immediate : immediates) {
    for (std::size_t opcode = 0; opcode < 256; ++opcode) {
      bytes.push_back(static_cast<std::uint8_t>(opcode));
      const auto length = InstructionLength(static_cast<std::uint8_t>(opcode));
      bytes.insert(bytes.end(), immediate.begin(), immediate.begin() + (length - 1));
    }
    bytes.insert(bytes.end(), {0x3E, 0x41});  // parts FF from the next 00
  }
  std::mt19937 random(24);
  std::uniform_int_distribution<int> any_byte(0, 255);
  std::uniform_int_distribution<int> operand_byte(1, 254);
  while (bytes.size() < 0xF000) {
    const auto opcode = static_cast<std::uint8_t>(any_byte(random));
    bytes.push_back(opcode);
    for (std::size_t i = 1; i < InstructionLength(opcode); ++i) {
      bytes.push_back(static_cast<std::uint8_t>(operand_byte(random)));
    }
  }
  std::map<std::uint16_t, Meaning> ours;
  for (std::size_t offset = 0; offset < bytes.size();) {
    const auto instruction = DecodeInstruction(bytes, offset, 0);
    ours[instruction.address] = OurMeaning(instruction);
    offset += instruction.length;
  }
  std::array<bool, 256> compared{};
  for (const auto& theirs : Dz80Listing(bytes)) {
    const auto found = ours.find(theirs.address);
    ASSERT_NE(found, ours.end()) << "no instruction at " << theirs.address;
    EXPECT_EQ(found->second, theirs) << "at " << theirs.address << ": " << theirs.mnemonic;
    compared[theirs.bytes.front()] = true;
  }
  for (std::size_t opcode = 0; opcode < 256; ++opcode) {
    EXPECT_TRUE(compared[opcode]) << "opcode " << opcode << " never compared";
  }
}
#else
TEST(I8080Disassembler, MeansWhatAnIndependentDisassemblerReads) {
  GTEST_SKIP() << "dz80 (Debian's d52 package) is not installed here";
}
#endif

}  // namespace
}  // namespace flashdisk::target
