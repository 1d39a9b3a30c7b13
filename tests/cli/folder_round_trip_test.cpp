// The promise of `unpack` and `pack`: for every image whose header and chain
// are sound, packing the unpacked folder gives the image back byte for byte.
// Images come from a seeded generator, built straight into the disk's bytes so
// that they hold what `add` never writes.
#include <gtest/gtest.h>

#include <random>
#include <sstream>

#include "disk_folder/folder_packing.h"
#include "disk_folder/folder_unpacking.h"
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

}  // namespace
}  // namespace flashdisk::testing
