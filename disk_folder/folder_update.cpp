#include "disk_folder/folder_update.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>

#include "disk_folder/folder_unpacking.h"
#include "disk_folder/manifest_editor.h"
#include "image/cp1251_text.h"
#include "image/entry_matching.h"
#include "image/entry_plan.h"
#include "image/host_files.h"
#include "image/image_format.h"
#include "image/little_endian.h"
#include "image/platform_seam.h"
#include "image/utf8_path.h"

namespace flashdisk {

namespace fs = std::filesystem;

namespace {

// What keys of a table make together, such as an entry's length of reserve
// and length. Each key comes with its spellings: the written one first,
// then the other one the reader takes.
struct Setting {
  std::vector<std::vector<std::string_view>> keys;
  std::string effect;

  bool operator==(const Setting&) const = default;
};
using Settings = std::vector<Setting>;

std::string Flag(bool on) {
  return on ? "true" : "false";
}

std::string Hex(const ByteString& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// A name as the entry stores it: at most 31 bytes of code page 1251.
std::string StoredName(const std::string& utf8) {
  auto stored = Cp1251FromUtf8(utf8);
  stored.resize(std::min<std::size_t>(stored.size(), kMaxTextLength));
  return Utf8FromCp1251(stored);
}

bool IsRks(const EntrySettings& entry, std::uint64_t file_size) {
  return entry.rks.value_or(DeriveSourceDefaults(PathFromUtf8(entry.file.path), file_size).rks);
}

// The place of reserve and length among an entry's effects.
constexpr std::size_t kTotalLength = 12;
// The place of the directory among the disk's effects.
constexpr std::size_t kDirectory = 6;

// What each key of an entry's table makes of a data file of `file_size`
// bytes, defaults filled in, so that two spellings of one entry compare equal.
Settings EntryEffects(const EntrySettings& entry, std::uint64_t file_size,
                      std::uint32_t sector_size) {
  const auto defaults = DeriveSourceDefaults(PathFromUtf8(entry.file.path), file_size);
  const bool rks = entry.rks.value_or(defaults.rks);
  const auto total =
      entry.length
          ? entry.length->value
          : PlanEntry(file_size, rks, entry.aligned, entry.reserve, sector_size).total_length;
  return {
      {{{"file"}}, entry.file.path},
      {{{"name"}}, StoredName(entry.name.value_or(defaults.name))},
      // An RKS file brings its own load address, which its bytes compare.
      {{{"load"}}, rks ? "" : std::to_string(entry.load ? entry.load->value : 0)},
      {{{"rks"}}, Flag(rks)},
      {{{"big"}}, Flag(entry.big.value_or(defaults.big))},
      {{{"exec", "executable"}}, Flag(entry.exec.value_or(defaults.executable_on))},
      {{{"aligned"}}, Flag(entry.aligned)},
      {{{"deleted"}}, Flag(entry.deleted)},
      {{{"readonly", "read_only"}}, Flag(entry.readonly)},
      {{{"bit2"}}, Flag(entry.bit2)},
      {{{"bit1"}}, Flag(entry.bit1)},
      {{{"bit0"}}, Flag(entry.bit0)},
      {{{"reserve"}, {"length"}}, std::to_string(total)},
      {{{"name_rest"}}, Hex(entry.name_rest.bytes)},
      {{{"tail"}}, entry.tail ? entry.tail->path : ""},
  };
}

Settings DiskEffects(const DiskSettings& disk) {
  const auto sector = SizeFromText(kSectorSizeChoices, disk.sector).value_or(0);
  const auto file = [](const std::optional<ManifestFile>& kept) { return kept ? kept->path : ""; };
  return {
      {{{"size"}}, std::to_string(SizeFromText(kDiskSizeChoices, disk.size).value_or(0))},
      {{{"sector"}}, std::to_string(sector)},
      {{{"label"}}, disk.label},
      {{{"label_rest"}}, Hex(disk.label_rest.bytes)},
      {{{"system_load"}}, std::to_string(disk.system_load)},
      {{{"system_size"}}, std::to_string(disk.system_size)},
      {{{"directory"}}, std::to_string(disk.directory.value_or(DefaultDirectoryOffset(sector)))},
      {{{"header_rest"}}, file(disk.header_rest)},
      {{{"after_chain"}}, file(disk.after_chain)},
      {{{"full"}}, Flag(disk.full)},
  };
}

// Rewrites, adds or drops the keys of each setting whose effect changed, as
// the new table writes them; a key keeps the spelling the table has.
void EditTable(ManifestEditor& editor, std::size_t table, const Settings& old_effects,
               const Settings& new_effects, const ManifestKeys& new_keys) {
  for (std::size_t i = 0; i < old_effects.size(); ++i) {
    if (old_effects[i].effect == new_effects[i].effect) {
      continue;
    }
    for (const auto& names : old_effects[i].keys) {
      const auto written = std::find_if(new_keys.begin(), new_keys.end(), [&](const auto& key) {
        return key.first == names.front();
      });
      if (written != new_keys.end()) {
        editor.Set(table, names, written->second);
      } else {
        editor.Drop(table, names);
      }
    }
  }
}

// The data an add of the entry's file takes: an RKS file's bytes between
// its header and its checksum.
std::optional<ByteString> EntryData(const EntrySettings& entry, const ByteString& file) {
  if (!IsRks(entry, file.size())) {
    return file;
  }
  if (file.size() < kRksOverhead) {
    return std::nullopt;
  }
  return ByteString(file.begin() + kRksHeaderSize, file.end() - (kRksOverhead - kRksHeaderSize));
}

// A file written under a name the manifest gave lands inside the folder:
// no root, no "..", no link on the way.
bool StaysInside(const fs::path& folder, const fs::path& relative) {
  if (relative.has_root_path()) {
    return false;
  }
  auto at = folder;
  for (const auto& part : relative) {
    at /= part;
    if (part == ".." || platform::IsLink(at)) {
      return false;
    }
  }
  return true;
}

// For each image entry, the manifest's entry it stands for, by the rule
// diff pairs entries of two images with. `old_data` holds each manifest
// entry's data as an add of its file takes it, nothing when unreadable.
EntryMatches MatchManifestEntries(const DiskImage& image, const Manifest& old,
                                  const std::vector<std::optional<ByteString>>& old_data) {
  const auto& entries = image.listing().entries;
  std::vector<MatchedEntryKey> image_keys;
  for (const auto& entry : entries) {
    image_keys.push_back({entry.name, image.EntryData(entry)});
  }
  // A name as the image would store it; the names must outlive the keys.
  std::vector<std::string> old_names;
  for (std::size_t j = 0; j < old.entries.size(); ++j) {
    const auto& entry = old.entries[j];
    const auto name = entry.name.value_or(
        DeriveSourceDefaults(PathFromUtf8(entry.file.path), old_data[j] ? old_data[j]->size() : 0)
            .name);
    old_names.push_back(Cp1251FromUtf8(StoredName(name)));
  }
  std::vector<MatchedEntryKey> old_keys;
  for (std::size_t j = 0; j < old.entries.size(); ++j) {
    old_keys.push_back(
        {old_names[j],
         old_data[j] ? std::optional(std::span<const std::uint8_t>(*old_data[j])) : std::nullopt});
  }
  return MatchEntries(MatchedEntryKeys(old_keys), MatchedEntryKeys(image_keys));
}

}  // namespace

FolderUpdate PlanFolderUpdate(const DiskImage& image, const fs::path& folder,
                              std::string_view old_text, const Manifest& old,
                              const std::vector<fs::path>& ours,
                              const std::vector<std::string>& taken) {
  // Each old data file once: its bytes tell both the match and the change.
  std::map<std::string, std::optional<ByteString>> old_files;
  const auto old_bytes = [&](const std::string& path) -> const std::optional<ByteString>& {
    auto [at, added] = old_files.try_emplace(path);
    if (added) {
      at->second = ReadWholeFile(folder / PathFromUtf8(path), kImageBufferSize);
    }
    return at->second;
  };
  std::vector<std::optional<ByteString>> old_data;
  for (const auto& entry : old.entries) {
    const auto& bytes = old_bytes(entry.file.path);
    old_data.push_back(bytes ? EntryData(entry, *bytes) : std::nullopt);
  }
  const auto match = MatchManifestEntries(image, old, old_data);

  const auto& entries = image.listing().entries;
  KeptFileNames kept;
  // A file two old entries shared goes to the first of them alone; a file
  // that is not ours (the image itself) to none.
  const std::set<fs::path> our_files(ours.begin(), ours.end());
  std::set<std::string> kept_files;
  const auto keep = [&](const std::string& path) {
    return our_files.contains(PathFromUtf8(path).lexically_normal()) &&
           StaysInside(folder, PathFromUtf8(path)) && kept_files.insert(path).second;
  };
  for (std::size_t i = 0; i < entries.size(); ++i) {
    auto& names = kept.entries.emplace_back();
    if (match[i] && keep(old.entries[*match[i]].file.path)) {
      const auto& entry = old.entries[*match[i]];
      names.data_file = entry.file.path;
      // As the manifest took the file it has: a file over 64 KiB is never RKS.
      const auto& bytes = old_bytes(entry.file.path);
      names.rks = IsRks(entry, bytes ? bytes->size() : entries[i].data_size + kRksOverhead) &&
                  FitsRksFile(entries[i].data_size);
      if (entry.tail && keep(entry.tail->path)) {
        names.tail = entry.tail->path;
      }
    }
  }
  const auto path_of = [&](const std::optional<ManifestFile>& file) {
    return file && keep(file->path) ? std::optional(file->path) : std::nullopt;
  };
  kept.header_rest = path_of(old.disk.header_rest);
  kept.after_chain = path_of(old.disk.after_chain);
  auto unpacked = UnpackDisk(image, taken, kept);

  std::string manifest;
  if (auto editor = ManifestEditor::Open(old_text)) {
    const auto sector = image.sector_size();
    std::vector<ManifestEditor::EntryText> tables;
    for (std::size_t i = 0; i < entries.size(); ++i) {
      const auto& settings = unpacked.manifest.entries[i];
      if (!match[i] || !kept.entries[i].data_file) {
        tables.push_back({std::nullopt, TableText("[[entry]]", EntryKeys(settings))});
        continue;
      }
      const auto file_size = unpacked.files[i].bytes.size();
      const auto& old_entry = old.entries[*match[i]];
      auto old_effects = EntryEffects(old_entry, file_size, sector);
      // The length that reserve and length give depends on Aligned, as it
      // will be.
      auto aligned_as_new = old_entry;
      aligned_as_new.aligned = settings.aligned;
      old_effects[kTotalLength] = EntryEffects(aligned_as_new, file_size, sector)[kTotalLength];
      EditTable(*editor, *match[i], old_effects, EntryEffects(settings, file_size, sector),
                EntryKeys(settings));
      tables.push_back({*match[i], {}});
    }
    auto old_disk = DiskEffects(old.disk);
    // Where the directory lies by default depends on the sector, as it will be.
    auto sector_as_new = old.disk;
    sector_as_new.sector = unpacked.manifest.disk.sector;
    old_disk[kDirectory] = DiskEffects(sector_as_new)[kDirectory];
    const auto new_disk = DiskEffects(unpacked.manifest.disk);
    EditTable(*editor, ManifestEditor::kDisk, old_disk, new_disk, DiskKeys(unpacked.manifest.disk));
    const bool disk_differs = DiskEffects(DiskSettings{}) != new_disk;
    manifest = editor->Text(
        tables, disk_differs ? TableText("[disk]", DiskKeys(unpacked.manifest.disk)) : "");
  } else {
    manifest = ManifestText(unpacked.manifest);
  }
  unpacked.files.push_back(
      {std::string(kManifestFileName), ByteString(manifest.begin(), manifest.end())});

  FolderUpdate update;
  for (auto& file : unpacked.files) {
    const auto& before = file.name == kManifestFileName
                             ? std::optional(ByteString(old_text.begin(), old_text.end()))
                             : old_bytes(file.name);
    update.changed.push_back(!before || *before != file.bytes);
    update.files.push_back(std::move(file));
  }
  // An RKS file whose header or checksum the add never read stays as it is
  // when its data and load address are the entry's.
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const auto& before = old_bytes(update.files[i].name);
    if (kept.entries[i].rks && update.changed[i] && before &&
        before->size() == update.files[i].bytes.size() &&
        ReadLe16(*before, 0) == entries[i].load_address &&
        std::equal(before->begin() + kRksHeaderSize, before->end() - 2,
                   update.files[i].bytes.begin() + kRksHeaderSize)) {
      update.changed[i] = false;
    }
  }
  return update;
}

}  // namespace flashdisk
