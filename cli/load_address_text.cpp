#include "cli/load_address_text.h"

#include <string>

#include "image/hex_text.h"
#include "image/user_messages.h"

namespace flashdisk::cli {

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
