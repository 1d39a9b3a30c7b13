#include "target/hex_rows.h"

#include <array>

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

std::string Utf8Of(char32_t c) {
  std::string out;
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
  return out;
}

using CharacterTable = std::array<std::string, 256>;

// Made once: the rows are written a byte at a time, and a look-up is all
// each byte can afford.
CharacterTable MakeTable(CharacterSet set) {
  CharacterTable table;
  for (std::size_t i = 0; i < table.size(); ++i) {
    const auto byte = static_cast<std::uint8_t>(i);
    if (set == CharacterSet::kKoi7) {
      const auto c = Koi7Character(byte);
      table[i] = c ? Utf8Of(*c) : std::string(kUnprintable);
    } else {
      const char text = static_cast<char>(byte);
      table[i] = Cp1251Prints(byte) ? Utf8FromCp1251({&text, 1}) : std::string(kUnprintable);
    }
  }
  return table;
}

}  // namespace

std::string_view CharacterText(std::uint8_t byte, CharacterSet set) {
  static const CharacterTable cp1251 = MakeTable(CharacterSet::kCp1251);
  static const CharacterTable koi7 = MakeTable(CharacterSet::kKoi7);
  return (set == CharacterSet::kKoi7 ? koi7 : cp1251)[byte];
}

void AppendHexByte(std::string& out, std::uint8_t value) {
  out += kHexDigits[value >> 4];
  out += kHexDigits[value & 0xF];
}

void AppendHexRow(std::string& out, std::span<const std::uint8_t> row, std::uint16_t address,
                  CharacterSet set) {
  AppendHexByte(out, static_cast<std::uint8_t>(address >> 8));
  AppendHexByte(out, static_cast<std::uint8_t>(address & 0xFF));
  out += ' ';
  for (const auto byte : row) {
    out += ' ';
    AppendHexByte(out, byte);
  }
  out.append((kHexRowBytes - row.size()) * kByteColumnWidth + 2, ' ');
  for (const auto byte : row) {
    out += CharacterText(byte, set);
  }
  out += '\n';
}

}  // namespace flashdisk::target
