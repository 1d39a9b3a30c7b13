#include <nlohmann/json.hpp>

#include "image/utf8_path.h"
#include "tests/cli/cli_test.h"

namespace flashdisk::testing {
namespace {

using AddCommandTest = CliTest;

constexpr std::size_t kFirstEntry = 256;  // directory offset of a disk with 256-byte sectors

TEST_F(AddCommandTest, WritesAPlainFileAsTheWindowDoes) {
  NewDisk();
  const auto data = CountingBytes(300, 1);
  Write("prog.bin", data);
  Succeed({"add", "disk.rom", "prog.bin", "--load", "c0De", "--exec"});

  const auto disk = FileBytes("disk.rom");
  const Bytes fixed_part = {
      0xE6, 0xDF, 'p',  'r',  'o',  'g',  '.',  'b',  'i',  'n',  0x00, 0xFF, 0xFF, 0xFF, 0xFF,
      0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
      0xFF, 0xFF, 0xFF, 0xFF, 0xDE, 0xC0, 0x2C, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00,
  };
  EXPECT_EQ(Slice(disk, kFirstEntry, 44), fixed_part);
  EXPECT_EQ(Slice(disk, kFirstEntry + 44, 300), data);
  EXPECT_EQ(disk[kFirstEntry + 512], 0xFF);  // the end of the chain stays erased
}

TEST_F(AddCommandTest, TakesAnRksFilesAddressAndLeavesOutItsHeaderAndTrailer) {
  NewDisk();
  const auto data = CountingBytes(20, 0x40);
  Write("GAME.RKS", RksFile(0x3000, data));
  Succeed({"add", "disk.rom", "GAME.RKS", "--load", "1234"});  // the file's address wins

  const auto disk = FileBytes("disk.rom");
  EXPECT_EQ(disk[kFirstEntry + 1], 0xDF);  // executable, as for every RKS file
  EXPECT_EQ(Slice(disk, kFirstEntry + 34, 10),
            (Bytes{0x00, 0x30, 0x14, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00}));
  EXPECT_EQ(Slice(disk, kFirstEntry + 44, 20), data);
  EXPECT_EQ(disk[kFirstEntry + 64], 0xFF);
}

// A header that promises 16 data bytes (3000 to 300F) before 4 come, or 2
// before 4 come: the add goes on, and says so.
TEST_F(AddCommandTest, WarnsOfAnRksFileWhoseHeaderPromisesAnotherLength) {
  NewDisk();
  Write("cut.rks", {0x00, 0x30, 0x0F, 0x30, 1, 2, 3, 4, 0, 0});
  Write("padded.rks", {0x00, 0x30, 0x01, 0x30, 1, 2, 3, 4, 0, 0});
  Write("plain.bin", {0x00, 0x30, 0x0F, 0x30, 1, 2, 3, 4, 0, 0});
  const auto run = Run({"add", "disk.rom", "cut.rks", "padded.rks", "plain.bin"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err,
            "flashdisk: disk.rom: cut.rks: Заголовок RKS обещает 16 байт данных, а в файле 4: "
            "файл обрезан или дополнен!\n"
            "flashdisk: disk.rom: padded.rks: Заголовок RKS обещает 2 байт данных, а в файле 4: "
            "файл обрезан или дополнен!\n");
  const auto disk = FileBytes("disk.rom");
  EXPECT_EQ(Slice(disk, kFirstEntry + 34, 4), (Bytes{0x00, 0x30, 0x04, 0x00}));
}

TEST_F(AddCommandTest, FlagsOverrideWhatTheFileSuggests) {
  NewDisk({"--size", "64k", "--sector", "1024"});
  Write("GAME.RKS", RksFile(0x3000, Bytes(100, 1)));
  Succeed({"add", "disk.rom", "GAME.RKS", "--plain", "--no-exec", "--big", "--aligned", "--reserve",
           "3000", "--name", "Игра", "--load", "7"});
  const auto disk = FileBytes("disk.rom");
  const std::size_t entry = 1024;
  EXPECT_EQ(disk[entry + 1], 0xAF);  // big and aligned, not executable
  EXPECT_EQ(Slice(disk, entry + 2, 5), (Bytes{0xC8, 0xE3, 0xF0, 0xE0, 0x00}));
  // A plain file keeps all 106 bytes; 3000 bytes reserved round up to 3072.
  EXPECT_EQ(Slice(disk, entry + 34, 10),
            (Bytes{0x07, 0x00, 0x6A, 0x00, 0x00, 0x00, 0x00, 0x0C, 0x00, 0x00}));
}

// Windows hands a program its arguments and names its files in UTF-16; the
// ANSI code page in between would lose every Cyrillic letter here.
TEST_F(AddCommandTest, CyrillicNamesOfFilesFoldersAndImagesRoundTrip) {
  const auto data = CountingBytes(20, 0x40);
  std::filesystem::create_directory(folder_ / PathFromUtf8("Диск"));
  folder_.Write(PathFromUtf8("Диск/Игра.rks"), RksFile(0x3000, data));
  Succeed({"new", "Диск/Образ.rom", "--size", "64k", "--label", "Метка"});
  Succeed({"add", "Диск/Образ.rom", "Диск/Игра.rks"});
  Succeed({"extract", "Диск/Образ.rom", "1", "-o", "Диск/Копия.bin"});

  const auto disk = ReadBytes(folder_ / PathFromUtf8("Диск/Образ.rom"));
  // "Игра.rks" in code page 1251
  EXPECT_EQ(Slice(disk, kFirstEntry + 2, 9),
            (Bytes{0xC8, 0xE3, 0xF0, 0xE0, '.', 'r', 'k', 's', 0x00}));
  EXPECT_EQ(ReadBytes(folder_ / PathFromUtf8("Диск/Копия.bin")), data);
  const auto listing = nlohmann::json::parse(Succeed({"list", "Диск/Образ.rom", "--json"}));
  EXPECT_EQ(listing["entries"][0]["name"], "Игра.rks");
  const auto missing = Run({"info", "Диск/Нет.rom"});
  EXPECT_EQ(missing.err, "flashdisk: Диск/Нет.rom: Ошибка чтения файла!\n");
}

TEST_F(AddCommandTest, AddsSeveralFilesInOrder) {
  NewDisk();
  Write("a.bin", Bytes(10, 0xA));
  Write("b.bin", Bytes(500, 0xB));
  Write("c.bin", Bytes(1, 0xC));
  Succeed({"add", "disk.rom", "a.bin", "b.bin", "c.bin"});
  const auto json = nlohmann::json::parse(Succeed({"list", "disk.rom", "--json"}));
  ASSERT_EQ(json["entries"].size(), 3u);
  EXPECT_EQ(json["entries"][0]["name"], "a.bin");
  EXPECT_EQ(json["entries"][1]["position"], 512);
  EXPECT_EQ(json["entries"][2]["position"], 1280);
  EXPECT_EQ(json["free_space"], 65536 - 1536);
}

TEST_F(AddCommandTest, AddsAllFilesOrNone) {
  NewDisk();
  Write("fits.bin", Bytes(30000, 1));
  Write("too-much.bin", Bytes(40000, 2));
  Refuse({"add", "disk.rom", "fits.bin", "too-much.bin"}, 1, "disk.rom: too-much.bin",
         "Недостаточно места на диске! Нужно байт: 40193, свободно: 35072.");
  Refuse({"add", "disk.rom", "fits.bin", "absent.bin"}, 1, "disk.rom: absent.bin",
         "Ошибка чтения файла!");
}

TEST_F(AddCommandTest, RefusesWithTheWindowsMessagesAndChangesNothing) {
  NewDisk();
  Write("a.bin", {1, 2, 3});
  Write("b.bin", {4});
  Write("short.rks", {0x00, 0x30, 0, 0, 0});
  Refuse({"add", "disk.rom", "a.bin", "--name", ""}, 1, "disk.rom: a.bin", "Пустое имя файла!");
  Refuse({"add", "disk.rom", "short.rks"}, 1, "disk.rom: short.rks", "Ошибка чтения файла!");
  const std::string no_room_for_reserve =
      "Недостаточно места на диске! Нужно байт: 4294967297, свободно: 65280.";
  Refuse({"add", "disk.rom", "a.bin", "--reserve", "4294967295"}, 1, "disk.rom: a.bin",
         no_room_for_reserve);
  // A missing source is refused in the window's order: room and name first.
  Refuse({"add", "disk.rom", "absent.bin", "--reserve", "4294967295"}, 1, "disk.rom: absent.bin",
         no_room_for_reserve);
  Refuse({"add", "disk.rom", "absent.bin", "--name", ""}, 1, "disk.rom: absent.bin",
         "Пустое имя файла!");
  Refuse({"add", "disk.rom", "."}, 1, "disk.rom: .", "Ошибка чтения файла!");
  // 4 GiB and 100 bytes, sparse: never taken for a file of 100 bytes.
  std::filesystem::resize_file(PathFromUtf8(Write("huge.bin", {})), 0x100000064);
  Refuse({"add", "disk.rom", "huge.bin"}, 1, "disk.rom: huge.bin",
         "Недостаточно места на диске! Нужно байт: 4294967553, свободно: 65280.");
  for (const auto& address : {"", "12345", "G0", "0x10", " 1"}) {
    Refuse({"add", "disk.rom", "a.bin", "--load", address}, 1, "disk.rom",
           "Неверный адрес загрузки!");
  }
  Refuse({"add", "disk.rom", "a.bin", "b.bin", "--name", "X"}, 2, "disk.rom",
         "--name можно указать только для одного файла!");
}

TEST_F(AddCommandTest, NamesAreConvertedWholeBeforeTheCutAndMalformedBytesBecomeQuestionMarks) {
#ifdef _WIN32
  GTEST_SKIP() << "Windows passes arguments in UTF-16, which cannot carry malformed UTF-8";
#endif
  NewDisk();
  Write("a.bin", {1});
  const std::string letters = "АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮ";  // 31 letters, 62 bytes of UTF-8
  Succeed({"add", "disk.rom", "a.bin", "--name", letters + "Я"});
  // Overlong forms of NUL and of "A" are no characters at all.
  Succeed({"add", "disk.rom", "a.bin", "--name", "\xC0\x80"});
  Succeed({"add", "disk.rom", "a.bin", "--name", "\xC1\x81"});
  const auto json = nlohmann::json::parse(Succeed({"list", "disk.rom", "--json"}));
  ASSERT_EQ(json["entries"].size(), 3u);
  EXPECT_EQ(json["entries"][0]["name"], letters);
  EXPECT_EQ(json["entries"][1]["name"], "??");
  EXPECT_EQ(json["entries"][2]["name"], "??");
}

TEST_F(AddCommandTest, RefusesADamagedImage) {
  Bytes image(65536, 0xFF);
  image[0] = 0xAA;
  image[1] = 0x55;
  image[2] = 0x00;
  image[3] = 0x00;
  image[4] = 0x01;
  image[5] = 0x00;
  image[6] = 0x88;  // sector size 136
  image[7] = 0x00;
  Write("disk.rom", image);
  Write("a.bin", {1});
  Refuse({"add", "disk.rom", "a.bin"}, 1, "disk.rom", "Ошибка формата диска!");
}

TEST_F(AddCommandTest, OppositeFlagsTogetherAreAUsageError) {
  NewDisk();
  Write("a.bin", {1});
  for (const auto& pair : std::vector<std::vector<std::string>>{
           {"--rks", "--plain"}, {"--big", "--no-big"}, {"--exec", "--no-exec"}}) {
    const auto before = FileBytes("disk.rom");
    const auto run = Run({"add", "disk.rom", "a.bin", pair[0], pair[1]});
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("нельзя указывать вместе"), std::string::npos) << run.err;
    EXPECT_EQ(FileBytes("disk.rom"), before);
  }
}

}  // namespace
}  // namespace flashdisk::testing
