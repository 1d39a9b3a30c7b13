#include "target/hex_rows.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace flashdisk::target {
namespace {

// The character column in both sets, against characters written out here:
// KOI-7 N2 has capital Cyrillic letters where ASCII has lower-case Latin
// ones, and nothing in its upper half.
TEST(HexRows, ShowTheCharactersOfEitherSet) {
  const std::vector<std::uint8_t> row{0x60, 0x61, 0x62, 0x77, 0x7E, 0x7F, 0x41, 0x5F,
                                      0x00, 0x1F, 0xC0, 0xFF, 0x98, 0xA0, 0xAD, 0xB9};
  std::string koi7;
  AppendHexRow(koi7, row, 0x7600, CharacterSet::kKoi7);
  EXPECT_EQ(koi7, "7600  60 61 62 77 7E 7F 41 5F 00 1F C0 FF 98 A0 AD B9  ЮАБВЧ.A_........\n");
  std::string cp1251;
  AppendHexRow(cp1251, row, 0x7600, CharacterSet::kCp1251);
  EXPECT_EQ(cp1251, "7600  60 61 62 77 7E 7F 41 5F 00 1F C0 FF 98 A0 AD B9  `abw~.A_..Ая...№\n");
}

// Every letter of KOI-7 N2, 0x60 to 0x7E, in the order the target's
// character generator has them.
TEST(HexRows, ShowEveryKoi7Letter) {
  std::string text;
  for (int byte = 0x60; byte <= 0x7E; ++byte) {
    text += CharacterText(static_cast<std::uint8_t>(byte), CharacterSet::kKoi7);
  }
  EXPECT_EQ(text, "ЮАБЦДЕФГХИЙКЛМНОПЯРСТУЖВЬЫЗШЭЩЧ");
}

TEST(HexRows, KeepTheCharacterColumnInPlaceOnAShortRow) {
  std::string text;
  AppendHexRow(text, std::vector<std::uint8_t>{0x48, 0x49}, 0xFFF0, CharacterSet::kCp1251);
  EXPECT_EQ(text, "FFF0  48 49" + std::string(14 * 3, ' ') + "  HI\n");
}

}  // namespace
}  // namespace flashdisk::target
