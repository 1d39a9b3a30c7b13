#include <nlohmann/json.hpp>

#include "tests/cli/cli_test.h"

namespace flashdisk::testing {
namespace {

using RoundTripTest = CliTest;

// What a build script does: make a disk, add its files, read the listing
// back, and take the files out again.
TEST_F(RoundTripTest, GivesBackTheBytesThatWereAdded) {
  const auto plain = CountingBytes(70000, 3);
  const auto rks_data = CountingBytes(1024, 200);
  Write("big.bin", plain);
  Write("загрузчик.rks", RksFile(0xC000, rks_data));

  Succeed({"new", "disk.rom", "--size", "256k", "--sector", "512", "--label", "Сборка"});
  Succeed({"add", "disk.rom", "big.bin", "загрузчик.rks"});

  const auto json = nlohmann::json::parse(Succeed({"list", "disk.rom", "--json"}));
  EXPECT_EQ(json["label"], "Сборка");
  ASSERT_EQ(json["entries"].size(), 2u);
  const auto& big = json["entries"][0];
  EXPECT_EQ(big["index"], 1);
  EXPECT_EQ(big["position"], 512);
  EXPECT_EQ(big["name"], "big.bin");
  EXPECT_EQ(big["data_size"], 70000);
  EXPECT_EQ(big["shown_size"], 70000);
  EXPECT_EQ(big["total_length"], 70144);  // 70044 rounded up to 512-byte sectors
  EXPECT_EQ(big["attributes"], 0xBF);
  EXPECT_EQ(big["big"], true);
  EXPECT_EQ(big["executable"], false);
  const auto& loader = json["entries"][1];
  EXPECT_EQ(loader["position"], 512 + 70144);
  EXPECT_EQ(loader["name"], "загрузчик.rks");
  EXPECT_EQ(loader["load_address"], 0xC000);
  EXPECT_EQ(loader["data_size"], 1024);
  EXPECT_EQ(loader["total_length"], 1536);
  EXPECT_EQ(loader["executable"], true);
  EXPECT_EQ(loader["deleted"], false);
  EXPECT_EQ(loader["aligned"], false);
  EXPECT_EQ(loader["read_only"], false);
  EXPECT_EQ(json["free_space"], 262144 - 512 - 70144 - 1536);

  Succeed({"extract", "disk.rom", "1", "-o", "big.out"});
  EXPECT_EQ(FileBytes("big.out"), plain);
  std::filesystem::remove(folder_ / PathFromUtf8("загрузчик.rks"));
  Succeed({"extract", "disk.rom", "2"});
  EXPECT_EQ(FileBytes("загрузчик.rks"), rks_data);
}

// The entry of an RKS file goes back out as an RKS file under its own name,
// checksum and all, and adding that file gives the same entry again.
TEST_F(RoundTripTest, ExtractAsRksThenAddGivesTheEntryBack) {
  NewDisk({"--size", "256k", "--sector", "256"});
  Write("editor.rks", RksFile(0xA000, {1, 2, 3}));
  Succeed({"add", "disk.rom", "editor.rks"});
  std::filesystem::remove(folder_ / "editor.rks");
  Succeed({"extract", "disk.rom", "1", "--rks"});
  // 1 and 2 each weigh 257 (0x0303), the last byte adds 3 to the low byte.
  EXPECT_EQ(FileBytes("editor.rks"), (Bytes{0x00, 0xA0, 0x02, 0xA0, 1, 2, 3, 0x06, 0x03}));
  Succeed({"add", "disk.rom", "editor.rks"});
  auto json = nlohmann::json::parse(Succeed({"list", "disk.rom", "--json"}));
  ASSERT_EQ(json["entries"].size(), 2u);
  json["entries"][1]["index"] = json["entries"][0]["index"];
  json["entries"][1]["position"] = json["entries"][0]["position"];
  EXPECT_EQ(json["entries"][1], json["entries"][0]);
  EXPECT_EQ(Slice(FileBytes("disk.rom"), 256 + 34, 4), (Bytes{0x00, 0xA0, 0x03, 0x00}));

  // A Big entry's 70,000 bytes cannot be told by a 16-bit end address.
  Write("big.bin", Bytes(70000, 7));
  Succeed({"add", "disk.rom", "big.bin"});
  Refuse({"extract", "disk.rom", "3", "--rks", "-o", "big.rks"}, 1, "disk.rom",
         "Запись длиннее 64 КиБ не помещается в файл RKS! Уберите --rks.");
  EXPECT_FALSE(std::filesystem::exists(folder_ / "big.rks"));
}

}  // namespace
}  // namespace flashdisk::testing
