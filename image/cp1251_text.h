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

}  // namespace flashdisk
