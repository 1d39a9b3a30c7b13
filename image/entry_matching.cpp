#include "image/entry_matching.h"

#include <algorithm>
#include <memory_resource>
#include <unordered_map>

namespace flashdisk {

namespace {

using Matches = std::vector<std::optional<std::size_t>>;

std::string_view BytesAsText(std::span<const std::uint8_t> data) {
  return {reinterpret_cast<const char*>(data.data()), data.size()};
}

// How often a name occurs on each side, and where on `from`.
struct NameCount {
  std::size_t in_from = 0;
  std::size_t in_to = 0;
  std::size_t from_index = 0;
};

void MatchUniqueNames(std::span<const MatchedEntryKey> from, std::span<const MatchedEntryKey> to,
                      Matches& matches, std::vector<bool>& taken) {
  // Nodes come from one block that goes at once: tens of thousands of
  // small allocations and frees would cost more than the counting.
  std::pmr::monotonic_buffer_resource nodes;
  std::pmr::unordered_map<std::string_view, NameCount> counts(&nodes);
  counts.reserve(from.size() + to.size());
  for (std::size_t i = 0; i < from.size(); ++i) {
    auto& count = counts[from[i].name];
    ++count.in_from;
    count.from_index = i;
  }
  // Pointers into the map stay valid while it grows.
  std::vector<const NameCount*> to_counts;
  to_counts.reserve(to.size());
  for (const auto& entry : to) {
    auto& count = counts[entry.name];
    ++count.in_to;
    to_counts.push_back(&count);
  }
  for (std::size_t i = 0; i < to.size(); ++i) {
    const auto& count = *to_counts[i];
    if (count.in_from == 1 && count.in_to == 1) {
      matches[i] = count.from_index;
      taken[count.from_index] = true;
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
