#include "image/entry_matching.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace flashdisk {
namespace {

// An entry written as "NAME:DATA".
struct Side {
  std::vector<std::string> names;
  std::vector<std::string> data;

  Side(std::initializer_list<std::string> entries) {
    for (const auto& entry : entries) {
      const auto colon = entry.find(':');
      names.push_back(entry.substr(0, colon));
      data.push_back(entry.substr(colon + 1));
    }
  }

  std::vector<MatchedEntryKey> Keys() const {
    std::vector<MatchedEntryKey> keys;
    for (std::size_t i = 0; i < names.size(); ++i) {
      keys.push_back(
          {names[i], {reinterpret_cast<const std::uint8_t*>(data[i].data()), data[i].size()}});
    }
    return keys;
  }
};

using Matches = std::vector<std::optional<std::size_t>>;

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
  };
  for (const auto& one : cases) {
    const auto from = one.from.Keys();
    const auto to = one.to.Keys();
    EXPECT_EQ(MatchEntries(from, to), one.expected) << one.what;
  }
}

}  // namespace
}  // namespace flashdisk
