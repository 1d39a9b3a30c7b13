// Which entry of one directory is taken for which entry of another: the
// rule by which two versions of a disk are compared and a folder is brought
// up to date from an image.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

namespace flashdisk {

// An entry as the matching sees it. Both views must outlive the call.
struct MatchedEntryKey {
  std::string_view name;  // code page 1251 bytes
  std::span<const std::uint8_t> data;
};

// For each entry of `to`, the index of the entry of `from` it is taken for,
// or nothing for an entry that is new. An entry of `from` is taken at most
// once. Rules, each among the entries the earlier ones left: the same name
// when it is unique on both sides; then the same data, earlier entries
// first; then the same place in the directory.
std::vector<std::optional<std::size_t>> MatchEntries(std::span<const MatchedEntryKey> from,
                                                     std::span<const MatchedEntryKey> to);

}  // namespace flashdisk
