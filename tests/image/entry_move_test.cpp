#include "image/entry_move.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/image/small_disk_test.h"
#include "tests/support/temporary_folder.h"

namespace flashdisk {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A 64k disk with 256-byte sectors whose chain, from byte 256, holds three
// entries written out by hand: A of 256 bytes, B of 512 and C of 256, each
// filled after its fixed part with its own letter.
class EntryMoveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(image_.Format(65536, 256));
    ASSERT_TRUE(image_.Check().valid());
    auto disk = image_.EditDisk();
    WriteEntry(disk, 256, 'A', {0x00, 0x01});
    WriteEntry(disk, 512, 'B', {0x00, 0x02});
    WriteEntry(disk, 1024, 'C', {0x00, 0x01});
    original_ = Disk();
  }

  static void WriteEntry(std::span<std::uint8_t> disk, std::size_t at, char letter,
                         std::vector<std::uint8_t> total_length) {
    const std::size_t length = total_length[0] | total_length[1] << 8;
    std::fill(disk.begin() + at, disk.begin() + at + length, static_cast<std::uint8_t>(letter));
    const Bytes fixed = {0xE6, 0xFF, static_cast<std::uint8_t>(letter), 0x00};
    std::copy(fixed.begin(), fixed.end(), disk.begin() + at);
    const Bytes sizes = {0x10, 0x00, 0x00, 0x00, total_length[0], total_length[1], 0x00, 0x00};
    std::copy(sizes.begin(), sizes.end(), disk.begin() + at + 36);
  }

  Bytes Disk() const { return Bytes(image_.disk().begin(), image_.disk().end()); }
  Bytes Original(std::size_t from, std::size_t length) const {
    return Bytes(original_.begin() + from, original_.begin() + from + length);
  }
  Bytes Now(std::size_t from, std::size_t length) const {
    const auto disk = Disk();
    return Bytes(disk.begin() + from, disk.begin() + from + length);
  }
  std::string Names() {
    std::string names;
    for (const auto& entry : image_.List().entries) {
      names += entry.name;
    }
    return names;
  }

  DiskImage image_;
  Bytes original_;
};

TEST_F(EntryMoveTest, EntriesChangePlaceWithAllTheirBytes) {
  ASSERT_TRUE(MoveEntry(image_, 1024, 0));  // C first
  EXPECT_EQ(Names(), "CAB");
  EXPECT_EQ(Now(256, 256), Original(1024, 256));
  EXPECT_EQ(Now(512, 256), Original(256, 256));
  EXPECT_EQ(Now(768, 512), Original(512, 512));

  ASSERT_TRUE(MoveEntry(image_, 256, 2));  // C, now first, back to last
  EXPECT_EQ(Names(), "ABC");
  EXPECT_EQ(Disk(), original_);

  ASSERT_TRUE(MoveEntry(image_, 512, 1));  // B onto its own place
  EXPECT_EQ(Disk(), original_);
  ASSERT_TRUE(MoveEntry(image_, 256, 1));  // A one place down
  EXPECT_EQ(Names(), "BAC");
  EXPECT_EQ(Now(1024, 64512), Original(1024, 64512));  // nothing behind the stretch moves
}

TEST_F(EntryMoveTest, TheLastEntryMovesToAMiddlePlace) {
  ASSERT_TRUE(MoveEntry(image_, 1024, 1));
  EXPECT_EQ(Names(), "ACB");
  EXPECT_EQ(Now(256, 256), Original(256, 256));
  EXPECT_EQ(Now(512, 256), Original(1024, 256));
  EXPECT_EQ(Now(768, 512), Original(512, 512));
}

TEST_F(EntryMoveTest, RefusalsChangeNothing) {
  EXPECT_FALSE(MoveEntry(image_, 300, 0));   // no entry starts there
  EXPECT_FALSE(MoveEntry(image_, 1024, 3));  // past the last place
  // B's total length no longer a whole number of sectors: the chain is damaged.
  image_.EditDisk()[512 + 40] = 0x01;
  const auto damaged = Disk();
  EXPECT_FALSE(MoveEntry(image_, 1024, 0));
  EXPECT_EQ(Disk(), damaged);
  for (const auto& damage : testing::HeaderAndChainDamages()) {
    std::copy(original_.begin(), original_.end(), image_.EditDisk().begin());
    std::copy(damage.bytes.begin(), damage.bytes.end(),
              image_.EditDisk().begin() + static_cast<std::ptrdiff_t>(damage.position));
    const auto damaged_here = Disk();
    EXPECT_FALSE(MoveEntry(image_, 1024, 0)) << damage.what;
    EXPECT_EQ(Disk(), damaged_here) << damage.what;
  }
}

// Entries as the add puts them: a (256 bytes), b (512) and c (256).
class EntryMoveOfAddedTest : public testing::SmallDiskTest {};

TEST_F(EntryMoveOfAddedTest, RefusesEveryDamageOfTheHeaderOrChain) {
  Add("a", Bytes(10, 1));
  Add("b", Bytes(300, 2));
  Add("c", Bytes(20, 3));
  ExpectEveryDamageRefused([this] { return !MoveEntry(image_, 1024, 1); });
}

}  // namespace
}  // namespace flashdisk
