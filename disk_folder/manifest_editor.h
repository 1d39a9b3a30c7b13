// Changes a manifest's text line by line, so that a folder kept in version
// control shows only what changed: every line that states no changed value
// stays byte for byte, with its comments, blank lines, key order and the
// spelling of its numbers and strings.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace flashdisk {

class ManifestEditor {
 public:
  // Nothing when the text does not parse, or when a table is written in a
  // form that has no header line of its own (an inline table): such a
  // manifest is written anew.
  static std::optional<ManifestEditor> Open(std::string_view text);

  // Entries by their place in the old text; kDisk for [disk].
  static constexpr std::size_t kDisk = static_cast<std::size_t>(-1);

  // The value of the first of `names` the table holds is rewritten on its
  // line (a comment after it stays); with none, `names.front() = value` is
  // added after the table's last key.
  void Set(std::size_t table, const std::vector<std::string_view>& names, const std::string& value);
  // The line of the first of `names` the table holds goes. Without a
  // [disk] table, Set and Drop of kDisk do nothing: Text adds it whole.
  void Drop(std::size_t table, const std::vector<std::string_view>& names);

  // The text with the entries in the order given: an old entry's place, or
  // the whole text of a new table. Tables of old entries not given go with
  // their comments. `disk_table` is put first when there was no [disk].
  struct EntryText {
    std::optional<std::size_t> old;
    std::string table;  // "[[entry]]\n..." for a new one
  };
  std::string Text(const std::vector<EntryText>& entries, const std::string& disk_table) const;

 private:
  struct Key {
    std::string name;
    std::size_t first_line = 0;  // the key's line
    std::size_t last_line = 0;   // where its value ends
  };
  struct Table {
    std::size_t header = 0;  // the line of [disk] or [[entry]]
    std::size_t start = 0;   // the first of the comment lines right above it
    std::size_t end = 0;     // one past its last line
    std::vector<Key> keys;
    std::vector<std::string> added;  // "key = value" lines after its last key
  };

  Table& TableAt(std::size_t table);
  const Key* Find(const Table& table, const std::vector<std::string_view>& names) const;
  void Lines(const Table& table, std::string& out, bool trailing_blanks) const;

  std::vector<std::string> lines_;                    // each without its '\n'
  std::vector<std::optional<std::string>> replaced_;  // a line's new text; "" with dropped_
  std::vector<bool> dropped_;
  bool ends_with_newline_ = true;
  std::size_t preamble_end_ = 0;  // lines before the first table
  std::optional<Table> disk_;
  std::vector<Table> entries_;
  std::vector<std::size_t> order_;  // tables in the text's order: kDisk or an entry's place
};

}  // namespace flashdisk
