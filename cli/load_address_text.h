// A load address as given on the command line: 1 to 4 hexadecimal digits,
// in either letter case.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "cli/console.h"

namespace flashdisk::cli {

// Nothing when the text is empty, longer than 4 characters or holds a
// character that is not a hexadecimal digit.
std::optional<std::uint16_t> ParseLoadAddress(std::string_view text);

// The address of a --load option into `address`, nothing when the option was
// not given; reports "Неверный адрес загрузки!" and gives false for a text that
// is not an address.
bool ReadLoadAddressOption(const std::optional<std::string>& text,
                           const std::filesystem::path& image, const Console& console,
                           std::optional<std::uint16_t>& address);

}  // namespace flashdisk::cli
