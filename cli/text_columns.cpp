#include "cli/text_columns.h"

namespace flashdisk::cli {

namespace {

std::string Spaces(std::string_view utf8, std::size_t width) {
  const auto count = CharacterCount(utf8);
  return std::string(count < width ? width - count : 0, ' ');
}

}  // namespace

std::size_t CharacterCount(std::string_view utf8) {
  std::size_t count = 0;
  for (const char c : utf8) {
    // Continuation bytes (10xxxxxx) belong to the character before them.
    if ((static_cast<unsigned char>(c) & 0xC0) != 0x80) {
      ++count;
    }
  }
  return count;
}

std::string PadRight(std::string_view utf8, std::size_t width) {
  return std::string(utf8) + Spaces(utf8, width);
}

std::string PadLeft(std::string_view utf8, std::size_t width) {
  return Spaces(utf8, width) + std::string(utf8);
}

}  // namespace flashdisk::cli
