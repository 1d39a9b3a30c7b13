#include <filesystem>

#include "tests/cli/cli_test.h"

namespace flashdisk::testing {
namespace {

class UnpackCommandTest : public CliTest {
 protected:
  // A disk made as a user makes one: a label, an RKS program, a data file
  // with a reserve, and set's attributes on the first entry.
  void SetUp() override {
    NewDisk({"--size", "64k", "--label", "ИГРЫ"});
    Write("boot.rks", RksFile(0x8000, CountingBytes(10, 1)));
    Write("data.bin", CountingBytes(700, 2));
    Succeed({"add", "disk.rom", "boot.rks", "--name", "ЗАГРУЗЧИК"});
    Succeed({"add", "disk.rom", "data.bin", "--reserve", "2000", "--aligned"});
    Succeed({"set", "disk.rom", "1", "--set", "readonly,bit0"});
  }

  std::string Text(const std::string& name) const {
    const auto bytes = FileBytes(name);
    return std::string(bytes.begin(), bytes.end());
  }
};

TEST_F(UnpackCommandTest, WritesAManifestWithAddsKeysOnlyAndOneFilePerEntry) {
  Succeed({"unpack", "disk.rom", "проект"});
  EXPECT_EQ(Text("проект/disk.toml"),
            "[disk]\n"
            "size = \"64k\"\n"
            "sector = 256\n"
            "label = \"ИГРЫ\"\n"
            "\n"
            "[[entry]]\n"
            "file = \"ЗАГРУЗЧИК\"\n"
            "name = \"ЗАГРУЗЧИК\"\n"
            "load = 0x8000\n"
            "exec = true\n"
            "readonly = true\n"
            "bit0 = true\n"
            "\n"
            "[[entry]]\n"
            "file = \"data.bin\"\n"
            "name = \"data.bin\"\n"
            "aligned = true\n"
            "reserve = 2048\n");
  EXPECT_EQ(FileBytes("проект/ЗАГРУЗЧИК"), CountingBytes(10, 1));
  EXPECT_EQ(FileBytes("проект/data.bin"), CountingBytes(700, 2));
  Succeed({"pack", "проект", "again.rom"});
  EXPECT_EQ(FileBytes("again.rom"), FileBytes("disk.rom"));
}

TEST_F(UnpackCommandTest, KeepsOddBytesOfADumpInKeysAndFilesOfTheirOwn) {
  auto disk = FileBytes("disk.rom");
  disk[8 + 6] = 0x00;          // a byte after the label's NUL
  disk[42] = 0x34;             // the system size
  disk[256 + 44 + 10] = 0xAB;  // right after the boot entry's data
  disk[65535] = 0x00;          // the disk's last byte, after the chain
  Write("disk.rom", disk);
  Succeed({"unpack", "disk.rom", "dump"});
  const auto manifest = Text("dump/disk.toml");
  EXPECT_NE(manifest.find("label_rest = \"FF 00\"\n"), std::string::npos) << manifest;
  EXPECT_NE(manifest.find("system_size = 52\n"), std::string::npos);
  EXPECT_NE(manifest.find("tail = \"ЗАГРУЗЧИК.tail\"\n"), std::string::npos);
  EXPECT_NE(manifest.find("after_chain = \"after-chain.bin\"\n"), std::string::npos);
  EXPECT_EQ(FileBytes("dump/ЗАГРУЗЧИК.tail"), Bytes{0xAB});
  EXPECT_EQ(FileBytes("dump/after-chain.bin").size(), 65536u - 2560);
  EXPECT_EQ(FileBytes("dump/after-chain.bin").back(), 0x00);
  Succeed({"pack", "dump", "again.rom"});
  EXPECT_EQ(FileBytes("again.rom"), disk);
}

TEST_F(UnpackCommandTest, MakesEveryNameASafeFileAndNoTwoAlike) {
  Succeed({"new", "names.rom", "--size", "64k"});
  Write("x", {1});
  for (const auto* name : {"../evil", "CON", "a/b:c", "Игра", "ИГРА", "disk.toml", "."}) {
    Succeed({"add", "names.rom", "x", "--name", name});
  }
  Succeed({"unpack", "names.rom", "out"});
  EXPECT_EQ(SortedNames(folder_ / "out"),
            (std::vector<std::string>{".._evil", "CON_", "_", "a_b_c", "disk-2.toml", "disk.toml",
                                      "ИГРА-2", "Игра"}));
  EXPECT_NE(Text("out/disk.toml").find("file = \"ИГРА-2\"\nname = \"ИГРА\"\n"), std::string::npos);
}

TEST_F(UnpackCommandTest, WritesIntoAFolderWithFilesOnlyWithForceAndThenOnlyItsOwn) {
  Write("mine.txt", {7});
  std::filesystem::create_directory(folder_ / "full");
  Write("full/notes.txt", {7});
  Refuse({"unpack", "disk.rom", "full"}, 1, "full",
         "Папка не пуста! Чтобы заменить файлы в ней, укажите --force.");
  Succeed({"unpack", "disk.rom", "full", "--force"});
  EXPECT_EQ(FileBytes("full/notes.txt"), Bytes{7});
  EXPECT_EQ(FileBytes("full/data.bin"), CountingBytes(700, 2));
  Refuse({"unpack", "disk.rom", "mine.txt"}, 1, "mine.txt", "Это не папка!");
}

TEST_F(UnpackCommandTest, NeverWritesThroughALinkOutOfTheFolder) {
  std::filesystem::create_directory(folder_ / "linked");
  Write("outside.bin", {5});
  std::filesystem::create_directory(folder_ / "elsewhere");
  if (!MakeLink("../outside.bin", folder_ / "linked" / "data.bin") &&
      !MakeFolderLink("../elsewhere", folder_ / "linked" / "data.bin")) {
    GTEST_SKIP() << "this system lets this user make no links";
  }
  Refuse({"unpack", "disk.rom", "linked", "--force"}, 1, "linked",
         "data.bin: Это ссылка, она не будет заменена!");
  EXPECT_EQ(FileBytes("outside.bin"), Bytes{5});
  EXPECT_EQ(SortedNames(folder_ / "linked"), std::vector<std::string>{"data.bin"});
}

TEST_F(UnpackCommandTest, RefusesADamagedImageAndWritesNothing) {
  auto disk = FileBytes("disk.rom");
  disk[256 + 40] = 0x01;  // the boot entry's total length 257: the link misses data.bin
  Write("disk.rom", disk);
  Refuse({"unpack", "disk.rom", "out"}, 1, "disk.rom", "Ошибка формата диска!");
  EXPECT_FALSE(std::filesystem::exists(folder_ / "out"));
}

}  // namespace
}  // namespace flashdisk::testing
