#include <filesystem>

#include "image/platform_seam.h"
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
  // Made Aligned by set, its 300 bytes in two sectors where add plans three;
  // added Aligned, as add plans.
  Write("set.bin", CountingBytes(300, 3));
  Succeed({"add", "disk.rom", "set.bin"});
  Succeed({"set", "disk.rom", "3", "--set", "aligned"});
  Succeed({"add", "disk.rom", "set.bin", "--aligned", "--name", "plain"});
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
            "reserve = 2048\n"
            "\n"
            "[[entry]]\n"
            "file = \"set.bin\"\n"
            "name = \"set.bin\"\n"
            "aligned = true\n"
            "length = 512\n"
            "\n"
            "[[entry]]\n"
            "file = \"plain\"\n"
            "name = \"plain\"\n"
            "aligned = true\n");
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
  for (const auto* name :
       {"../evil", "CON", "a/b:c", "Игра", "ИГРА", "disk.toml", ".", ".flashdisk-1-0.tmp"}) {
    Succeed({"add", "names.rom", "x", "--name", name});
  }
  Succeed({"unpack", "names.rom", "out"});
  EXPECT_EQ(SortedNames(folder_ / "out"),
            (std::vector<std::string>{".._evil", "CON_", "_", "_flashdisk-1-0.tmp", "a_b_c",
                                      "disk-2.toml", "disk.toml", "ИГРА-2", "Игра"}));
  EXPECT_NE(Text("out/disk.toml").find("file = \"ИГРА-2\"\nname = \"ИГРА\"\n"), std::string::npos);
}

TEST_F(UnpackCommandTest, WritesIntoAFolderWithFilesOnlyWithForceAndThenOnlyItsOwn) {
  Write("mine.txt", {7});
  std::filesystem::create_directory(folder_ / "full");
  Write("full/notes.txt", {7});
  Refuse({"unpack", "disk.rom", "full"}, 1, "full",
         "Папка не пуста! Чтобы заменить файлы в ней, укажите --force.");
  Refuse({"unpack", "disk.rom", "mine.txt"}, 1, "mine.txt", "Это не папка!");
  // Into the image's own folder, where the user's data.bin and the image
  // itself (in another letter case) have the names of two entries.
  Write("x", {1});
  Succeed({"add", "disk.rom", "x", "--name", "DISK.ROM"});
  Write("data.bin", {6});
  Write(".flashdisk-12-0.tmp", {9});  // left by a killed run
  const auto image = FileBytes("disk.rom");
  Succeed({"unpack", "disk.rom", ".", "--force"});
  const std::vector<std::string> unpacked{"DISK-2.ROM", "boot.rks",  "data-2.bin", "data.bin",
                                          "disk.rom",   "disk.toml", "full",       "mine.txt",
                                          "x",          "ЗАГРУЗЧИК"};
  EXPECT_EQ(SortedNames(folder_.path()), unpacked);
  EXPECT_EQ(FileBytes("disk.rom"), image);
  EXPECT_EQ(FileBytes("data.bin"), Bytes{6});
  EXPECT_EQ(FileBytes("data-2.bin"), CountingBytes(700, 2));
  // Again, over its own files: the same names, and the file of an entry
  // gone since is removed.
  Succeed({"remove", "disk.rom", "3"});
  Succeed({"unpack", "disk.rom", ".", "--force"});
  auto without_removed = unpacked;
  without_removed.erase(without_removed.begin());
  EXPECT_EQ(SortedNames(folder_.path()), without_removed);
  Succeed({"pack", ".", "again.rom"});
  EXPECT_EQ(FileBytes("again.rom"), FileBytes("disk.rom"));
  // Nor the image, even when the old manifest names it.
  const std::string names_image = "[[entry]]\nfile = \"disk.rom\"\n";
  Write("disk.toml", Bytes(names_image.begin(), names_image.end()));
  const auto image_now = FileBytes("disk.rom");
  Succeed({"unpack", "disk.rom", ".", "--force"});
  EXPECT_EQ(FileBytes("disk.rom"), image_now);
}

TEST_F(UnpackCommandTest, NeverWritesThroughALinkOutOfTheFolder) {
  Write("outside.bin", {5});
  std::filesystem::create_directory(folder_ / "elsewhere");
  const auto link_out = [&](const std::filesystem::path& link) {
    return MakeLink("../outside.bin", link) || MakeFolderLink("../elsewhere", link);
  };
  // A link the folder held before is not the program's: it stays.
  std::filesystem::create_directory(folder_ / "foreign");
  if (!link_out(folder_ / "foreign" / "data.bin")) {
    GTEST_SKIP() << "this system lets this user make no links";
  }
  Succeed({"unpack", "disk.rom", "foreign", "--force"});
  EXPECT_TRUE(flashdisk::platform::IsLink(folder_ / "foreign" / "data.bin"));
  EXPECT_EQ(FileBytes("foreign/data-2.bin"), CountingBytes(700, 2));
  // One put where the manifest lists a file is refused.
  Succeed({"unpack", "disk.rom", "linked"});
  std::filesystem::remove(folder_ / "linked" / "data.bin");
  ASSERT_TRUE(link_out(folder_ / "linked" / "data.bin"));
  Refuse({"unpack", "disk.rom", "linked", "--force"}, 1, "linked",
         "data.bin: Это ссылка, она не будет заменена!");
  EXPECT_EQ(FileBytes("outside.bin"), Bytes{5});
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
