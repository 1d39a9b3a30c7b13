// The promise of `unpack` and `pack`: for every image whose header and chain
// are sound, packing the unpacked folder gives the image back byte for byte.
// Images come from a seeded generator, built straight into the disk's bytes so
// that they hold what `add` never writes.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <sstream>

#include "disk_folder/folder_packing.h"
#include "disk_folder/folder_unpacking.h"
#include "image/entry_move.h"
#include "image/entry_removal.h"
#include "image/image_diff.h"
#include "image/image_problems.h"
#include "image/little_endian.h"
#include "image/utf8_path.h"
#include "tests/support/temporary_folder.h"

namespace flashdisk::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Fewer under the sanitizers, which make every byte's handling many times slower.
#if defined(__SANITIZE_ADDRESS__)
constexpr int kImages = 250;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr int kImages = 250;
#else
constexpr int kImages = 1000;
#endif
#else
constexpr int kImages = 1000;
#endif
constexpr std::uint32_t kSectorSizes[] = {1, 128, 256, 512, 1024};

class ImageGenerator {
 public:
  explicit ImageGenerator(unsigned seed) : random_(seed) {}

  // A sound image, listed: odd bytes in some places, erased in the others.
  DiskImage Make() {
    DiskImage image;
    const std::uint32_t disk_size = Chance(8) ? 0x20000 : 0x10000;
    sector_ = kSectorSizes[Below(5)];
    EXPECT_TRUE(image.Format(disk_size, sector_));
    disk_ = image.EditDisk();
    WriteHeader();
    auto end = WriteChain();
    if (Chance(3) && end < disk_.size()) {
      // Leftovers after the chain, but no marker where the chain would go on.
      Scatter(end, disk_.size(), 1 + Below(40));
      if (disk_[end] == kEntryMarker) {
        disk_[end] = 0;
      }
    }
    image.Check();
    image.List();
    return image;
  }

 private:
  std::uint32_t Below(std::uint32_t limit) {
    return std::uniform_int_distribution<std::uint32_t>(0, limit - 1)(random_);
  }
  bool Chance(std::uint32_t one_in) { return Below(one_in) == 0; }
  std::uint8_t AnyByte() { return static_cast<std::uint8_t>(random_()); }
  std::uint32_t RoundUp(std::uint32_t length) const {
    return (length + sector_ - 1) / sector_ * sector_;
  }

  // `count` bytes not erased, anywhere in [from, to).
  void Scatter(std::uint64_t from, std::uint64_t to, std::uint32_t count) {
    for (std::uint32_t i = 0; i < count && from < to; ++i) {
      disk_[from + Below(static_cast<std::uint32_t>(to - from))] = AnyByte();
    }
  }

  // A text of 0 to 31 bytes without NUL: Cyrillic, controls, path characters.
  void WriteText(std::size_t field, bool may_be_empty) {
    static constexpr std::string_view kOdd = "/\\:*?\"<>|. CONcon\x01\x7f\x98\xC0\xFF";
    const auto length = (may_be_empty ? 0 : 1) + Below(may_be_empty ? 32 : 31);
    for (std::uint32_t i = 0; i < length; ++i) {
      const auto byte = Chance(3) ? static_cast<std::uint8_t>(kOdd[Below(kOdd.size())])
                                  : static_cast<std::uint8_t>(1 + Below(255));
      disk_[field + i] = byte;
    }
    disk_[field + length] = 0;
    if (Chance(4)) {
      Scatter(field + length + 1, field + kTextFieldSize, 1 + Below(4));
    }
  }

  // Now and then a name that a host file system or add's defaults treat
  // specially, or one that an earlier entry has already.
  void WriteName(std::size_t field) {
    static constexpr std::string_view kNames[] = {
        "boot.rks", "BOOT.RKS",         "disk.toml",       "CON",
        "nul.txt",  "\xC8\xC3\xD0\xC0", "\xE8\xE3\xF0\xE0"};
    if (!Chance(4)) {
      WriteText(field, false);
      return;
    }
    const auto name = kNames[Below(std::size(kNames))];
    std::copy(name.begin(), name.end(), disk_.begin() + static_cast<std::ptrdiff_t>(field));
    disk_[field + name.size()] = 0;
  }

  void WriteHeader() {
    WriteText(kLabelOffset, true);
    if (Chance(4)) {
      WriteLe16(disk_, kSystemLoadAddressOffset, static_cast<std::uint16_t>(Below(0x10000)));
      WriteLe16(disk_, kSystemSizeOffset, static_cast<std::uint16_t>(Below(0x10000)));
    }
    std::uint32_t directory = DefaultDirectoryOffset(sector_);
    if (Chance(4)) {
      directory += sector_ == 1 ? Below(600) : sector_ * Below(3);
      WriteLe32(disk_, kDirectoryOffsetOffset, directory);
      Scatter(kHeaderSize, directory, Below(20));
    }
  }

  // Entries up to the disk's end, the last one sometimes filling it.
  std::uint64_t WriteChain() {
    std::uint64_t at = ReadLe32(disk_, kDirectoryOffsetOffset);
    const auto count = Below(9);
    for (std::uint32_t i = 0; i < count; ++i) {
      const auto length = WriteEntry(at, i + 1 == count && Chance(4));
      if (length == 0) {
        break;
      }
      at += length;
    }
    return at;
  }

  // Gives the entry's total length, or 0 when it does not fit.
  std::uint32_t WriteEntry(std::uint64_t at, bool fill_disk) {
    const auto room = static_cast<std::uint32_t>(disk_.size() - at);
    const std::uint32_t attributes = AnyByte();
    const bool aligned = (attributes & kAttributeAligned) == 0;
    // The room add plans for an Aligned entry, or only what its data needs,
    // as when `set` made an entry Aligned: check calls both sound.
    const std::uint32_t header = aligned && Chance(2) ? std::max<std::uint32_t>(44, sector_) : 44;
    const std::uint32_t data_size =
        Chance(10) ? 0x10000 + Below(300) : Below(Chance(2) ? 50 : 3000);
    std::uint32_t total = RoundUp(header + data_size + (Chance(3) ? Below(2000) : 0));
    if (fill_disk && total <= room) {
      total = room;
    }
    if (total > room) {
      return 0;
    }
    disk_[at] = kEntryMarker;
    disk_[at + 1] = static_cast<std::uint8_t>(attributes);
    WriteName(at + kEntryNameOffset);
    WriteLe16(disk_, at + kEntryLoadAddressOffset, static_cast<std::uint16_t>(Below(0x10000)));
    WriteLe32(disk_, at + kEntryDataSizeOffset, data_size);
    WriteLe32(disk_, at + kEntryTotalLengthOffset, total);
    for (std::uint32_t i = 0; i < data_size; ++i) {
      disk_[at + kEntryHeaderSize + i] = AnyByte();
    }
    if (Chance(3)) {
      Scatter(at + kEntryHeaderSize + data_size, at + total, 1 + Below(8));
    }
    return total;
  }

  std::mt19937 random_;
  std::span<std::uint8_t> disk_;
  std::uint32_t sector_ = 1;
};

Bytes BytesOf(std::span<const std::uint8_t> disk) {
  return Bytes(disk.begin(), disk.end());
}

// Unpacks into `folder` as the command would, and packs that folder again.
std::optional<DiskImage> RoundTrip(const DiskImage& image, const TemporaryFolder& folder,
                                   std::ostringstream& err) {
  std::filesystem::remove_all(folder.path());
  std::filesystem::create_directory(folder.path());
  const auto unpacked = UnpackDisk(image);
  for (const auto& file : unpacked.files) {
    folder.Write(PathFromUtf8(file.name), file.bytes);
  }
  const auto manifest = ManifestText(unpacked.manifest);
  folder.Write("disk.toml", Bytes(manifest.begin(), manifest.end()));
  auto packed = PackFolder(folder / "disk.toml", "disk.rom");
  err << packed.error;
  return std::move(packed.image);
}

TEST(FolderRoundTripTest, PackOfUnpackGivesEverySoundImageBackByteForByte) {
  TemporaryFolder folder;
  for (int seed = 0; seed < kImages; ++seed) {
    const auto image = ImageGenerator(static_cast<unsigned>(seed)).Make();
    ASSERT_FALSE(FindImageProblems(image, HeaderCheck::Outcome::kValid).damaged())
        << "the generator made a damaged image, seed " << seed;
    std::ostringstream err;
    const auto packed = RoundTrip(image, folder, err);
    ASSERT_TRUE(packed) << "seed " << seed << ": " << err.str();
    ASSERT_EQ(BytesOf(packed->disk()), BytesOf(image.disk())) << "seed " << seed;
  }
}

// Over the folder of another image, an unpack keeps what it can of it and
// still packs to the new image exactly; once more, it writes nothing.
TEST(FolderRoundTripTest, AnUpdateInPlaceGivesTheNewImageAndThenChangesNothing) {
  TemporaryFolder folder;
  for (int seed = 0; seed < kImages / 4; ++seed) {
    const auto before = ImageGenerator(static_cast<unsigned>(seed)).Make();
    const auto image = ImageGenerator(static_cast<unsigned>(seed + kImages)).Make();
    const auto disk = folder / std::to_string(seed);
    ASSERT_EQ(UnpackIntoFolder(before, disk), std::nullopt) << "seed " << seed;
    FolderUnpackOptions options;
    options.force = true;
    ASSERT_EQ(UnpackIntoFolder(image, disk, options), std::nullopt) << "seed " << seed;
    auto packed = PackFolder(disk / "disk.toml", "disk.rom");
    ASSERT_TRUE(packed.image) << "seed " << seed << ": " << packed.error;
    ASSERT_EQ(BytesOf(packed.image->disk()), BytesOf(image.disk())) << "seed " << seed;
    int steps = 0;
    options.hook = [&steps](FolderStep) { return ++steps, true; };
    ASSERT_EQ(UnpackIntoFolder(image, disk, options), std::nullopt);
    EXPECT_EQ(steps, 0) << "seed " << seed;
  }
}

// One change made to a generated image, and what diff must say of it.
class ImageChanger {
 public:
  ImageChanger(DiskImage& image, unsigned seed) : image_(image), random_(seed) {}

  // The change that diff must find alone, or nothing when this image
  // cannot take the kind chosen (no entry, no room, no data).
  std::optional<ImageChange> Apply() {
    const auto& entries = image_.listing().entries;
    const auto kind = Below(8);
    if (kind == 0) {
      image_.SetLabel("\xCC\xE5\xF2\xEA\xE0 2");
      return Change(ChangeKind::kLabel, 0);
    }
    if (kind == 1) {
      return Add();
    }
    if (entries.empty()) {
      return std::nullopt;
    }
    const auto index = Below(static_cast<std::uint32_t>(entries.size()));
    const auto entry = entries[index];
    switch (kind) {
      case 2:
        EXPECT_TRUE(image_.SetEntryName(entry.position, "\xCD\xCE\xC2\xCE\xC5"));
        return Change(ChangeKind::kRenamed, index + 1);
      case 3:
        EXPECT_TRUE(image_.SetEntryLoadAddress(
            entry.position, static_cast<std::uint16_t>(entry.load_address ^ (1 + Below(0xFFFF)))));
        return Change(ChangeKind::kLoadAddress, index + 1);
      case 4:
        EXPECT_TRUE(image_.SetEntryAttributes(
            entry.position,
            {static_cast<std::uint8_t>(entry.attributes.stored ^ (1 + Below(255)))}));
        return Change(ChangeKind::kAttributes, index + 1);
      case 5:
        return ChangeData(entry, index);
      case 6:
        EXPECT_TRUE(RemoveEntries(image_, {entry.position}));
        return Change(ChangeKind::kRemoved, index + 1);
      default:
        return Move(entry, index);
    }
  }

 private:
  std::uint32_t Below(std::uint32_t limit) {
    return std::uniform_int_distribution<std::uint32_t>(0, limit - 1)(random_);
  }

  ImageChange Change(ChangeKind kind, std::size_t index) {
    image_.List();
    ImageChange change;
    change.kind = kind;
    change.index = index;
    return change;
  }

  std::optional<ImageChange> Add() {
    const auto end = image_.EndOfChain();
    const auto sector = image_.sector_size();
    DirectoryEntry fields;
    fields.position = end;
    fields.name = "\xCD\xCE\xC2\xC0\xDF";
    const Bytes data{1, 2, 3, static_cast<std::uint8_t>(random_())};
    fields.data_size = static_cast<std::uint32_t>(data.size());
    fields.total_length = (kEntryHeaderSize + fields.data_size + sector - 1) / sector * sector;
    if (std::uint64_t{end} + fields.total_length + 1 > image_.disk_size()) {
      return std::nullopt;
    }
    image_.AppendEntry(fields, data);
    return Change(ChangeKind::kAdded, image_.listing().entries.size() + 1);
  }

  std::optional<ImageChange> ChangeData(const DirectoryEntry& entry, std::uint32_t index) {
    const auto size = image_.EntryData(entry).size();
    if (size == 0) {
      return std::nullopt;
    }
    const auto offset = Below(static_cast<std::uint32_t>(size));
    image_.EditDisk()[entry.position + kEntryHeaderSize + offset] ^= 0x5A;
    auto change = Change(ChangeKind::kData, index + 1);
    change.first_difference = offset;
    return change;
  }

  // Moving an entry by one place is also moving its neighbour the other way.
  std::optional<ImageChange> Move(const DirectoryEntry& entry, std::uint32_t index) {
    const auto count = static_cast<std::uint32_t>(image_.listing().entries.size());
    if (count < 2) {
      return std::nullopt;
    }
    const auto to = (index + 1 + Below(count - 1)) % count;
    EXPECT_TRUE(MoveEntry(image_, entry.position, to));
    auto change = Change(ChangeKind::kMoved, to + 1);
    change.old_value = index + 1;
    change.new_value = to + 1;
    return change;
  }

  DiskImage& image_;
  std::mt19937 random_;
};

// Names and data that no two entries share, so that only one account of
// a change is right.
bool EntriesTellApart(const DiskImage& image) {
  std::set<std::string> names;
  std::set<Bytes> data;
  for (const auto& entry : image.listing().entries) {
    if (!names.insert(entry.name).second || !data.insert(BytesOf(image.EntryData(entry))).second) {
      return false;
    }
  }
  return true;
}

bool SameChange(const ImageChange& found, const ImageChange& made) {
  if (found.kind != made.kind) {
    return false;
  }
  if (made.kind == ChangeKind::kMoved) {
    const bool swap = std::abs(made.old_value - made.new_value) == 1;
    return (found.old_value == made.old_value && found.new_value == made.new_value) ||
           (swap && found.old_value == made.new_value && found.new_value == made.old_value);
  }
  return found.index == made.index && found.first_difference == made.first_difference;
}

TEST(FolderRoundTripTest, DiffNamesTheOneChangeMadeAndNothingElse) {
  int changed = 0;
  for (int seed = 0; seed < kImages; ++seed) {
    const auto image = ImageGenerator(static_cast<unsigned>(seed)).Make();
    auto edited = ImageGenerator(static_cast<unsigned>(seed)).Make();
    if (!EntriesTellApart(image)) {
      continue;
    }
    const auto made = ImageChanger(edited, static_cast<unsigned>(seed)).Apply();
    if (!made) {
      continue;
    }
    ++changed;
    const auto found = DiffImages(image, edited);
    ASSERT_EQ(found.size(), 1u) << "seed " << seed;
    EXPECT_TRUE(SameChange(found[0], *made))
        << "seed " << seed << ": kind " << static_cast<int>(made->kind) << " found as "
        << static_cast<int>(found[0].kind) << " of entry " << found[0].index;
  }
  EXPECT_GT(changed, kImages / 2);
}

}  // namespace
}  // namespace flashdisk::testing
