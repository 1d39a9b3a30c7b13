#include "cli/unpack_command.h"

#include <algorithm>
#include <set>
#include <system_error>
#include <variant>

#include "cli/command_messages.h"
#include "cli/opened_image.h"
#include "image/cp1251_text.h"
#include "image/entry_plan.h"
#include "image/host_file_names.h"
#include "image/host_files.h"
#include "image/platform_seam.h"
#include "image/user_messages.h"
#include "image/utf8_path.h"

namespace flashdisk::cli {

namespace fs = std::filesystem;

namespace {

using Bytes = std::span<const std::uint8_t>;

// Fewer files are written before anyone would wonder.
constexpr std::size_t kFilesWorthProgress = 100;
constexpr std::size_t kFilesPerProgress = 50;
constexpr std::string_view kWritingFilesMessage = "Запись файлов: ";

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
  DiskUnpacker(const DiskImage& image, const std::vector<std::string>& taken)
      : image_(image), disk_(image.disk()) {
    names_.Reserve(kManifestFileName);
    for (const auto& name : taken) {
      names_.Reserve(name);
    }
  }

  UnpackedDisk Unpack() {
    DescribeDisk();
    // Data files are named first, so that they keep the entries' names.
    for (const auto& entry : image_.listing().entries) {
      const auto name = names_.Pick(NotTheProgramsOwn(Utf8FromCp1251(entry.name)));
      const auto data = image_.EntryData(entry);
      unpacked_.files.push_back({name, ByteString(data.begin(), data.end())});
      unpacked_.manifest.entries.push_back(DescribeEntry(entry, name));
    }
    KeepTails();
    const auto header = ReadImageHeader(disk_);
    auto& disk = unpacked_.manifest.disk;
    disk.header_rest =
        KeepBytes("header-rest.bin",
                  disk_.subspan(kHeaderSize, header.directory_offset - kHeaderSize), "header_rest");
    disk.after_chain =
        KeepBytes("after-chain.bin", disk_.subspan(image_.EndOfChain()), "after_chain");
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
  EntrySettings DescribeEntry(const DirectoryEntry& entry, const std::string& file_name) const {
    EntrySettings settings;
    settings.file.path = file_name;
    settings.name = Utf8FromCp1251(entry.name);
    if (entry.load_address != 0) {
      settings.load = ManifestNumber{entry.load_address, 0, ""};
    }
    // The data file holds the data alone, whatever its name suggests.
    const auto defaults = DeriveSourceDefaults(PathFromUtf8(file_name), entry.data_size);
    if (defaults.rks) {
      settings.rks = false;
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
    const auto plan = PlanEntry(entry.data_size, false, settings.aligned, 0, image_.sector_size());
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
      unpacked_.manifest.entries[i].tail =
          KeepBytes(unpacked_.files[i].name + ".tail", tail, "tail");
    }
  }

  // A file for odd bytes, when any of them is not erased.
  std::optional<ManifestFile> KeepBytes(std::string_view wanted, Bytes bytes, std::string key) {
    auto kept = UpToLastWritten(bytes);
    if (kept.empty()) {
      return std::nullopt;
    }
    const auto name = names_.Pick(wanted);
    unpacked_.files.push_back({name, std::move(kept)});
    return ManifestFile{name, 0, std::move(key)};
  }

  const DiskImage& image_;
  Bytes disk_;
  FileNamePicker names_;
  UnpackedDisk unpacked_;
};

// The folder may be new, empty, or with --force hold files of its own.
bool MayUseFolder(const UnpackOptions& options, const Console& console) {
  std::error_code error;
  const auto status = fs::status(options.folder, error);
  if (!fs::exists(status)) {
    return true;
  }
  if (!fs::is_directory(status)) {
    console.Report(options.folder, kNotAFolderMessage);
    return false;
  }
  if (!options.force && !fs::is_empty(options.folder, error)) {
    console.Report(options.folder, kFolderNotEmptyMessage);
    return false;
  }
  return true;
}

// Nothing is written through a link: it could lead out of the folder.
bool HoldsNoLinks(const UnpackOptions& options, const std::vector<FolderFile>& files,
                  const Console& console) {
  for (const auto& file : files) {
    const auto path = options.folder / PathFromUtf8(file.name);
    if (platform::IsLink(path)) {
      console.Report(options.folder, PathFromUtf8(file.name), kLinkKeptMessage);
      return false;
    }
  }
  return true;
}

// The files the folder's manifest lists, which an earlier unpack wrote, and
// those a stopped run claimed: those alone may be replaced or removed. A
// manifest that does not parse lists none.
std::vector<fs::path> OldManifestFiles(const UnpackOptions& options) {
  const auto manifest = options.folder / kManifestFileName;
  const auto text = platform::IsLink(manifest)
                        ? ByteString()
                        : ReadWholeFile(manifest, kLargestManifest).value_or(ByteString());
  const auto parsed =
      ParseManifest(std::string_view(reinterpret_cast<const char*>(text.data()), text.size()));
  const auto* old = std::get_if<Manifest>(&parsed);
  // The image read is never the folder's to replace, whatever the manifest says.
  std::vector<fs::path> files;
  const auto list_path = [&](const fs::path& path) {
    std::error_code error;
    if (!fs::equivalent(options.folder / path, options.image, error)) {
      files.push_back(path);
    }
  };
  const auto list = [&](const std::optional<ManifestFile>& file) {
    if (file) {
      list_path(PathFromUtf8(file->path).lexically_normal());
    }
  };
  if (old != nullptr) {
    for (const auto& entry : old->entries) {
      list(entry.file);
      list(entry.tail);
    }
    list(old->disk.header_rest);
    list(old->disk.after_chain);
  }
  for (const auto& claimed : ClaimedFiles(options.folder)) {
    list_path(claimed);
  }
  return files;
}

// The names in the folder that no earlier unpack wrote, and the image's own
// when it lies in the folder: unpack never writes over them.
std::vector<std::string> NamesNotOurs(const UnpackOptions& options,
                                      const std::vector<fs::path>& old_files) {
  std::set<fs::path> ours(old_files.begin(), old_files.end());
  std::vector<std::string> names;
  std::error_code error;
  for (fs::directory_iterator at(options.folder, error), end; !error && at != end;
       at.increment(error)) {
    const auto name = at->path().filename();
    if (!ours.contains(name)) {
      names.push_back(Utf8FromPath(name));
    }
  }
  const auto image_folder = options.image.parent_path();
  if (fs::equivalent(image_folder.empty() ? fs::path(".") : image_folder, options.folder, error)) {
    names.push_back(Utf8FromPath(options.image.filename()));
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

// On a terminal, how many of the files are written, now and then: a disk of
// thousands of entries takes seconds.
FolderStepHook WithProgress(const FolderStepHook& hook, std::size_t files, const Console& console) {
  if (!platform::ErrorsGoToTerminal() || files < kFilesWorthProgress) {
    return hook;
  }
  return [hook, files, &console, written = std::size_t{0}](FolderStep step) mutable {
    if (step == FolderStep::kFileWritten &&
        (++written % kFilesPerProgress == 0 || written == files)) {
      console.err << '\r' << kWritingFilesMessage << written << " / " << files
                  << (written == files ? "\n" : "") << std::flush;
    }
    return !hook || hook(step);
  };
}

}  // namespace

UnpackedDisk UnpackDisk(const DiskImage& image, const std::vector<std::string>& taken) {
  return DiskUnpacker(image, taken).Unpack();
}

int RunUnpack(const UnpackOptions& options, const Console& console, const FolderStepHook& hook) {
  const auto opened = ReadSoundImage(options.image, console);
  if (!opened) {
    return kExitRefused;
  }
  // What a killed run left is not the folder's own: it neither makes the
  // folder "not empty" nor stays.
  RemoveLeftTemporaries(options.folder);
  if (!MayUseFolder(options, console)) {
    return kExitRefused;
  }
  const auto old_files = OldManifestFiles(options);
  auto unpacked = UnpackDisk(opened->image, NamesNotOurs(options, old_files));
  const auto manifest = ManifestText(unpacked.manifest);
  // The manifest goes last: a folder with a manifest has all its files.
  unpacked.files.push_back(
      {std::string(kManifestFileName), ByteString(manifest.begin(), manifest.end())});
  if (!HoldsNoLinks(options, unpacked.files, console)) {
    return kExitRefused;
  }
  const auto failed =
      ReplaceFolderFiles(options.folder, unpacked.files, OnlyOld(old_files, unpacked.files),
                         WithProgress(hook, unpacked.files.size(), console));
  if (failed) {
    console.Report(options.folder, PathFromUtf8(*failed), kWriteErrorMessage);
    return kExitRefused;
  }
  return kExitSuccess;
}

}  // namespace flashdisk::cli
