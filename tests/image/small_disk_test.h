// A fixture for the tests of what edits an image after the add: a fresh 64k
// disk with 256-byte sectors, entries put on it by the add, and bytes put in
// by hand.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "image/entry_plan.h"
#include "tests/support/temporary_folder.h"

namespace flashdisk::testing {

using Bytes = std::vector<std::uint8_t>;

// Damage to the header or the chain that no edit may build on.
struct Damage {
  const char* what;
  std::size_t position;
  Bytes bytes;
};

// For a 64k disk with 256-byte sectors whose first entry is at 256: a label
// without NUL, an entry that runs past the disk, and a header that names
// another disk size or another sector size (128 bytes, which every length
// on the disk still fits).
inline std::vector<Damage> HeaderAndChainDamages() {
  return {{"label without NUL", 8, Bytes(32, 'L')},
          {"entry past the disk", 256 + 40, {0x00, 0x00, 0x01, 0x00}},
          {"disk size changed", 2, {0x00, 0x00, 0x02, 0x00}},
          {"sector size changed", 6, {0x80, 0x00}}};
}

class SmallDiskTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(image_.Format(65536, 256));
    ASSERT_TRUE(image_.Check().valid());
    image_.List();
  }

  SourceFile Source(const std::string& name, const Bytes& bytes) const {
    const auto path = folder_.Write(name, bytes);
    return {path, *LookUpSource(path)};
  }

  // Adds `data` as a plain entry named `name`, as the add-file dialog would.
  void Add(const std::string& name, const Bytes& data) {
    const auto source = Source(name, data);
    const auto plan = PlanEntry(source.size, false, false, 0, image_.sector_size());
    ASSERT_EQ(AddEntry(image_, source, EntryChoices{.name = name}, plan), AddResult::kAdded);
    image_.List();
  }

  // Writes `bytes` into the disk from `position` on.
  void Put(std::size_t position, const Bytes& bytes) {
    std::copy(bytes.begin(), bytes.end(),
              image_.EditDisk().begin() + static_cast<std::ptrdiff_t>(position));
  }

  Bytes Disk(std::size_t from = 0, std::size_t count = std::dynamic_extent) const {
    const auto bytes = image_.disk().subspan(from, count);
    return Bytes(bytes.begin(), bytes.end());
  }

  // Puts each damage of HeaderAndChainDamages in turn into the disk and
  // expects `refuses` to say it refuses and to leave the damaged disk as it is.
  void ExpectEveryDamageRefused(const std::function<bool()>& refuses) {
    const auto sound = Disk();
    for (const auto& damage : HeaderAndChainDamages()) {
      Put(damage.position, damage.bytes);
      const auto damaged = Disk();
      EXPECT_TRUE(refuses()) << damage.what;
      EXPECT_EQ(Disk(), damaged) << damage.what;
      Put(0, sound);
    }
  }

  TemporaryFolder folder_;
  DiskImage image_;
};

}  // namespace flashdisk::testing
