// Image files from anywhere: damaged dumps, cut copies, files that are no
// image at all. Whatever their bytes say, nothing is listed, read, added or
// saved outside the disk, and a refused add changes nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "image/disk_image.h"
#include "image/entry_plan.h"
#include "tests/support/temporary_folder.h"

namespace flashdisk {
namespace {

using testing::CountingBytes;
using testing::ReadBytes;
using testing::TemporaryFolder;
using Bytes = std::vector<std::uint8_t>;

void Put32(Bytes& bytes, std::size_t offset, std::uint32_t value) {
  for (std::size_t i = 0; i < 4; ++i) {
    bytes[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
  }
}

// An erased file of `file_size` bytes with a header: magic AA 55, the disk
// size, the sector size, an empty label, zero system fields and the
// directory offset.
Bytes HeaderBytes(std::size_t file_size, std::uint32_t disk_size, std::uint16_t sector_size,
                  std::uint32_t directory_offset) {
  Bytes bytes(file_size, 0xFF);
  bytes[0] = 0xAA;
  bytes[1] = 0x55;
  Put32(bytes, 2, disk_size);
  bytes[6] = static_cast<std::uint8_t>(sector_size);
  bytes[7] = static_cast<std::uint8_t>(sector_size >> 8);
  bytes[8] = 0x00;
  Put32(bytes, 40, 0);
  Put32(bytes, 44, directory_offset);
  return bytes;
}

// An entry's fixed part: marker E6, no attributes, the name, load address 0,
// the data size and the total length.
void PutEntry(Bytes& bytes, std::size_t position, const std::string& name, std::uint32_t data_size,
              std::uint32_t total_length) {
  bytes[position] = 0xE6;
  bytes[position + 1] = 0xFF;
  std::copy(name.begin(), name.end(), bytes.begin() + static_cast<std::ptrdiff_t>(position) + 2);
  bytes[position + 2 + name.size()] = 0x00;
  bytes[position + 34] = 0x00;
  bytes[position + 35] = 0x00;
  Put32(bytes, position + 36, data_size);
  Put32(bytes, position + 40, total_length);
}

// A 64k disk with 256-byte sectors and two entries: "FIRST" at 256 and
// "SECOND" at 512, each 256 bytes long and holding 16 counting bytes.
Bytes TwoEntries() {
  auto bytes = HeaderBytes(65536, 65536, 256, 256);
  PutEntry(bytes, 256, "FIRST", 16, 256);
  PutEntry(bytes, 512, "SECOND", 16, 256);
  for (std::size_t i = 0; i < 16; ++i) {
    bytes[300 + i] = static_cast<std::uint8_t>(i);
    bytes[556 + i] = static_cast<std::uint8_t>(0x80 + i);
  }
  return bytes;
}

std::vector<std::string> Names(const DirectoryListing& listing) {
  std::vector<std::string> names;
  for (const auto& entry : listing.entries) {
    names.push_back(entry.name);
  }
  return names;
}

class HostileImageTest : public ::testing::Test {
 protected:
  // Loads `bytes` as an image file, checks and lists it as the window does.
  HeaderCheck Open(const Bytes& bytes) {
    image_file_ = folder_.Write("image.rom", bytes);
    EXPECT_TRUE(image_.Load(image_file_));
    const auto check = image_.Check();
    listing_ = image_.List();
    return check;
  }

  AddResult Add(std::uint32_t reserved_minimum, std::uint32_t source_size = 100) {
    const auto path = folder_.Write("source.bin", CountingBytes(source_size, 0x40));
    const SourceFile source{path, *LookUpSource(path)};
    const auto plan = PlanEntry(source.size, false, false, reserved_minimum, image_.sector_size());
    return AddEntry(image_, source, {.name = "NEW"}, plan);
  }

  Bytes Disk() const { return Bytes(image_.disk().begin(), image_.disk().end()); }

  // Every add, from the smallest to one that just fills the free space and
  // beyond, either lands wholly inside the disk and leaves its last byte for
  // the walk, or is refused and changes nothing. Each try starts from the file.
  void ExpectNoAddLandsOutsideTheDisk() {
    const auto free = image_.free_space();
    for (const std::uint32_t reserved :
         {0u, free > 0 ? free - 1 : 0u, free, free + 1, 0xFFFFFFFFu}) {
      ASSERT_TRUE(image_.Load(image_file_));
      image_.Check();
      const auto before_listing = image_.List();
      const auto before = Disk();
      if (Add(reserved) == AddResult::kAdded) {
        const auto listing = image_.List();
        ASSERT_EQ(listing.entries.size(), before_listing.entries.size() + 1) << reserved;
        const auto& added = listing.entries.back();
        EXPECT_LT(std::uint64_t{added.position} + added.total_length, image_.disk().size())
            << reserved;
      } else {
        EXPECT_EQ(Disk(), before) << reserved;
      }
    }
  }

  // A save writes the disk's bytes and never more than the buffer holds.
  void ExpectSaveWritesTheDisk(std::size_t expected_size) {
    const auto saved_file = folder_ / "saved.rom";
    ASSERT_TRUE(image_.Save(saved_file));
    const auto saved = ReadBytes(saved_file);
    EXPECT_EQ(saved.size(), expected_size);
    EXPECT_EQ(saved, Disk());
  }

  TemporaryFolder folder_;
  DiskImage image_;
  std::filesystem::path image_file_;
  DirectoryListing listing_;
};

TEST_F(HostileImageTest, DirectoryOffsetPastTheDiskLeavesNoRoom) {
  auto bytes = TwoEntries();
  Put32(bytes, 44, 0x20000);
  ASSERT_TRUE(Open(bytes).valid());  // the offset is not part of the check
  EXPECT_TRUE(listing_.entries.empty());
  EXPECT_EQ(listing_.free_space, 0u);
  EXPECT_EQ(Add(0), AddResult::kNoRoom);
  ExpectNoAddLandsOutsideTheDisk();
  ExpectSaveWritesTheDisk(65536);
}

TEST_F(HostileImageTest, DirectoryOffsetAtTheLastByte) {
  auto bytes = HeaderBytes(65536, 65536, 1, 65535);
  bytes[65535] = 0xE6;  // a marker whose fixed part cannot fit
  ASSERT_TRUE(Open(bytes).valid());
  EXPECT_TRUE(listing_.entries.empty());
  EXPECT_EQ(listing_.free_space, 1u);
  EXPECT_FALSE(image_.ReadEntry(65535));
  EXPECT_FALSE(image_.SetEntryName(65535, "X"));
  EXPECT_EQ(Add(0, 0), AddResult::kNoRoom);
  ExpectNoAddLandsOutsideTheDisk();
}

TEST_F(HostileImageTest, DirectoryOffsetInsideTheHeaderKeepsTheHeaderWhole) {
  for (const std::uint32_t offset : {0u, 8u, 47u}) {
    auto bytes = HeaderBytes(65536, 65536, 1, offset);
    bytes[8] = 0xE6;  // a label starting with a marker byte
    bytes[9] = 0x00;
    ASSERT_TRUE(Open(bytes).valid()) << offset;
    EXPECT_TRUE(listing_.entries.empty()) << offset;
    EXPECT_EQ(listing_.free_space, 0u) << offset;
    EXPECT_EQ(Add(0), AddResult::kNoRoom) << offset;
    ExpectNoAddLandsOutsideTheDisk();
    EXPECT_EQ(Bytes(image_.disk().begin(), image_.disk().begin() + 48),
              Bytes(bytes.begin(), bytes.begin() + 48))
        << offset;
  }
  // 48, right after the header, is where a disk with 1-byte sectors starts.
  ASSERT_TRUE(Open(HeaderBytes(65536, 65536, 1, 48)).valid());
  EXPECT_EQ(listing_.free_space, 65536u - 48u);
  EXPECT_EQ(Add(0), AddResult::kAdded);
}

TEST_F(HostileImageTest, TotalLengthsThatBreakTheChainLeaveNoRoom) {
  for (const std::uint32_t broken : {0u, 1u, 43u, 65536u - 256u + 1u, 0xFFFFFFFFu}) {
    auto bytes = TwoEntries();
    Put32(bytes, 256 + 40, broken);
    ASSERT_TRUE(Open(bytes).valid()) << broken;
    // The broken entry is still shown; the one behind it is never reached.
    EXPECT_EQ(Names(listing_), std::vector<std::string>{"FIRST"}) << broken;
    EXPECT_EQ(listing_.free_space, 0u) << broken;
    const auto data = image_.EntryData(listing_.entries[0]);
    if (broken < 44) {
      EXPECT_TRUE(data.empty()) << broken;
    } else {
      EXPECT_EQ(Bytes(data.begin(), data.end()), CountingBytes(16)) << broken;
    }
    EXPECT_EQ(Add(0), AddResult::kNoRoom) << broken;
    ExpectNoAddLandsOutsideTheDisk();
  }
}

TEST_F(HostileImageTest, ChainEndingExactlyAtTheDiskEndLeavesNoRoom) {
  auto bytes = TwoEntries();
  Put32(bytes, 512 + 40, 65536 - 512);
  ASSERT_TRUE(Open(bytes).valid());
  EXPECT_EQ(Names(listing_), (std::vector<std::string>{"FIRST", "SECOND"}));
  EXPECT_EQ(listing_.free_space, 0u);
  EXPECT_EQ(image_.EndOfChain(), 65536u);
  EXPECT_EQ(Add(0, 0), AddResult::kNoRoom);
  ExpectNoAddLandsOutsideTheDisk();
  ExpectSaveWritesTheDisk(65536);
}

TEST_F(HostileImageTest, DataSizeBeyondTheTotalLengthIsReadOnlyWithinTheEntry) {
  auto bytes = TwoEntries();
  Put32(bytes, 256 + 36, 1000);
  Put32(bytes, 512 + 36, 0xFFFFFFFF);
  bytes[556 + 16] = 0x5A;  // past the data, still inside the second entry
  ASSERT_TRUE(Open(bytes).valid());
  ASSERT_EQ(Names(listing_), (std::vector<std::string>{"FIRST", "SECOND"}));
  EXPECT_EQ(listing_.free_space, 65536u - 768u);
  // The stored size is what the entry says; its bytes end where the entry does.
  EXPECT_EQ(ShownSize(listing_.entries[0]), 1000u);
  const auto first = image_.EntryData(listing_.entries[0]);
  ASSERT_EQ(first.size(), 256u - 44u);
  EXPECT_EQ(Bytes(first.begin(), first.begin() + 16), CountingBytes(16));
  EXPECT_EQ(first.data() + first.size(), image_.disk().data() + 512);  // not into SECOND
  const auto second = image_.EntryData(listing_.entries[1]);
  ASSERT_EQ(second.size(), 256u - 44u);
  EXPECT_EQ(second[16], 0x5A);
  EXPECT_EQ(second.data() + second.size(), image_.disk().data() + 768);
}

TEST_F(HostileImageTest, NameAndLabelWithoutNul) {
  auto bytes = TwoEntries();
  const std::string label(32, 'L');
  const std::string name(32, 'N');
  std::copy(label.begin(), label.end(), bytes.begin() + 8);
  std::copy(name.begin(), name.end(), bytes.begin() + 256 + 2);
  bytes[256 + 34] = 0x34;  // the load address right behind the name
  bytes[256 + 35] = 0x12;
  bytes[40] = 0xCD;  // the system load address right behind the label
  bytes[41] = 0xAB;
  const auto check = Open(bytes);
  ASSERT_TRUE(check.valid());
  EXPECT_EQ(check.header.label, label);
  EXPECT_EQ(check.header.system_load_address, 0xABCD);
  ASSERT_EQ(Names(listing_), (std::vector<std::string>{name, "SECOND"}));
  EXPECT_EQ(listing_.entries[0].load_address, 0x1234);

  // Writing them back stores 31 characters and a NUL inside the field.
  ASSERT_TRUE(image_.SetEntryName(256, name));
  image_.SetLabel(label);
  const auto disk = image_.disk();
  EXPECT_EQ(disk[256 + 33], 0x00);
  EXPECT_EQ(disk[256 + 34], 0x34);
  EXPECT_EQ(disk[39], 0x00);
  EXPECT_EQ(disk[40], 0xCD);
  EXPECT_EQ(image_.ReadEntry(256)->name, std::string(31, 'N'));
  EXPECT_EQ(image_.ReadEntry(256)->load_address, 0x1234);
  EXPECT_EQ(image_.Check().header.label, std::string(31, 'L'));
}

TEST_F(HostileImageTest, DiskSizeZeroIsNoImage) {
  const auto check = Open(HeaderBytes(65536, 0, 256, 256));
  EXPECT_EQ(check.outcome, HeaderCheck::Outcome::kBadDiskSize);
  EXPECT_FALSE(image_.has_image());
  EXPECT_TRUE(image_.disk().empty());
  EXPECT_TRUE(listing_.entries.empty());
  EXPECT_EQ(listing_.free_space, 0u);
  EXPECT_EQ(Add(0), AddResult::kNoRoom);
  EXPECT_FALSE(image_.Save(folder_ / "saved.rom"));
  EXPECT_FALSE(std::filesystem::exists(folder_ / "saved.rom"));
}

TEST_F(HostileImageTest, DiskSizeNotOfferedIsListedAndSavedButTakesNoEntry) {
  auto bytes = TwoEntries();
  Put32(bytes, 2, 3 * 65536);
  const auto check = Open(bytes);
  EXPECT_EQ(check.outcome, HeaderCheck::Outcome::kBadDiskSize);
  EXPECT_EQ(image_.disk().size(), 3u * 65536u);
  EXPECT_EQ(Names(listing_), (std::vector<std::string>{"FIRST", "SECOND"}));
  EXPECT_EQ(listing_.free_space, 3u * 65536u - 768u);
  EXPECT_EQ(Add(0), AddResult::kBadFormat);
  ExpectNoAddLandsOutsideTheDisk();
  ExpectSaveWritesTheDisk(3 * 65536);
}

TEST_F(HostileImageTest, DiskSizeWithAStrayTopBitStaysInsideTheBuffer) {
  auto bytes = TwoEntries();
  Put32(bytes, 2, 0x01010000);
  const auto check = Open(bytes);
  EXPECT_EQ(check.outcome, HeaderCheck::Outcome::kBadDiskSize);
  EXPECT_EQ(image_.disk_size(), 0x01010000u);
  EXPECT_EQ(image_.disk().size(), kImageBufferSize);
  EXPECT_EQ(listing_.free_space, kImageBufferSize - 768u);
  EXPECT_EQ(Add(0), AddResult::kBadFormat);
  ExpectSaveWritesTheDisk(kImageBufferSize);
}

TEST_F(HostileImageTest, SectorSizeNotOfferedTakesNoEntry) {
  for (const std::uint16_t sector_size : {0, 136, 2048}) {
    auto bytes = TwoEntries();
    bytes[6] = static_cast<std::uint8_t>(sector_size);
    bytes[7] = static_cast<std::uint8_t>(sector_size >> 8);
    const auto check = Open(bytes);
    EXPECT_EQ(check.outcome, HeaderCheck::Outcome::kBadSectorSize) << sector_size;
    EXPECT_EQ(check.disk_size_index, 0u) << sector_size;
    EXPECT_EQ(Names(listing_), (std::vector<std::string>{"FIRST", "SECOND"})) << sector_size;
    EXPECT_EQ(Add(0), AddResult::kBadFormat) << sector_size;
    ExpectNoAddLandsOutsideTheDisk();
    ExpectSaveWritesTheDisk(65536);
  }
}

TEST_F(HostileImageTest, StaleEntryBehindTheChainDoesNotJoinIt) {
  // The second entry's marker is gone; a stale third entry waits at 768, where
  // a new entry of 256 bytes written at 512 would end.
  auto bytes = TwoEntries();
  bytes[512] = 0xFF;
  PutEntry(bytes, 768, "STALE", 0, 256);
  ASSERT_TRUE(Open(bytes).valid());
  ASSERT_EQ(Names(listing_), std::vector<std::string>{"FIRST"});
  ASSERT_EQ(Add(0), AddResult::kAdded);
  const auto listing = image_.List();
  EXPECT_EQ(Names(listing), (std::vector<std::string>{"FIRST", "NEW"}));
  EXPECT_EQ(listing.free_space, 65536u - 768u);
  EXPECT_EQ(image_.disk()[768], 0xFF);
  EXPECT_EQ(image_.disk()[769], 0xFF);
  EXPECT_EQ(image_.disk()[770], 'S');  // only the marker is erased
}

}  // namespace
}  // namespace flashdisk
