#include "disk_folder/folder_unpacking.h"

#include <algorithm>
#include <set>
#include <system_error>
#include <variant>

#include "disk_folder/folder_messages.h"
#include "disk_folder/folder_update.h"
#include "image/cp1251_text.h"
#include "image/entry_plan.h"
#include "image/host_file_names.h"
#include "image/host_files.h"
#include "image/platform_seam.h"
#include "image/rks_file.h"
#include "image/user_messages.h"
#include "image/utf8_path.h"

namespace flashdisk {

namespace fs = std::filesystem;

namespace {

using Bytes = std::span<const std::uint8_t>;

// `bytes` up to the last one that is not erased: erased bytes are what `new`
// leaves everywhere, so only the others need keeping.
ByteString UpToLastWritten(Bytes bytes) {
  const auto last = std::find_if(bytes.rbegin(), bytes.rend(),
                                 [](std::uint8_t byte) { return byte != kErasedByte; });
  return ByteString(bytes.begin(), last.base());
}

// Names starting ".flashdisk-" are the program's own temporaries and claim,
// which a later run removes: an entry's file gets "_" in place of the dot.
std::string NotTheProgramsOwn(std::string name) {
  if (name.starts_with(kProgramFilePrefix)) {
    name.front() = '_';
  }
  return name;
}

// The bytes of a text field after the text's NUL.
ByteString TextFieldRest(Bytes field, std::size_t text_length) {
  return UpToLastWritten(field.subspan(text_length + 1));
}

class DiskUnpacker {
 public:
  DiskUnpacker(const DiskImage& image, const std::vector<std::string>& taken,
               KeptFileNames kept = {})
      : image_(image), disk_(image.disk()), kept_(std::move(kept)) {
    kept_.entries.resize(image.listing().entries.size());
    names_.Reserve(kManifestFileName);
    for (const auto& name : taken) {
      names_.Reserve(name);
    }
    for (const auto& entry : kept_.entries) {
      ReserveKept(entry.data_file);
      ReserveKept(entry.tail);
    }
    ReserveKept(kept_.header_rest);
    ReserveKept(kept_.after_chain);
  }

  UnpackedDisk Unpack() {
    DescribeDisk();
    // Data files are named first, so that they keep the entries' names.
    const auto& entries = image_.listing().entries;
    for (std::size_t i = 0; i < entries.size(); ++i) {
      const auto& entry = entries[i];
      const auto& kept = kept_.entries[i];
      const auto name =
          kept.data_file.value_or(names_.Pick(NotTheProgramsOwn(Utf8FromCp1251(entry.name))));
      const auto data = image_.EntryData(entry);
      unpacked_.files.push_back({name, kept.rks ? MakeRksFile(entry.load_address, data)
                                                : ByteString(data.begin(), data.end())});
      unpacked_.manifest.entries.push_back(DescribeEntry(entry, name, kept.rks));
    }
    KeepTails();
    const auto header = ReadImageHeader(disk_);
    auto& disk = unpacked_.manifest.disk;
    disk.header_rest =
        KeepBytes(kept_.header_rest.value_or("header-rest.bin"),
                  disk_.subspan(kHeaderSize, header.directory_offset - kHeaderSize), "header_rest");
    disk.after_chain = KeepBytes(kept_.after_chain.value_or("after-chain.bin"),
                                 disk_.subspan(image_.EndOfChain()), "after_chain");
    return std::move(unpacked_);
  }

 private:
  void DescribeDisk() {
    const auto header = ReadImageHeader(disk_);
    auto& disk = unpacked_.manifest.disk;
    disk.size = kDiskSizeChoices[DiskSizeIndex(header.disk_size).value_or(0)].text;
    disk.sector = kSectorSizeChoices[SectorSizeIndex(header.sector_size).value_or(0)].text;
    disk.label = Utf8FromCp1251(header.label);
    disk.label_rest.bytes =
        TextFieldRest(disk_.subspan(kLabelOffset, kTextFieldSize), header.label.size());
    disk.system_load = header.system_load_address;
    disk.system_size = header.system_size;
    if (header.directory_offset != DefaultDirectoryOffset(header.sector_size)) {
      disk.directory = header.directory_offset;
    }
    const auto& entries = image_.listing().entries;
    disk.full = !entries.empty() && image_.EndOfChain() == disk_.size();
  }

  // The keys of an entry that differ from what `add` of its data file would
  // choose, so that `pack` chooses the same.
  // An RKS data file brings the load address itself.
  EntrySettings DescribeEntry(const DirectoryEntry& entry, const std::string& file_name,
                              bool rks) const {
    EntrySettings settings;
    settings.file.path = file_name;
    settings.name = Utf8FromCp1251(entry.name);
    if (entry.load_address != 0 && !rks) {
      settings.load = ManifestNumber{entry.load_address, 0, ""};
    }
    const auto file_size = entry.data_size + (rks ? kRksOverhead : 0);
    const auto defaults = DeriveSourceDefaults(PathFromUtf8(file_name), file_size);
    if (defaults.rks != rks) {
      settings.rks = rks;
    }
    const auto has = [&entry](EntryAttribute attribute) { return entry.attributes.Has(attribute); };
    if (has(kAttributeBig) != defaults.big) {
      settings.big = has(kAttributeBig);
    }
    if (has(kAttributeExecutable) != defaults.executable_on) {
      settings.exec = has(kAttributeExecutable);
    }
    settings.aligned = has(kAttributeAligned);
    settings.deleted = has(kAttributeDeleted);
    settings.readonly = has(kAttributeReadOnly);
    settings.bit2 = has(kAttributeBit2);
    settings.bit1 = has(kAttributeBit1);
    settings.bit0 = has(kAttributeBit0);
    // A longer entry than planned is a reserve, as `add --reserve` makes
    // one; a shorter one (Aligned, its data in the room after the 44 bytes)
    // keeps its exact length in a key of its own.
    const auto plan = PlanEntry(file_size, rks, settings.aligned, 0, image_.sector_size());
    if (entry.total_length > plan.total_length) {
      settings.reserve = entry.total_length;
    } else if (entry.total_length < plan.total_length) {
      settings.length = ManifestNumber{entry.total_length, 0, ""};
    }
    settings.name_rest.bytes = TextFieldRest(
        disk_.subspan(entry.position + kEntryNameOffset, kTextFieldSize), entry.name.size());
    return settings;
  }

  // The bytes between each entry's data and its end, named after its data file.
  void KeepTails() {
    const auto& entries = image_.listing().entries;
    for (std::size_t i = 0; i < entries.size(); ++i) {
      const auto& entry = entries[i];
      const auto data_end = std::uint64_t{entry.position} + kEntryHeaderSize + entry.data_size;
      const auto tail = disk_.subspan(data_end, entry.position + entry.total_length - data_end);
      unpacked_.manifest.entries[i].tail = KeepBytes(
          kept_.entries[i].tail.value_or(unpacked_.files[i].name + ".tail"), tail, "tail");
    }
  }

  // A file for odd bytes, when any of them is not erased.
  std::optional<ManifestFile> KeepBytes(std::string_view wanted, Bytes bytes, std::string key) {
    auto kept = UpToLastWritten(bytes);
    if (kept.empty()) {
      return std::nullopt;
    }
    const auto name = IsKept(wanted) ? std::string(wanted) : names_.Pick(wanted);
    unpacked_.files.push_back({name, std::move(kept)});
    return ManifestFile{name, 0, std::move(key)};
  }

  void ReserveKept(const std::optional<std::string>& name) {
    if (name) {
      names_.Reserve(*name);
      kept_names_.insert(*name);
    }
  }
  bool IsKept(std::string_view name) const { return kept_names_.contains(std::string(name)); }

  const DiskImage& image_;
  Bytes disk_;
  KeptFileNames kept_;
  std::set<std::string> kept_names_;
  FileNamePicker names_;
  UnpackedDisk unpacked_;
};

// "FOLDER: message", "FOLDER: FILE: message"
std::string InFolder(const fs::path& folder, std::string_view message) {
  return Utf8FromPath(folder) + ": " + std::string(message);
}
std::string InFolder(const fs::path& folder, const std::string& file, std::string_view message) {
  return Utf8FromPath(folder) + ": " + Utf8FromPath(PathFromUtf8(file)) + ": " +
         std::string(message);
}

// The folder may be new, empty, or with --force hold files of its own.
std::optional<std::string> FolderRefusal(const fs::path& folder, bool force) {
  std::error_code error;
  const auto status = fs::status(folder, error);
  if (!fs::exists(status)) {
    return std::nullopt;
  }
  if (!fs::is_directory(status)) {
    return InFolder(folder, kNotAFolderMessage);
  }
  if (!force && !fs::is_empty(folder, error)) {
    return InFolder(folder, kFolderNotEmptyMessage);
  }
  return std::nullopt;
}

// Nothing is written through a link: it could lead out of the folder.
std::optional<std::string> LinkRefusal(const fs::path& folder,
                                       const std::vector<FolderFile>& files) {
  for (const auto& file : files) {
    if (platform::IsLink(folder / PathFromUtf8(file.name))) {
      return InFolder(folder, file.name, kLinkKeptMessage);
    }
  }
  return std::nullopt;
}

// The files the folder's manifest lists, which an earlier unpack wrote, and
// those a stopped run claimed: those alone may be replaced or removed. A
// manifest that does not parse lists none.
bool Exists(const fs::path& path) {
  std::error_code error;
  return fs::exists(fs::symlink_status(path, error));
}

// A manifest of the folder, its text and what it says, when it parses.
struct OldManifest {
  std::string text;
  Manifest manifest;
};
std::optional<OldManifest> ReadOldManifest(const fs::path& path) {
  if (platform::IsLink(path)) {
    return std::nullopt;
  }
  const auto bytes = ReadWholeFile(path, kLargestManifest);
  if (!bytes) {
    return std::nullopt;
  }
  OldManifest old{std::string(bytes->begin(), bytes->end()), {}};
  auto parsed = ParseManifest(old.text);
  if (auto* manifest = std::get_if<Manifest>(&parsed)) {
    old.manifest = std::move(*manifest);
    return old;
  }
  return std::nullopt;
}

// The files the folder's manifest lists, which an earlier unpack wrote, and
// those a stopped run claimed or whose manifest it set aside: those alone
// may be replaced or removed. A manifest that does not parse lists none.
std::vector<fs::path> OldManifestFiles(const fs::path& folder, const fs::path& image_file) {
  // The image read is never the folder's to replace, whatever the manifest says.
  std::vector<fs::path> files;
  const auto list_path = [&](const fs::path& path) {
    std::error_code error;
    if (image_file.empty() || !fs::equivalent(folder / path, image_file, error)) {
      files.push_back(path);
    }
  };
  const auto list = [&](const std::optional<ManifestFile>& file) {
    if (file) {
      list_path(PathFromUtf8(file->path).lexically_normal());
    }
  };
  for (const auto* name : {&kManifestFileName, &kOldManifestFileName}) {
    const auto old = ReadOldManifest(folder / *name);
    if (!old) {
      continue;
    }
    for (const auto& entry : old->manifest.entries) {
      list(entry.file);
      list(entry.tail);
    }
    list(old->manifest.disk.header_rest);
    list(old->manifest.disk.after_chain);
  }
  for (const auto& claimed : ClaimedFiles(folder)) {
    list_path(claimed);
  }
  return files;
}

// The names in the folder that no earlier unpack wrote, and the image's own
// when it lies in the folder: unpack never writes over them.
std::vector<std::string> NamesNotOurs(const fs::path& folder, const fs::path& image_file,
                                      const std::vector<fs::path>& old_files) {
  std::set<fs::path> ours(old_files.begin(), old_files.end());
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator at(folder, error), end; !error && at != end; at.increment(error)) {
    const auto name = at->path().filename();
    if (!ours.contains(name)) {
      names.push_back(Utf8FromPath(name));
    }
  }
  const auto image_folder = image_file.parent_path();
  if (!image_file.empty() &&
      fs::equivalent(image_folder.empty() ? fs::path(".") : image_folder, folder, error)) {
    names.push_back(Utf8FromPath(image_file.filename()));
  }
  return names;
}

// The files only the old manifest listed.
std::vector<fs::path> OnlyOld(const std::vector<fs::path>& old_files,
                              const std::vector<FolderFile>& files) {
  std::set<fs::path> new_files;
  for (const auto& file : files) {
    new_files.insert(PathFromUtf8(file.name));
  }
  std::vector<fs::path> only_old;
  for (const auto& old_file : old_files) {
    if (!new_files.contains(old_file)) {
      only_old.push_back(old_file);
    }
  }
  return only_old;
}

// Tells `progress` of each file written.
FolderStepHook WithProgress(const FolderUnpackOptions& options, std::size_t files) {
  if (!options.progress) {
    return options.hook;
  }
  return [&options, files, written = std::size_t{0}](FolderStep step) mutable {
    if (step == FolderStep::kFileWritten) {
      options.progress(++written, files);
    }
    return !options.hook || options.hook(step);
  };
}

// Writes only the files whose bytes change; the manifest with them, since
// it is set aside while they do.
std::optional<std::string> UpdateInPlace(const DiskImage& image, const fs::path& folder,
                                         const OldManifest& old,
                                         const std::vector<fs::path>& old_files,
                                         const std::vector<std::string>& taken,
                                         const FolderUnpackOptions& options) {
  auto update = PlanFolderUpdate(image, folder, old.text, old.manifest, old_files, taken);
  const auto removed = OnlyOld(old_files, update.files);
  const std::set<fs::path> listed(old_files.begin(), old_files.end());
  std::vector<FolderFile> changed;
  bool claim = false;
  for (std::size_t i = 0; i + 1 < update.files.size(); ++i) {
    if (update.changed[i]) {
      claim = claim || !listed.contains(PathFromUtf8(update.files[i].name).lexically_normal());
      changed.push_back(std::move(update.files[i]));
    }
  }
  if (changed.empty() && removed.empty() && !update.changed.back() &&
      Exists(folder / kManifestFileName)) {
    return std::nullopt;
  }
  changed.push_back(std::move(update.files.back()));
  if (auto refusal = LinkRefusal(folder, changed)) {
    return refusal;
  }
  const auto failed =
      UpdateFolderFiles(folder, changed, removed, claim, WithProgress(options, changed.size()));
  if (failed) {
    return InFolder(folder, *failed, kWriteErrorMessage);
  }
  return std::nullopt;
}

}  // namespace

UnpackedDisk UnpackDisk(const DiskImage& image, const std::vector<std::string>& taken,
                        KeptFileNames kept) {
  return DiskUnpacker(image, taken, std::move(kept)).Unpack();
}

std::optional<std::string> UnpackIntoFolder(const DiskImage& image, const fs::path& folder,
                                            const FolderUnpackOptions& options) {
  // What a killed run left is not the folder's own: it neither makes the
  // folder "not empty" nor stays.
  RemoveLeftTemporaries(folder);
  if (auto refusal = FolderRefusal(folder, options.force)) {
    return refusal;
  }
  const auto old_files = OldManifestFiles(folder, options.image_file);
  const auto taken = NamesNotOurs(folder, options.image_file, old_files);
  std::error_code error;
  // A run stopped while its data files changed set the old manifest aside:
  // this one takes up the update from there.
  auto old = options.force ? ReadOldManifest(folder / kManifestFileName) : std::nullopt;
  if (options.force && !old && !Exists(folder / kManifestFileName)) {
    old = ReadOldManifest(folder / kOldManifestFileName);
  }
  if (old) {
    const auto failed = UpdateInPlace(image, folder, *old, old_files, taken, options);
    if (!failed) {
      fs::remove(folder / kOldManifestFileName, error);
      fs::remove(folder / kClaimFileName, error);
    }
    return failed;
  }
  auto unpacked = UnpackDisk(image, taken);
  const auto manifest = ManifestText(unpacked.manifest);
  // The manifest goes last: a folder with a manifest has all its files.
  unpacked.files.push_back(
      {std::string(kManifestFileName), ByteString(manifest.begin(), manifest.end())});
  if (auto refusal = LinkRefusal(folder, unpacked.files)) {
    return refusal;
  }
  const auto failed = ReplaceFolderFiles(folder, unpacked.files, OnlyOld(old_files, unpacked.files),
                                         WithProgress(options, unpacked.files.size()));
  if (failed) {
    return InFolder(folder, *failed, kWriteErrorMessage);
  }
  // What a stopped update set aside is no longer needed.
  fs::remove(folder / kOldManifestFileName, error);
  return std::nullopt;
}

}  // namespace flashdisk
