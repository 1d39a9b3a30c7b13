#include "target/hex_rows.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "image/cp1251_text.h"
#include "target/koi7_text.h"

namespace flashdisk::target {

namespace {

constexpr std::string_view kHexDigits = "0123456789ABCDEF";
constexpr std::string_view kUnprintable = ".";
// A byte's two digits and the space after it.
constexpr std::size_t kByteColumnWidth = 3;

// Code page 1251 prints everything but the controls, DEL, the one unused
// code (0x98) and the two invisible spaces (no-break space and soft hyphen).
bool Cp1251Prints(std::uint8_t byte) {
  return byte >= 0x20 && byte != 0x7F && byte != 0x98 && byte != 0xA0 && byte != 0xAD;
}

// A character's UTF-8 bytes: at most 3 for the Basic Multilingual Plane.
struct Utf8Character {
  std::array<char, 3> bytes{};
  std::uint8_t size = 0;
};

using CharacterTable = std::array<Utf8Character, 256>;

Utf8Character Utf8Of(std::string_view text) {
  Utf8Character character;
  std::copy(text.begin(), text.end(), character.bytes.begin());
  character.size = static_cast<std::uint8_t>(text.size());
  return character;
}

std::string TextOf(std::uint8_t byte, CharacterSet set) {
  if (set == CharacterSet::kKoi7) {
    const auto c = Koi7Character(byte);
    if (!c) {
      return std::string(kUnprintable);
    }
    std::string text;
    AppendUtf8(text, *c);
    return text;
  }
  const char text = static_cast<char>(byte);
  return Cp1251Prints(byte) ? Utf8FromCp1251({&text, 1}) : std::string(kUnprintable);
}

CharacterTable MakeTable(CharacterSet set) {
  CharacterTable table;
  for (std::size_t i = 0; i < table.size(); ++i) {
    table[i] = Utf8Of(TextOf(static_cast<std::uint8_t>(i), set));
  }
  return table;
}

// Made once: the rows are written a byte at a time, and a look-up is all
// each byte can afford.
const CharacterTable& TableOf(CharacterSet set) {
  static const CharacterTable cp1251 = MakeTable(CharacterSet::kCp1251);
  static const CharacterTable koi7 = MakeTable(CharacterSet::kKoi7);
  return set == CharacterSet::kKoi7 ? koi7 : cp1251;
}

char* WriteHexByte(char* out, std::uint8_t value) {
  out[0] = kHexDigits[value >> 4];
  out[1] = kHexDigits[value & 0xF];
  return out + 2;
}

// The address, two spaces, 16 bytes of two digits and a space, a space, and
// 16 characters of up to 3 UTF-8 bytes, and the newline.
constexpr std::size_t kCharacterColumn = 4 + 1 + kHexRowBytes * kByteColumnWidth + 1;
static_assert(kLongestHexRow == kCharacterColumn + 1 + kHexRowBytes * 3 + 1);

}  // namespace

std::string_view CharacterText(std::uint8_t byte, CharacterSet set) {
  const auto& character = TableOf(set)[byte];
  return {character.bytes.data(), character.size};
}

char* WriteHexRow(char* out, std::span<const std::uint8_t> row, std::uint16_t address,
                  CharacterSet set) {
  std::fill_n(out, kCharacterColumn + 1, ' ');
  WriteHexByte(WriteHexByte(out, static_cast<std::uint8_t>(address >> 8)),
               static_cast<std::uint8_t>(address & 0xFF));
  char* byte_column = out + 4 + 1;
  for (const auto byte : row) {
    WriteHexByte(byte_column + 1, byte);
    byte_column += kByteColumnWidth;
  }
  const auto& table = TableOf(set);
  char* at = out + kCharacterColumn + 1;
  for (const auto byte : row) {
    // All three bytes, a copy of a fixed size; only the character's count.
    const auto& character = table[byte];
    std::memcpy(at, character.bytes.data(), character.bytes.size());
    at += character.size;
  }
  *at++ = '\n';
  return at;
}

void AppendHexRow(std::string& out, std::span<const std::uint8_t> row, std::uint16_t address,
                  CharacterSet set) {
  std::array<char, kLongestHexRow> line;
  out.append(line.data(),
             static_cast<std::size_t>(WriteHexRow(line.data(), row, address, set) - line.data()));
}

}  // namespace flashdisk::target
