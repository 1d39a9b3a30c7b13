// Names and the label are stored as 8-bit code page 1251 text; the windows
// and the command line work in UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace flashdisk {

// A character without a code page 1251 form, or a malformed UTF-8 sequence,
// becomes '?'.
std::string Cp1251FromUtf8(std::string_view utf8);
std::string Utf8FromCp1251(std::string_view cp1251);

// Appends the UTF-8 bytes of `c`, a character of the Basic Multilingual Plane.
void AppendUtf8(std::string& out, char32_t c);

}  // namespace flashdisk
