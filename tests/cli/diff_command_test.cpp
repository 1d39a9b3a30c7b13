#include <cstdlib>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "tests/cli/cli_test.h"

namespace flashdisk::testing {
namespace {

// a.rom holds four entries; b.rom is a.rom after one edit of each kind.
class DiffCommandTest : public CliTest {
 protected:
  void SetUp() override {
    Write("g.bin", CountingBytes(300, 1));
    Write("h.bin", CountingBytes(50, 2));
    Write("k.bin", CountingBytes(10, 3));
    Write("m.bin", CountingBytes(20, 4));
    auto longer = CountingBytes(60, 2);
    longer[7] = 0;
    Write("h2.bin", longer);
    Write("n.bin", CountingBytes(5, 5));
    Succeed({"new", "a.rom", "--size", "64k", "--label", "Игры"});
    Succeed({"add", "a.rom", "g.bin", "h.bin", "k.bin", "m.bin"});
    std::filesystem::copy_file(folder_ / "a.rom", folder_ / "b.rom");
    Succeed({"label", "b.rom", "Сборка"});
    Succeed({"set", "b.rom", "1", "--name", "ИГРА", "--load", "E000", "--set", "readonly"});
    Succeed({"replace", "b.rom", "2", "h2.bin"});
    Succeed({"remove", "b.rom", "3"});
    Succeed({"add", "b.rom", "n.bin"});
    Succeed({"move", "b.rom", "3", "1"});
  }
};

TEST_F(DiffCommandTest, NamesEachChangeInTheDirectorysOrder) {
  const auto run = Run({"diff", "a.rom", "b.rom"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.out,
            "Метка: «Игры» → «Сборка»\n"
            "Запись 1 «m.bin»: перемещена с места 4 на место 1\n"
            "Запись 2 «ИГРА»: переименована, прежнее имя «g.bin»\n"
            "Запись 2 «ИГРА»: адрес загрузки 0000 → E000\n"
            "Запись 2 «ИГРА»: атрибуты - → readonly\n"
            "Запись 3 «h.bin»: данные изменены, размер 50 → 60, первое отличие на смещении 7\n"
            "Запись 4 «n.bin»: добавлена\n"
            "Запись 3 «k.bin»: удалена\n");

  const auto json = nlohmann::json::parse(Run({"diff", "a.rom", "b.rom", "--json"}).out);
  ASSERT_EQ(json.size(), 8u);
  EXPECT_EQ(json[0], nlohmann::json::parse(R"({"change":"label","old":"Игры","new":"Сборка"})"));
  EXPECT_EQ(json[1], nlohmann::json::parse(
                         R"({"change":"moved","index":1,"name":"m.bin","old":4,"new":1})"));
  EXPECT_EQ(json[5], nlohmann::json::parse(R"({"change":"data","index":3,"name":"h.bin",
                                               "old":50,"new":60,"first_difference":7})"));
  EXPECT_EQ(json[7], nlohmann::json::parse(R"({"change":"removed","index":3,"name":"k.bin"})"));

  // Names swapped: each name is unique on both sides, so it pairs the
  // entries, whose data then differs.
  std::filesystem::copy_file(folder_ / "a.rom", folder_ / "swapped.rom");
  Succeed({"set", "swapped.rom", "1", "--name", "h.bin"});
  Succeed({"set", "swapped.rom", "2", "--name", "g.bin"});
  EXPECT_EQ(Run({"diff", "a.rom", "swapped.rom"}).out,
            "Запись 1 «h.bin»: перемещена с места 2 на место 1\n"
            "Запись 1 «h.bin»: данные изменены, размер 50 → 300, первое отличие на смещении 0\n"
            "Запись 2 «g.bin»: данные изменены, размер 300 → 50, первое отличие на смещении 0\n");

  // A byte in the free space belongs to no entry and no field.
  auto odd = FileBytes("a.rom");
  odd[65535] = 0;
  Write("odd.rom", odd);
  EXPECT_EQ(Run({"diff", "a.rom", "odd.rom"}).out,
            "Прочие байты различаются, первое отличие на смещении 65535\n");
}

// A folder is packed in memory: an image and its own unpacked folder are
// the same disk, and an entry's reserve counts its own disk's sectors.
TEST_F(DiffCommandTest, ComparesImagesWithFoldersAndFoldersWithEachOther) {
  Succeed({"unpack", "b.rom", "b"});
  EXPECT_EQ(Succeed({"diff", "b.rom", "b"}), "");
  EXPECT_EQ(Succeed({"diff", "b/disk.toml", "b.rom", "--json"}), "[]\n");
  EXPECT_EQ(Succeed({"diff", "b.rom", "b.rom"}), "");

  // The same entry of 512 bytes, on 256- and on 128-byte sectors: beyond
  // its 344 bytes, none of them or one sector is reserve.
  for (const std::string side : {"p", "q"}) {
    std::filesystem::create_directory(folder_ / side);
    std::filesystem::copy_file(folder_ / "g.bin", folder_ / side / "g.bin");
    const std::string manifest =
        "[disk]\nsize = \"64k\"\n" +
        std::string(side == "q" ? "sector = 128\n\n[[entry]]\nfile = \"g.bin\"\nlength = 512\n"
                                : "sector = 256\n\n[[entry]]\nfile = \"g.bin\"\n");
    Write(side + "/disk.toml", Bytes(manifest.begin(), manifest.end()));
  }
  const auto run = Run({"diff", "p", "q"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.out,
            "Размер сектора: 256 → 128\n"
            "Смещение каталога: 256 → 128\n"
            "Запись 1 «g.bin»: резерв 0 → 128 байт\n");
}

TEST_F(DiffCommandTest, RefusesWhatIsNoDiskWithTheStatusOfAnUnreadableImage) {
  const auto missing = Run({"diff", "a.rom", "nothing.rom"});
  EXPECT_EQ(missing.status, 3);
  EXPECT_EQ(missing.err, "flashdisk: nothing.rom: Ошибка чтения файла!\n");
  EXPECT_EQ(missing.out, "");

  std::filesystem::create_directory(folder_ / "bad");
  Write("bad/disk.toml",
        {'[', 'd', 'i', 's', 'k', ']', '\n', 's', 'i', 'z', 'e', ' ', '=', ' ', '1'});
  const auto bad = Run({"diff", "bad", "a.rom"});
  EXPECT_EQ(bad.status, 3);
  const auto manifest = Utf8FromPath(std::filesystem::path("bad") / "disk.toml");
  EXPECT_TRUE(bad.err.starts_with("flashdisk: " + manifest + ":2")) << bad.err;

  EXPECT_EQ(Run({"diff", "a.rom", "b.rom", "a.rom"}).status, 2);
}

// git where the tests find it on the search path; it is a dependency of
// the tests only.
std::optional<std::filesystem::path> FindGit() {
  const char* path = std::getenv("PATH");
#ifdef _WIN32
  constexpr char kSeparator = ';';
  const std::string name = "git.exe";
#else
  constexpr char kSeparator = ':';
  const std::string name = "git";
#endif
  std::string folders = path != nullptr ? path : "";
  for (std::size_t from = 0; from <= folders.size();) {
    auto to = folders.find(kSeparator, from);
    to = to == std::string::npos ? folders.size() : to;
    const auto candidate = std::filesystem::path(folders.substr(from, to - from)) / name;
    std::error_code error;
    if (to > from && std::filesystem::is_regular_file(candidate, error)) {
      return candidate;
    }
    from = to + 1;
  }
  return std::nullopt;
}

// What the README tells: `list` turns an image into text for git, and
// `diff --git` is git's own external diff program for images.
TEST_F(DiffCommandTest, MakesGitDiffOfImagesReadable) {
  const auto git_program = FindGit();
  if (!git_program) {
    GTEST_SKIP() << "git is not found";
  }
  const auto git = [&](const std::vector<std::string>& arguments) {
    std::vector<std::string> all{"-c", "user.name=Test", "-c", "user.email=test@example.org"};
    all.insert(all.end(), arguments.begin(), arguments.end());
    const auto run = RunProgram(*git_program, all, folder_.path());
    EXPECT_EQ(run.status, 0) << run.err;
    return run.out;
  };
  const std::string program = Utf8FromPath(FLASHDISK_PROGRAM);
  git({"init", "-q"});
  git({"config", "diff.flashdisk.command", "'" + program + "' diff --git"});
  git({"config", "diff.flashdisk.textconv", "'" + program + "' list"});
  Write(".gitattributes", {'*', '.', 'r', 'o', 'm', ' ', 'd', 'i', 'f', 'f', '=',
                           'f', 'l', 'a', 's', 'h', 'd', 'i', 's', 'k', '\n'});
  git({"add", ".gitattributes", "a.rom"});
  git({"commit", "-q", "-m", "a"});
  Succeed({"set", "a.rom", "2", "--load", "E000"});

  EXPECT_EQ(git({"diff"}),
            "diff --flashdisk a/a.rom b/a.rom\n"
            "Запись 2 «h.bin»: адрес загрузки 0000 → E000\n");
  const auto text = git({"diff", "--no-ext-diff"});
  EXPECT_NE(text.find("\n-  2  "), std::string::npos) << text;
  EXPECT_NE(text.find("E000"), std::string::npos) << text;
  // A new image is all added entries.
  git({"add", "b.rom"});
  const auto added = git({"diff", "--cached"});
  EXPECT_NE(added.find("Запись 4 «n.bin»: добавлена\n"), std::string::npos) << added;
}

}  // namespace
}  // namespace flashdisk::testing
