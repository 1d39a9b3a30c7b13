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

// One side of a matching, read entry by entry where it lies: a directory of
// tens of thousands of entries copied into a table first cost more in fresh
// pages than all the matching itself.
class MatchSide {
 public:
  virtual std::size_t size() const = 0;
  virtual std::string_view name(std::size_t index) const = 0;  // code page 1251 bytes
  // Nothing when the data could not be read: such an entry pairs by its
  // name or its place only.
  virtual std::optional<std::span<const std::uint8_t>> data(std::size_t index) const = 0;

 protected:
  ~MatchSide() = default;
};

// An entry whose name and data are at hand. Both views must outlive the
// matching.
struct MatchedEntryKey {
  std::string_view name;  // code page 1251 bytes
  std::optional<std::span<const std::uint8_t>> data;
};

class MatchedEntryKeys final : public MatchSide {
 public:
  explicit MatchedEntryKeys(std::span<const MatchedEntryKey> keys) : keys_(keys) {}
  std::size_t size() const override { return keys_.size(); }
  std::string_view name(std::size_t index) const override { return keys_[index].name; }
  std::optional<std::span<const std::uint8_t>> data(std::size_t index) const override {
    return keys_[index].data;
  }

 private:
  std::span<const MatchedEntryKey> keys_;
};

// Places in a directory, counted in 32 bits as on the disk: half the
// memory of a size_t for the largest directories.
using EntryMatches = std::vector<std::optional<std::uint32_t>>;

// For each entry of `to`, the index of the entry of `from` it is taken for,
// or nothing for an entry that is new. An entry of `from` is taken at most
// once. Rules, each among the entries the earlier ones left: the same name
// when it is unique on both sides; then the same data, earlier entries
// first; then the same place in the directory.
EntryMatches MatchEntries(const MatchSide& from, const MatchSide& to);

}  // namespace flashdisk
