#include "image/hex_text.h"

#include <gtest/gtest.h>

namespace flashdisk {
namespace {

TEST(HexText, FormatsFourUpperCaseDigits) {
  EXPECT_EQ(HexText::Format16(0), "0000");
  EXPECT_EQ(HexText::Format16(255), "00FF");
  EXPECT_EQ(HexText::Format16(0xFFFF), "FFFF");
  EXPECT_EQ(HexText::Format16(0xABCD), "ABCD");  // stored as CD AB
  EXPECT_EQ(HexText::FormatByte(0x0A), "0A");
}

TEST(HexText, EveryAddressSurvivesFormatAndParse) {
  for (std::uint32_t value = 0; value <= 0xFFFF; ++value) {
    const auto parse = HexText::Parse(HexText::Format16(static_cast<std::uint16_t>(value)));
    ASSERT_TRUE(parse.valid) << value;
    ASSERT_EQ(parse.value, value);
  }
}

TEST(HexText, Parse) {
  EXPECT_EQ(HexText::Parse("1F").value, 31u);
  EXPECT_TRUE(HexText::Parse("1F").valid);
  EXPECT_EQ(HexText::Parse("").value, 0u);
  EXPECT_TRUE(HexText::Parse("").valid);
  EXPECT_FALSE(HexText::Parse("1G").valid);
  EXPECT_FALSE(HexText::Parse("1f").valid);  // lower case is not a digit here
  EXPECT_FALSE(HexText::Parse(" 1").valid);
  EXPECT_EQ(HexText::ParseAddress("123456").value, 0x1234u);
  EXPECT_TRUE(HexText::ParseAddress("123456").valid);
  EXPECT_TRUE(HexText::ParseAddress("1234G").valid);  // the G is past the 4 digits read
}

TEST(HexText, FilterCharacter) {
  for (unsigned c = 0; c < 0x20; ++c) {
    EXPECT_EQ(HexText::FilterCharacter(static_cast<unsigned char>(c)), static_cast<char>(c));
  }
  EXPECT_EQ(HexText::FilterCharacter('7'), '7');
  EXPECT_EQ(HexText::FilterCharacter('C'), 'C');
  EXPECT_EQ(HexText::FilterCharacter('e'), 'E');
  EXPECT_EQ(HexText::FilterCharacter('a'), 'A');
  EXPECT_EQ(HexText::FilterCharacter('f'), 'F');
  for (const int refused : {0x2F, 0x3A, 0x40, 0x47, 0x60, 0x67, 0x20, 0x7F}) {
    EXPECT_FALSE(HexText::FilterCharacter(static_cast<unsigned char>(refused))) << refused;
  }
  for (unsigned c = 0x80; c <= 0xFF; ++c) {  // every Cyrillic letter among them
    EXPECT_FALSE(HexText::FilterCharacter(static_cast<unsigned char>(c))) << c;
  }
}

}  // namespace
}  // namespace flashdisk
