#include <chrono>
#include <filesystem>

#include "tests/cli/cli_test.h"

namespace flashdisk::testing {
namespace {

class EditCommandsTest : public CliTest {
 protected:
  // A 64k disk with one 3-byte entry at 256 and a second one at 512.
  void SetUp() override {
    NewDisk();
    Write("a.bin", {1, 2, 3});
    Write("b.bin", {4});
    Succeed({"add", "disk.rom", "a.bin", "b.bin", "--load", "1000"});
  }
};

TEST_F(EditCommandsTest, LabelRewritesOnlyTheLabelField) {
  auto expected = FileBytes("disk.rom");
  Succeed({"label", "disk.rom", "Ёж"});
  expected[8] = 0xA8;
  expected[9] = 0xE6;
  expected[10] = 0x00;
  EXPECT_EQ(FileBytes("disk.rom"), expected);

  Succeed({"label", "disk.rom", std::string(40, 'L')});
  const auto disk = FileBytes("disk.rom");
  EXPECT_EQ(Slice(disk, 8, 32), [] {
    Bytes field(31, 'L');
    field.push_back(0x00);
    return field;
  }());
}

TEST_F(EditCommandsTest, SetChangesOnlyWhatWasAskedFor) {
  auto expected = FileBytes("disk.rom");
  Succeed({"set", "disk.rom", "2", "--name", "Б", "--load", "fe", "--set", "deleted,bit2",
           "--clear", "big"});
  const std::size_t entry = 512;
  expected[entry + 1] = 0x7B;  // deleted and bit 2 set
  expected[entry + 2] = 0xC1;
  expected[entry + 3] = 0x00;
  expected[entry + 34] = 0xFE;
  expected[entry + 35] = 0x00;
  EXPECT_EQ(FileBytes("disk.rom"), expected);

  Succeed({"set", "disk.rom", "2", "--clear", "deleted,bit2", "--set", "executable"});
  expected[entry + 1] = 0xDF;
  EXPECT_EQ(FileBytes("disk.rom"), expected);

  // Nothing asked, or only what is so already: nothing written, not even
  // the image's time.
  const auto image = folder_ / "disk.rom";
  const auto past = std::filesystem::last_write_time(image) - std::chrono::hours(1);
  std::filesystem::last_write_time(image, past);
  Succeed({"set", "disk.rom", "1"});
  Succeed({"set", "disk.rom", "2", "--set", "executable", "--load", "FE", "--name", "Б"});
  EXPECT_EQ(FileBytes("disk.rom"), expected);
  EXPECT_EQ(std::filesystem::last_write_time(image), past);
}

TEST_F(EditCommandsTest, SetKeepsANameThatFillsItsWholeFieldUnlessAskedToChangeIt) {
  auto disk = FileBytes("disk.rom");
  std::fill(disk.begin() + 256 + 2, disk.begin() + 256 + 34, 'N');  // no NUL in the field
  Write("disk.rom", disk);
  Succeed({"set", "disk.rom", "1", "--load", "2"});
  disk[256 + 34] = 0x02;
  disk[256 + 35] = 0x00;
  EXPECT_EQ(FileBytes("disk.rom"), disk);
}

TEST_F(EditCommandsTest, SetStoresAnEmptyNameAsTheWindowDoes) {
  auto expected = FileBytes("disk.rom");
  Succeed({"set", "disk.rom", "1", "--name", ""});
  expected[256 + 2] = 0x00;  // the rest of the old name stays behind the NUL
  EXPECT_EQ(FileBytes("disk.rom"), expected);
}

TEST_F(EditCommandsTest, SetRefusesAndChangesNothing) {
  for (const auto& index : {"0", "3"}) {
    Refuse({"set", "disk.rom", index, "--name", "X"}, 1, "disk.rom", "Нет записи с таким номером!");
  }
  Refuse({"set", "disk.rom", "1", "--load", "10000"}, 1, "disk.rom", "Неверный адрес загрузки!");
  Refuse({"set", "disk.rom", "1", "--set", "big", "--clear", "readonly,big"}, 2, "disk.rom",
         "Один и тот же атрибут указан и в --set, и в --clear!");

  const auto before = FileBytes("disk.rom");
  for (const auto& arguments :
       std::vector<std::vector<std::string>>{{"set", "disk.rom", "1", "--set", "hidden"},
                                             {"set", "disk.rom", "1", "--clear", "readonly,Big"},
                                             {"set", "disk.rom", "-1"},
                                             {"set", "disk.rom", "first"}}) {
    const auto run = Run(arguments);
    EXPECT_EQ(run.status, 2) << arguments.back();
    EXPECT_NE(run.err.find("Справка: flashdisk set --help"), std::string::npos) << run.err;
  }
  EXPECT_EQ(FileBytes("disk.rom"), before);
}

TEST_F(EditCommandsTest, RefuseADamagedImage) {
  auto disk = FileBytes("disk.rom");
  disk[0] = 0x55;
  disk[1] = 0xAA;
  Write("disk.rom", disk);
  Refuse({"label", "disk.rom", "X"}, 1, "disk.rom", "Ошибка формата диска!");
  Refuse({"set", "disk.rom", "1", "--name", "X"}, 1, "disk.rom", "Ошибка формата диска!");
}

}  // namespace
}  // namespace flashdisk::testing
