#include "image/entry_matching.h"

#include <algorithm>
#include <bit>
#include <functional>
#include <unordered_map>

namespace flashdisk {

namespace {

using Matches = std::vector<std::optional<std::size_t>>;

std::string_view BytesAsText(std::span<const std::uint8_t> data) {
  return {reinterpret_cast<const char*>(data.data()), data.size()};
}

// The names of `from` in one flat table with open addressing: a slot holds
// the index of a name's first entry plus one, or 0 when free. The largest
// directories hold tens of thousands of names; a table of nodes for them
// cost more in page faults than the hashing itself.
class NameTable {
 public:
  explicit NameTable(std::span<const MatchedEntryKey> entries)
      : entries_(entries),
        slots_(std::bit_ceil(std::max<std::size_t>(entries.size() * 2, 16)), 0),
        mask_(slots_.size() - 1) {}

  // The index of the first entry with `index`'s name, which is `index`
  // itself when the name is new.
  std::size_t Insert(std::size_t index) {
    auto& slot = slots_[SlotOf(entries_[index].name)];
    if (slot == 0) {
      slot = static_cast<std::uint32_t>(index + 1);
    }
    return slot - 1;
  }

  std::optional<std::size_t> Find(std::string_view name) const {
    const auto slot = slots_[SlotOf(name)];
    return slot == 0 ? std::nullopt : std::optional<std::size_t>(slot - 1);
  }

 private:
  // Where `name` is, or the free slot where it would go.
  std::size_t SlotOf(std::string_view name) const {
    auto at = std::hash<std::string_view>{}(name)&mask_;
    while (slots_[at] != 0 && entries_[slots_[at] - 1].name != name) {
      at = (at + 1) & mask_;
    }
    return at;
  }

  std::span<const MatchedEntryKey> entries_;
  std::vector<std::uint32_t> slots_;
  std::size_t mask_;
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

void MatchUniqueNames(std::span<const MatchedEntryKey> from, std::span<const MatchedEntryKey> to,
                      Matches& matches, std::vector<bool>& taken) {
  NameTable names(from);
  // Counted at each name's first entry in `from`.
  std::vector<NameCount> counts(from.size());
  for (std::size_t i = 0; i < from.size(); ++i) {
    CountUpToTwo(counts[names.Insert(i)].in_from);
  }
  // Each entry of `to` is paired with its name's entry for now, and let go
  // again below when the name is not unique.
  for (std::size_t i = 0; i < to.size(); ++i) {
    if (const auto first = names.Find(to[i].name)) {
      CountUpToTwo(counts[*first].in_to);
      matches[i] = first;
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
void MatchSameData(std::span<const MatchedEntryKey> from, std::span<const MatchedEntryKey> to,
                   Matches& matches, std::vector<bool>& taken) {
  struct Queue {
    std::vector<std::size_t> from_indexes;
    std::size_t next = 0;
  };
  std::unordered_map<std::string_view, Queue> by_data;
  for (std::size_t i = 0; i < from.size(); ++i) {
    if (!taken[i]) {
      by_data[BytesAsText(from[i].data)].from_indexes.push_back(i);
    }
  }
  if (by_data.empty()) {
    return;
  }
  for (std::size_t i = 0; i < to.size(); ++i) {
    if (matches[i]) {
      continue;
    }
    const auto found = by_data.find(BytesAsText(to[i].data));
    if (found == by_data.end()) {
      continue;
    }
    auto& queue = found->second;
    if (queue.next < queue.from_indexes.size()) {
      const auto from_index = queue.from_indexes[queue.next++];
      matches[i] = from_index;
      taken[from_index] = true;
    }
  }
}

void MatchSamePlace(std::size_t from_count, Matches& matches, std::vector<bool>& taken) {
  for (std::size_t i = 0; i < matches.size() && i < from_count; ++i) {
    if (!matches[i] && !taken[i]) {
      matches[i] = i;
      taken[i] = true;
    }
  }
}

// Two directories of the same names and data in the same order, as after an
// edit of an entry's fields: each rule pairs every entry with its own place.
bool SameNamesAndData(std::span<const MatchedEntryKey> from, std::span<const MatchedEntryKey> to) {
  return std::ranges::equal(from, to, [](const MatchedEntryKey& a, const MatchedEntryKey& b) {
    return a.name == b.name && std::ranges::equal(a.data, b.data);
  });
}

}  // namespace

Matches MatchEntries(std::span<const MatchedEntryKey> from, std::span<const MatchedEntryKey> to) {
  Matches matches(to.size());
  if (SameNamesAndData(from, to)) {
    for (std::size_t i = 0; i < to.size(); ++i) {
      matches[i] = i;
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
