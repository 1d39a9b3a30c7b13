#include "image/cp1251_text.h"

#include <array>
#include <cstdint>
#include <optional>

namespace flashdisk {

namespace {

// Unicode of the code page bytes 0x80 to 0xBF; 0xC0 to 0xFF are the Cyrillic
// letters U+0410 to U+044F in order, and below 0x80 the code page is ASCII.
// 0x98 has no character and maps to U+0098, so every byte survives a round trip.
constexpr std::array<char16_t, 64> kUpperHalf{{
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021, 0x20AC, 0x2030, 0x0409,
    0x2039, 0x040A, 0x040C, 0x040B, 0x040F, 0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x0098, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F, 0x00A0,
    0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7, 0x0401, 0x00A9, 0x0404, 0x00AB,
    0x00AC, 0x00AD, 0x00AE, 0x0407, 0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6,
    0x00B7, 0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
}};

constexpr char kUnmappable = '?';

char32_t DecodeByte(std::uint8_t byte) {
  if (byte < 0x80) {
    return byte;
  }
  if (byte >= 0xC0) {
    return char32_t{0x0410} + (byte - 0xC0);
  }
  return kUpperHalf[byte - 0x80];
}

std::optional<std::uint8_t> EncodeCharacter(char32_t c) {
  if (c < 0x80) {
    return static_cast<std::uint8_t>(c);
  }
  if (c >= 0x0410 && c <= 0x044F) {
    return static_cast<std::uint8_t>(0xC0 + (c - 0x0410));
  }
  for (std::size_t i = 0; i < kUpperHalf.size(); ++i) {
    if (kUpperHalf[i] == c) {
      return static_cast<std::uint8_t>(0x80 + i);
    }
  }
  return std::nullopt;
}

// A decoded sequence is malformed when a shorter one could have said the
// same (an overlong form, such as C0 80 for NUL), when it names a surrogate
// half, or when it lies past the last code point.
bool IsWellFormed(char32_t c, std::size_t continuation_bytes) {
  constexpr std::array<char32_t, 4> kLeast{{0, 0x80, 0x800, 0x10000}};
  const bool surrogate = c >= 0xD800 && c <= 0xDFFF;
  return c >= kLeast[continuation_bytes] && !surrogate && c <= 0x10FFFF;
}

// The next character of UTF-8 text, advancing `at`; a malformed sequence
// yields nothing and skips one byte.
std::optional<char32_t> NextUtf8(std::string_view text, std::size_t& at) {
  const auto lead = static_cast<std::uint8_t>(text[at++]);
  if (lead < 0x80) {
    return lead;
  }
  std::size_t length = 0;
  char32_t c = 0;
  if ((lead & 0xE0) == 0xC0) {
    length = 1;
    c = lead & 0x1F;
  } else if ((lead & 0xF0) == 0xE0) {
    length = 2;
    c = lead & 0x0F;
  } else if ((lead & 0xF8) == 0xF0) {
    length = 3;
    c = lead & 0x07;
  } else {
    return std::nullopt;
  }
  if (at + length > text.size()) {
    return std::nullopt;
  }
  for (std::size_t i = 0; i < length; ++i) {
    const auto next = static_cast<std::uint8_t>(text[at + i]);
    if ((next & 0xC0) != 0x80) {
      return std::nullopt;
    }
    c = (c << 6) | (next & 0x3F);
  }
  if (!IsWellFormed(c, length)) {
    return std::nullopt;
  }
  at += length;
  return c;
}

}  // namespace

std::string Cp1251FromUtf8(std::string_view utf8) {
  std::string out;
  out.reserve(utf8.size());
  std::size_t at = 0;
  while (at < utf8.size()) {
    const auto c = NextUtf8(utf8, at);
    const auto byte = c ? EncodeCharacter(*c) : std::nullopt;
    out += static_cast<char>(byte.value_or(kUnmappable));
  }
  return out;
}

std::string Utf8FromCp1251(std::string_view cp1251) {
  std::string out;
  out.reserve(cp1251.size() * 2);
  for (const char byte : cp1251) {
    AppendUtf8(out, DecodeByte(static_cast<std::uint8_t>(byte)));
  }
  return out;
}

void AppendUtf8(std::string& out, char32_t c) {
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
}

}  // namespace flashdisk
