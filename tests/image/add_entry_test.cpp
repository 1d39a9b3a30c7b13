#include <gtest/gtest.h>

#include <algorithm>

#include "image/entry_plan.h"
#include "tests/support/temporary_folder.h"

namespace flashdisk {
namespace {

using testing::CountingBytes;
using testing::ReadBytes;
using testing::TemporaryFolder;
using Bytes = std::vector<std::uint8_t>;

class AddEntryTest : public ::testing::Test {
 protected:
  void Format(std::uint32_t disk_size, std::uint32_t sector_size) {
    ASSERT_TRUE(image_.Format(disk_size, sector_size));
    ASSERT_TRUE(image_.Check().valid());
    image_.List();
  }

  SourceFile Source(const std::string& name, const Bytes& bytes) {
    const auto path = folder_.Write(name, bytes);
    return {path, *LookUpSource(path)};
  }

  // Plans and adds as the add-file dialog does on OK.
  AddResult Add(const SourceFile& source, EntryChoices choices) {
    const auto plan = PlanEntry(source.size, choices.rks, choices.aligned, choices.reserved_minimum,
                                image_.sector_size());
    return AddEntry(image_, source, choices, plan);
  }

  Bytes Disk() const { return Bytes(image_.disk().begin(), image_.disk().end()); }

  TemporaryFolder folder_;
  DiskImage image_;
};

TEST_F(AddEntryTest, WritesTheEntryByteForByte) {
  Format(65536, 256);
  const auto source = Source("data.bin", CountingBytes(1000, 1));
  EntryChoices choices{.name = "DATA", .executable = true, .load_address = 0xABCD};
  ASSERT_EQ(Add(source, choices), AddResult::kAdded);

  const auto disk = Disk();
  const Bytes fixed_part = {
      0xE6, 0xDF, 'D',  'A',  'T',  'A',  0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
      0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF,
      0xFF, 0xFF, 0xFF, 0xFF, 0xCD, 0xAB, 0xE8, 0x03, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00,
  };
  EXPECT_EQ(Bytes(disk.begin() + 256, disk.begin() + 300), fixed_part);
  EXPECT_EQ(Bytes(disk.begin() + 300, disk.begin() + 1300), CountingBytes(1000, 1));
  EXPECT_TRUE(std::all_of(disk.begin() + 1300, disk.end(), [](auto b) { return b == 0xFF; }));

  const auto& listing = image_.List();
  ASSERT_EQ(listing.entries.size(), 1u);
  EXPECT_EQ(listing.entries[0].position, 256u);
  EXPECT_EQ(listing.entries[0].name, "DATA");
  EXPECT_EQ(listing.free_space, 65536u - 256u - 1280u);
}

TEST_F(AddEntryTest, RksSourceSkipsItsHeaderAndTrailer) {
  Format(65536, 512);
  Bytes rks = {0x00, 0x30, 0xAA, 0xBB};
  const auto data = CountingBytes(1024, 7);
  rks.insert(rks.end(), data.begin(), data.end());
  rks.push_back(0xCC);
  rks.push_back(0xDD);
  const auto source = Source("prog.rks", rks);
  ASSERT_EQ(source.size, 1030u);
  const auto address = ReadRksLoadAddress(source.path);
  ASSERT_EQ(address, 0x3000);
  EntryChoices choices{
      .name = "prog.rks", .rks = true, .executable = true, .load_address = *address};
  ASSERT_EQ(Add(source, choices), AddResult::kAdded);
  const auto entry = *image_.ReadEntry(512);
  EXPECT_EQ(entry.data_size, 1024u);
  EXPECT_EQ(entry.total_length, 1536u);
  EXPECT_EQ(entry.load_address, 0x3000);
  const auto stored = image_.EntryData(entry);
  EXPECT_EQ(Bytes(stored.begin(), stored.end()), data);
  EXPECT_EQ(image_.disk()[512 + 44 + 1024], 0xFF);  // the trailer is not copied
}

TEST_F(AddEntryTest, AttributesFollowTheChoices) {
  Format(65536, 1);
  const auto source = Source("x", Bytes(10));
  ASSERT_EQ(Add(source, {.name = "A", .big = true, .aligned = true}), AddResult::kAdded);
  EXPECT_EQ(image_.disk()[48 + 1], 0xAF);
  image_.List();
  ASSERT_EQ(Add(source, {.name = "B"}), AddResult::kAdded);
  EXPECT_EQ(image_.disk()[48 + 54 + 1], 0xFF);
}

TEST_F(AddEntryTest, NameIsCutTo31Characters) {
  Format(65536, 256);
  ASSERT_EQ(Add(Source("x", Bytes(1)), {.name = std::string(40, 'N')}), AddResult::kAdded);
  EXPECT_EQ(image_.ReadEntry(256)->name, std::string(31, 'N'));
  EXPECT_EQ(image_.disk()[256 + 2 + 31], 0);
}

TEST_F(AddEntryTest, ExactFitIsRefused) {
  Format(65536, 256);
  // Fill the disk up to 1280 bytes before its end with one reserved entry.
  ASSERT_EQ(Add(Source("fill", Bytes{}), {.name = "F", .reserved_minimum = 65536 - 256 - 1280}),
            AddResult::kAdded);
  image_.List();
  ASSERT_EQ(image_.free_space(), 1280u);
  const auto source = Source("data.bin", Bytes(1000));
  const auto before = Disk();
  EXPECT_EQ(Add(source, {.name = "D"}), AddResult::kNoRoom);
  EXPECT_EQ(Disk(), before);
}

TEST_F(AddEntryTest, FreeSpaceShrinksByTheTotalLength) {
  Format(65536, 256);
  ASSERT_EQ(Add(Source("fill", Bytes{}), {.name = "F", .reserved_minimum = 65536 - 256 - 1536}),
            AddResult::kAdded);
  image_.List();
  ASSERT_EQ(image_.free_space(), 1536u);
  EXPECT_EQ(Add(Source("data.bin", Bytes(1000)), {.name = "D"}), AddResult::kAdded);
  EXPECT_EQ(image_.List().free_space, 256u);
}

TEST_F(AddEntryTest, AnEntryOfJustItsFixedPartLinksToTheNext) {
  Format(65536, 1);
  ASSERT_EQ(Add(Source("empty", Bytes{}), {.name = "E"}), AddResult::kAdded);
  EXPECT_EQ(image_.List().free_space, 65536u - 48u - 44u);
  ASSERT_EQ(Add(Source("one", Bytes(1)), {.name = "O"}), AddResult::kAdded);
  const auto listing = image_.List();
  EXPECT_EQ(listing.entries.size(), 2u);
  EXPECT_EQ(listing.free_space, 65536u - 48u - 44u - 45u);
}

TEST_F(AddEntryTest, RefusalsComeInOrderAndChangeNothing) {
  Format(65536, 256);
  const auto before = Disk();
  const auto missing = SourceFile{folder_ / "missing.bin", 0};
  // No room and an empty name at once: no room decides.
  EXPECT_EQ(Add(missing, {.name = "", .reserved_minimum = 0xFFFFFFFF}), AddResult::kNoRoom);
  EXPECT_EQ(Add(missing, {.name = ""}), AddResult::kEmptyName);
  // The stored name ends at its first NUL: one that starts there is empty.
  EXPECT_EQ(Add(missing, {.name = std::string("\0A", 2)}), AddResult::kEmptyName);
  EXPECT_EQ(Add(missing, {.name = " "}), AddResult::kReadError);  // a space is a name
  EXPECT_EQ(Disk(), before);
  EXPECT_EQ(image_.List().free_space, 65536u - 256u);
}

TEST_F(AddEntryTest, WithoutImageEveryAddIsNoRoom) {
  const auto source = Source("data.bin", Bytes(10));
  EXPECT_EQ(Add(source, {.name = "D"}), AddResult::kNoRoom);
  // After a listing of a real disk, a load that fails its check drops the image.
  Format(65536, 256);
  ASSERT_TRUE(image_.Load(folder_.Write("junk.rom", Bytes(65536, 0))));
  image_.Check();
  EXPECT_EQ(Add(source, {.name = "D"}), AddResult::kNoRoom);
}

TEST_F(AddEntryTest, DamagedImageRefusesWithFormatError) {
  Bytes bytes(65536, 0xFF);
  const Bytes header = {0xAA, 0x55, 0x00, 0x00, 0x01, 0x00, 0x88, 0x00};  // 136-byte sectors
  std::copy(header.begin(), header.end(), bytes.begin());
  bytes[44] = 0x00;
  bytes[45] = 0x01;
  bytes[46] = bytes[47] = 0;
  ASSERT_TRUE(image_.Load(folder_.Write("bad.rom", bytes)));
  ASSERT_FALSE(image_.Check().valid());
  image_.List();
  const auto before = Disk();
  EXPECT_EQ(Add(Source("d.bin", Bytes(10)), {.name = "D"}), AddResult::kBadFormat);
  EXPECT_EQ(Disk(), before);
}

TEST_F(AddEntryTest, ShortRksSourceIsNeverAdded) {
  Format(65536, 256);
  const auto before = Disk();
  for (std::size_t size = 0; size < 6; ++size) {
    const auto source = Source("short.rks", Bytes(size, 0x11));
    EXPECT_EQ(Add(source, {.name = "S", .rks = true}), AddResult::kReadError) << size;
  }
  EXPECT_EQ(Disk(), before);
  // Exactly 6 bytes: an entry without data.
  ASSERT_EQ(Add(Source("six.rks", Bytes(6, 0x11)), {.name = "S", .rks = true}), AddResult::kAdded);
  EXPECT_EQ(image_.ReadEntry(256)->data_size, 0u);
  EXPECT_EQ(image_.ReadEntry(256)->total_length, 256u);
}

TEST_F(AddEntryTest, KeptPlanThatDoesNotCoverTheSourceIsRefused) {
  Format(65536, 256);
  const auto source = Source("data.bin", Bytes(1000));
  const auto before = Disk();
  EXPECT_EQ(AddEntry(image_, source, {.name = "D"}, EntryPlan{}), AddResult::kReadError);
  EXPECT_EQ(AddEntry(image_, source, {.name = "D"}, PlanEntry(10, false, false, 0, 1)),
            AddResult::kReadError);
  EXPECT_EQ(Disk(), before);
}

TEST_F(AddEntryTest, SourceThatShrankOrVanishedIsAReadError) {
  Format(65536, 256);
  auto source = Source("data.bin", Bytes(1000));
  folder_.Write("data.bin", Bytes(999));
  const auto before = Disk();
  EXPECT_EQ(Add(source, {.name = "D"}), AddResult::kReadError);
  std::filesystem::remove(source.path);
  EXPECT_EQ(Add(source, {.name = "D"}), AddResult::kReadError);
  std::filesystem::create_directory(source.path);  // now a folder of the same name
  EXPECT_EQ(Add({source.path, *LookUpSource(source.path)}, {.name = "D"}), AddResult::kReadError);
  EXPECT_EQ(Disk(), before);
  EXPECT_EQ(image_.List().free_space, 65536u - 256u);
}

TEST_F(AddEntryTest, SourceThatGrewGivesOnlyItsFirstBytes) {
  Format(65536, 256);
  auto source = Source("data.bin", CountingBytes(100));
  folder_.Write("data.bin", CountingBytes(200));
  ASSERT_EQ(Add(source, {.name = "D"}), AddResult::kAdded);
  const auto entry = *image_.ReadEntry(256);
  EXPECT_EQ(entry.data_size, 100u);
  EXPECT_EQ(image_.disk()[300 + 100], 0xFF);
}

TEST_F(AddEntryTest, ReadErrorLeavesTheSavedImageUnchanged) {
  Format(65536, 256);
  ASSERT_EQ(Add(Source("a.bin", Bytes(10, 1)), {.name = "A"}), AddResult::kAdded);
  image_.List();
  ASSERT_TRUE(image_.Save(folder_ / "before.rom"));
  EXPECT_EQ(Add({folder_ / "gone.bin", 50}, {.name = "B"}), AddResult::kReadError);
  ASSERT_TRUE(image_.Save(folder_ / "after.rom"));
  EXPECT_EQ(ReadBytes(folder_ / "before.rom"), ReadBytes(folder_ / "after.rom"));
  EXPECT_EQ(image_.List().entries.size(), 1u);
}

TEST_F(AddEntryTest, AddsInARowWithoutListingBetween) {
  Format(65536, 128);
  const auto source = Source("a.bin", Bytes(100));
  ASSERT_EQ(Add(source, {.name = "A"}), AddResult::kAdded);
  EXPECT_EQ(image_.free_space(), 65536u - 128u - 256u);
  ASSERT_EQ(Add(source, {.name = "B"}), AddResult::kAdded);
  EXPECT_EQ(image_.ReadEntry(128 + 256)->name, "B");
  const auto& listing = image_.List();
  ASSERT_EQ(listing.entries.size(), 2u);
  EXPECT_EQ(listing.free_space, 65536u - 128u - 512u);
}

TEST_F(AddEntryTest, AnAddNeverRejoinsAnOldRecordBehindIt) {
  // A chain A, B, C whose B lost its marker lists only A. A new entry of B's
  // length lands where B was; C must not come back into the chain behind it,
  // or one add would list two entries more.
  Format(65536, 128);
  for (const char* name : {"A", "B", "C"}) {
    ASSERT_EQ(Add(Source("x.bin", Bytes(10)), {.name = name}), AddResult::kAdded);
  }
  ASSERT_TRUE(image_.Save(folder_ / "three.rom"));
  auto bytes = ReadBytes(folder_ / "three.rom");
  bytes[256] = 0x00;
  ASSERT_TRUE(image_.Load(folder_.Write("cut.rom", bytes)));
  ASSERT_TRUE(image_.Check().valid());
  ASSERT_EQ(image_.List().entries.size(), 1u);
  ASSERT_EQ(Add(Source("d.bin", Bytes(10)), {.name = "D"}), AddResult::kAdded);
  EXPECT_EQ(image_.free_space(), 65536u - 384u);
  EXPECT_EQ(image_.disk()[384], 0xFF);  // C's marker is erased
  ASSERT_EQ(Add(Source("e.bin", Bytes(10)), {.name = "E"}), AddResult::kAdded);
  const auto& listing = image_.List();
  ASSERT_EQ(listing.entries.size(), 3u);
  EXPECT_EQ(listing.entries[1].name, "D");
  EXPECT_EQ(listing.entries[2].name, "E");
  EXPECT_EQ(listing.entries[2].position, 384u);
  EXPECT_EQ(listing.free_space, 65536u - 512u);
}

TEST_F(AddEntryTest, ChainEndingAtTheDiskEndTakesNoMore) {
  Format(65536, 1);
  ASSERT_EQ(Add(Source("fill", Bytes{}), {.name = "F", .reserved_minimum = 65536 - 48 - 1}),
            AddResult::kAdded);
  const auto& listing = image_.List();
  EXPECT_EQ(listing.free_space, 1u);
  EXPECT_EQ(Add(Source("e", Bytes{}), {.name = "E"}), AddResult::kNoRoom);
}

}  // namespace
}  // namespace flashdisk
