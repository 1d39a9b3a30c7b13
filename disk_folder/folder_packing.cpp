#include "disk_folder/folder_packing.h"

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <system_error>

#include "disk_folder/disk_manifest.h"
#include "disk_folder/folder_messages.h"
#include "image/cp1251_text.h"
#include "image/entry_plan.h"
#include "image/host_files.h"
#include "image/image_problems.h"
#include "image/little_endian.h"
#include "image/platform_seam.h"
#include "image/rks_file.h"
#include "image/source_format.h"
#include "image/user_messages.h"
#include "image/utf8_path.h"

namespace flashdisk {

namespace fs = std::filesystem;

namespace {

class DiskPacker {
 public:
  DiskPacker(const fs::path& manifest, const fs::path& image_name)
      : manifest_(manifest), folder_(manifest.parent_path()), image_name_(image_name) {}

  PackedFolder Pack() {
    packed_.image = PackedImage();
    if (!packed_.image && packed_.error.empty()) {
      packed_.error = Utf8FromPath(manifest_) + ": " + std::string(kFormatErrorMessage);
    }
    return std::move(packed_);
  }

 private:
  std::optional<DiskImage> PackedImage() {
    const auto text = ReadWholeFile(manifest_, kLargestManifest);
    if (!text) {
      Refuse(manifest_, kReadErrorMessage);
      return std::nullopt;
    }
    auto parsed =
        ParseManifest(std::string_view(reinterpret_cast<const char*>(text->data()), text->size()));
    if (const auto* error = std::get_if<ManifestError>(&parsed)) {
      RefuseAt(error->line, error->key, error->message, error->column);
      return std::nullopt;
    }
    const auto& manifest = std::get<Manifest>(parsed);
    WarnOfNamesTwice(manifest);
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
    return Checked(manifest);
  }

  // "MANIFEST:LINE[:COLUMN]: [KEY: ]message"
  std::string AtLine(std::size_t line, const std::string& key, std::string_view message,
                     std::size_t column = 0) const {
    return Utf8FromPath(manifest_) + ':' + std::to_string(line) +
           (column == 0 ? "" : ":" + std::to_string(column)) + ": " +
           (key.empty() ? "" : key + ": ") + std::string(message);
  }

  void RefuseAt(std::size_t line, const std::string& key, std::string_view message,
                std::size_t column = 0) {
    packed_.error = AtLine(line, key, message, column);
  }

  void Refuse(const fs::path& file, std::string_view message) {
    packed_.error = Utf8FromPath(file) + ": " + std::string(message);
  }

  // "IMAGE: FILE: message", as the command line says of a file added to an image.
  std::string OnImage(const fs::path& file, std::string_view message) const {
    return Utf8FromPath(image_name_) + ": " + Utf8FromPath(file) + ": " + std::string(message);
  }

  // A disk may hold two entries of one name, but a manifest that gives two
  // is more often a slip.
  void WarnOfNamesTwice(const Manifest& manifest) {
    std::map<std::string, std::size_t> first_with;
    for (std::size_t i = 0; i < manifest.entries.size(); ++i) {
      const auto& entry = manifest.entries[i];
      const auto name = Cp1251FromUtf8(
          entry.name.value_or(Utf8FromPath(PathFromUtf8(entry.file.path).filename())));
      const auto [first, is_first] = first_with.emplace(name, i + 1);
      if (!is_first) {
        packed_.warnings.push_back(
            AtLine(entry.file.line, "entry[" + std::to_string(i + 1) + "]",
                   std::string(kNameTwiceWarning) + std::to_string(first->second) + "."));
      }
    }
  }

  // The file a key names, when it lies inside the manifest's folder: no
  // absolute path, no "..", and no link on the way that leads out.
  std::optional<fs::path> Resolve(const ManifestFile& file) {
    // "p2/../x" stays inside: only a path that still climbs once its dots
    // are taken out leads out.
    const auto relative = PathFromUtf8(file.path).lexically_normal();
    const bool climbs = !relative.empty() && *relative.begin() == "..";
    if (relative.has_root_path() || climbs || LinkLeadsOut(relative)) {
      RefuseAt(file.line, file.key, kOutsideFolderMessage);
      return std::nullopt;
    }
    packed_.sources.push_back(folder_ / relative);
    return packed_.sources.back();
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
      RefuseAt(rest.line, rest.key, kLongerThanRoomMessage);
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
    if (!AddEntryOf(entry, *file, room)) {
      return false;
    }
    WarnOfRksLength(entry, *file);
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

  // An RKS file whose header promises another length goes in all the same.
  void WarnOfRksLength(const EntrySettings& entry, const fs::path& file) {
    const auto size = LookUpSource(file);
    if (!size || !ChooseEntry(file, *size, 0, entry.rks).rks) {
      return;
    }
    const auto header = ReadFileBytes(file, 0, kRksHeaderSize);
    if (!header) {
      return;
    }
    if (const auto warning = RksLengthWarning(*header, *size)) {
      packed_.warnings.push_back(OnImage(file, *warning));
    }
  }

  // As `add` of the file with the entry's keys; an exact `length` takes the
  // place of the planned total when the data fits in it.
  bool AddEntryOf(const EntrySettings& entry, const fs::path& file, RoomRule room) {
    const auto size = LookUpSource(file);
    if (!size) {
      RefuseAt(entry.file.line, entry.file.key, kReadErrorMessage);
      return false;
    }
    // An RKS file brings its own address; a load beside it would be lost.
    if (entry.load && entry.rks.value_or(DeriveSourceDefaults(file, *size).rks)) {
      RefuseAt(entry.load->line, entry.load->key, kLoadOfRksMessage);
      return false;
    }
    const auto load = static_cast<std::uint16_t>(entry.load ? entry.load->value : 0);
    auto choices = ChooseEntry(file, *size, load, entry.rks, entry.big);
    if (entry.name) {
      choices.name = Cp1251FromUtf8(*entry.name);
    }
    choices.executable = entry.exec.value_or(choices.executable);
    choices.aligned = entry.aligned;
    choices.reserved_minimum = entry.reserve;
    auto plan = PlanEntry(*size, choices.rks, choices.aligned, entry.reserve, image_.sector_size());
    if (entry.length) {
      const auto length = entry.length->value;
      if (length < kEntryHeaderSize + plan.data_size || length % image_.sector_size() != 0) {
        RefuseAt(entry.length->line, entry.length->key, kLengthTooShortMessage);
        return false;
      }
      plan.total_length = length;
    }
    const auto free = image_.free_space();
    const auto result = AddEntry(image_, SourceFile{file, *size}, choices, plan, room);
    if (result == AddResult::kReadError) {
      RefuseAt(entry.file.line, entry.file.key, kReadErrorMessage);
    } else if (result == AddResult::kNoRoom) {
      const auto needed = plan.total_length + (room == RoomRule::kLeaveByteAfter ? 1 : 0);
      packed_.error = OnImage(file, NoRoomMessage(needed, free));
    } else if (result != AddResult::kAdded) {
      packed_.error = OnImage(file, AddResultMessage(result));
    }
    return result == AddResult::kAdded;
  }

  // Reads a file of odd bytes that go from `from` on and must end by `to`.
  bool ReadKept(const ManifestFile& kept, std::uint64_t from, std::uint64_t to) {
    const auto file = Resolve(kept);
    if (!file) {
      return false;
    }
    const auto bytes = ReadWholeFile(*file, kImageBufferSize);
    if (!bytes) {
      RefuseAt(kept.line, kept.key, kReadErrorMessage);
      return false;
    }
    if (bytes->size() > to - from) {
      RefuseAt(kept.line, kept.key, kLongerThanRoomMessage);
      return false;
    }
    pending_.push_back({from, std::move(*bytes)});
    return true;
  }

  // A manifest may describe odd bytes that break the chain, such as a marker
  // right after it; such a disk is not written.
  // The bytes after the chain may also hold a whole entry, which the disk
  // would then list beyond the manifest's.
  std::optional<DiskImage> Checked(const Manifest& manifest) {
    const auto outcome = image_.Check().outcome;
    image_.List();
    if (FindImageProblems(image_, outcome).damaged()) {
      Refuse(manifest_, kFormatErrorMessage);
      return std::nullopt;
    }
    if (image_.listing().entries.size() != manifest.entries.size()) {
      const auto& after_chain = *manifest.disk.after_chain;
      RefuseAt(after_chain.line, after_chain.key, kChainGoesOnMessage);
      return std::nullopt;
    }
    return std::move(image_);
  }

  fs::path manifest_;
  fs::path folder_;
  fs::path image_name_;
  DiskImage image_;
  std::vector<std::pair<std::uint64_t, ByteString>> pending_;
  std::set<fs::path> plain_folders_;
  PackedFolder packed_;
};

}  // namespace

PackedFolder PackFolder(const fs::path& manifest, const fs::path& image_name) {
  return DiskPacker(manifest, image_name.empty() ? manifest : image_name).Pack();
}

fs::path ManifestOf(const fs::path& source) {
  std::error_code error;
  return fs::is_directory(source, error) ? source / kManifestFileName : source;
}

}  // namespace flashdisk
