#include "cli/source_format.h"

namespace flashdisk::cli {

SourceFormat ChooseSourceFormat(const std::filesystem::path& file, const SourceDefaults& defaults,
                                std::optional<bool> rks, std::optional<bool> big,
                                std::uint16_t load_address) {
  SourceFormat format;
  format.rks = rks.value_or(defaults.rks);
  format.big = big.value_or(defaults.big);
  format.load_address = format.rks ? ReadRksLoadAddress(file).value_or(load_address) : load_address;
  return format;
}

}  // namespace flashdisk::cli
