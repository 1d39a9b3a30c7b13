#include <filesystem>

#include "tests/cli/cli_test.h"

namespace flashdisk::testing {
namespace {

class PackCommandTest : public CliTest {
 protected:
  void SetUp() override {
    std::filesystem::create_directory(folder_ / "p");
    Write("p/boot.rks", RksFile(0x8000, CountingBytes(10, 1)));
    Write("p/data.bin", CountingBytes(700, 2));
  }

  void Manifest(const std::string& text) const {
    Write("p/disk.toml", Bytes(text.begin(), text.end()));
  }

  // A file of the folder as the program names it, with the system's separator.
  static std::string InFolder(const std::string& name) {
    return Utf8FromPath(std::filesystem::path("p") / name);
  }

  // The image that new, add and set make of the same files.
  Bytes MadeByHand(const std::vector<std::vector<std::string>>& steps) const {
    Succeed({"new", "hand.rom", "--size", "64k", "--sector", "128", "--label", "ИГРЫ", "--force"});
    for (auto step : steps) {
      step.insert(step.begin() + 1, "hand.rom");
      Succeed(step);
    }
    return FileBytes("hand.rom");
  }

  // A refusal that names the manifest's line and key and writes no image.
  void RefuseManifest(const std::string& text, const std::string& where,
                      const std::string& message) const {
    Manifest(text);
    const auto run = Run({"pack", "p", "out.rom"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "flashdisk: " + InFolder("disk.toml") + ":" + where + ": " + message + "\n");
    EXPECT_FALSE(std::filesystem::exists(folder_ / "out.rom"));
  }
};

TEST_F(PackCommandTest, BuildsWhatNewAddAndSetBuildInTheManifestsOrder) {
  Manifest(
      "[disk]\nsize = \"64k\"\nsector = 128\nlabel = \"ИГРЫ\"\n"
      "[[entry]]\nfile = \"data.bin\"\nload = \"c0de\"\nreserve = 1000\n"
      "[[entry]]\nfile = \"sub/../boot.rks\"\nname = \"ЗАГРУЗЧИК\"\nread_only = true\n"
      "aligned = true\n");
  Succeed({"pack", "p", "out.rom"});
  EXPECT_EQ(FileBytes("out.rom"),
            MadeByHand({{"add", "p/data.bin", "--load", "C0DE", "--reserve", "1000"},
                        {"add", "p/boot.rks", "--name", "ЗАГРУЗЧИК", "--aligned"},
                        {"set", "2", "--set", "readonly"}}));
  // The first entry is data.bin, with its reserve: 1000 bytes, not 768.
  const auto out = FileBytes("out.rom");
  EXPECT_EQ(Slice(out, 128, 8), (Bytes{0xE6, 0xFF, 'd', 'a', 't', 'a', '.', 'b'}));
  EXPECT_EQ(Slice(out, 128 + 34, 10),
            (Bytes{0xDE, 0xC0, 0xBC, 0x02, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00}));
  EXPECT_EQ(out[128 + 1024], 0xE6);
}

TEST_F(PackCommandTest, RefusesAsAddDoesAndWritesNoImage) {
  const auto refusal = [this](const std::string& text, const std::string& err) {
    Manifest(text);
    const auto run = Run({"pack", "p", "out.rom"});
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, err);
    EXPECT_FALSE(std::filesystem::exists(folder_ / "out.rom"));
  };
  refusal("[disk]\nsize = \"64k\"\n[[entry]]\nfile = \"data.bin\"\nreserve = 65536\n",
          "flashdisk: out.rom: " + InFolder("data.bin") +
              ": Недостаточно места на диске! Нужно байт: 65537, свободно: 65280.\n");
  Write("out.rom", {9});
  Refuse({"pack", "p", "out.rom"}, 1, "out.rom",
         "Файл уже существует! Чтобы заменить его, укажите --force.", "out.rom");
}

TEST_F(PackCommandTest, NamesTheLineAndKeyOfAManifestError) {
  RefuseManifest("[disk]\nsize = \"65k\"\n", "2: disk.size",
                 "Нужен размер диска: 64k, 128k, 256k, 512k, 1024k или 2048k!");
  const std::string entry_keys =
      "Неизвестный ключ! Известные ключи: file, name, load, rks, big, exec, executable, aligned, "
      "reserve, length, deleted, readonly, read_only, bit2, bit1, bit0, name_rest, tail.";
  RefuseManifest("[[entry]]\nfile = \"data.bin\"\nreserv = 4096\n", "3: entry[1].reserv",
                 entry_keys);
  const std::string hex = "Нужен шестнадцатеричный адрес: 0x8000 или \"8000\"!";
  for (const std::string load : {"\"12345\"", "8000", "\"0x8000\"", "\"$8000\"", "\"8000h\""}) {
    RefuseManifest("[[entry]]\nfile = \"data.bin\"\n[[entry]]\nload = " + load + "\nfile = \"x\"\n",
                   "4: entry[2].load", hex);
  }
  RefuseManifest("[[entry]]\nfile = \"boot.rks\"\nload = 0x9000\n", "3: entry[1].load",
                 "Адрес загрузки файла RKS берётся из самого файла! Чтобы сохранить файл целиком, "
                 "укажите rks = false.");
  RefuseManifest("[[entry]]\nfile = \"data.bin\"\nname = \"" + std::string(32, 'N') + "\"\n",
                 "3: entry[1].name", "Текст длиннее 31 байта в кодовой странице 1251!");
  RefuseManifest("[disk]\nlabel = \"" + std::string(24, 'L') + "ЯЯЯЯЯЯЯЯ\"\n", "2: disk.label",
                 "Текст длиннее 31 байта в кодовой странице 1251!");
  RefuseManifest("[disk]\nlabel = \"игры 日本\"\n", "2: disk.label",
                 "В тексте есть знак, которого нет в кодовой странице 1251!");
  RefuseManifest("[[entry]]\nfile = \"data.bin\"\nname = \"\"\n", "3: entry[1].name",
                 "Пустое имя файла!");
  RefuseManifest("[[entry]]\nfile = \"\"\n", "2: entry[1].file", "Пустое имя файла!");
  RefuseManifest("[[entry]]\nfile = \"data.bin\"\n[[entry]]\nfile = \"gone.bin\"\n",
                 "4: entry[2].file", "Ошибка чтения файла!");
  RefuseManifest("[[entry]]\nfile = \"data.bin\"\ntail = \"gone.tail\"\n", "3: entry[1].tail",
                 "Ошибка чтения файла!");
  RefuseManifest("[[entry]]\nfile = \"data.bin\"\nexec = true\nexecutable = false\n",
                 "4: entry[1].executable", "Этот атрибут уже задан другим ключом!");
  RefuseManifest("[disk]\nlabel = \"\xC8\xC3\xD0\xDB\"\n", "2",
                 "Описание диска не в кодировке UTF-8!");
  RefuseManifest("[[entry]]\nname = \"X\"\n", "1: entry[1].file", "Не указан файл записи!");
  RefuseManifest("[[entry]]\nfile = \"data.bin\"\naligned = 1\n", "3: entry[1].aligned",
                 "Нужно true или false!");
  RefuseManifest(
      "[[entry]]\nfile = \"data.bin\"\nname_rest = \"" + std::string(24 * 2, 'A') + "\"\n",
      "3: entry[1].name_rest", "Байты не помещаются в отведённое им место!");
  RefuseManifest("[disk\n", "1:6", "Ошибка синтаксиса TOML!");
  const std::string top_keys = "Неизвестный ключ! Известные ключи: disk, entry.";
  RefuseManifest("[[entries]]\nfile = \"data.bin\"\n", "1: entries", top_keys);
  RefuseManifest("size = \"64k\"\n", "1: size", top_keys);
  RefuseManifest("[[entry]]\nfile = \"data.bin\"\naligned = true\nlength = 512\n",
                 "4: entry[1].length",
                 "Длина записи должна быть кратна размеру сектора и вмещать 44 байта заголовка и "
                 "данные!");
}

TEST_F(PackCommandTest, WarnsOfTwoEntriesOfOneNameAndPacksThem) {
  Manifest("[[entry]]\nfile = \"data.bin\"\n[[entry]]\nfile = \"boot.rks\"\nname = \"data.bin\"\n");
  const auto run = Run({"pack", "p", "out.rom"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "flashdisk: " + InFolder("disk.toml") +
                         ":4: entry[2]: Внимание: такое же имя у записи 1.\n");
}

TEST_F(PackCommandTest, WritesAMakeRuleOfTheManifestAndEveryFileItReads) {
  Manifest(
      "[[entry]]\nfile = \"data.bin\"\n[[entry]]\nfile = \"boot.rks\"\n"
      "[[entry]]\nfile = \"data.bin\"\nname = \"again\"\n");
  Succeed({"pack", "p", "out.rom", "--depfile", "out.rom.d"});
  const auto rule = FileBytes("out.rom.d");
  EXPECT_EQ(
      std::string(rule.begin(), rule.end()),
      "out.rom: p/disk.toml \\\n  p/data.bin \\\n  p/boot.rks\n\np/data.bin:\n\np/boot.rks:\n");
}

TEST_F(PackCommandTest, RefusesBytesAfterTheChainThatChangeIt) {
  // An entry of one sector: marker, attributes, name "X", total length 256.
  Bytes entry(256, 0x00);
  entry[0] = 0xE6;
  entry[1] = 0xFF;
  entry[2] = 'X';
  entry[41] = 0x01;
  Write("p/after.bin", entry);
  const std::string manifest =
      "[disk]\nsize = \"64k\"\nafter_chain = \"after.bin\"\n[[entry]]\nfile = \"data.bin\"\n";
  RefuseManifest(manifest, "3: disk.after_chain",
                 "Байты после цепочки продолжают её ещё одной записью!");
  entry[41] = 0x00;
  entry[40] = 100;  // not whole sectors: the chain is broken
  Write("p/after.bin", entry);
  Manifest(manifest);
  const auto run = Run({"pack", "p", "out.rom"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "flashdisk: " + InFolder("disk.toml") + ": Ошибка формата диска!\n");
  EXPECT_FALSE(std::filesystem::exists(folder_ / "out.rom"));
}

TEST_F(PackCommandTest, WarnsOfAnRksFileCutShortAndPacksItAllTheSame) {
  Write("p/cut.rks", {0x00, 0x30, 0x0F, 0x30, 1, 2, 3, 4, 0, 0});
  Manifest("[[entry]]\nfile = \"cut.rks\"\n");
  const auto run = Run({"pack", "p", "out.rom"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "flashdisk: out.rom: " + InFolder("cut.rks") +
                         ": Заголовок RKS обещает 16 байт данных, а в файле 4: файл обрезан или "
                         "дополнен!\n");
  EXPECT_EQ(Slice(FileBytes("out.rom"), 256 + 34, 4), (Bytes{0x00, 0x30, 0x04, 0x00}));
}

TEST_F(PackCommandTest, RefusesAFileOutsideTheManifestsFolder) {
  Write("secret.bin", {1, 2, 3});
  std::vector<std::string> paths{(folder_ / "secret.bin").generic_string(), "../secret.bin",
                                 "sub/../../secret.bin"};
  // A link to the file, and one to a folder on the way (on Windows a
  // junction where no link can be made).
  if (MakeLink("../secret.bin", folder_ / "p" / "link.bin")) {
    paths.push_back("link.bin");
  }
  if (MakeFolderLink("..", folder_ / "p" / "up")) {
    paths.push_back("up/secret.bin");
  }
  const std::string message = "Файл вне папки описания диска: путь уводит из неё!";
  for (const auto& path : paths) {
    RefuseManifest("[[entry]]\nfile = '" + path + "'\n", "2: entry[1].file", message);
  }
  RefuseManifest("[disk]\nafter_chain = \"../secret.bin\"\n", "2: disk.after_chain", message);
}

}  // namespace
}  // namespace flashdisk::testing
