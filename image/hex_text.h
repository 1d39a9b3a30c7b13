// Target addresses as text: always 4 upper-case hexadecimal digits when
// written, read back digit by digit, and the rule for typed characters.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace flashdisk {

struct HexParse {
  std::uint32_t value = 0;  // the digits read before the first stray character
  bool valid = true;
};

class HexText {
 public:
  static constexpr std::size_t kAddressDigits = 4;

  static std::string FormatByte(std::uint8_t value);
  static std::string Format16(std::uint16_t value);
  // Digits 0-9 and upper-case A-F; anything else, lower case included, ends
  // the parse and marks it invalid. An empty text is valid and gives 0.
  static HexParse Parse(std::string_view text);
  // An address field's text is read by its first 4 characters, so the value
  // always fits 16 bits.
  static HexParse ParseAddress(std::string_view text);
  // The character to insert for a typed one, or nothing when it is refused.
  // Control characters pass; a-f become A-F.
  static std::optional<char> FilterCharacter(unsigned char typed);
};

// A load address as typed on the command line or in a manifest: 1 to 4
// hexadecimal digits, in either letter case. Nothing when the text is
// empty, longer than 4 characters or holds another character.
std::optional<std::uint16_t> ParseLoadAddress(std::string_view text);

}  // namespace flashdisk
