#include "cli/load_address_text.h"

#include <string>

#include "image/hex_text.h"
#include "image/user_messages.h"

namespace flashdisk::cli {

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

bool ReadLoadAddressOption(const std::optional<std::string>& text,
                           const std::filesystem::path& image, const Console& console,
                           std::optional<std::uint16_t>& address) {
  if (!text) {
    return true;
  }
  address = ParseLoadAddress(*text);
  if (!address) {
    console.Report(image, kBadLoadAddressMessage);
    return false;
  }
  return true;
}

}  // namespace flashdisk::cli
