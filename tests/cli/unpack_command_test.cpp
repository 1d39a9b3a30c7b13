#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "image/platform_seam.h"
#include "tests/cli/cli_test.h"

#ifndef _WIN32
#include <unistd.h>
#endif

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

// git from the PATH; none on Windows, where the folder's files are compared
// instead.
std::optional<std::filesystem::path> FindGit() {
#ifdef _WIN32
  return std::nullopt;
#else
  const char* path = std::getenv("PATH");
  std::string folders = path == nullptr ? "" : path;
  for (std::size_t from = 0; from <= folders.size();) {
    const auto colon = std::min(folders.find(':', from), folders.size());
    const auto git = std::filesystem::path(folders.substr(from, colon - from)) / "git";
    if (::access(git.c_str(), X_OK) == 0) {
      return git;
    }
    from = colon + 1;
  }
  return std::nullopt;
#endif
}

// A disk kept as a user keeps it: a hand-written manifest with comments,
// RKS programs and a data file, in a git repository.
class DiskFolderInGitTest : public UnpackCommandTest {
 protected:
  void SetUp() override {
    std::filesystem::create_directory(folder_ / "disk");
    Write("disk/boot.rks", RksFile(0xF000, CountingBytes(40, 50)));
    Write("disk/game.rks", RksFile(0x1000, CountingBytes(200, 0)));
    Write("disk/font.bin", CountingBytes(16, 7));
    WriteText("disk/disk.toml", kManifest);
    Git({"init", "-q", "."});
    Git({"add", "disk"});
    Git({"-c", "user.name=t", "-c", "user.email=t@t", "commit", "-q", "-m", "disk"});
  }

  void WriteText(const std::string& name, const std::string& text) const {
    Write(name, Bytes(text.begin(), text.end()));
  }

  // What git says, or nothing without git.
  std::string Git(const std::vector<std::string>& arguments) const {
    if (!git_) {
      return {};
    }
    const auto run = RunProgram(*git_, arguments, folder_.path());
    EXPECT_EQ(run.status, 0) << run.err;
    return run.out;
  }

  static constexpr const char* kManifest =
      "# The game disk\n"
      "[disk]\n"
      "size = \"64k\"   # the small chip\n"
      "sector = 256\n"
      "\n"
      "# the loader, decimal F000\n"
      "[[entry]]\n"
      "file = \"boot.rks\"\n"
      "name = \"BOOT\"\n"
      "\n"
      "[[entry]]\n"
      "file = \"game.rks\"  # the game itself\n"
      "executable = true\n"
      "\n"
      "[[entry]]\n"
      "file = 'font.bin'\n"
      "load = 0x8000\n";

  std::optional<std::filesystem::path> git_ = FindGit();
};

TEST_F(DiskFolderInGitTest, UnpackBackIntoTheFolderChangesOnlyTheLinesOfChangedValues) {
  Succeed({"pack", "disk", "game.rom"});
  const auto font_time = std::filesystem::last_write_time(folder_ / "disk/font.bin");
  Succeed({"unpack", "game.rom", "disk", "--force"});
  EXPECT_EQ(Text("disk/disk.toml"), kManifest);
  EXPECT_EQ(SortedNames(folder_ / "disk"),
            (std::vector<std::string>{"boot.rks", "disk.toml", "font.bin", "game.rks"}));
  EXPECT_EQ(std::filesystem::last_write_time(folder_ / "disk/font.bin"), font_time);
  EXPECT_EQ(Git({"status", "--porcelain", "disk"}), "");

  Succeed({"set", "game.rom", "3", "--load", "E000"});
  Succeed({"unpack", "game.rom", "disk", "--force"});
  std::string changed = kManifest;
  changed.replace(changed.find("0x8000"), 6, "0xE000");
  EXPECT_EQ(Text("disk/disk.toml"), changed);
  EXPECT_EQ(Git({"diff", "--numstat"}), git_ ? "1\t1\tdisk/disk.toml\n" : "");
  Succeed({"pack", "disk", "again.rom"});
  EXPECT_EQ(FileBytes("again.rom"), FileBytes("game.rom"));
}

TEST_F(DiskFolderInGitTest, EachEntryKeepsItsFileByNameThenDataThenPlace) {
  // Where name, data and place each point elsewhere: "game.rks" by its
  // name comes first with new data (an RKS file still, as the manifest
  // has it), the loader's data under a new name stays in boot.rks, the
  // third entry takes font.bin by its place, and the fourth is new.
  std::filesystem::create_directory(folder_ / "new");
  Write("new/g.bin", CountingBytes(30, 9));
  Write("new/b.rks", RksFile(0xF000, CountingBytes(40, 50)));
  Write("new/n.bin", Bytes{1, 2, 3});
  Write("new/f.bin", Bytes{4});
  WriteText("new/disk.toml",
            "[disk]\nsize = \"64k\"\n"
            "[[entry]]\nfile = \"g.bin\"\nname = \"game.rks\"\n"
            "[[entry]]\nfile = \"b.rks\"\nname = \"LOADER\"\n"
            "[[entry]]\nfile = \"n.bin\"\n"
            "[[entry]]\nfile = \"f.bin\"\nname = \"FONT2\"\n");
  Succeed({"pack", "new", "new.rom"});
  const auto boot_time = std::filesystem::last_write_time(folder_ / "disk/boot.rks");
  Succeed({"unpack", "new.rom", "disk", "--force"});
  EXPECT_EQ(SortedNames(folder_ / "disk"),
            (std::vector<std::string>{"FONT2", "boot.rks", "disk.toml", "font.bin", "game.rks"}));
  // All but the checksum, which the test's RKS files leave out.
  auto game = FileBytes("disk/game.rks");
  auto game_wanted = RksFile(0, CountingBytes(30, 9));
  game.resize(game.size() - 2);
  game_wanted.resize(game_wanted.size() - 2);
  EXPECT_EQ(game, game_wanted);
  EXPECT_EQ(std::filesystem::last_write_time(folder_ / "disk/boot.rks"), boot_time);
  EXPECT_EQ(FileBytes("disk/font.bin"), (Bytes{1, 2, 3}));
  EXPECT_EQ(FileBytes("disk/FONT2"), Bytes{4});
  EXPECT_EQ(Text("disk/disk.toml"),
            "# The game disk\n"
            "[disk]\n"
            "size = \"64k\"   # the small chip\n"
            "sector = 256\n"
            "\n"
            "[[entry]]\n"
            "file = \"game.rks\"  # the game itself\n"
            "executable = false\n"
            "\n"
            "# the loader, decimal F000\n"
            "[[entry]]\n"
            "file = \"boot.rks\"\n"
            "name = \"LOADER\"\n"
            "\n"
            "[[entry]]\n"
            "file = 'font.bin'\n"
            "name = \"n.bin\"\n"
            "\n"
            "[[entry]]\n"
            "file = \"FONT2\"\n"
            "name = \"FONT2\"\n");
  Succeed({"pack", "disk", "again.rom"});
  EXPECT_EQ(FileBytes("again.rom"), FileBytes("new.rom"));
}

}  // namespace
}  // namespace flashdisk::testing
