#include "image/source_format.h"

#include "image/cp1251_text.h"

namespace flashdisk {

SourceFormat ChooseSourceFormat(const std::filesystem::path& file, const SourceDefaults& defaults,
                                std::optional<bool> rks, std::optional<bool> big,
                                std::uint16_t load_address) {
  SourceFormat format;
  format.rks = rks.value_or(defaults.rks);
  format.big = big.value_or(defaults.big);
  format.load_address = format.rks ? ReadRksLoadAddress(file).value_or(load_address) : load_address;
  return format;
}

EntryChoices ChooseEntry(const std::filesystem::path& file, std::uint64_t size,
                         std::uint16_t load_address, std::optional<bool> rks,
                         std::optional<bool> big) {
  const auto defaults = DeriveSourceDefaults(file, size);
  const auto format = ChooseSourceFormat(file, defaults, rks, big, load_address);
  EntryChoices choices;
  choices.name = Cp1251FromUtf8(defaults.name);
  choices.rks = format.rks;
  choices.big = format.big;
  choices.executable = defaults.executable_on;
  choices.load_address = format.load_address;
  return choices;
}

Replacement ChooseReplacement(const std::filesystem::path& file, std::uint64_t size,
                              const DirectoryEntry& entry, std::optional<bool> rks,
                              std::optional<bool> big, std::optional<std::uint16_t> load_address) {
  const auto format = ChooseSourceFormat(file, DeriveSourceDefaults(file, size), rks, big,
                                         load_address.value_or(entry.load_address));
  Replacement replacement;
  replacement.rks = format.rks;
  replacement.big = format.big;
  replacement.load_address = format.load_address;
  return replacement;
}

}  // namespace flashdisk
