#include <nlohmann/json.hpp>

#include "tests/cli/cli_test.h"

namespace flashdisk::testing {
namespace {

using ShowCommandsTest = CliTest;

TEST_F(ShowCommandsTest, InfoShowsTheHeaderAsTextAndAsJson) {
  NewDisk({"--size", "64k", "--sector", "128", "--label", "Сборка 7"});
  EXPECT_EQ(Succeed({"info", "disk.rom"}),
            "Размер диска: 65536 (64k)\n"
            "Размер сектора: 128\n"
            "Метка: Сборка 7\n"
            "Адрес загрузки системы: 0000\n"
            "Размер системы: 0\n"
            "Смещение каталога: 128\n"
            "Свободно: 65408\n"
            "Записей в каталоге: 0\n");

  const auto json = nlohmann::json::parse(Succeed({"info", "disk.rom", "--json"}));
  EXPECT_EQ(json["disk_size"], 65536);
  EXPECT_EQ(json["sector_size"], 128);
  EXPECT_EQ(json["label"], "Сборка 7");
  EXPECT_EQ(json["system_load_address"], 0);
  EXPECT_EQ(json["system_size"], 0);
  EXPECT_EQ(json["directory_offset"], 128);
  EXPECT_EQ(json["free_space"], 65408);
  EXPECT_FALSE(json.contains("entries"));

  const auto listing = nlohmann::json::parse(Succeed({"list", "disk.rom", "--json"}));
  EXPECT_EQ(listing["free_space"], 65408);
  ASSERT_TRUE(listing["entries"].is_array());
  EXPECT_TRUE(listing["entries"].empty());
}

TEST_F(ShowCommandsTest, ListShowsEachEntryInChainOrderThenTheFreeSpace) {
  NewDisk();
  Write("first.bin", Bytes(1000, 0x5A));
  Write("второй.rks", RksFile(0x3000, Bytes(10, 1)));
  Succeed({"add", "disk.rom", "first.bin", "второй.rks", "--load", "abc"});
  Succeed({"set", "disk.rom", "1", "--set", "deleted,readonly,bit0"});
  EXPECT_EQ(Succeed({"list", "disk.rom"}),
            "  №   Позиция  Имя                               Адрес      Размер      Данные  "
            "     Длина  Атрибуты\n"
            "  1       256  first.bin                          0ABC        1000        1000  "
            "      1280  deleted,readonly,bit0\n"
            "  2      1536  второй.rks                         3000          10          10  "
            "       256  executable\n"
            "Свободно: 63744\n");
}

TEST_F(ShowCommandsTest, ListShowsTheLow16BitsOfASizeWithoutBig) {
  NewDisk({"--size", "128k"});
  Write("large.bin", Bytes(65536 + 5, 7));
  Succeed({"add", "disk.rom", "large.bin", "--no-big"});
  const auto json = nlohmann::json::parse(Succeed({"list", "disk.rom", "--json"}));
  const auto& entry = json["entries"][0];
  EXPECT_EQ(entry["data_size"], 65541);
  EXPECT_EQ(entry["shown_size"], 5);
  EXPECT_EQ(entry["big"], false);
  EXPECT_NE(Succeed({"list", "disk.rom"}).find("  5       65541  "), std::string::npos);
}

TEST_F(ShowCommandsTest, ListShowsControlCharactersOfANameAsQuestionMarks) {
  NewDisk();
  Write("a.bin", {1});
  Succeed({"add", "disk.rom", "a.bin", "--name", "\x1b[2Jx\x7f"});
  const auto text = Succeed({"list", "disk.rom"});
  EXPECT_NE(text.find("?[2Jx?"), std::string::npos) << text;
  EXPECT_EQ(text.find('\x1b'), std::string::npos);
  // The JSON keeps the name exactly.
  EXPECT_EQ(nlohmann::json::parse(Succeed({"list", "disk.rom", "--json"}))["entries"][0]["name"],
            "\x1b[2Jx\x7f");
}

TEST_F(ShowCommandsTest, RefuseImagesThatCannotBeReadOrFailTheCheck) {
  const Bytes bad_magic(65536, 0xFF);
  Bytes bad_size(65536, 0xFF);
  bad_size[0] = 0xAA;
  bad_size[1] = 0x55;
  bad_size[2] = 0x00;
  bad_size[3] = 0x00;
  bad_size[4] = 0x03;  // three times 64k
  bad_size[5] = 0x00;
  for (const auto& command : {"info", "list"}) {
    for (const auto& image : {bad_magic, bad_size}) {
      Write("disk.rom", image);
      const auto run = Run({command, "disk.rom"});
      EXPECT_EQ(run.status, 1);
      EXPECT_EQ(run.out, "");
      EXPECT_EQ(run.err, "flashdisk: disk.rom: Ошибка формата диска!\n");
    }
    Refuse({command, "absent.rom", "--json"}, 1, "absent.rom", "Ошибка чтения файла!",
           "absent.rom");
    Refuse({command, "."}, 1, ".", "Ошибка чтения файла!", "absent.rom");
  }
}

}  // namespace
}  // namespace flashdisk::testing
