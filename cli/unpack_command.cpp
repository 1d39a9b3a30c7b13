#include "cli/unpack_command.h"

#include <algorithm>
#include <system_error>

#include "cli/command_messages.h"
#include "cli/opened_image.h"
#include "image/cp1251_text.h"
#include "image/entry_plan.h"
#include "image/host_file_names.h"
#include "image/host_files.h"
#include "image/user_messages.h"
#include "image/utf8_path.h"

namespace flashdisk::cli {

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

// The bytes of a text field after the text's NUL.
ByteString TextFieldRest(Bytes field, std::size_t text_length) {
  return UpToLastWritten(field.subspan(text_length + 1));
}

class DiskUnpacker {
 public:
  explicit DiskUnpacker(const DiskImage& image) : image_(image), disk_(image.disk()) {
    names_.Reserve(kManifestFileName);
  }

  UnpackedDisk Unpack() {
    DescribeDisk();
    // Data files are named first, so that they keep the entries' names.
    for (const auto& entry : image_.listing().entries) {
      const auto name = names_.Pick(Utf8FromCp1251(entry.name));
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
      settings.load = entry.load_address;
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
    // A reserve of the whole length gives it back: it is at least the plan
    // and whole sectors in an image whose chain is sound.
    const auto plan = PlanEntry(entry.data_size, false, settings.aligned, 0, image_.sector_size());
    if (plan.total_length != entry.total_length) {
      settings.reserve = entry.total_length;
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

}  // namespace

UnpackedDisk UnpackDisk(const DiskImage& image) {
  return DiskUnpacker(image).Unpack();
}

int RunUnpack(const UnpackOptions& options, const Console& console) {
  const auto opened = ReadSoundImage(options.image, console);
  if (!opened || !MayUseFolder(options, console)) {
    return kExitRefused;
  }
  auto unpacked = UnpackDisk(opened->image);
  const auto manifest = ManifestText(unpacked.manifest);
  // The manifest goes last: a folder with a manifest has all its files.
  unpacked.files.push_back(
      {std::string(kManifestFileName), ByteString(manifest.begin(), manifest.end())});
  if (!HoldsNoLinks(options, unpacked.files, console)) {
    return kExitRefused;
  }
  std::error_code error;
  fs::create_directories(options.folder, error);
  for (const auto& file : unpacked.files) {
    const auto path = options.folder / PathFromUtf8(file.name);
    if (!WriteFileAtomically(path, file.bytes)) {
      console.Report(options.folder, PathFromUtf8(file.name), kWriteErrorMessage);
      return kExitRefused;
    }
  }
  return kExitSuccess;
}

}  // namespace flashdisk::cli
