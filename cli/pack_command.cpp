#include "cli/pack_command.h"

#include <algorithm>
#include <set>
#include <string>
#include <system_error>

#include "cli/add_command.h"
#include "cli/command_messages.h"
#include "cli/disk_manifest.h"
#include "cli/new_command.h"
#include "image/cp1251_text.h"
#include "image/host_files.h"
#include "image/image_problems.h"
#include "image/little_endian.h"
#include "image/platform_seam.h"
#include "image/user_messages.h"
#include "image/utf8_path.h"

namespace flashdisk::cli {

namespace fs = std::filesystem;

namespace {

constexpr std::uint64_t kLargestManifest = 16 * 1024 * 1024;

class DiskPacker {
 public:
  DiskPacker(const fs::path& manifest, const fs::path& image, const Console& console)
      : manifest_(manifest),
        folder_(manifest.parent_path()),
        image_path_(image),
        console_(console) {}

  std::optional<DiskImage> Pack() {
    const auto text = ReadWholeFile(manifest_, kLargestManifest);
    if (!text) {
      console_.Report(manifest_, kReadErrorMessage);
      return std::nullopt;
    }
    auto parsed =
        ParseManifest(std::string_view(reinterpret_cast<const char*>(text->data()), text->size()));
    if (const auto* error = std::get_if<ManifestError>(&parsed)) {
      ReportAt(error->line, error->key, error->message);
      return std::nullopt;
    }
    const auto& manifest = std::get<Manifest>(parsed);
    if (!FormatDisk(manifest.disk)) {
      return std::nullopt;
    }
    const auto room = manifest.disk.full ? RoomRule::kMayFillDisk : RoomRule::kLeaveByteAfter;
    for (const auto& entry : manifest.entries) {
      if (!AddOne(entry, room)) {
        return std::nullopt;
      }
    }
    if (manifest.disk.after_chain &&
        !ReadKept(*manifest.disk.after_chain, image_.EndOfChain(), image_.disk_size())) {
      return std::nullopt;
    }
    WritePending();
    return Checked();
  }

 private:
  void ReportAt(std::size_t line, const std::string& key, std::string_view message) const {
    console_.err << kProgramName << ": " << Utf8FromPath(manifest_) << ':' << line << ": "
                 << (key.empty() ? "" : key + ": ") << message << '\n'
                 << std::flush;
  }

  // The file a key names, when it lies inside the manifest's folder: no
  // absolute path, no "..", and no link on the way that leads out.
  std::optional<fs::path> Resolve(const ManifestFile& file) {
    const auto relative = PathFromUtf8(file.path);
    const bool climbs = std::any_of(relative.begin(), relative.end(),
                                    [](const fs::path& part) { return part == ".."; });
    if (relative.has_root_path() || climbs || LinkLeadsOut(relative)) {
      ReportAt(file.line, file.key, kOutsideFolderMessage);
      return std::nullopt;
    }
    return folder_ / relative;
  }

  // Without links a path that neither starts at a root nor climbs stays
  // inside; only a link on the way (on Windows also a junction) needs
  // following to where it really leads. Folders found to be no link are not
  // looked at again. A link to nothing leads nowhere: the read reports it.
  bool LinkLeadsOut(const fs::path& relative) {
    auto at = folder_;
    for (const auto& part : relative) {
      at /= part;
      if (plain_folders_.contains(at)) {
        continue;
      }
      if (platform::IsLink(at)) {
        const auto real_folder = platform::FinalPath(folder_.empty() ? "." : folder_);
        const auto real_file = platform::FinalPath(folder_ / relative);
        if (!real_file) {
          return false;
        }
        const auto inside = real_folder ? real_file->lexically_relative(*real_folder) : fs::path();
        return inside.empty() || *inside.begin() == "..";
      }
      std::error_code error;
      if (fs::is_directory(fs::symlink_status(at, error))) {
        plain_folders_.insert(at);
      }
    }
    return false;
  }

  bool FormatDisk(const DiskSettings& settings) {
    // The manifest's reader lets only offered sizes through.
    image_.Format(SizeFromText(kDiskSizeChoices, settings.size).value_or(0),
                  SizeFromText(kSectorSizeChoices, settings.sector).value_or(0));
    image_.SetLabel(Cp1251FromUtf8(settings.label));
    if (!KeepTextRest(kLabelOffset, ReadImageHeader(image_.disk()).label.size(),
                      settings.label_rest)) {
      return false;
    }
    const auto disk = image_.EditDisk();
    WriteLe16(disk, kSystemLoadAddressOffset, settings.system_load);
    WriteLe16(disk, kSystemSizeOffset, settings.system_size);
    const auto directory =
        settings.directory.value_or(DefaultDirectoryOffset(image_.sector_size()));
    WriteLe32(disk, kDirectoryOffsetOffset, directory);
    if (settings.header_rest && !ReadKept(*settings.header_rest, kHeaderSize, directory)) {
      return false;
    }
    WritePending();
    image_.List();
    return true;
  }

  // Bytes of a text field after its NUL; they must fit in the field.
  bool KeepTextRest(std::uint64_t field, std::size_t text_length, const ManifestBytes& rest) {
    if (rest.bytes.size() > kTextFieldSize - text_length - 1) {
      ReportAt(rest.line, rest.key, kLongerThanRoomMessage);
      return false;
    }
    pending_.push_back({field + text_length + 1, rest.bytes});
    return true;
  }

  // Odd bytes inside entries are written once all entries are in: an edit
  // of the disk makes the next add walk the whole chain again.
  void WritePending() {
    const auto disk = image_.EditDisk();
    for (const auto& [at, bytes] : pending_) {
      std::copy(bytes.begin(), bytes.end(), disk.begin() + static_cast<std::ptrdiff_t>(at));
    }
    pending_.clear();
  }

  // One entry: add, then set, then the odd bytes of the entry.
  bool AddOne(const EntrySettings& entry, RoomRule room) {
    const auto file = Resolve(entry.file);
    if (!file) {
      return false;
    }
    const auto position = image_.EndOfChain();
    const FileChoices given{entry.name,   entry.rks,     entry.big,
                            entry.exec,   entry.aligned, entry.load.value_or(0),
                            entry.reserve};
    const auto result = AddFile(image_, *file, given, room);
    if (result != AddResult::kAdded) {
      console_.Report(image_path_, *file, AddResultMessage(result));
      return false;
    }
    WarnOfRksLength(image_path_, *file, given, console_);
    const auto added = *image_.ReadEntry(position);
    auto attributes = added.attributes;
    attributes.Set(kAttributeDeleted, entry.deleted);
    attributes.Set(kAttributeReadOnly, entry.readonly);
    attributes.Set(kAttributeBit2, entry.bit2);
    attributes.Set(kAttributeBit1, entry.bit1);
    attributes.Set(kAttributeBit0, entry.bit0);
    image_.SetEntryAttributes(position, attributes);
    if (!KeepTextRest(position + kEntryNameOffset, added.name.size(), entry.name_rest)) {
      return false;
    }
    const auto data_end = position + kEntryHeaderSize + added.data_size;
    return !entry.tail || ReadKept(*entry.tail, data_end, position + added.total_length);
  }

  // Reads a file of odd bytes that go from `from` on and must end by `to`.
  bool ReadKept(const ManifestFile& kept, std::uint64_t from, std::uint64_t to) {
    const auto file = Resolve(kept);
    if (!file) {
      return false;
    }
    const auto bytes = ReadWholeFile(*file, kImageBufferSize);
    if (!bytes) {
      console_.Report(image_path_, *file, kReadErrorMessage);
      return false;
    }
    if (bytes->size() > to - from) {
      ReportAt(kept.line, kept.key, kLongerThanRoomMessage);
      return false;
    }
    pending_.push_back({from, std::move(*bytes)});
    return true;
  }

  // A manifest may describe odd bytes that break the chain, such as a marker
  // right after it; such a disk is not written.
  std::optional<DiskImage> Checked() {
    image_.Check();
    image_.List();
    if (FindImageProblems(image_, HeaderCheck::Outcome::kValid).damaged()) {
      console_.Report(manifest_, kFormatErrorMessage);
      return std::nullopt;
    }
    return std::move(image_);
  }

  fs::path manifest_;
  fs::path folder_;
  fs::path image_path_;
  const Console& console_;
  DiskImage image_;
  std::vector<std::pair<std::uint64_t, ByteString>> pending_;
  std::set<fs::path> plain_folders_;
};

fs::path ManifestOf(const fs::path& source) {
  std::error_code error;
  return fs::is_directory(source, error) ? source / kManifestFileName : source;
}

}  // namespace

std::optional<DiskImage> PackManifest(const fs::path& manifest, const fs::path& image,
                                      const Console& console) {
  return DiskPacker(manifest, image, console).Pack();
}

int RunPack(const PackOptions& options, const Console& console) {
  if (!MayCreateImage(options.image, options.force, console)) {
    return kExitRefused;
  }
  const auto image = PackManifest(ManifestOf(options.source), options.image, console);
  if (!image) {
    return kExitRefused;
  }
  return SaveNewImage(*image, options.image, console) ? kExitSuccess : kExitRefused;
}

}  // namespace flashdisk::cli
