#include "tests/cli/cli_test.h"

namespace flashdisk::testing {
namespace {

class ReplaceCommandTest : public CliTest {
 protected:
  // A 64k disk with 256-byte sectors: prog.bin at 256 (300 bytes of data,
  // 512 long, executable, load address 1234) and last.bin at 768 (256 long).
  void SetUp() override {
    NewDisk();
    Write("prog.bin", Bytes(300, 0xAA));
    Write("last.bin", Bytes(10, 0xBB));
    Succeed({"add", "disk.rom", "prog.bin", "last.bin", "--load", "1234", "--exec"});
  }
};

TEST_F(ReplaceCommandTest, PutsSmallerDataInPlaceAndErasesTheOldBytesBehindIt) {
  auto expected = FileBytes("disk.rom");
  Write("new.bin", CountingBytes(100, 7));
  Succeed({"replace", "disk.rom", "1", "new.bin"});
  expected[256 + 36] = 0x64;  // data size 100; name, attributes, address, total stay
  expected[256 + 37] = 0x00;
  std::copy_n(CountingBytes(100, 7).begin(), 100, expected.begin() + 256 + 44);
  std::fill_n(expected.begin() + 256 + 144, 200, 0xFF);
  EXPECT_EQ(FileBytes("disk.rom"), expected);

  Succeed({"replace", "disk.rom", "1", "new.bin", "--load", "beef"});
  expected[256 + 34] = 0xEF;
  expected[256 + 35] = 0xBE;
  EXPECT_EQ(FileBytes("disk.rom"), expected);
}

TEST_F(ReplaceCommandTest, FillsTheEntrysWholeRoomWithAnRksFilesDataAndAddress) {
  Write("game.rks", RksFile(0x3000, CountingBytes(468, 9)));  // 468 = 512 - 44: exactly full
  Succeed({"replace", "disk.rom", "1", "game.rks", "--load", "1"});
  const auto disk = FileBytes("disk.rom");
  EXPECT_EQ(Slice(disk, 256, 2), (Bytes{0xE6, 0xDF}));
  EXPECT_EQ(Slice(disk, 256 + 34, 10),
            (Bytes{0x00, 0x30, 0xD4, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00}));
  EXPECT_EQ(Slice(disk, 256 + 44, 468), CountingBytes(468, 9));
  EXPECT_EQ(disk[768], 0xE6);  // the next entry untouched
}

TEST_F(ReplaceCommandTest, GrowsTheLastEntryIntoTheFreeSpace) {
  Write("big.bin", CountingBytes(0x10000 - 2000, 5));
  Succeed({"replace", "disk.rom", "2", "big.bin"});
  const auto disk = FileBytes("disk.rom");
  // 63536 + 44 rounds up to 63744 (0xF900), Big stays clear below 64 KiB.
  EXPECT_EQ(Slice(disk, 768, 2), (Bytes{0xE6, 0xDF}));
  EXPECT_EQ(Slice(disk, 768 + 36, 8), (Bytes{0x30, 0xF8, 0x00, 0x00, 0x00, 0xF9, 0x00, 0x00}));
  EXPECT_EQ(Slice(disk, 768 + 44, 0x10000 - 2000), CountingBytes(0x10000 - 2000, 5));
  EXPECT_EQ(Slice(disk, 768 + 0xF900, 1024), Bytes(1024, 0xFF));
}

TEST_F(ReplaceCommandTest, SetsBigByTheSameRuleAndFlagsAsAdd) {
  Succeed({"new", "disk.rom", "--size", "128k", "--force"});
  Succeed({"add", "disk.rom", "prog.bin"});
  Write("huge.bin", Bytes(0x10000, 0x11));
  Succeed({"replace", "disk.rom", "1", "huge.bin"});
  EXPECT_EQ(FileBytes("disk.rom")[256 + 1], 0xBF);
  Succeed({"replace", "disk.rom", "1", "prog.bin"});
  EXPECT_EQ(FileBytes("disk.rom")[256 + 1], 0xFF);
  Succeed({"replace", "disk.rom", "1", "prog.bin", "--big"});
  EXPECT_EQ(FileBytes("disk.rom")[256 + 1], 0xBF);
}

TEST_F(ReplaceCommandTest, RefusesAndChangesNothing) {
  Write("big.bin", Bytes(1000, 0x01));
  Refuse({"replace", "disk.rom", "1", "big.bin"}, 1, "disk.rom",
         "big.bin: Недостаточно места на диске! Нужно байт: 1044, свободно: 512.");
  Write("huge.bin", Bytes(65536 - 768 - 44, 0x01));  // the last entry would fill the disk
  Refuse({"replace", "disk.rom", "2", "huge.bin"}, 1, "disk.rom",
         "huge.bin: Недостаточно места на диске! Нужно байт: 64769, свободно: 64768.");
  Refuse({"replace", "disk.rom", "2", "absent.bin"}, 1, "disk.rom",
         "absent.bin: Ошибка чтения файла!");
  Write("tiny.rks", {1, 2, 3});
  Refuse({"replace", "disk.rom", "2", "tiny.rks"}, 1, "disk.rom", "tiny.rks: Ошибка чтения файла!");
  Refuse({"replace", "disk.rom", "3", "big.bin"}, 1, "disk.rom", "Нет записи с таким номером!");
  Refuse({"replace", "disk.rom", "1", "big.bin", "--load", "xyz"}, 1, "disk.rom",
         "Неверный адрес загрузки!");

  const auto sound = FileBytes("disk.rom");
  auto damaged_chain = sound;
  std::fill_n(damaged_chain.begin() + 256 + 2, 32, 'N');  // a name without NUL
  auto damaged = HeaderOnlyDamages(sound);
  damaged.push_back(damaged_chain);
  for (const auto& disk : damaged) {
    Write("disk.rom", disk);
    Refuse({"replace", "disk.rom", "2", "last.bin"}, 1, "disk.rom", "Ошибка формата диска!");
  }
}

// The edge of "the free space counted as if the entry were not there": 768
// to 65536 is 64,768 bytes, and 64,468 + 44 rounds to 64,512, which fits.
TEST_F(ReplaceCommandTest, GrowsTheLastEntryUpToTheEdgeOfItsOwnAndTheFreeSpace) {
  Write("edge.bin", CountingBytes(64468, 4));
  Succeed({"replace", "disk.rom", "2", "edge.bin"});
  const auto disk = FileBytes("disk.rom");
  EXPECT_EQ(Slice(disk, 768 + 36, 8), (Bytes{0xD4, 0xFB, 0x00, 0x00, 0x00, 0xFC, 0x00, 0x00}));
  EXPECT_EQ(Slice(disk, 768 + 44, 64468), CountingBytes(64468, 4));
}

}  // namespace
}  // namespace flashdisk::testing
