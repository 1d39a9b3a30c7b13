#include <chrono>
#include <filesystem>

#include "tests/cli/cli_test.h"

namespace flashdisk::testing {
namespace {

class MoveCommandTest : public CliTest {
 protected:
  // Three entries of different lengths: a.bin (512 bytes), b.bin (1280), c.bin (256).
  void SetUp() override {
    NewDisk();
    Write("a.bin", CountingBytes(300, 1));
    Write("b.bin", CountingBytes(1000, 2));
    Write("c.bin", CountingBytes(10, 3));
    Succeed({"add", "disk.rom", "a.bin", "b.bin", "c.bin"});
  }

  Bytes AddedInOrder(const std::vector<std::string>& files) const {
    std::vector<std::string> arguments{"add", "order.rom"};
    arguments.insert(arguments.end(), files.begin(), files.end());
    Succeed({"new", "order.rom", "--size", "64k", "--force"});
    Succeed(arguments);
    return FileBytes("order.rom");
  }
};

TEST_F(MoveCommandTest, PutsTheEntryAtItsNewPlaceAndShiftsThoseBetween) {
  Succeed({"move", "disk.rom", "3", "1"});
  EXPECT_EQ(FileBytes("disk.rom"), AddedInOrder({"c.bin", "a.bin", "b.bin"}));
  Succeed({"move", "disk.rom", "1", "3"});
  EXPECT_EQ(FileBytes("disk.rom"), AddedInOrder({"a.bin", "b.bin", "c.bin"}));
  // Left where it stands: nothing written, not even the image's time.
  const auto image = folder_ / "disk.rom";
  const auto past = std::filesystem::last_write_time(image) - std::chrono::hours(1);
  std::filesystem::last_write_time(image, past);
  Succeed({"move", "disk.rom", "2", "2"});
  EXPECT_EQ(FileBytes("disk.rom"), AddedInOrder({"a.bin", "b.bin", "c.bin"}));
  EXPECT_EQ(std::filesystem::last_write_time(image), past);
}

TEST_F(MoveCommandTest, RefusesAMissingEntryOrPlaceAndADamagedImage) {
  for (const auto& [index, to] : {std::pair{"0", "1"}, {"4", "1"}, {"4", "4"}}) {
    Refuse({"move", "disk.rom", index, to}, 1, "disk.rom", "Нет записи с таким номером!");
  }
  for (const auto* to : {"0", "4"}) {
    Refuse({"move", "disk.rom", "1", to}, 1, "disk.rom",
           "Нет такого места в цепочке! Укажите место от 1 до 3.");
  }
  auto disk = FileBytes("disk.rom");
  disk[256 + 40] = 0x01;  // a.bin's total length 257: the link misses b.bin
  Write("disk.rom", disk);
  Refuse({"move", "disk.rom", "2", "1"}, 1, "disk.rom", "Ошибка формата диска!");
}

}  // namespace
}  // namespace flashdisk::testing
