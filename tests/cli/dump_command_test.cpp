#include <nlohmann/json.hpp>
#include <sstream>

#include "tests/cli/cli_test.h"

namespace flashdisk::testing {
namespace {

class DumpCommandTest : public CliTest {
 protected:
  void SetUp() override { NewDisk({"--size", "128k"}); }

  // Adds `data` as an RKS file loaded at `load_address`.
  void AddProgram(std::uint16_t load_address, const Bytes& data) const {
    Write("prog.rks", RksFile(load_address, data));
    Succeed({"add", "disk.rom", "prog.rks"});
  }

  // The bytes of hex rows, read back from their columns.
  static Bytes RowBytes(const std::string& rows) {
    Bytes bytes;
    std::istringstream lines(rows);
    std::string line;
    while (std::getline(lines, line)) {
      std::istringstream digits(line.substr(6, 16 * 3));
      std::string byte;
      while (digits >> byte) {
        bytes.push_back(static_cast<std::uint8_t>(std::stoul(byte, nullptr, 16)));
      }
    }
    return bytes;
  }
};

// "HELLO" and the letters ЮАБ in KOI-7 N2, which code page 1251 reads as
// Latin ones.
const Bytes kGreeting{0x3E, 0x41, 0x48, 0x45, 0x4C, 0x4C, 0x4F, 0x00, 0x60,
                      0x61, 0x62, 0x0D, 0x0A, 0xC0, 0xFF, 0x7F, 0x20, 0x21};

TEST_F(DumpCommandTest, CountsRowsFromTheLoadAddressInEitherCharacterSet) {
  AddProgram(0x7600, kGreeting);
  const std::string bytes = "7600  3E 41 48 45 4C 4C 4F 00 60 61 62 0D 0A C0 FF 7F  ";
  const std::string last = "7610  20 21" + std::string(14 * 3, ' ') + "   !\n";
  EXPECT_EQ(Succeed({"dump", "disk.rom", "1"}), bytes + ">AHELLO.`ab..Ая.\n" + last);
  EXPECT_EQ(Succeed({"dump", "disk.rom", "1", "--charset", "koi7"}),
            bytes + ">AHELLO.ЮАБ.....\n" + last);
  EXPECT_EQ(Succeed({"dump", "disk.rom", "1", "--charset", "1251"}),
            Succeed({"dump", "disk.rom", "1"}));
}

// The target's addresses wrap past FFFF, in the middle of a row and of an
// instruction alike; the end cuts the last CALL short, and it is data.
TEST_F(DumpCommandTest, WrapsAtFfffAndShowsACutOffInstructionAsData) {
  const Bytes code{0x31, 0x00, 0x76, 0x21, 0x34, 0x12, 0xC3, 0x00,
                   0xF8, 0x3E, 0x0D, 0xD3, 0x10, 0xCD, 0x09};
  AddProgram(0xFFFA, code);
  EXPECT_EQ(Succeed({"dump", "disk.rom", "1"}),
            "FFFA  31 00 76 21 34 12 C3 00 F8 3E 0D D3 10 CD 09" + std::string(3 * 1, ' ') +
                "  1.v!4.Г.ш>.У.Н.\n");
  EXPECT_EQ(Succeed({"dump", "disk.rom", "1", "--disasm"}),
            "FFFA  31 00 76  LXI  SP,7600H\n"
            "FFFD  21 34 12  LXI  H,1234H\n"
            "0000  C3 00 F8  JMP  0F800H\n"
            "0003  3E 0D     MVI  A,0DH\n"
            "0005  D3 10     OUT  10H\n"
            "0007  CD 09     DB   0CDH,09H\n");
  const auto json = nlohmann::json::parse(Succeed({"dump", "disk.rom", "1", "--disasm", "--json"}));
  ASSERT_EQ(json.size(), 6u);
  EXPECT_EQ(json[2], nlohmann::json::parse(R"({"address": 0, "bytes": [195, 0, 248],
                                               "mnemonic": "JMP", "operands": "0F800H"})"));
  EXPECT_EQ(json[5], nlohmann::json::parse(R"({"address": 7, "bytes": [205, 9],
                                               "mnemonic": "DB", "operands": "0CDH,09H"})"));
}

// Rows start at --from rather than at a multiple of 16; --to is included,
// and the last instruction that starts there is shown whole.
TEST_F(DumpCommandTest, ShowsTheRangeBetweenTwoAddresses) {
  AddProgram(0x7600, kGreeting);
  EXPECT_EQ(Succeed({"dump", "disk.rom", "1", "--from", "7603", "--to", "7605"}),
            "7603  45 4C 4C" + std::string(13 * 3, ' ') + "  ELL\n");
  EXPECT_EQ(Succeed({"dump", "disk.rom", "1", "--from", "7602", "--to", "7612"}).substr(0, 6),
            "7602  ");
  EXPECT_EQ(Succeed({"dump", "disk.rom", "1", "--disasm", "--to", "7600"}),
            "7600  3E 41     MVI  A,41H\n");
  EXPECT_EQ(Succeed({"dump", "disk.rom", "1", "--disasm", "--from", "760f", "--to", "7610"}),
            "760F  7F        MOV  A,A\n"
            "7610  20        DB   20H\n");
  Refuse({"dump", "disk.rom", "1", "--from", "7612"}, 1, "disk.rom", "Адрес вне данных записи!");
  Refuse({"dump", "disk.rom", "1", "--from", "75FF"}, 1, "disk.rom", "Адрес вне данных записи!");
  Refuse({"dump", "disk.rom", "1", "--from", "12345", "--to", "7G00"}, 1, "disk.rom",
         "Неверный адрес!");
}

// A deleted entry, a Big one and one whose data runs past the disk show the
// bytes that extract writes.
TEST_F(DumpCommandTest, ShowsTheBytesExtractWrites) {
  AddProgram(0x7600, kGreeting);
  Write("big.bin", CountingBytes(70000, 3));
  Succeed({"add", "disk.rom", "big.bin", "--load", "8000"});
  Succeed({"set", "disk.rom", "1", "--set", "deleted"});
  auto disk = FileBytes("disk.rom");
  const std::size_t last = 512 + 70144;  // the Big entry ends on a sector
  ASSERT_EQ(disk.size(), 0x20000u);
  Write("past.bin", CountingBytes(200, 7));
  Succeed({"add", "disk.rom", "past.bin", "--load", "100"});
  disk = FileBytes("disk.rom");
  disk[last + 38] = 0x10;  // 1 MiB of data claimed, in a total length as large
  disk[last + 42] = 0x10;
  Write("disk.rom", disk);
  for (const std::string index : {"1", "2", "3"}) {
    Succeed({"extract", "disk.rom", index, "-o", "entry.bin", "--force"});
    EXPECT_EQ(RowBytes(Succeed({"dump", "disk.rom", index})), FileBytes("entry.bin")) << index;
  }
  EXPECT_EQ(FileBytes("entry.bin").size(), 0x20000u - last - 44);
}

}  // namespace
}  // namespace flashdisk::testing
