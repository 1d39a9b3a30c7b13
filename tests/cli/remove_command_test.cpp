#include "tests/cli/cli_test.h"

namespace flashdisk::testing {
namespace {

class RemoveCommandTest : public CliTest {
 protected:
  // A 64k disk with 256-byte sectors and three entries: a.bin at 256 (512
  // bytes long), b.bin at 768 (1280 bytes), c.rks at 2048 (256 bytes).
  void SetUp() override {
    NewDisk();
    Write("a.bin", CountingBytes(300, 1));
    Write("b.bin", CountingBytes(1000, 2));
    Write("c.rks", RksFile(0x4000, CountingBytes(10, 3)));
    Succeed({"add", "disk.rom", "a.bin", "b.bin", "c.rks", "--load", "1234"});
  }

  // The image that adding only `files` to a fresh disk gives.
  Bytes AddedAlone(const std::vector<std::string>& files) const {
    std::vector<std::string> arguments{"add", "alone.rom"};
    arguments.insert(arguments.end(), files.begin(), files.end());
    arguments.insert(arguments.end(), {"--load", "1234"});
    Succeed({"new", "alone.rom", "--size", "64k", "--force"});
    Succeed(arguments);
    return FileBytes("alone.rom");
  }
};

TEST_F(RemoveCommandTest, MovesLaterEntriesDownWithTheirDataAndErasesWhatIsFreed) {
  Succeed({"remove", "disk.rom", "2"});
  const auto disk = FileBytes("disk.rom");
  // c.rks moved from 2048 to 768, its fixed part and data whole.
  EXPECT_EQ(Slice(disk, 768, 12),
            (Bytes{0xE6, 0xDF, 'c', '.', 'r', 'k', 's', 0x00, 0xFF, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(Slice(disk, 768 + 34, 10),
            (Bytes{0x00, 0x40, 0x0A, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00}));
  EXPECT_EQ(Slice(disk, 768 + 44, 10), CountingBytes(10, 3));
  EXPECT_EQ(Slice(disk, 1024, 65536 - 1024), Bytes(65536 - 1024, 0xFF));
  EXPECT_EQ(disk, AddedAlone({"a.bin", "c.rks"}));
  EXPECT_NE(Succeed({"list", "disk.rom"}).find("  2       768  c.rks"), std::string::npos);
}

TEST_F(RemoveCommandTest, TakesSeveralIndexesInAnyOrderEachOnce) {
  Succeed({"add", "disk.rom", "a.bin", "--load", "1234"});
  Succeed({"remove", "disk.rom", "3", "1", "3"});  // two kept runs move, each whole
  EXPECT_EQ(FileBytes("disk.rom"), AddedAlone({"b.bin", "a.bin"}));
  Succeed({"remove", "disk.rom", "2"});
  EXPECT_EQ(FileBytes("disk.rom"), AddedAlone({"b.bin"}));
  Succeed({"remove", "disk.rom", "1"});
  Succeed({"new", "empty.rom", "--size", "64k"});
  EXPECT_EQ(FileBytes("disk.rom"), FileBytes("empty.rom"));
}

TEST_F(RemoveCommandTest, RemovesAllOrNothing) {
  for (const auto& index : {"0", "4"}) {
    Refuse({"remove", "disk.rom", "1", index}, 1, "disk.rom", "Нет записи с таким номером!");
  }
  Refuse({"remove", "absent.rom", "1"}, 1, "absent.rom", "Ошибка чтения файла!", "disk.rom");
}

TEST_F(RemoveCommandTest, RefusesAnImageWithAProblemInItsHeaderOrChain) {
  const auto sound = FileBytes("disk.rom");
  for (const auto& damaged : HeaderOnlyDamages(sound)) {
    Write("disk.rom", damaged);
    Refuse({"remove", "disk.rom", "1"}, 1, "disk.rom", "Ошибка формата диска!");
  }
  auto broken_link = sound;
  broken_link[768 + 40] = 0x01;  // b.bin's total length 1281: the link misses c.rks
  Write("disk.rom", broken_link);
  Refuse({"remove", "disk.rom", "1"}, 1, "disk.rom", "Ошибка формата диска!");
}

TEST_F(RemoveCommandTest, LeavesLeftoversAfterTheChainWhereTheyAre) {
  auto disk = FileBytes("disk.rom");
  disk[40000] = 0x00;
  Write("disk.rom", disk);
  Succeed({"remove", "disk.rom", "1"});
  auto expected = AddedAlone({"b.bin", "c.rks"});
  expected[40000] = 0x00;
  EXPECT_EQ(FileBytes("disk.rom"), expected);
}

}  // namespace
}  // namespace flashdisk::testing
