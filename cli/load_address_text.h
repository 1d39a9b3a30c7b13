// A load address as given on the command line: 1 to 4 hexadecimal digits,
// in either letter case.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "cli/console.h"
#include "image/hex_text.h"

namespace flashdisk::cli {

// The address of a --load option into `address`, nothing when the option was
// not given; reports "Неверный адрес загрузки!" and gives false for a text that
// is not an address.
bool ReadLoadAddressOption(const std::optional<std::string>& text,
                           const std::filesystem::path& image, const Console& console,
                           std::optional<std::uint16_t>& address);

}  // namespace flashdisk::cli
