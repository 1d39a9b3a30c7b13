#include "cli/diff_command.h"

#include <algorithm>
#include <optional>
#include <string>

#include "cli/json_output.h"
#include "cli/listing_text.h"
#include "cli/opened_image.h"
#include "cli/pack_command.h"
#include "disk_folder/folder_packing.h"
#include "image/cp1251_text.h"
#include "image/hex_text.h"
#include "image/image_diff.h"
#include "image/user_messages.h"
#include "image/utf8_path.h"

namespace flashdisk::cli {

namespace fs = std::filesystem;

namespace {

// What git names the missing side of an added or deleted file; on Windows
// the shell that starts the program may have turned it into "nul".
bool IsGitNoFile(const fs::path& path) {
  const auto text = Utf8FromPath(path);
  return text == "/dev/null" || text == "nul" || text == "NUL";
}

bool IsDiskFolder(const fs::path& path) {
  std::error_code error;
  return fs::is_directory(path, error) || path.extension() == ".toml";
}

// The disk's bytes in memory, checked but not yet listed: two equal disks
// need no walk of their chains.
std::optional<DiskImage> LoadDisk(const fs::path& path, const Console& console) {
  if (IsDiskFolder(path)) {
    return PackManifest(ManifestOf(path), path, console);
  }
  // Held only while the file is read, as every reading command does.
  const auto lock = LockImage(path, console, platform::LockKind::kShared);
  if (!lock) {
    return std::nullopt;
  }
  DiskImage image;
  if (!image.Load(path)) {
    console.Report(path, kReadErrorMessage);
    return std::nullopt;
  }
  if (!image.Check().valid()) {
    console.Report(path, kFormatErrorMessage);
    return std::nullopt;
  }
  return image;
}

// The side of a file git adds or deletes: the other disk's header and no
// entries, so that only its entries show as added or removed.
DiskImage EmptyLike(const DiskImage& other) {
  DiskImage image;
  image.Format(other.disk_size(), other.sector_size());
  const auto header = other.disk().first(kHeaderSize);
  std::copy(header.begin(), header.end(), image.EditDisk().begin());
  image.Check();
  return image;
}

std::string AttributesText(std::int64_t stored) {
  return cli::AttributesText(EntryAttributes{static_cast<std::uint8_t>(stored)});
}

std::string Address(std::int64_t value) {
  return HexText::Format16(static_cast<std::uint16_t>(value));
}

std::string Quoted(const std::string& cp1251) {
  return "«" + DisplayText(cp1251) + "»";
}

std::string FromTo(const std::string& old_value, const std::string& new_value) {
  return old_value + " → " + new_value;
}

std::string FromTo(std::int64_t old_value, std::int64_t new_value) {
  return FromTo(std::to_string(old_value), std::to_string(new_value));
}

std::string DataText(const ImageChange& change) {
  const auto sizes = change.old_value == change.new_value
                         ? std::to_string(change.new_value)
                         : FromTo(change.old_value, change.new_value);
  return "данные изменены, размер " + sizes + ", первое отличие на смещении " +
         std::to_string(*change.first_difference);
}

// What changed in an entry, after "Запись N «ИМЯ»: ".
std::string EntryChangeText(const ImageChange& change) {
  switch (change.kind) {
    case ChangeKind::kAdded:
      return "добавлена";
    case ChangeKind::kRemoved:
      return "удалена";
    case ChangeKind::kMoved:
      return "перемещена с места " + std::to_string(change.old_value) + " на место " +
             std::to_string(change.new_value);
    case ChangeKind::kRenamed:
      return "переименована, прежнее имя " + Quoted(change.old_text);
    case ChangeKind::kData:
      return DataText(change);
    case ChangeKind::kLoadAddress:
      return "адрес загрузки " + FromTo(Address(change.old_value), Address(change.new_value));
    case ChangeKind::kAttributes:
      return "атрибуты " +
             FromTo(AttributesText(change.old_value), AttributesText(change.new_value));
    default:
      return "резерв " + FromTo(change.old_value, change.new_value) + " байт";
  }
}

std::string ChangeText(const ImageChange& change) {
  switch (change.kind) {
    case ChangeKind::kDiskSize:
      return "Размер диска: " + FromTo(change.old_value, change.new_value);
    case ChangeKind::kSectorSize:
      return "Размер сектора: " + FromTo(change.old_value, change.new_value);
    case ChangeKind::kLabel:
      return "Метка: " + FromTo(Quoted(change.old_text), Quoted(change.new_text));
    case ChangeKind::kSystemLoadAddress:
      return "Адрес загрузки системы: " +
             FromTo(Address(change.old_value), Address(change.new_value));
    case ChangeKind::kSystemSize:
      return "Размер системы: " + FromTo(change.old_value, change.new_value);
    case ChangeKind::kDirectoryOffset:
      return "Смещение каталога: " + FromTo(change.old_value, change.new_value);
    case ChangeKind::kOtherBytes:
      return "Прочие байты различаются, первое отличие на смещении " +
             std::to_string(*change.first_difference);
    default:
      return "Запись " + std::to_string(change.index) + " " + Quoted(change.name) + ": " +
             EntryChangeText(change);
  }
}

std::string_view KindName(ChangeKind kind) {
  switch (kind) {
    case ChangeKind::kDiskSize:
      return "disk_size";
    case ChangeKind::kSectorSize:
      return "sector_size";
    case ChangeKind::kLabel:
      return "label";
    case ChangeKind::kSystemLoadAddress:
      return "system_load_address";
    case ChangeKind::kSystemSize:
      return "system_size";
    case ChangeKind::kDirectoryOffset:
      return "directory_offset";
    case ChangeKind::kAdded:
      return "added";
    case ChangeKind::kRemoved:
      return "removed";
    case ChangeKind::kMoved:
      return "moved";
    case ChangeKind::kRenamed:
      return "renamed";
    case ChangeKind::kData:
      return "data";
    case ChangeKind::kLoadAddress:
      return "load_address";
    case ChangeKind::kAttributes:
      return "attributes";
    case ChangeKind::kReserve:
      return "reserve";
    default:
      return "other_bytes";
  }
}

nlohmann::ordered_json ChangeJson(const ImageChange& change) {
  nlohmann::ordered_json json{{"change", KindName(change.kind)}};
  if (change.index != 0) {
    json["index"] = change.index;
    json["name"] = Utf8FromCp1251(change.name);
  }
  const bool texts = change.kind == ChangeKind::kLabel || change.kind == ChangeKind::kRenamed;
  if (texts) {
    json["old"] = Utf8FromCp1251(change.old_text);
    json["new"] = Utf8FromCp1251(change.new_text);
  } else if (change.kind != ChangeKind::kAdded && change.kind != ChangeKind::kRemoved &&
             change.kind != ChangeKind::kOtherBytes) {
    json["old"] = change.old_value;
    json["new"] = change.new_value;
  }
  if (change.first_difference) {
    json["first_difference"] = *change.first_difference;
  }
  return json;
}

// One change a line, written as they are made ready: a directory of tens
// of thousands of entries may differ in every one.
void WriteChangesJson(std::ostream& out, const std::vector<ImageChange>& changes) {
  out << '[';
  for (std::size_t i = 0; i < changes.size(); ++i) {
    out << (i == 0 ? "\n  " : ",\n  ");
    WriteJson(out, ChangeJson(changes[i]), -1);
  }
  out << (changes.empty() ? "]\n" : "\n]\n");
}

struct DiffSides {
  fs::path from;
  fs::path to;
  // Under git: the paths in the repository, the new one differing for a
  // renamed file.
  std::string from_name;
  std::string to_name;
};

DiffSides SidesOf(const DiffOptions& options) {
  if (!options.git) {
    return {options.files[0], options.files[1], "", ""};
  }
  const auto& to_name = options.files.size() == 9 ? options.files[7] : options.files[0];
  return {options.files[1], options.files[4], Utf8FromPath(options.files[0]),
          Utf8FromPath(to_name)};
}

std::optional<DiskImage> LoadSide(const fs::path& path, bool git, const Console& console) {
  if (git && IsGitNoFile(path)) {
    return DiskImage();
  }
  return LoadDisk(path, console);
}

}  // namespace

int RunDiff(const DiffOptions& options, const Console& console) {
  const auto sides = SidesOf(options);
  auto from = LoadSide(sides.from, options.git, console);
  if (!from) {
    return kExitUnreadable;
  }
  auto to = LoadSide(sides.to, options.git, console);
  if (!to) {
    return kExitUnreadable;
  }
  if (!from->has_image()) {
    from = EmptyLike(*to);
  } else if (!to->has_image()) {
    to = EmptyLike(*from);
  }
  const auto changes = DiffImages(*from, *to);
  if (options.json) {
    WriteChangesJson(console.out, changes);
  } else {
    if (!changes.empty() && options.git) {
      console.out << "diff --flashdisk a/" << sides.from_name << " b/" << sides.to_name << '\n';
    }
    for (const auto& change : changes) {
      console.out << ChangeText(change) << '\n';
    }
  }
  // Status 1 tells a script that the disks differ; git would stop at it.
  return changes.empty() || options.git ? kExitSuccess : kExitRefused;
}

}  // namespace flashdisk::cli
