#include "image/entry_replacement.h"

#include "tests/image/small_disk_test.h"

namespace flashdisk::testing {
namespace {

class EntryReplacementTest : public SmallDiskTest {
 protected:
  AddResult Replace(std::uint32_t position, const Bytes& data) {
    DirectoryEntry listed;
    listed.position = position;
    return ReplaceEntryData(image_, listed, Source("new.bin", data), Replacement{});
  }
};

// The add's wider header space plans new and grown entries only: data that
// fits behind the 44-byte fixed part stays where it is.
TEST_F(EntryReplacementTest, AnAlignedEntryTakesDataUpToItsLastByte) {
  Add("A", Bytes(300, 0xA1));  // at 256, 512 long
  Add("B", Bytes(10, 0xB2));   // at 768
  Put(256 + 1, {0xEF});        // Aligned
  ASSERT_EQ(Replace(256, CountingBytes(468, 3)), AddResult::kAdded);
  EXPECT_EQ(Disk(256 + 36, 8), (Bytes{0xD4, 0x01, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00}));
  EXPECT_EQ(Disk(300, 468), CountingBytes(468, 3));
  EXPECT_EQ(Disk(768, 3), (Bytes{0xE6, 0xFF, 'B'}));
  EXPECT_EQ(Replace(256, Bytes(469, 0)), AddResult::kNoRoom);
}

TEST_F(EntryReplacementTest, AGrownLastEntryErasesAStaleMarkerRightBehindIt) {
  Add("A", Bytes(10, 0xA1));  // at 256, 256 long
  Put(1024, {0xE6});          // left over after the chain
  ASSERT_EQ(Replace(256, Bytes(700, 0x77)), AddResult::kAdded);
  EXPECT_EQ(Disk(256 + 40, 4), (Bytes{0x00, 0x03, 0x00, 0x00}));  // 744 rounds up to 768
  EXPECT_EQ(Disk(1024, 1), Bytes{0xFF});
  EXPECT_EQ(image_.List().entries.size(), 1u);
}

TEST_F(EntryReplacementTest, RefusesADamagedImageOrAPositionOffTheChain) {
  Add("A", Bytes(10, 0xA1));
  Add("B", Bytes(10, 0xB2));
  ExpectEveryDamageRefused([this] { return Replace(256, Bytes(10, 0)) == AddResult::kBadFormat; });
  const auto sound = Disk();
  EXPECT_EQ(Replace(300, Bytes(10, 0)), AddResult::kBadFormat);
  EXPECT_EQ(Disk(), sound);
}

}  // namespace
}  // namespace flashdisk::testing
