#include "image/rks_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace flashdisk {
namespace {

using Bytes = std::vector<std::uint8_t>;

TEST(RksFileTest, WritesHeaderDataAndTheMonitorsChecksum) {
  // 01 02 03: 0x0101 + 0x0202 = 0x0303, then the last byte to the low byte
  // only: 0x0306.
  EXPECT_EQ(MakeRksFile(0xA000, Bytes{0x01, 0x02, 0x03}),
            (Bytes{0x00, 0xA0, 0x02, 0xA0, 0x01, 0x02, 0x03, 0x06, 0x03}));
  // The low byte's carry reaches the high byte for every byte but the last;
  // the last byte's carry is dropped: 0xFF * 257 = 0xFFFF, + 0x01 -> 0xFF00.
  EXPECT_EQ(RksChecksum(Bytes{0xFF, 0x01}), 0xFF00);
  EXPECT_EQ(RksChecksum(Bytes{0x80, 0x80, 0x80}), 0x0180);
  // The end address wraps as the target's address space does.
  const auto wrapped = MakeRksFile(0xFFFF, Bytes{0xAA, 0xBB});
  EXPECT_EQ(wrapped[2], 0x00);
  EXPECT_EQ(wrapped[3], 0x00);
}

TEST(RksFileTest, LengthAgreesOnlyWithWhatTheHeaderPromises) {
  const Bytes header{0x00, 0xA0, 0x6F, 0xB7};  // A000 to B76F: 6000 data bytes
  EXPECT_TRUE(RksLengthAgrees(header, 6000 + 6));
  EXPECT_FALSE(RksLengthAgrees(header, 2994 + 6));
  EXPECT_FALSE(RksLengthAgrees(header, 6001 + 6));
  EXPECT_FALSE(RksLengthAgrees(Bytes{0x00, 0xA0}, 6006));
  EXPECT_FALSE(RksLengthAgrees(header, 5));
  const auto written = MakeRksFile(0xF000, Bytes(300, 0x11));
  EXPECT_TRUE(RksLengthAgrees(written, written.size()));
}

}  // namespace
}  // namespace flashdisk
