#include <algorithm>

#include "tests/cli/cli_test.h"

namespace flashdisk::testing {
namespace {

using NewCommandTest = CliTest;

bool AllErased(const Bytes& bytes, std::size_t from) {
  return std::all_of(bytes.begin() + static_cast<std::ptrdiff_t>(from), bytes.end(),
                     [](std::uint8_t b) { return b == 0xFF; });
}

TEST_F(NewCommandTest, WritesAFreshHeaderAndErasesTheRest) {
  Succeed({"new", "disk.rom", "--size", "64k", "--sector", "256", "--label", "Диск"});
  const auto disk = FileBytes("disk.rom");
  ASSERT_EQ(disk.size(), 65536u);
  const Bytes
      header =
          {
              0xAA, 0x55, 0x00, 0x00, 0x01, 0x00, 0x00, 0x01,  // magic, disk size, sector size
              0xC4, 0xE8, 0xF1, 0xEA, 0x00, 0xFF, 0xFF, 0xFF,  // "Диск" in code page 1251
              0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
              0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
              0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00, 0x00,  // system load address and size
              0x00, 0x01, 0x00, 0x00,                          // directory offset 256
          };
  EXPECT_EQ(Slice(disk, 0, 48), header);
  EXPECT_TRUE(AllErased(disk, 48));
}

TEST_F(NewCommandTest, DefaultsTo512kWith256ByteSectors) {
  Succeed({"new", "disk.rom"});
  const auto disk = FileBytes("disk.rom");
  ASSERT_EQ(disk.size(), 524288u);
  EXPECT_EQ(Slice(disk, 0, 9), (Bytes{0xAA, 0x55, 0x00, 0x00, 0x08, 0x00, 0x00, 0x01, 0x00}));
  EXPECT_EQ(Slice(disk, 44, 4), (Bytes{0x00, 0x01, 0x00, 0x00}));
}

TEST_F(NewCommandTest, SectorSizeOneStartsTheDirectoryAfterTheHeader) {
  Succeed({"new", "disk.rom", "--size", "2048k", "--sector", "1"});
  const auto disk = FileBytes("disk.rom");
  ASSERT_EQ(disk.size(), 2097152u);
  EXPECT_EQ(Slice(disk, 2, 6), (Bytes{0x00, 0x00, 0x20, 0x00, 0x01, 0x00}));
  EXPECT_EQ(Slice(disk, 44, 4), (Bytes{0x30, 0x00, 0x00, 0x00}));
}

TEST_F(NewCommandTest, StoresAnUnmappableCharacterAsAQuestionMark) {
  Succeed({"new", "disk.rom", "--size", "64k", "--label", "A日B"});
  EXPECT_EQ(Slice(FileBytes("disk.rom"), 8, 4), (Bytes{'A', '?', 'B', 0x00}));
}

TEST_F(NewCommandTest, ReplacesAnExistingFileOnlyWithForce) {
  Write("disk.rom", {1, 2, 3});
  Refuse({"new", "disk.rom"}, 1, "disk.rom",
         "Файл уже существует! Чтобы заменить его, укажите --force.");
  Succeed({"new", "disk.rom", "--size", "128k", "--force"});
  EXPECT_EQ(FileBytes("disk.rom").size(), 131072u);
}

TEST_F(NewCommandTest, RefusesSizesThatAreNotOfferedAsUsageErrors) {
  for (const auto& options : std::vector<std::vector<std::string>>{
           {"--size", "100k"}, {"--size", "64K"}, {"--sector", "64"}, {"--sector", "2048"}}) {
    auto arguments = std::vector<std::string>{"new", "disk.rom"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    const auto run = Run(arguments);
    EXPECT_EQ(run.status, 2) << options[1];
    EXPECT_NE(run.err.find("недопустимо"), std::string::npos) << run.err;
  }
  EXPECT_TRUE(folder_.Names().empty());
}

TEST_F(NewCommandTest, ReportsAFileThatCannotBeWritten) {
  Refuse({"new", "missing/disk.rom"}, 1, "missing/disk.rom", "Ошибка записи файла!",
         "missing/disk.rom");
  EXPECT_TRUE(folder_.Names().empty());
}

}  // namespace
}  // namespace flashdisk::testing
