// The manifest of a disk kept as a folder, disk.toml: the disk's sizes and
// label, then one [[entry]] per entry in chain order, with the command line's
// names for every key. Keys for the odd bytes that `new` and `add` never
// write (system fields, leftovers after a name, a tail after the data…) are
// there only when an image holds such bytes.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <variant>
#include <vector>

namespace flashdisk {

inline constexpr std::string_view kManifestFileName = "disk.toml";
// A manifest longer than this is no manifest.
inline constexpr std::uint64_t kLargestManifest = 16 * 1024 * 1024;

using ByteString = std::vector<std::uint8_t>;

// A file named in the manifest, relative to its folder, with the line of its key.
struct ManifestFile {
  std::string path;  // UTF-8, '/' between folders
  std::size_t line = 0;
  std::string key;  // such as "entry[2].file"
};

// Bytes written out in the manifest itself, with the line of their key.
struct ManifestBytes {
  ByteString bytes;
  std::size_t line = 0;
  std::string key;
};

// A number of the manifest, with the line of its key.
struct ManifestNumber {
  std::uint32_t value = 0;
  std::size_t line = 0;
  std::string key;
};

struct DiskSettings {
  std::string size = "512k";  // as `new --size`
  std::string sector = "256";
  std::string label;  // UTF-8
  // Bytes of the label field after its NUL, up to the last one not erased.
  ManifestBytes label_rest;
  std::uint16_t system_load = 0;
  std::uint16_t system_size = 0;
  std::optional<std::uint32_t> directory;   // when not where `new` puts it
  std::optional<ManifestFile> header_rest;  // bytes from the header's end to the directory
  std::optional<ManifestFile> after_chain;  // bytes from the chain's end on
  bool full = false;                        // the last entry may end at the disk's end
};

// One entry as `add` and `set` make it; nothing means add's default.
struct EntrySettings {
  ManifestFile file;
  std::optional<std::string> name;  // UTF-8
  std::optional<ManifestNumber> load;
  std::optional<bool> rks;
  std::optional<bool> big;
  std::optional<bool> exec;
  bool aligned = false;
  std::uint32_t reserve = 0;
  // The entry's exact total length, where add's plan would give another
  // one: an Aligned entry whose data uses only the room after its 44 bytes.
  std::optional<ManifestNumber> length;
  // set's attributes.
  bool deleted = false;
  bool readonly = false;
  bool bit2 = false;
  bool bit1 = false;
  bool bit0 = false;
  ManifestBytes name_rest;           // bytes of the name field after its NUL
  std::optional<ManifestFile> tail;  // bytes from the data's end to the entry's end
};

struct Manifest {
  DiskSettings disk;
  std::vector<EntrySettings> entries;
};

// Where in a manifest something is wrong, and what, in Russian.
struct ManifestError {
  std::size_t line = 0;
  std::string key;  // such as "entry[2].load"; empty for a syntax error
  std::string message;
  std::size_t column = 0;  // where the TOML parser tells it
};

// Checks every key's type and range, and that the directory lies where a
// disk of the given sizes can have it.
std::variant<Manifest, ManifestError> ParseManifest(std::string_view text);
std::string ManifestText(const Manifest& manifest);

// Each key a table of the manifest gets, in the order written, with its
// value as TOML text: only what differs from add's defaults.
using ManifestKeys = std::vector<std::pair<std::string, std::string>>;
ManifestKeys DiskKeys(const DiskSettings& disk);
ManifestKeys EntryKeys(const EntrySettings& entry);
// "HEADER\nkey = value\n…"
std::string TableText(std::string_view header, const ManifestKeys& keys);

}  // namespace flashdisk
