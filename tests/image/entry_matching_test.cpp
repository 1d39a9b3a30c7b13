#include "image/entry_matching.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace flashdisk {
namespace {

// An entry written as "NAME:DATA", or "NAME" when its data is unreadable.
struct Side {
  std::vector<std::string> names;
  std::vector<std::optional<std::string>> data;

  Side(std::initializer_list<std::string> entries) {
    for (const auto& entry : entries) {
      Insert(names.size(), entry);
    }
  }

  void Insert(std::size_t at, const std::string& entry) {
    const auto colon = entry.find(':');
    const auto offset = static_cast<std::ptrdiff_t>(at);
    names.insert(names.begin() + offset, entry.substr(0, colon));
    data.insert(data.begin() + offset,
                colon == std::string::npos ? std::nullopt : std::optional(entry.substr(colon + 1)));
  }

  std::vector<MatchedEntryKey> Keys() const {
    std::vector<MatchedEntryKey> keys;
    for (std::size_t i = 0; i < names.size(); ++i) {
      if (!data[i]) {
        keys.push_back({names[i], std::nullopt});
        continue;
      }
      keys.push_back({names[i], std::span(reinterpret_cast<const std::uint8_t*>(data[i]->data()),
                                          data[i]->size())});
    }
    return keys;
  }
};

using Matches = EntryMatches;

struct MatchCase {
  const char* what;
  Side from;
  Side to;
  Matches expected;
};

// In each case name, data and place point at different entries.
TEST(EntryMatchingTest, TakesUniqueNamesThenSameDataThenSamePlace) {
  const MatchCase cases[] = {
      {"a unique name beats data and place", {"A:x", "B:y"}, {"B:x", "A:y"}, {1, 0}},
      {"a name twice on one side counts for nothing", {"A:x"}, {"A:y", "A:x"}, {std::nullopt, 0}},
      {"same data beats place", {"N:x", "N:y"}, {"N:y", "N:x"}, {1, 0}},
      {"same data is taken in order", {"N:x", "N:x", "M:z"}, {"N:x"}, {0}},
      {"place pairs what is left", {"P:x", "Q:y"}, {"R:z", "S:w"}, {0, 1}},
      {"a place already taken is new", {"A:x", "B:y"}, {"C:y", "D:z"}, {1, std::nullopt}},
      {"nothing in the other", {}, {"A:x"}, {std::nullopt}},
      {"unreadable data is like no other", {"A:x", "B"}, {"C", "D:y"}, {0, 1}},
  };
  for (const auto& one : cases) {
    const auto from = one.from.Keys();
    const auto to = one.to.Keys();
    EXPECT_EQ(MatchEntries(MatchedEntryKeys(from), MatchedEntryKeys(to)), one.expected) << one.what;
  }
}

// The rules read the plainest way, each entry against each: what the fast
// paths of MatchEntries (its hash table, the walk in step along both sides)
// must agree with.
Matches MatchByReading(const Side& from, const Side& to) {
  Matches matches(to.names.size());
  std::vector<bool> taken(from.names.size());
  const auto count = [](const Side& side, const std::string& name) {
    return std::ranges::count(side.names, name);
  };
  for (std::size_t i = 0; i < to.names.size(); ++i) {
    const auto& name = to.names[i];
    if (count(from, name) == 1 && count(to, name) == 1) {
      const auto at = std::ranges::find(from.names, name) - from.names.begin();
      matches[i] = static_cast<std::uint32_t>(at);
      taken[static_cast<std::size_t>(at)] = true;
    }
  }
  for (std::size_t i = 0; i < to.names.size(); ++i) {
    for (std::size_t j = 0; !matches[i] && to.data[i] && j < from.names.size(); ++j) {
      if (!taken[j] && from.data[j] == to.data[i]) {
        matches[i] = static_cast<std::uint32_t>(j);
        taken[j] = true;
      }
    }
  }
  for (std::size_t i = 0; i < to.names.size() && i < from.names.size(); ++i) {
    if (!matches[i] && !taken[i]) {
      matches[i] = static_cast<std::uint32_t>(i);
      taken[i] = true;
    }
  }
  return matches;
}

// Two versions of a directory as an edit leaves them: the second one is the
// first with a few entries removed, added, moved, renamed or changed, over
// few names and contents so that both repeat.
TEST(EntryMatchingTest, AgreesWithTheRulesReadOneByOne) {
  std::mt19937 random(23);
  const auto pick = [&](int count) {
    return std::uniform_int_distribution<int>(0, count - 1)(random);
  };
  const auto entry = [&] {
    const auto name = std::string(1, static_cast<char>('A' + pick(12)));
    return pick(10) == 0 ? name : name + ":" + std::to_string(pick(6));
  };
  for (int round = 0; round < 2000; ++round) {
    Side from{};
    for (int i = pick(14); i > 0; --i) {
      from.Insert(from.names.size(), entry());
    }
    Side to = from;
    for (int edits = pick(4); edits > 0; --edits) {
      const auto size = static_cast<int>(to.names.size());
      const auto at = static_cast<std::size_t>(pick(size + 1));
      switch (pick(4)) {
        case 0:
          to.Insert(at, entry());
          break;
        case 1:
          if (at < to.names.size()) {
            to.names.erase(to.names.begin() + static_cast<std::ptrdiff_t>(at));
            to.data.erase(to.data.begin() + static_cast<std::ptrdiff_t>(at));
          }
          break;
        case 2:
          if (at < to.names.size()) {
            to.names[at] = std::string(1, static_cast<char>('A' + pick(12)));
          }
          break;
        default:
          if (at < to.names.size()) {
            std::rotate(to.names.begin(), to.names.begin() + static_cast<std::ptrdiff_t>(at),
                        to.names.end());
            std::rotate(to.data.begin(), to.data.begin() + static_cast<std::ptrdiff_t>(at),
                        to.data.end());
          }
      }
    }
    const auto from_keys = from.Keys();
    const auto to_keys = to.Keys();
    ASSERT_EQ(MatchEntries(MatchedEntryKeys(from_keys), MatchedEntryKeys(to_keys)),
              MatchByReading(from, to))
        << "round " << round;
  }
}

}  // namespace
}  // namespace flashdisk
