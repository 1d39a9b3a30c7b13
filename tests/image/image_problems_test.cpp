#include "image/image_problems.h"

#include "tests/image/small_disk_test.h"

namespace flashdisk::testing {
namespace {

using ImageProblemsTest = SmallDiskTest;

std::vector<std::pair<std::uint64_t, FindingKind>> Problems(const DiskImage& image) {
  std::vector<std::pair<std::uint64_t, FindingKind>> found;
  for (const auto& finding : FindImageProblems(image, HeaderCheck::Outcome::kValid).problems) {
    found.emplace_back(finding.position, finding.kind);
  }
  return found;
}

// The data starts at byte 44 of its entry whatever the attributes say, so
// Aligned never takes room from data that is already there.
TEST_F(ImageProblemsTest, MeasuresTheDataOfAnAlignedEntryFromByte44) {
  Add("A", Bytes(300, 0xA1));  // at 256, 512 long
  Put(256 + 1, {0xEF});        // Aligned
  EXPECT_TRUE(Problems(image_).empty());
  EXPECT_TRUE(IsSound(image_));
  Put(256 + 36, {0xD4, 0x01});  // 468 bytes: up to the entry's last byte
  EXPECT_TRUE(Problems(image_).empty());
  Put(256 + 36, {0xD5, 0x01});  // 469 bytes: one past it
  EXPECT_EQ(
      Problems(image_),
      (std::vector<std::pair<std::uint64_t, FindingKind>>{{256, FindingKind::kDataPastRoom}}));
  EXPECT_FALSE(IsSound(image_));
}

TEST_F(ImageProblemsTest, IsSoundLooksAtTheHeaderAndTheChainOnly) {
  Add("A", Bytes(10, 0xA1));
  Put(40000, {0x00, 0xE6});  // leftovers after the chain stop no edit
  EXPECT_TRUE(IsSound(image_));
  ExpectEveryDamageRefused([this] { return !IsSound(image_); });
}

}  // namespace
}  // namespace flashdisk::testing
