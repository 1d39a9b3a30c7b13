#include "image/hex_text.h"

namespace flashdisk {

namespace {

constexpr std::string_view kDigits = "0123456789ABCDEF";

std::optional<std::uint32_t> DigitValue(char c) {
  if (c >= '0' && c <= '9') {
    return static_cast<std::uint32_t>(c - '0');
  }
  if (c >= 'A' && c <= 'F') {
    return static_cast<std::uint32_t>(c - 'A' + 10);
  }
  return std::nullopt;
}

}  // namespace

std::string HexText::FormatByte(std::uint8_t value) {
  return {kDigits[value >> 4], kDigits[value & 0x0F]};
}

std::string HexText::Format16(std::uint16_t value) {
  return FormatByte(static_cast<std::uint8_t>(value >> 8)) +
         FormatByte(static_cast<std::uint8_t>(value & 0xFF));
}

HexParse HexText::Parse(std::string_view text) {
  HexParse parse;
  for (const char c : text) {
    const auto digit = DigitValue(c);
    if (!digit) {
      parse.valid = false;
      break;
    }
    parse.value = parse.value * 16 + *digit;
  }
  return parse;
}

HexParse HexText::ParseAddress(std::string_view text) {
  return Parse(text.substr(0, kAddressDigits));
}

std::optional<char> HexText::FilterCharacter(unsigned char typed) {
  if (typed < 0x20) {
    return static_cast<char>(typed);
  }
  const char c = static_cast<char>(typed);
  if (DigitValue(c)) {
    return c;
  }
  if (typed >= 'a' && typed <= 'f') {
    return static_cast<char>(typed - 'a' + 'A');
  }
  return std::nullopt;
}

std::optional<std::uint16_t> ParseLoadAddress(std::string_view text) {
  if (text.empty() || text.size() > HexText::kAddressDigits) {
    return std::nullopt;
  }
  // The core's parser takes upper-case digits only, as the window's field
  // turns letters into capitals while they are typed.
  std::string upper(text);
  for (char& c : upper) {
    if (c >= 'a' && c <= 'f') {
      c = static_cast<char>(c - 'a' + 'A');
    }
  }
  const auto parse = HexText::Parse(upper);
  if (!parse.valid) {
    return std::nullopt;
  }
  return static_cast<std::uint16_t>(parse.value);
}

}  // namespace flashdisk
