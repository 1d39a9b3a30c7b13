// A load address as given on the command line: 1 to 4 hexadecimal digits,
// in either letter case.
#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace flashdisk::cli {

// Nothing when the text is empty, longer than 4 characters or holds a
// character that is not a hexadecimal digit.
std::optional<std::uint16_t> ParseLoadAddress(std::string_view text);

}  // namespace flashdisk::cli
