#include "image/disk_image.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "tests/support/temporary_folder.h"

namespace flashdisk {
namespace {

using testing::ReadBytes;
using testing::TemporaryFolder;
using Bytes = std::vector<std::uint8_t>;

// A header written out byte by byte: magic, disk size, sector size, a label
// "DISK", system load address 0x1234, system size 0x0100, directory offset.
Bytes ImageBytes(std::size_t file_size, std::uint32_t disk_size, std::uint16_t sector_size,
                 std::uint32_t directory_offset = 256) {
  Bytes bytes(file_size, 0xFF);
  const Bytes header = {0xAA,
                        0x55,
                        static_cast<std::uint8_t>(disk_size),
                        static_cast<std::uint8_t>(disk_size >> 8),
                        static_cast<std::uint8_t>(disk_size >> 16),
                        static_cast<std::uint8_t>(disk_size >> 24),
                        static_cast<std::uint8_t>(sector_size),
                        static_cast<std::uint8_t>(sector_size >> 8),
                        'D',
                        'I',
                        'S',
                        'K',
                        0};
  std::copy(header.begin(), header.end(), bytes.begin());
  const Bytes system = {0x34,
                        0x12,
                        0x00,
                        0x01,
                        static_cast<std::uint8_t>(directory_offset),
                        static_cast<std::uint8_t>(directory_offset >> 8),
                        static_cast<std::uint8_t>(directory_offset >> 16),
                        static_cast<std::uint8_t>(directory_offset >> 24)};
  std::copy(system.begin(), system.end(), bytes.begin() + 40);
  return bytes;
}

class DiskImageTest : public ::testing::Test {
 protected:
  TemporaryFolder folder_;
  DiskImage image_;
};

TEST_F(DiskImageTest, StartsWithoutImage) {
  EXPECT_FALSE(image_.has_image());
  EXPECT_EQ(image_.free_space(), 0u);
  EXPECT_TRUE(image_.disk().empty());
}

TEST_F(DiskImageTest, FormatCheckAndListAFreshDisk) {
  ASSERT_TRUE(image_.Format(524288, 256));
  const auto check = image_.Check();
  ASSERT_TRUE(check.valid());
  EXPECT_EQ(check.disk_size_index, 3u);
  EXPECT_EQ(check.sector_size_index, 2u);
  EXPECT_EQ(check.header.label, "");
  EXPECT_EQ(check.header.system_load_address, 0);
  EXPECT_EQ(check.header.system_size, 0);
  EXPECT_EQ(check.header.directory_offset, 256u);
  const auto& listing = image_.List();
  EXPECT_TRUE(listing.entries.empty());
  EXPECT_EQ(listing.free_space, 524288u - 256u);
  EXPECT_EQ(image_.free_space(), 524288u - 256u);
}

TEST_F(DiskImageTest, FormatRefusesSizesThatAreNotOffered) {
  EXPECT_FALSE(image_.Format(100000, 256));
  EXPECT_FALSE(image_.Format(65536, 300));
  EXPECT_FALSE(image_.has_image());
}

TEST_F(DiskImageTest, SaveAndLoadRoundTrip) {
  ASSERT_TRUE(image_.Format(65536, 128));
  image_.SetLabel("Метка");
  const auto file = folder_ / "disk.rom";
  ASSERT_TRUE(image_.Save(file));
  const Bytes saved = ReadBytes(file);
  ASSERT_EQ(saved.size(), 65536u);
  EXPECT_TRUE(std::equal(saved.begin(), saved.end(), image_.disk().begin()));

  DiskImage other;
  ASSERT_TRUE(other.Load(file));
  EXPECT_EQ(other.disk_size(), 0u);  // until Check takes the sizes over
  const auto check = other.Check();
  ASSERT_TRUE(check.valid());
  EXPECT_EQ(check.disk_size_index, 0u);
  EXPECT_EQ(check.sector_size_index, 1u);
  EXPECT_EQ(check.header.label, "Метка");
  EXPECT_TRUE(other.List().entries.empty());
  EXPECT_EQ(other.free_space(), 65536u - 128u);
}

TEST_F(DiskImageTest, CheckReportsEachFailureWithWhatItTookOver) {
  auto file = folder_.Write("bad-magic.rom", Bytes(65536, 0x00));
  ASSERT_TRUE(image_.Load(file));
  auto check = image_.Check();
  EXPECT_EQ(check.outcome, HeaderCheck::Outcome::kBadMagic);
  EXPECT_EQ(image_.disk_size(), 0u);
  EXPECT_EQ(image_.sector_size(), 0u);

  file = folder_.Write("bad-size.rom", ImageBytes(65536, 3 * 65536, 256));
  ASSERT_TRUE(image_.Load(file));
  check = image_.Check();
  EXPECT_EQ(check.outcome, HeaderCheck::Outcome::kBadDiskSize);
  EXPECT_FALSE(check.disk_size_index);
  EXPECT_EQ(image_.disk_size(), 3u * 65536u);
  EXPECT_EQ(image_.sector_size(), 0u);

  file = folder_.Write("bad-sector.rom", ImageBytes(65536, 65536, 136));
  ASSERT_TRUE(image_.Load(file));
  check = image_.Check();
  EXPECT_EQ(check.outcome, HeaderCheck::Outcome::kBadSectorSize);
  EXPECT_EQ(check.disk_size_index, 0u);  // shown before the sector size fails
  EXPECT_FALSE(check.sector_size_index);
  EXPECT_EQ(image_.sector_size(), 136u);
}

TEST_F(DiskImageTest, ShortFileReadsErasedPastItsEnd) {
  // A header claiming 2048k in a 64k file: valid, and the rest reads as 0xFF
  // even though an earlier image had other bytes there.
  ASSERT_TRUE(image_.Format(2097152, 1));
  image_.SetLabel("OLD");
  ASSERT_TRUE(image_.Save(folder_ / "old.rom"));
  auto short_bytes = ImageBytes(65536, 2097152, 256);
  short_bytes[65535] = 0x42;
  ASSERT_TRUE(image_.Load(folder_.Write("short.rom", short_bytes)));
  ASSERT_TRUE(image_.Check().valid());
  EXPECT_EQ(image_.disk_size(), 2097152u);
  const auto saved_file = folder_ / "saved.rom";
  ASSERT_TRUE(image_.Save(saved_file));
  const Bytes saved = ReadBytes(saved_file);
  ASSERT_EQ(saved.size(), 2097152u);
  EXPECT_TRUE(std::equal(short_bytes.begin(), short_bytes.end(), saved.begin()));
  EXPECT_TRUE(std::all_of(saved.begin() + 65536, saved.end(), [](auto b) { return b == 0xFF; }));
}

TEST_F(DiskImageTest, NoLeftoversOfALargerFileAppearInALaterDisk) {
  ASSERT_TRUE(image_.Load(folder_.Write("large.rom", Bytes(kImageBufferSize, 0xE6))));
  image_.Check();
  image_.List();
  // Only the magic: every other header byte and the whole claimed disk read
  // as erased, not as the 0xE6 bytes of the file before.
  ASSERT_TRUE(image_.Load(folder_.Write("magic.rom", Bytes{0xAA, 0x55})));
  const auto check = image_.Check();
  EXPECT_EQ(check.outcome, HeaderCheck::Outcome::kBadDiskSize);
  EXPECT_EQ(check.header.disk_size, 0xFFFFFFFFu);
  const auto disk = image_.disk();
  ASSERT_EQ(disk.size(), kImageBufferSize);
  EXPECT_TRUE(std::all_of(disk.begin() + 2, disk.end(), [](auto b) { return b == 0xFF; }));
  EXPECT_TRUE(image_.List().entries.empty());
}

// Whatever the earlier image had written, through an add or an edit, the
// disk of a shorter file reads as erased past the file's end.
TEST_F(DiskImageTest, NoWriteToAnEarlierDiskShowsPastTheEndOfALaterFile) {
  ASSERT_TRUE(image_.Format(65536, 256));
  DirectoryEntry entry;
  entry.position = 256;
  entry.name = "A";
  entry.data_size = 4;
  entry.total_length = 256;
  image_.AppendEntry(entry, Bytes{1, 2, 3, 4});
  image_.EditDisk()[1000] = 0x00;
  const auto header = ImageBytes(48, 65536, 256);
  for (int load = 0; load < 2; ++load) {
    ASSERT_TRUE(image_.Load(folder_.Write("header.rom", header)));
    ASSERT_TRUE(image_.Check().valid());
    const auto disk = image_.disk();
    EXPECT_TRUE(std::all_of(disk.begin() + 48, disk.end(), [](auto b) { return b == 0xFF; }));
    image_.AppendEntry(entry, Bytes{1, 2, 3, 4});  // the second load follows an add alone
  }
}

TEST_F(DiskImageTest, EmptyFileNeverBringsBackTheEarlierImage) {
  ASSERT_TRUE(image_.Format(65536, 256));
  ASSERT_TRUE(image_.Load(folder_.Write("empty.rom", Bytes{})));
  EXPECT_EQ(image_.Check().outcome, HeaderCheck::Outcome::kBadMagic);
  EXPECT_FALSE(image_.has_image());
}

TEST_F(DiskImageTest, FailedLoadChangesNothing) {
  ASSERT_TRUE(image_.Format(131072, 512));
  image_.SetLabel("KEEP");
  image_.List();
  const Bytes before(image_.disk().begin(), image_.disk().end());

  std::filesystem::create_directory(folder_ / "folder.rom");
  const auto too_large = folder_.Write("large.rom", Bytes(kImageBufferSize + 1, 0xAA));
  for (const auto& path : {folder_ / "missing.rom", folder_ / "folder.rom", too_large}) {
    EXPECT_FALSE(image_.Load(path)) << path;
    EXPECT_EQ(image_.disk_size(), 131072u);
    EXPECT_EQ(image_.sector_size(), 512u);
    EXPECT_EQ(image_.free_space(), 131072u - 512u);
    ASSERT_EQ(image_.disk().size(), before.size());
    EXPECT_TRUE(std::equal(before.begin(), before.end(), image_.disk().begin()));
  }
}

TEST_F(DiskImageTest, LoadsAFileOfExactlyTheBufferSize) {
  auto bytes = ImageBytes(kImageBufferSize, 65536, 256);
  EXPECT_TRUE(image_.Load(folder_.Write("full.rom", bytes)));
  EXPECT_TRUE(image_.Check().valid());
}

TEST_F(DiskImageTest, SaveWithoutImageWritesNothing) {
  const auto file = folder_.Write("existing.rom", Bytes{1, 2, 3});
  EXPECT_FALSE(image_.Save(file));
  EXPECT_EQ(ReadBytes(file), (Bytes{1, 2, 3}));
  EXPECT_FALSE(image_.Save(folder_ / "new.rom"));
  EXPECT_FALSE(std::filesystem::exists(folder_ / "new.rom"));
}

TEST_F(DiskImageTest, FailedSaveKeepsTheOldFileAndLeavesNoTemporary) {
  ASSERT_TRUE(image_.Format(65536, 256));
  EXPECT_FALSE(image_.Save(folder_ / "no-such-folder" / "disk.rom"));
  std::filesystem::create_directory(folder_ / "a-folder");
  EXPECT_FALSE(image_.Save(folder_ / "a-folder"));
  EXPECT_TRUE(std::filesystem::is_directory(folder_ / "a-folder"));
  EXPECT_EQ(folder_.Names(), std::vector<std::string>{"a-folder"});
}

TEST_F(DiskImageTest, SaveReplacesAnExistingFile) {
  const auto file = folder_.Write("disk.rom", Bytes(100000, 0x11));
  ASSERT_TRUE(image_.Format(65536, 256));
  ASSERT_TRUE(image_.Save(file));
  EXPECT_EQ(ReadBytes(file).size(), 65536u);
  EXPECT_EQ(folder_.Names(), std::vector<std::string>{"disk.rom"});
}

TEST_F(DiskImageTest, LabelKeepsBytesAfterItsNul) {
  ASSERT_TRUE(image_.Format(65536, 256));
  image_.SetLabel(std::string(40, 'L'));
  EXPECT_EQ(image_.Check().header.label, std::string(31, 'L'));
  image_.SetLabel("AB");
  const auto disk = image_.disk();
  EXPECT_EQ(disk[8], 'A');
  EXPECT_EQ(disk[9], 'B');
  EXPECT_EQ(disk[10], 0);
  EXPECT_EQ(disk[11], 'L');
  EXPECT_EQ(disk[39], 0);
}

TEST_F(DiskImageTest, DamagedImageIsListedWithinTheDisk) {
  // A directory offset far past the disk and a sector size of 0.
  auto bytes = ImageBytes(65536, 65536, 0, 0x7FFFFFFF);
  ASSERT_TRUE(image_.Load(folder_.Write("damaged.rom", bytes)));
  EXPECT_FALSE(image_.Check().valid());
  const auto& listing = image_.List();
  EXPECT_TRUE(listing.entries.empty());
  EXPECT_EQ(listing.free_space, 0u);
}

TEST_F(DiskImageTest, HugeClaimedDiskSizeStaysInsideTheBuffer) {
  auto bytes = ImageBytes(65536, 0xFFFFFFFF, 256, 256);
  ASSERT_TRUE(image_.Load(folder_.Write("huge.rom", bytes)));
  EXPECT_EQ(image_.Check().outcome, HeaderCheck::Outcome::kBadDiskSize);
  EXPECT_EQ(image_.disk().size(), kImageBufferSize);
  EXPECT_EQ(image_.List().free_space, kImageBufferSize - 256);
}

// Entry setters and reads, on an entry written out by hand.
class DiskImageEntryTest : public DiskImageTest {
 protected:
  void SetUp() override {
    auto bytes = ImageBytes(65536, 65536, 256);
    Bytes entry(44, 0xFF);
    entry[0] = 0xE6;
    entry[2] = 'F';
    entry[3] = 'I';
    entry[4] = 'L';
    entry[5] = 'E';
    entry[6] = 0;
    entry[36] = 10;  // data size 10
    entry[37] = entry[38] = entry[39] = 0;
    entry[40] = 0x00;  // total length 256
    entry[41] = 0x01;
    entry[42] = entry[43] = 0;
    std::copy(entry.begin(), entry.end(), bytes.begin() + 256);
    for (int i = 0; i < 10; ++i) {
      bytes[300 + i] = static_cast<std::uint8_t>(i);
    }
    ASSERT_TRUE(image_.Load(folder_.Write("entry.rom", bytes)));
    ASSERT_TRUE(image_.Check().valid());
    const auto& listing = image_.List();
    ASSERT_EQ(listing.entries.size(), 1u);
    EXPECT_EQ(listing.free_space, 65536u - 512u);
  }
};

TEST_F(DiskImageEntryTest, SettersWriteInPlace) {
  const Bytes before(image_.disk().begin(), image_.disk().end());
  EntryAttributes attributes;
  attributes.Set(kAttributeDeleted, true);
  ASSERT_TRUE(image_.SetEntryAttributes(256, attributes));
  ASSERT_TRUE(image_.SetEntryLoadAddress(256, 0xABCD));
  ASSERT_TRUE(image_.SetEntryName(256, "AB"));
  const auto disk = image_.disk();
  EXPECT_EQ(disk[257], 0x7F);
  EXPECT_EQ(disk[256 + 2], 'A');
  EXPECT_EQ(disk[256 + 4], 0);
  EXPECT_EQ(disk[256 + 5], 'E');  // after the NUL: kept
  EXPECT_EQ(disk[256 + 34], 0xCD);
  EXPECT_EQ(disk[256 + 35], 0xAB);
  std::size_t changed = 0;
  for (std::size_t i = 0; i < before.size(); ++i) {
    changed += before[i] != disk[i];
  }
  EXPECT_EQ(changed, 6u);  // attributes, 'A', 'B', NUL, two address bytes
  // A deleted entry is still listed.
  EXPECT_EQ(image_.List().entries.size(), 1u);
}

TEST_F(DiskImageEntryTest, SettersRefusePositionsWithoutEntry) {
  EXPECT_FALSE(image_.SetEntryName(257, "X"));
  EXPECT_FALSE(image_.SetEntryLoadAddress(65530, 1));
  EXPECT_FALSE(image_.SetEntryAttributes(0xFFFFFFFF, EntryAttributes{}));
  EXPECT_FALSE(image_.ReadEntry(512));
  ASSERT_TRUE(image_.ReadEntry(256));
  EXPECT_EQ(image_.ReadEntry(256)->name, "FILE");
}

TEST_F(DiskImageEntryTest, EntryDataStaysInsideEntryAndDisk) {
  auto entry = *image_.ReadEntry(256);
  auto data = image_.EntryData(entry);
  EXPECT_EQ(Bytes(data.begin(), data.end()), (Bytes{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
  entry.data_size = 100000;  // more than the total length holds
  EXPECT_EQ(image_.EntryData(entry).size(), 256u - 44u);
  entry.total_length = 0xFFFFFFFF;  // and past the disk
  EXPECT_EQ(image_.EntryData(entry).size(), 65536u - 300u);
  entry.total_length = 43;
  EXPECT_TRUE(image_.EntryData(entry).empty());
}

}  // namespace
}  // namespace flashdisk
