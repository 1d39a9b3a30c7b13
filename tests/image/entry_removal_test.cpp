#include "image/entry_removal.h"

#include "tests/image/small_disk_test.h"

namespace flashdisk::testing {
namespace {

using EntryRemovalTest = SmallDiskTest;

// B is longer than the gap A leaves, so it moves onto bytes of its own.
TEST_F(EntryRemovalTest, MovesAnOverlappingEntryDownWhole) {
  Add("A", CountingBytes(10, 1));    // at 256, 256 long
  Add("B", CountingBytes(1000, 2));  // at 512, 1280 long
  ASSERT_TRUE(RemoveEntries(image_, {256, 256}));
  const Bytes fixed_part = {
      0xE6, 0xFF, 'B',  0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
      0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
      0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0xE8, 0x03, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00,
  };
  EXPECT_EQ(Disk(256, 44), fixed_part);
  EXPECT_EQ(Disk(300, 1000), CountingBytes(1000, 2));
  EXPECT_EQ(Disk(1536, 65536 - 1536), Bytes(65536 - 1536, 0xFF));
}

TEST_F(EntryRemovalTest, RefusesADamagedImageAndLeavesItAsItWas) {
  Add("A", CountingBytes(10, 1));
  Add("B", CountingBytes(1000, 2));
  ExpectEveryDamageRefused([this] { return !RemoveEntries(image_, {256}); });
}

}  // namespace
}  // namespace flashdisk::testing
