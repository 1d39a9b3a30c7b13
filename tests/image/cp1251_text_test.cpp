#include "image/cp1251_text.h"

#include <gtest/gtest.h>

namespace flashdisk {
namespace {

TEST(Cp1251Text, KnownCharacters) {
  EXPECT_EQ(Cp1251FromUtf8("ABC"), "ABC");
  EXPECT_EQ(Cp1251FromUtf8("АЯая"), "\xC0\xDF\xE0\xFF");
  EXPECT_EQ(Cp1251FromUtf8("Ёё№…€"), "\xA8\xB8\xB9\x85\x88");
  EXPECT_EQ(Utf8FromCp1251("\xCC\xE5\xF2\xEA\xE0"), "Метка");
  EXPECT_EQ(Utf8FromCp1251("\x85"), "…");
}

TEST(Cp1251Text, EveryByteSurvivesARoundTrip) {
  for (unsigned byte = 0; byte < 256; ++byte) {
    const std::string stored(1, static_cast<char>(byte));
    EXPECT_EQ(Cp1251FromUtf8(Utf8FromCp1251(stored)), stored) << byte;
  }
}

TEST(Cp1251Text, CharactersWithoutAFormBecomeQuestionMarks) {
  EXPECT_EQ(Cp1251FromUtf8("a中b"), "a?b");
  EXPECT_EQ(Cp1251FromUtf8("😀"), "?");
  EXPECT_EQ(Cp1251FromUtf8("ü"), "?");
  // Malformed UTF-8: a lone continuation byte and a cut-off sequence.
  EXPECT_EQ(Cp1251FromUtf8("x\x80y"), "x?y");
  EXPECT_EQ(Cp1251FromUtf8("x\xD0"), "x?");
  // Overlong forms of NUL and "A", a surrogate half and a code point past
  // U+10FFFF: each byte of them becomes '?', none a character.
  EXPECT_EQ(Cp1251FromUtf8("\xC0\x80"), "??");
  EXPECT_EQ(Cp1251FromUtf8("\xC1\x81"), "??");
  EXPECT_EQ(Cp1251FromUtf8("\xE0\x81\x81"), "???");
  EXPECT_EQ(Cp1251FromUtf8("\xED\xA0\x80"), "???");
  EXPECT_EQ(Cp1251FromUtf8("\xF4\x90\x80\x80"), "????");
}

}  // namespace
}  // namespace flashdisk
