#include "image/entry_matching.h"

#include <algorithm>
#include <array>
#include <bit>
#include <functional>
#include <unordered_map>

namespace flashdisk {

namespace {

using Matches = EntryMatches;

std::string_view BytesAsText(std::span<const std::uint8_t> data) {
  return {reinterpret_cast<const char*>(data.data()), data.size()};
}

// The names of `from` in one flat table with open addressing, at most three
// quarters full. A slot holds the index of a name's first entry plus one (0
// when free) in its low bits and, in the bits the index leaves free, the top
// bits of the name's hash: a probe past another name then rarely reads that
// name. The largest directories hold tens of thousands of names, and every
// fresh page and every cache miss of the table showed in the time of a
// whole diff.
class NameTable {
 public:
  explicit NameTable(const MatchSide& entries)
      : entries_(entries),
        slots_(std::bit_ceil(std::max<std::size_t>(entries.size() * 4 / 3 + 1, 16)), 0),
        mask_(slots_.size() - 1),
        index_bits_(static_cast<int>(std::bit_width(entries.size()))) {}

  // Puts in every entry's name in order, and tells `inserted` each entry's
  // index and the index of the first entry of its name (the same when the
  // name is new). Names are hashed a few entries ahead and their slots
  // fetched meanwhile: a cache miss at each insert was half its time.
  template <typename Inserted>
  void InsertAll(Inserted inserted) {
    constexpr std::size_t kAhead = 8;
    struct Hashed {
      std::string_view name;
      std::uint64_t hash = 0;
    };
    std::array<Hashed, kAhead> ahead;
    const auto hash_ahead = [&](std::size_t index) {
      const auto name = entries_.name(index);
      const auto hash = Hash(name);
      ahead[index % kAhead] = {name, hash};
      __builtin_prefetch(&slots_[hash & mask_]);
    };
    const auto count = entries_.size();
    for (std::size_t i = 0; i < std::min(kAhead, count); ++i) {
      hash_ahead(i);
    }
    for (std::size_t i = 0; i < count; ++i) {
      const auto [name, hash] = ahead[i % kAhead];
      if (i + kAhead < count) {
        hash_ahead(i + kAhead);
      }
      auto& slot = slots_[SlotOf(name, hash)];
      if (slot == 0) {
        slot = static_cast<std::uint32_t>(i + 1) | Tag(hash);
      }
      inserted(i, IndexIn(slot));
    }
  }

  std::optional<std::size_t> Find(std::string_view name) const {
    const auto slot = slots_[SlotOf(name, Hash(name))];
    if (slot == 0) {
      return std::nullopt;
    }
    return IndexIn(slot);
  }

 private:
  static std::uint64_t Hash(std::string_view name) { return std::hash<std::string_view>{}(name); }

  // The hash's top bits, in the bits above the index; none when the index
  // takes all 32.
  std::uint32_t Tag(std::uint64_t hash) const {
    if (index_bits_ >= 32) {
      return 0;
    }
    return static_cast<std::uint32_t>(hash >> 32) << index_bits_;
  }

  std::size_t IndexIn(std::uint32_t slot) const {
    const auto index_mask =
        index_bits_ >= 32 ? ~std::uint32_t{0} : (std::uint32_t{1} << index_bits_) - 1;
    return (slot & index_mask) - 1;
  }

  // Where `name` is, or the free slot where it would go.
  std::size_t SlotOf(std::string_view name, std::uint64_t hash) const {
    const auto tag = Tag(hash);
    const auto tag_mask = Tag(~std::uint64_t{0});
    for (auto at = hash & mask_;; at = (at + 1) & mask_) {
      const auto slot = slots_[at];
      if (slot == 0 || ((slot & tag_mask) == tag && entries_.name(IndexIn(slot)) == name)) {
        return at;
      }
    }
  }

  const MatchSide& entries_;
  std::vector<std::uint32_t> slots_;
  std::size_t mask_;
  int index_bits_;
};

// How often a name occurs on each side, counted up to two: only "once on
// each side" matters.
struct NameCount {
  std::uint8_t in_from = 0;
  std::uint8_t in_to = 0;
};

void CountUpToTwo(std::uint8_t& count) {
  count = static_cast<std::uint8_t>(std::min(count + 1, 2));
}

void MatchUniqueNames(const MatchSide& from, const MatchSide& to, Matches& matches,
                      std::vector<bool>& taken) {
  NameTable names(from);
  // Counted at each name's first entry in `from`.
  std::vector<NameCount> counts(from.size());
  names.InsertAll([&](std::size_t, std::size_t first) { CountUpToTwo(counts[first].in_from); });
  // Each entry of `to` is paired with an entry of its name for now, and let
  // go again below when the name is not unique. Two versions of a directory
  // mostly list the same names in the same order: the entry after the last
  // one found is tried first, and the table is asked only when its name
  // differs. An entry found that way may repeat an earlier name: it counts
  // nothing in `from`, so its pairing is let go, as that name's must be.
  std::size_t next = 0;
  for (std::size_t i = 0; i < to.size(); ++i) {
    const auto name = to.name(i);
    std::optional<std::size_t> first;
    if (next < from.size() && from.name(next) == name) {
      first = next;
      ++next;
    } else if ((first = names.Find(name))) {
      next = *first + 1;
    }
    if (first) {
      CountUpToTwo(counts[*first].in_to);
      matches[i] = static_cast<std::uint32_t>(*first);
    }
  }
  for (std::size_t i = 0; i < to.size(); ++i) {
    if (!matches[i]) {
      continue;
    }
    const auto& count = counts[*matches[i]];
    if (count.in_from == 1 && count.in_to == 1) {
      taken[*matches[i]] = true;
    } else {
      matches[i].reset();
    }
  }
}

// Entries of `from` with the same data are taken in their order, so a
// queue per distinct content is enough.
void MatchSameData(const MatchSide& from, const MatchSide& to, Matches& matches,
                   std::vector<bool>& taken) {
  struct Queue {
    std::vector<std::size_t> from_indexes;
    std::size_t next = 0;
  };
  std::unordered_map<std::string_view, Queue> by_data;
  for (std::size_t i = 0; i < from.size(); ++i) {
    if (const auto data = from.data(i); data && !taken[i]) {
      by_data[BytesAsText(*data)].from_indexes.push_back(i);
    }
  }
  if (by_data.empty()) {
    return;
  }
  for (std::size_t i = 0; i < to.size(); ++i) {
    const auto data = to.data(i);
    if (matches[i] || !data) {
      continue;
    }
    const auto found = by_data.find(BytesAsText(*data));
    if (found == by_data.end()) {
      continue;
    }
    auto& queue = found->second;
    if (queue.next < queue.from_indexes.size()) {
      const auto from_index = queue.from_indexes[queue.next++];
      matches[i] = static_cast<std::uint32_t>(from_index);
      taken[from_index] = true;
    }
  }
}

void MatchSamePlace(std::size_t from_count, Matches& matches, std::vector<bool>& taken) {
  for (std::size_t i = 0; i < matches.size() && i < from_count; ++i) {
    if (!matches[i] && !taken[i]) {
      matches[i] = static_cast<std::uint32_t>(i);
      taken[i] = true;
    }
  }
}

// Two directories of the same names and data in the same order, as after an
// edit of an entry's fields: each rule pairs every entry with its own place.
bool SameNamesAndData(const MatchSide& from, const MatchSide& to) {
  if (from.size() != to.size()) {
    return false;
  }
  for (std::size_t i = 0; i < from.size(); ++i) {
    const auto from_data = from.data(i);
    const auto to_data = to.data(i);
    if (from.name(i) != to.name(i) || !from_data || !to_data ||
        !std::ranges::equal(*from_data, *to_data)) {
      return false;
    }
  }
  return true;
}

}  // namespace

Matches MatchEntries(const MatchSide& from, const MatchSide& to) {
  Matches matches(to.size());
  if (SameNamesAndData(from, to)) {
    for (std::size_t i = 0; i < to.size(); ++i) {
      matches[i] = static_cast<std::uint32_t>(i);
    }
    return matches;
  }
  std::vector<bool> taken(from.size(), false);
  MatchUniqueNames(from, to, matches, taken);
  MatchSameData(from, to, matches, taken);
  MatchSamePlace(from.size(), matches, taken);
  return matches;
}

}  // namespace flashdisk
