#include "image/image_format.h"

#include <gtest/gtest.h>

#include <vector>

namespace flashdisk {
namespace {

using Bytes = std::vector<std::uint8_t>;

// A disk of `size` erased bytes with an entry-shaped record at `position`.
void PutEntry(Bytes& disk, std::size_t position, std::uint32_t total_length) {
  disk[position] = 0xE6;
  disk[position + 40] = static_cast<std::uint8_t>(total_length);
  disk[position + 41] = static_cast<std::uint8_t>(total_length >> 8);
  disk[position + 42] = static_cast<std::uint8_t>(total_length >> 16);
  disk[position + 43] = static_cast<std::uint8_t>(total_length >> 24);
}

std::vector<std::uint32_t> Walk(const Bytes& disk, std::uint64_t directory_offset,
                                std::uint64_t* end = nullptr) {
  DirectoryWalk walk(disk, directory_offset);
  std::vector<std::uint32_t> positions;
  while (const auto position = walk.Next()) {
    positions.push_back(*position);
  }
  if (end != nullptr) {
    *end = walk.end_of_chain();
  }
  return positions;
}

TEST(ImageFormat, FreshDiskHeaderBytes) {
  Bytes disk(65536, 0);
  FormatDisk(disk, 256);
  const Bytes expected_start = {0xAA, 0x55, 0x00, 0x00, 0x01, 0x00, 0x00, 0x01, 0x00};
  EXPECT_EQ(Bytes(disk.begin(), disk.begin() + 9), expected_start);
  for (std::size_t i = 9; i < 40; ++i) {
    EXPECT_EQ(disk[i], 0xFF) << "label byte " << i;
  }
  const Bytes expected_tail = {0x00, 0x00, 0x00, 0x00, 0x00, 0x01, 0x00, 0x00};
  EXPECT_EQ(Bytes(disk.begin() + 40, disk.begin() + 48), expected_tail);
  for (std::size_t i = 48; i < disk.size(); ++i) {
    ASSERT_EQ(disk[i], 0xFF) << "byte " << i;
  }
  std::uint64_t end = 0;
  EXPECT_TRUE(Walk(disk, 256, &end).empty());
  EXPECT_EQ(end, 256u);
}

TEST(ImageFormat, DirectoryOffsetFollowsSectorSize) {
  Bytes disk(65536);
  FormatDisk(disk, 1);
  EXPECT_EQ(ReadImageHeader(disk).directory_offset, 48u);
  FormatDisk(disk, 128);
  EXPECT_EQ(ReadImageHeader(disk).directory_offset, 128u);
  FormatDisk(disk, 1024);
  const auto header = ReadImageHeader(disk);
  EXPECT_EQ(header.directory_offset, 1024u);
  EXPECT_EQ(header.sector_size, 1024u);
  EXPECT_EQ(header.disk_size, 65536u);
  EXPECT_EQ(header.label, "");
}

TEST(ImageFormat, OnlyOfferedSizesHaveAnIndex) {
  EXPECT_EQ(DiskSizeIndex(65536), 0u);
  EXPECT_EQ(DiskSizeIndex(2097152), 5u);
  EXPECT_FALSE(DiskSizeIndex(0));
  EXPECT_FALSE(DiskSizeIndex(3 * 65536));
  EXPECT_FALSE(DiskSizeIndex(0x01010000));  // 64k with a stray top bit
  EXPECT_EQ(SectorSizeIndex(1), 0u);
  EXPECT_EQ(SectorSizeIndex(1024), 4u);
  EXPECT_FALSE(SectorSizeIndex(0));
  EXPECT_FALSE(SectorSizeIndex(136));
  EXPECT_FALSE(SectorSizeIndex(2048));
}

TEST(ImageFormat, AttributesAreStoredInverted) {
  EntryAttributes attributes;  // erased: nothing set
  EXPECT_FALSE(attributes.Has(kAttributeDeleted));
  attributes.Set(kAttributeBig, true);
  attributes.Set(kAttributeAligned, true);
  EXPECT_EQ(attributes.stored, 0xAF);
  EXPECT_EQ(attributes.Plain(), 0x50);
  EXPECT_TRUE(attributes.Has(kAttributeBig));
  attributes.Set(kAttributeBig, false);
  EXPECT_EQ(attributes.stored, 0xEF);
}

TEST(ImageFormat, ShownSizeDependsOnBig) {
  DirectoryEntry entry;
  entry.data_size = 65536 + 5;
  EXPECT_EQ(ShownSize(entry), 5u);
  entry.attributes.Set(kAttributeBig, true);
  EXPECT_EQ(ShownSize(entry), 65541u);
}

TEST(ImageFormat, TextFields) {
  Bytes field(32, 'A');  // no NUL anywhere
  EXPECT_EQ(ReadTextField(field), std::string(32, 'A'));
  WriteTextField(field, "HELLO");
  EXPECT_EQ(ReadTextField(field), "HELLO");
  EXPECT_EQ(field[5], 0);
  EXPECT_EQ(field[6], 'A');  // bytes after the NUL keep their values
  WriteTextField(field, std::string(40, 'x'));
  EXPECT_EQ(ReadTextField(field), std::string(31, 'x'));
  EXPECT_EQ(field[31], 0);
}

TEST(ImageFormat, ReadsEntryFieldsLittleEndian) {
  Bytes disk(512, 0xFF);
  Bytes fixed_part(44, 0xFF);
  fixed_part[0] = 0xE6;
  fixed_part[1] = 0xDF;  // Executable set
  fixed_part[2] = 'A';
  fixed_part[3] = 'B';
  fixed_part[4] = 0x00;
  const Bytes numbers = {0xCD, 0xAB, 0x04, 0x03, 0x02, 0x01, 0x2C, 0x01, 0x00, 0x00};
  std::copy(numbers.begin(), numbers.end(), fixed_part.begin() + 34);
  std::copy(fixed_part.begin(), fixed_part.end(), disk.begin() + 100);
  const auto entry = ReadDirectoryEntry(disk, 100);
  EXPECT_EQ(entry.position, 100u);
  EXPECT_EQ(entry.name, "AB");
  EXPECT_EQ(entry.load_address, 0xABCD);
  EXPECT_EQ(entry.data_size, 0x01020304u);
  EXPECT_EQ(entry.total_length, 300u);
  EXPECT_TRUE(entry.attributes.Has(kAttributeExecutable));
  EXPECT_FALSE(entry.attributes.Has(kAttributeBig));
}

TEST(DirectoryWalk, FollowsTheChain) {
  Bytes disk(4096, 0xFF);
  PutEntry(disk, 256, 512);
  PutEntry(disk, 768, 256);
  std::uint64_t end = 0;
  EXPECT_EQ(Walk(disk, 256, &end), (std::vector<std::uint32_t>{256, 768}));
  EXPECT_EQ(end, 1024u);
}

TEST(DirectoryWalk, OffsetWithoutMarkerIsAnEmptyDirectory) {
  Bytes disk(4096, 0xFF);
  disk[256] = 0x00;
  std::uint64_t end = 0;
  EXPECT_TRUE(Walk(disk, 256, &end).empty());
  EXPECT_EQ(end, 256u);
}

TEST(DirectoryWalk, NeverLeavesTheDisk) {
  Bytes disk(4096, 0xFF);
  std::uint64_t end = 0;
  // A directory offset past the disk, or whose fixed part would not fit.
  EXPECT_TRUE(Walk(disk, 0xFFFFFFFF, &end).empty());
  EXPECT_EQ(end, 4096u);
  disk[4095] = 0xE6;
  EXPECT_TRUE(Walk(disk, 4095, &end).empty());
  EXPECT_EQ(end, 4095u);
  disk[4052] = 0xE6;  // 4052 + 44 = 4096: fits exactly, but its length is erased (past the disk)
  EXPECT_EQ(Walk(disk, 4052, &end), (std::vector<std::uint32_t>{4052}));
  EXPECT_EQ(end, 4096u);
}

TEST(DirectoryWalk, BrokenLengthsEndTheChainAtTheDiskEnd) {
  for (const std::uint32_t broken : {0u, 1u, 43u, 4096u, 0xFFFFFFFFu}) {
    Bytes disk(4096, 0xFF);
    PutEntry(disk, 256, 256);
    PutEntry(disk, 512, broken);
    PutEntry(disk, 768, 256);  // must not be reached through the broken link
    std::uint64_t end = 0;
    EXPECT_EQ(Walk(disk, 256, &end), (std::vector<std::uint32_t>{256, 512})) << broken;
    EXPECT_EQ(end, 4096u) << broken;
  }
}

TEST(DirectoryWalk, LastEntryEndingAtTheDiskEnd) {
  Bytes disk(4096, 0xFF);
  PutEntry(disk, 256, 4096 - 256);
  std::uint64_t end = 0;
  EXPECT_EQ(Walk(disk, 256, &end), (std::vector<std::uint32_t>{256}));
  EXPECT_EQ(end, 4096u);
}

}  // namespace
}  // namespace flashdisk
