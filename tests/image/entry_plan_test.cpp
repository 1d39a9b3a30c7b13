#include "image/entry_plan.h"

#include <gtest/gtest.h>

#include "image/utf8_path.h"
#include "tests/support/temporary_folder.h"

namespace flashdisk {
namespace {

using testing::TemporaryFolder;
using Bytes = std::vector<std::uint8_t>;

struct PlanCase {
  std::uint32_t size;
  bool rks;
  bool aligned;
  std::uint32_t reserved_minimum;
  std::uint32_t sector_size;
  std::uint64_t data_size;
  std::uint32_t header_space;
  std::uint64_t total_length;
};

TEST(PlanEntry, LengthsAndRounding) {
  const PlanCase cases[] = {
      {1000, false, false, 0, 256, 1000, 44, 1280},
      {1000, false, true, 0, 256, 1000, 256, 1280},
      {1000, false, true, 0, 1, 1000, 44, 1044},
      {100, false, true, 0, 256, 100, 256, 512},  // Aligned alone takes a second sector
      {84, false, false, 0, 128, 84, 44, 128},    // a multiple already
      {85, false, false, 0, 128, 85, 44, 256},
      {1000, false, false, 2000, 256, 1000, 44, 2048},
      {1000, false, false, 1043, 256, 1000, 44, 1280},
      {1000, false, false, 1043, 1, 1000, 44, 1044},  // a minimum below d + h changes nothing
      {1030, true, false, 0, 512, 1024, 44, 1536},
      {6, true, false, 0, 256, 0, 44, 256},
      {6, true, true, 0, 1024, 0, 1024, 1024},
      {0, false, true, 0, 128, 0, 128, 128},
      {0xFFFFFFFF, false, false, 0, 1024, 0xFFFFFFFF, 44, 0x100000400},
  };
  for (const auto& c : cases) {
    const auto plan = PlanEntry(c.size, c.rks, c.aligned, c.reserved_minimum, c.sector_size);
    EXPECT_EQ(plan.data_size, c.data_size) << c.size << " / " << c.sector_size;
    EXPECT_EQ(plan.header_space, c.header_space) << c.size << " / " << c.sector_size;
    EXPECT_EQ(plan.total_length, c.total_length) << c.size << " / " << c.sector_size;
  }
}

TEST(PlanEntry, HugeReservedMinimumNeverWraps) {
  const auto plan = PlanEntry(1000, false, false, 0xFFFFFFFF, 256);
  EXPECT_EQ(plan.total_length, 0x100000000u);
  EXPECT_GT(plan.total_length, 0xFFFFFFFFu);
}

TEST(PlanEntry, WithoutImageThereIsNoTotal) {
  const auto plan = PlanEntry(1000, false, true, 0, 0);
  EXPECT_EQ(plan.data_size, 1000u);
  EXPECT_EQ(plan.header_space, 44u);
  EXPECT_EQ(plan.total_length, 0u);
}

TEST(PlanEntry, ShortRksSourceHasNoData) {
  for (std::uint32_t size = 0; size < 6; ++size) {
    EXPECT_EQ(PlanEntry(size, true, false, 0, 256).data_size, 0u) << size;
  }
}

TEST(DeriveSourceDefaults, BigRksAndExecutable) {
  auto d = DeriveSourceDefaults("/some/folder/GAME.RKS", 1030);
  EXPECT_EQ(d.name, "GAME.RKS");
  EXPECT_TRUE(d.rks);
  EXPECT_FALSE(d.big);
  EXPECT_TRUE(d.executable_on);

  d = DeriveSourceDefaults("prog.Rks", 65535);
  EXPECT_TRUE(d.rks);
  EXPECT_FALSE(d.big);

  d = DeriveSourceDefaults("prog.rks", 65536);  // too large to be RKS
  EXPECT_FALSE(d.rks);
  EXPECT_TRUE(d.big);
  EXPECT_FALSE(d.executable_on);  // left as it was

  d = DeriveSourceDefaults("prog.rks.bak", 100);
  EXPECT_FALSE(d.rks);
  EXPECT_FALSE(d.executable_on);

  d = DeriveSourceDefaults(PathFromUtf8("/папка/файл.bin"), 70000);
  EXPECT_EQ(d.name, "файл.bin");
  EXPECT_TRUE(d.big);
}

class SourceFilesTest : public ::testing::Test {
 protected:
  TemporaryFolder folder_;
};

TEST_F(SourceFilesTest, LookUpSource) {
  EXPECT_EQ(LookUpSource(folder_.Write("a.bin", Bytes(1234))), 1234u);
  EXPECT_EQ(LookUpSource(folder_.Write("empty.bin", Bytes{})), 0u);
  EXPECT_FALSE(LookUpSource(folder_ / "missing.bin"));
  std::filesystem::create_directory(folder_ / "sub");
  EXPECT_EQ(LookUpSource(folder_ / "sub"), 0u);  // a folder is found with size 0
}

TEST_F(SourceFilesTest, LookUpSourceTakesNonAsciiAndLongPaths) {
  EXPECT_EQ(LookUpSource(folder_.Write("программа.rks", Bytes(7))), 7u);
  auto deep = folder_.path();
  for (int i = 0; i < 12; ++i) {
    deep /= std::string(40, static_cast<char>('a' + i));
  }
  std::filesystem::create_directories(deep);
  const auto file = deep / "file.bin";
  ASSERT_GT(file.string().size(), 260u);
  std::ofstream(file, std::ios::binary) << "abc";
  EXPECT_EQ(LookUpSource(file), 3u);
}

TEST_F(SourceFilesTest, ReadRksLoadAddress) {
  EXPECT_EQ(ReadRksLoadAddress(folder_.Write("a.rks", Bytes{0x00, 0x30, 9, 9, 9, 9})), 0x3000);
  EXPECT_EQ(ReadRksLoadAddress(folder_.Write("b.rks", Bytes{0xCD, 0xAB})), 0xABCD);
  EXPECT_FALSE(ReadRksLoadAddress(folder_.Write("c.rks", Bytes{0x12})));
  EXPECT_FALSE(ReadRksLoadAddress(folder_ / "missing.rks"));
  std::filesystem::create_directory(folder_ / "d.rks");
  EXPECT_FALSE(ReadRksLoadAddress(folder_ / "d.rks"));
}

}  // namespace
}  // namespace flashdisk
