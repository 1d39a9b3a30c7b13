#include "disk_folder/disk_manifest.h"

#include <toml++/toml.h>
#include <algorithm>
#include <limits>

#include "image/cp1251_text.h"
#include "image/hex_text.h"
#include "image/image_format.h"
#include "image/user_messages.h"

namespace flashdisk {

namespace {

constexpr std::string_view kNeedString = "Нужна строка в кавычках!";
constexpr std::string_view kNeedInteger = "Нужно целое число!";
constexpr std::string_view kNeedBoolean = "Нужно true или false!";
constexpr std::string_view kOutOfRange = "Число вне допустимых пределов!";
constexpr std::string_view kUnknownKey = "Неизвестный ключ! Известные ключи: ";
constexpr std::string_view kNeedHexAddress = "Нужен шестнадцатеричный адрес: 0x8000 или \"8000\"!";
constexpr std::string_view kTextTooLong = "Текст длиннее 31 байта в кодовой странице 1251!";
constexpr std::string_view kNotInCp1251 =
    "В тексте есть знак, которого нет в кодовой странице 1251!";
constexpr std::string_view kKeyTwice = "Этот атрибут уже задан другим ключом!";
constexpr std::string_view kNotUtf8 = "Описание диска не в кодировке UTF-8!";
constexpr std::string_view kSyntaxError = "Ошибка синтаксиса TOML!";
constexpr std::string_view kNeedBytes =
    "Нужны байты в шестнадцатеричном виде, например \"00 FF\", не больше 31!";

// A refusal on its way out of the reader; ParseManifest turns it into its result.
struct Refusal {
  ManifestError error;
};

std::size_t LineOf(const toml::node& node) {
  return node.source().begin.line;
}

[[noreturn]] void Refuse(const toml::node& node, std::string key, std::string_view message) {
  throw Refusal{{LineOf(node), std::move(key), std::string(message)}};
}

// Reads the keys of one table, each once, and refuses any key it was not asked for.
class TableReader {
 public:
  TableReader(const toml::table& table, std::string prefix)
      : table_(table), prefix_(std::move(prefix)) {}

  std::string KeyName(std::string_view key) const { return prefix_ + std::string(key); }
  std::size_t line() const { return table_.source().begin.line; }

  const toml::node* Find(std::string_view key) {
    known_.emplace_back(key);
    return table_.get(key);
  }

  // The key's value when it has the type T; a value of another type is refused.
  template <typename T>
  std::optional<T> Value(std::string_view key, std::string_view message) {
    const auto* node = Find(key);
    if (!node) {
      return std::nullopt;
    }
    if (!node->is<T>()) {
      Refuse(*node, KeyName(key), message);
    }
    return node->as<T>()->get();
  }

  std::optional<std::string> String(std::string_view key) {
    return Value<std::string>(key, kNeedString);
  }
  std::optional<bool> Boolean(std::string_view key) { return Value<bool>(key, kNeedBoolean); }

  std::optional<std::uint32_t> Integer(std::string_view key, std::uint32_t max) {
    const auto value = Value<std::int64_t>(key, kNeedInteger);
    if (value && (*value < 0 || static_cast<std::uint64_t>(*value) > max)) {
      Refuse(*table_.get(key), KeyName(key), kOutOfRange);
    }
    return value ? std::optional<std::uint32_t>(static_cast<std::uint32_t>(*value)) : std::nullopt;
  }

  // A 16-bit target address: a number, or 1 to 4 hexadecimal digits as --load.
  std::optional<std::uint16_t> Address(std::string_view key) {
    const auto* node = Find(key);
    if (!node) {
      return std::nullopt;
    }
    if (node->is_string()) {
      if (const auto address = ParseLoadAddress(node->as_string()->get())) {
        return address;
      }
    } else if (node->is_integer()) {
      // Addresses of the target are hexadecimal everywhere: 8000 written
      // without 0x is not taken for 0x1F40.
      const auto& integer = *node->as_integer();
      const bool hexadecimal =
          (integer.flags() & toml::value_flags::format_as_hexadecimal) != toml::value_flags::none;
      if (hexadecimal && integer.get() >= 0 && integer.get() <= 0xFFFF) {
        return static_cast<std::uint16_t>(integer.get());
      }
    }
    Refuse(*node, KeyName(key), kNeedHexAddress);
  }

  // Text for a field of 31 bytes in code page 1251: refused rather than cut
  // or given question marks.
  std::optional<std::string> Text(std::string_view key) {
    auto text = String(key);
    if (!text) {
      return std::nullopt;
    }
    const auto stored = Cp1251FromUtf8(*text);
    if (Utf8FromCp1251(stored) != *text) {
      Refuse(*table_.get(key), KeyName(key), kNotInCp1251);
    }
    if (stored.size() > kMaxTextLength) {
      Refuse(*table_.get(key), KeyName(key), kTextTooLong);
    }
    return text;
  }

  // A flag with two names, the manifest's own and the one of `set` and
  // `list --json`; not both.
  std::optional<bool> Flag(std::string_view key, std::string_view other_key) {
    const auto value = Boolean(key);
    const auto other = Boolean(other_key);
    if (value && other) {
      Refuse(*table_.get(other_key), KeyName(other_key), kKeyTwice);
    }
    return value ? value : other;
  }

  ManifestBytes Bytes(std::string_view key);

  std::optional<ManifestFile> File(std::string_view key) {
    const auto* node = Find(key);
    if (!node) {
      return std::nullopt;
    }
    if (!node->is_string()) {
      Refuse(*node, KeyName(key), kNeedString);
    }
    if (node->as_string()->get().empty()) {
      Refuse(*node, KeyName(key), kEmptyNameMessage);
    }
    return ManifestFile{node->as_string()->get(), LineOf(*node), KeyName(key)};
  }

  // Refuses the first key that no reader asked for: a misspelt `reserve`
  // would otherwise lose the entry's reserve without a word.
  void RefuseUnknownKeys() const {
    for (const auto& [key, node] : table_) {
      if (std::find(known_.begin(), known_.end(), key.str()) == known_.end()) {
        std::string known;
        for (const auto& name : known_) {
          known += (known.empty() ? "" : ", ") + name;
        }
        Refuse(node, KeyName(key.str()), std::string(kUnknownKey) + known + ".");
      }
    }
  }

 private:
  const toml::table& table_;
  std::string prefix_;
  std::vector<std::string> known_;
};

std::optional<std::uint8_t> HexDigit(char c) {
  if (c >= '0' && c <= '9') {
    return static_cast<std::uint8_t>(c - '0');
  }
  if (c >= 'A' && c <= 'F') {
    return static_cast<std::uint8_t>(c - 'A' + 10);
  }
  if (c >= 'a' && c <= 'f') {
    return static_cast<std::uint8_t>(c - 'a' + 10);
  }
  return std::nullopt;
}

// Pairs of hexadecimal digits, spaces between them allowed.
std::optional<ByteString> ParseHexBytes(std::string_view text) {
  ByteString bytes;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == ' ') {
      continue;
    }
    const auto high = HexDigit(text[i]);
    const auto low = i + 1 < text.size() ? HexDigit(text[i + 1]) : std::nullopt;
    if (!high || !low || bytes.size() == kMaxTextLength) {
      return std::nullopt;
    }
    bytes.push_back(static_cast<std::uint8_t>(*high << 4 | *low));
    ++i;
  }
  return bytes;
}

ManifestBytes TableReader::Bytes(std::string_view key) {
  const auto* node = Find(key);
  if (!node) {
    return {};
  }
  const auto bytes = node->is_string() ? ParseHexBytes(node->as_string()->get()) : std::nullopt;
  if (!bytes) {
    Refuse(*node, KeyName(key), kNeedBytes);
  }
  return {*bytes, LineOf(*node), KeyName(key)};
}

// The sector size as `new --sector` takes it, as a number or as its text.
std::optional<std::string> SectorText(TableReader& reader) {
  const auto* node = reader.Find("sector");
  if (!node) {
    return std::nullopt;
  }
  std::string text;
  if (node->is_integer()) {
    text = std::to_string(node->as_integer()->get());
  } else if (node->is_string()) {
    text = node->as_string()->get();
  }
  if (!SizeFromText(kSectorSizeChoices, text)) {
    Refuse(*node, reader.KeyName("sector"), "Нужен размер сектора: 1, 128, 256, 512 или 1024!");
  }
  return text;
}

// The directory starts after the header, on a sector's first byte, and
// inside the disk (at its very end for a disk with no room for entries).
std::optional<std::uint32_t> Directory(TableReader& reader, const DiskSettings& disk) {
  const auto directory = reader.Integer("directory", std::numeric_limits<std::uint32_t>::max());
  if (!directory) {
    return std::nullopt;
  }
  const auto sector = *SizeFromText(kSectorSizeChoices, disk.sector);
  if (*directory < kHeaderSize || *directory > *SizeFromText(kDiskSizeChoices, disk.size) ||
      *directory % sector != 0) {
    Refuse(*reader.Find("directory"), reader.KeyName("directory"),
           "Каталог должен начинаться после заголовка, на границе сектора и в пределах диска!");
  }
  return directory;
}

DiskSettings ReadDisk(const toml::table& table) {
  TableReader reader(table, "disk.");
  DiskSettings disk;
  if (auto size = reader.String("size")) {
    if (!SizeFromText(kDiskSizeChoices, *size)) {
      Refuse(*table.get("size"), reader.KeyName("size"),
             "Нужен размер диска: 64k, 128k, 256k, 512k, 1024k или 2048k!");
    }
    disk.size = *size;
  }
  disk.sector = SectorText(reader).value_or(disk.sector);
  disk.label = reader.Text("label").value_or("");
  disk.label_rest = reader.Bytes("label_rest");
  disk.system_load = reader.Address("system_load").value_or(0);
  disk.system_size = static_cast<std::uint16_t>(reader.Integer("system_size", 0xFFFF).value_or(0));
  disk.directory = Directory(reader, disk);
  disk.header_rest = reader.File("header_rest");
  disk.after_chain = reader.File("after_chain");
  disk.full = reader.Boolean("full").value_or(false);
  reader.RefuseUnknownKeys();
  return disk;
}

EntrySettings ReadEntry(const toml::table& table, std::size_t number) {
  TableReader reader(table, "entry[" + std::to_string(number) + "].");
  EntrySettings entry;
  const auto file = reader.File("file");
  if (!file) {
    throw Refusal{{reader.line(), reader.KeyName("file"), "Не указан файл записи!"}};
  }
  entry.file = *file;
  entry.name = reader.Text("name");
  if (entry.name && entry.name->empty()) {
    Refuse(*table.get("name"), reader.KeyName("name"), kEmptyNameMessage);
  }
  if (const auto load = reader.Address("load")) {
    entry.load = ManifestNumber{*load, LineOf(*table.get("load")), reader.KeyName("load")};
  }
  entry.rks = reader.Boolean("rks");
  entry.big = reader.Boolean("big");
  entry.exec = reader.Flag("exec", "executable");
  entry.aligned = reader.Boolean("aligned").value_or(false);
  entry.reserve = reader.Integer("reserve", std::numeric_limits<std::uint32_t>::max()).value_or(0);
  if (const auto length = reader.Integer("length", std::numeric_limits<std::uint32_t>::max())) {
    entry.length = ManifestNumber{*length, LineOf(*table.get("length")), reader.KeyName("length")};
  }
  entry.deleted = reader.Boolean("deleted").value_or(false);
  entry.readonly = reader.Flag("readonly", "read_only").value_or(false);
  entry.bit2 = reader.Boolean("bit2").value_or(false);
  entry.bit1 = reader.Boolean("bit1").value_or(false);
  entry.bit0 = reader.Boolean("bit0").value_or(false);
  entry.name_rest = reader.Bytes("name_rest");
  entry.tail = reader.File("tail");
  reader.RefuseUnknownKeys();
  return entry;
}

Manifest ReadManifest(const toml::table& root) {
  TableReader reader(root, "");
  Manifest manifest;
  if (const auto* disk = reader.Find("disk")) {
    if (!disk->is_table()) {
      Refuse(*disk, "disk", "Нужна таблица [disk]!");
    }
    manifest.disk = ReadDisk(*disk->as_table());
  }
  if (const auto* entries = reader.Find("entry")) {
    if (!entries->is_array_of_tables()) {
      Refuse(*entries, "entry", "Нужны таблицы [[entry]]!");
    }
    for (const auto& entry : *entries->as_array()) {
      manifest.entries.push_back(ReadEntry(*entry.as_table(), manifest.entries.size() + 1));
    }
  }
  reader.RefuseUnknownKeys();
  return manifest;
}

// Where the first byte that is not part of well-formed UTF-8 is: a manifest
// saved in code page 1251 is told apart from a TOML error.
std::optional<std::size_t> FirstNonUtf8(std::string_view text) {
  std::size_t at = 0;
  while (at < text.size()) {
    const auto lead = static_cast<unsigned char>(text[at]);
    const std::size_t length = lead < 0x80                   ? 1
                               : lead >= 0xC2 && lead < 0xE0 ? 2
                               : lead >= 0xE0 && lead < 0xF0 ? 3
                               : lead >= 0xF0 && lead < 0xF5 ? 4
                                                             : 0;
    if (length == 0 || at + length > text.size()) {
      return at;
    }
    for (std::size_t i = 1; i < length; ++i) {
      if ((static_cast<unsigned char>(text[at + i]) & 0xC0) != 0x80) {
        return at;
      }
    }
    at += length;
  }
  return std::nullopt;
}

constexpr char kHexDigits[] = "0123456789ABCDEF";

// A TOML basic string on one line: every control character escaped, since a
// multi-line string would drop a leading newline on reading.
std::string Quoted(std::string_view text) {
  std::string quoted = "\"";
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      quoted += '\\';
      quoted += c;
    } else if (byte < 0x20 || byte == 0x7F) {
      quoted += "\\u00";
      quoted += kHexDigits[byte >> 4];
      quoted += kHexDigits[byte & 0xF];
    } else {
      quoted += c;
    }
  }
  return quoted + '"';
}

void WriteKey(ManifestKeys& out, std::string_view key, std::string_view value) {
  out.emplace_back(key, value);
}

void WriteString(ManifestKeys& out, std::string_view key, std::string_view text) {
  WriteKey(out, key, Quoted(text));
}

void WriteNumber(ManifestKeys& out, std::string_view key, std::uint32_t number) {
  WriteKey(out, key, std::to_string(number));
}

// Target addresses as the window shows them, in four hexadecimal digits.
void WriteAddress(ManifestKeys& out, std::string_view key, std::uint16_t address) {
  std::string text = "0x";
  for (int shift = 12; shift >= 0; shift -= 4) {
    text += kHexDigits[(address >> shift) & 0xF];
  }
  WriteKey(out, key, text);
}

void WriteBytes(ManifestKeys& out, std::string_view key, const ByteString& bytes) {
  std::string text;
  for (const auto byte : bytes) {
    text += text.empty() ? "" : " ";
    text += kHexDigits[byte >> 4];
    text += kHexDigits[byte & 0xF];
  }
  WriteString(out, key, text);
}

void WriteFlag(ManifestKeys& out, std::string_view key, std::optional<bool> value) {
  if (value) {
    WriteKey(out, key, *value ? "true" : "false");
  }
}

void WriteDisk(ManifestKeys& out, const DiskSettings& disk) {
  WriteString(out, "size", disk.size);
  WriteKey(out, "sector", disk.sector);
  if (!disk.label.empty()) {
    WriteString(out, "label", disk.label);
  }
  if (!disk.label_rest.bytes.empty()) {
    WriteBytes(out, "label_rest", disk.label_rest.bytes);
  }
  if (disk.system_load != 0) {
    WriteAddress(out, "system_load", disk.system_load);
  }
  if (disk.system_size != 0) {
    WriteNumber(out, "system_size", disk.system_size);
  }
  if (disk.directory) {
    WriteNumber(out, "directory", *disk.directory);
  }
  if (disk.header_rest) {
    WriteString(out, "header_rest", disk.header_rest->path);
  }
  if (disk.after_chain) {
    WriteString(out, "after_chain", disk.after_chain->path);
  }
  WriteFlag(out, "full", disk.full ? std::optional<bool>(true) : std::nullopt);
}

// Only what differs from add's defaults, so a hand-written entry and an
// unpacked one read alike.
void WriteEntry(ManifestKeys& out, const EntrySettings& entry) {
  WriteString(out, "file", entry.file.path);
  if (entry.name) {
    WriteString(out, "name", *entry.name);
  }
  if (entry.load) {
    WriteAddress(out, "load", static_cast<std::uint16_t>(entry.load->value));
  }
  WriteFlag(out, "rks", entry.rks);
  WriteFlag(out, "big", entry.big);
  WriteFlag(out, "exec", entry.exec);
  const std::pair<std::string_view, bool> set_flags[] = {
      {"aligned", entry.aligned}, {"deleted", entry.deleted}, {"readonly", entry.readonly},
      {"bit2", entry.bit2},       {"bit1", entry.bit1},       {"bit0", entry.bit0}};
  for (const auto& [key, on] : set_flags) {
    WriteFlag(out, key, on ? std::optional<bool>(true) : std::nullopt);
  }
  if (entry.reserve != 0) {
    WriteNumber(out, "reserve", entry.reserve);
  }
  if (entry.length) {
    WriteNumber(out, "length", entry.length->value);
  }
  if (!entry.name_rest.bytes.empty()) {
    WriteBytes(out, "name_rest", entry.name_rest.bytes);
  }
  if (entry.tail) {
    WriteString(out, "tail", entry.tail->path);
  }
}

}  // namespace

std::variant<Manifest, ManifestError> ParseManifest(std::string_view text) {
  if (const auto bad = FirstNonUtf8(text)) {
    return ManifestError{
        1 + static_cast<std::size_t>(std::count(text.begin(), text.begin() + *bad, '\n')), "",
        std::string(kNotUtf8)};
  }
  try {
    return ReadManifest(toml::parse(text));
  } catch (const toml::parse_error& error) {
    return ManifestError{error.source().begin.line, "", std::string(kSyntaxError),
                         error.source().begin.column};
  } catch (const Refusal& refusal) {
    return refusal.error;
  }
}

ManifestKeys DiskKeys(const DiskSettings& disk) {
  ManifestKeys keys;
  WriteDisk(keys, disk);
  return keys;
}

ManifestKeys EntryKeys(const EntrySettings& entry) {
  ManifestKeys keys;
  WriteEntry(keys, entry);
  return keys;
}

std::string TableText(std::string_view header, const ManifestKeys& keys) {
  std::string text = std::string(header) + '\n';
  for (const auto& [key, value] : keys) {
    text += key + " = " + value + '\n';
  }
  return text;
}

std::string ManifestText(const Manifest& manifest) {
  auto text = TableText("[disk]", DiskKeys(manifest.disk));
  for (const auto& entry : manifest.entries) {
    text += '\n' + TableText("[[entry]]", EntryKeys(entry));
  }
  return text;
}

}  // namespace flashdisk
