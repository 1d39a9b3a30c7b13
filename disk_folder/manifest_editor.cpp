#include "disk_folder/manifest_editor.h"

#include <toml++/toml.h>
#include <algorithm>

namespace flashdisk {

namespace {

bool IsBlank(std::string_view line) {
  return line.find_first_not_of(" \t\r") == std::string_view::npos;
}

bool IsComment(std::string_view line) {
  const auto first = line.find_first_not_of(" \t");
  return first != std::string_view::npos && line[first] == '#';
}

bool StartsTable(std::string_view line, std::string_view bracket) {
  const auto first = line.find_first_not_of(" \t");
  return first != std::string_view::npos && line.substr(first).starts_with(bracket);
}

// One past the end of a value written on one line from `start`: a string
// to its closing quote, anything else to the first space, comma or '#'.
std::size_t ValueEnd(std::string_view line, std::size_t start) {
  for (const std::string_view triple : {"\"\"\"", "'''"}) {
    if (line.substr(start).starts_with(triple)) {
      const auto close = line.find(triple, start + 3);
      return close == std::string_view::npos ? line.size() : close + 3;
    }
  }
  if (start < line.size() && line[start] == '"') {
    for (auto at = start + 1; at < line.size(); ++at) {
      if (line[at] == '\\') {
        ++at;
      } else if (line[at] == '"') {
        return at + 1;
      }
    }
    return line.size();
  }
  if (start < line.size() && line[start] == '\'') {
    const auto close = line.find('\'', start + 1);
    return close == std::string_view::npos ? line.size() : close + 1;
  }
  const auto end = line.find_first_of(" \t\r#,", start);
  return end == std::string_view::npos ? line.size() : end;
}

std::size_t LineIndex(const toml::source_position& position) {
  return position.line - 1;
}

}  // namespace

std::optional<ManifestEditor> ManifestEditor::Open(std::string_view text) {
  toml::table root;
  try {
    root = toml::parse(text);
  } catch (const toml::parse_error&) {
    return std::nullopt;
  }
  ManifestEditor editor;
  std::size_t from = 0;
  while (from <= text.size()) {
    const auto newline = text.find('\n', from);
    if (newline == std::string_view::npos) {
      editor.lines_.emplace_back(text.substr(from));
      break;
    }
    editor.lines_.emplace_back(text.substr(from, newline - from));
    from = newline + 1;
  }
  editor.ends_with_newline_ = editor.lines_.back().empty();
  if (editor.ends_with_newline_) {
    editor.lines_.pop_back();
  }
  editor.replaced_.resize(editor.lines_.size());
  editor.dropped_.resize(editor.lines_.size());

  // A table's keys, and the table itself when it starts at a header of its own.
  const auto read = [&editor](const toml::table& table,
                              std::string_view bracket) -> std::optional<Table> {
    Table read_table;
    read_table.header = LineIndex(table.source().begin);
    if (read_table.header >= editor.lines_.size() ||
        !StartsTable(editor.lines_[read_table.header], bracket) ||
        (bracket == "[" && StartsTable(editor.lines_[read_table.header], "[["))) {
      return std::nullopt;
    }
    for (const auto& [key, node] : table) {
      if (node.is_table() || node.is_array_of_tables()) {
        return std::nullopt;
      }
      read_table.keys.push_back(
          {std::string(key.str()), LineIndex(key.source().begin), LineIndex(node.source().end)});
    }
    return read_table;
  };
  std::vector<std::pair<std::size_t, std::size_t>> tables;  // header line, kDisk or place
  if (const auto* disk = root.get("disk")) {
    editor.disk_ = disk->is_table() ? read(*disk->as_table(), "[") : std::nullopt;
    if (!editor.disk_) {
      return std::nullopt;
    }
    tables.emplace_back(editor.disk_->header, kDisk);
  }
  if (const auto* entries = root.get("entry")) {
    if (!entries->is_array_of_tables()) {
      return std::nullopt;
    }
    for (const auto& entry : *entries->as_array()) {
      auto table = read(*entry.as_table(), "[[");
      if (!table) {
        return std::nullopt;
      }
      tables.emplace_back(table->header, editor.entries_.size());
      editor.entries_.push_back(std::move(*table));
    }
  }
  std::sort(tables.begin(), tables.end());
  // Comments right above a table's header are the table's own: they move
  // and go with it.
  std::size_t content_end = 0;
  for (const auto& [header, place] : tables) {
    auto& table = editor.TableAt(place);
    table.start = table.header;
    while (table.start > content_end && IsComment(editor.lines_[table.start - 1])) {
      --table.start;
    }
    content_end = table.header + 1;
    for (const auto& key : table.keys) {
      content_end = std::max(content_end, key.last_line + 1);
    }
    editor.order_.push_back(place);
  }
  for (std::size_t i = 0; i < editor.order_.size(); ++i) {
    editor.TableAt(editor.order_[i]).end = i + 1 < editor.order_.size()
                                               ? editor.TableAt(editor.order_[i + 1]).start
                                               : editor.lines_.size();
  }
  editor.preamble_end_ =
      editor.order_.empty() ? editor.lines_.size() : editor.TableAt(editor.order_.front()).start;
  return editor;
}

ManifestEditor::Table& ManifestEditor::TableAt(std::size_t table) {
  return table == kDisk ? *disk_ : entries_[table];
}

const ManifestEditor::Key* ManifestEditor::Find(const Table& table,
                                                const std::vector<std::string_view>& names) const {
  for (const auto name : names) {
    for (const auto& key : table.keys) {
      if (key.name == name) {
        return &key;
      }
    }
  }
  return nullptr;
}

void ManifestEditor::Set(std::size_t table, const std::vector<std::string_view>& names,
                         const std::string& value) {
  if (table == kDisk && !disk_) {
    return;
  }
  auto& edited = TableAt(table);
  const auto* key = Find(edited, names);
  if (key == nullptr) {
    edited.added.push_back(std::string(names.front()) + " = " + value);
    return;
  }
  const std::string_view line = lines_[key->first_line];
  const auto equals = line.find('=');
  if (key->first_line != key->last_line || equals == std::string_view::npos) {
    replaced_[key->first_line] = key->name + " = " + value;
    std::fill(dropped_.begin() + static_cast<std::ptrdiff_t>(key->first_line) + 1,
              dropped_.begin() + static_cast<std::ptrdiff_t>(key->last_line) + 1, true);
    return;
  }
  const auto start = std::min(line.find_first_not_of(" \t", equals + 1), line.size());
  replaced_[key->first_line] =
      std::string(line.substr(0, start)) + value + std::string(line.substr(ValueEnd(line, start)));
}

void ManifestEditor::Drop(std::size_t table, const std::vector<std::string_view>& names) {
  if (table == kDisk && !disk_) {
    return;
  }
  const auto* key = Find(TableAt(table), names);
  if (key != nullptr) {
    std::fill(dropped_.begin() + static_cast<std::ptrdiff_t>(key->first_line),
              dropped_.begin() + static_cast<std::ptrdiff_t>(key->last_line) + 1, true);
  }
}

void ManifestEditor::Lines(const Table& table, std::string& out, bool trailing_blanks) const {
  auto end = table.end;
  while (!trailing_blanks && end > table.header + 1 && IsBlank(lines_[end - 1])) {
    --end;
  }
  auto last_key = table.header;
  for (const auto& key : table.keys) {
    last_key = std::max(last_key, key.last_line);
  }
  for (auto line = table.start; line < end; ++line) {
    if (!dropped_[line]) {
      out += replaced_[line].value_or(lines_[line]);
      out += '\n';
    }
    if (line == last_key) {
      for (const auto& added : table.added) {
        out += added + '\n';
      }
    }
  }
}

std::string ManifestEditor::Text(const std::vector<EntryText>& entries,
                                 const std::string& disk_table) const {
  std::string out;
  for (std::size_t line = 0; line < preamble_end_; ++line) {
    out += lines_[line] + '\n';
  }
  if (!disk_ && !disk_table.empty()) {
    out += disk_table + (entries.empty() ? "" : "\n");
  }
  // Each entry's place keeps the blank lines that followed its old table.
  std::size_t slot = 0;
  for (const auto place : order_) {
    if (place == kDisk) {
      Lines(*disk_, out, true);
      continue;
    }
    if (slot < entries.size()) {
      const auto& entry = entries[slot];
      if (entry.old) {
        Lines(entries_[*entry.old], out, false);
      } else {
        out += entry.table;
      }
      const auto& here = entries_[place];
      auto blank = here.end;
      while (blank > here.header + 1 && IsBlank(lines_[blank - 1])) {
        --blank;
      }
      for (; blank < here.end; ++blank) {
        out += lines_[blank] + '\n';
      }
    }
    ++slot;
  }
  for (; slot < entries.size(); ++slot) {
    if (!out.empty() && !out.ends_with("\n\n")) {
      out += '\n';
    }
    const auto& entry = entries[slot];
    if (entry.old) {
      Lines(entries_[*entry.old], out, false);
    } else {
      out += entry.table;
    }
  }
  if (!ends_with_newline_ && out.ends_with('\n')) {
    out.pop_back();
  }
  return out;
}

}  // namespace flashdisk
