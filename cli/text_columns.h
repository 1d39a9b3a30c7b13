// Padding UTF-8 text into columns by characters rather than bytes, so that
// Cyrillic text lines up with Latin text.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace flashdisk::cli {

std::size_t CharacterCount(std::string_view utf8);
// The text followed by spaces up to `width` characters; a longer text is kept whole.
std::string PadRight(std::string_view utf8, std::size_t width);
// Spaces up to `width` characters, then the text.
std::string PadLeft(std::string_view utf8, std::size_t width);

}  // namespace flashdisk::cli
