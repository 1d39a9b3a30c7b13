#include "image/entry_plan.h"

#include <algorithm>
#include <system_error>

#include "image/host_files.h"

namespace flashdisk {

namespace fs = std::filesystem;

namespace {

// The extension from the last dot of the file-name part on, dot included.
std::string ExtensionOf(const std::string& file_name) {
  const auto dot = file_name.rfind('.');
  return dot == std::string::npos ? std::string() : file_name.substr(dot);
}

bool EqualsIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    const auto lower = [](char c) {
      return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
    };
    return lower(x) == lower(y);
  });
}

std::uint64_t RoundUpToSector(std::uint64_t length, std::uint32_t sector_size) {
  if (sector_size <= 1 || length % sector_size == 0) {
    return length;
  }
  return (length / sector_size + 1) * sector_size;
}

// Data bytes of the source, or nothing when an RKS source lacks its overhead.
std::optional<std::uint64_t> DataSizeOf(std::uint64_t size, bool rks) {
  if (!rks) {
    return size;
  }
  if (size < kRksOverhead) {
    return std::nullopt;
  }
  return size - kRksOverhead;
}

EntryAttributes AttributesOf(const EntryChoices& choices) {
  EntryAttributes attributes;
  attributes.Set(kAttributeBig, choices.big);
  attributes.Set(kAttributeExecutable, choices.executable);
  attributes.Set(kAttributeAligned, choices.aligned);
  return attributes;
}

}  // namespace

std::optional<std::uint64_t> LookUpSource(const fs::path& path) {
  // file_size answers only for regular files: one look at the file is enough
  // for the usual case, and only what is not a regular file needs a second.
  std::error_code error;
  const auto size = fs::file_size(path, error);
  if (!error) {
    return size;
  }
  return fs::exists(fs::status(path, error)) ? std::optional<std::uint64_t>(0) : std::nullopt;
}

bool HasRksExtension(std::string_view file_name) {
  return EqualsIgnoringAsciiCase(ExtensionOf(std::string(file_name)), kRksExtension);
}

bool FitsRksFile(std::uint64_t data_size) {
  return data_size + kRksOverhead < kBigThreshold;
}

SourceDefaults DeriveSourceDefaults(const fs::path& path, std::uint64_t size) {
  SourceDefaults defaults;
  const auto u8_name = path.filename().u8string();
  defaults.name.assign(u8_name.begin(), u8_name.end());
  defaults.rks = false;
  defaults.big = true;
  if (size < kBigThreshold) {
    defaults.big = false;
    if (HasRksExtension(defaults.name)) {
      defaults.rks = true;
      defaults.executable_on = true;
    }
  }
  return defaults;
}

std::optional<std::uint16_t> ReadRksLoadAddress(const fs::path& path) {
  const auto bytes = ReadFileBytes(path, 0, 2);
  if (!bytes) {
    return std::nullopt;
  }
  return static_cast<std::uint16_t>((*bytes)[0] | ((*bytes)[1] << 8));
}

std::uint32_t HeaderSpace(bool aligned, std::uint32_t sector_size) {
  return std::max<std::uint32_t>(kEntryHeaderSize, aligned ? sector_size : 0);
}

EntryPlan PlanEntry(std::uint64_t size, bool rks, bool aligned, std::uint32_t reserved_minimum,
                    std::uint32_t sector_size) {
  EntryPlan plan;
  plan.data_size = DataSizeOf(size, rks).value_or(0);
  plan.header_space = HeaderSpace(aligned, sector_size);
  if (sector_size == 0) {
    return plan;  // no image: nothing can be placed, so no total either
  }
  const std::uint64_t total =
      std::max<std::uint64_t>(plan.data_size + plan.header_space, reserved_minimum);
  plan.total_length = RoundUpToSector(total, sector_size);
  return plan;
}

AddResult AddEntry(DiskImage& image, const SourceFile& source, const EntryChoices& choices,
                   const EntryPlan& plan, RoomRule room) {
  if (!image.has_image()) {
    return AddResult::kNoRoom;
  }
  if (!image.has_valid_sizes()) {
    return AddResult::kBadFormat;
  }
  // Room is counted with one byte more when the entry may end at the disk's end.
  const std::uint64_t spare = room == RoomRule::kMayFillDisk ? 1 : 0;
  if (plan.total_length >= image.free_space() + spare) {
    return AddResult::kNoRoom;
  }
  // The name field ends at its first NUL, so a name that starts with one reads back empty.
  if (choices.name.empty() || choices.name.front() == '\0') {
    return AddResult::kEmptyName;
  }
  const auto data_size = DataSizeOf(source.size, choices.rks);
  // A kept plan made for another source may not cover this one's data.
  if (!data_size || plan.total_length < kEntryHeaderSize + *data_size) {
    return AddResult::kReadError;
  }
  const auto data = ReadFileBytes(source.path, choices.rks ? kRksHeaderSize : 0, *data_size);
  if (!data) {
    return AddResult::kReadError;
  }
  // The free space comes from the last listing; the chain itself has the last word.
  const std::uint64_t end = image.EndOfChain();
  if (end + plan.total_length >= image.disk().size() + spare) {
    return AddResult::kNoRoom;
  }
  DirectoryEntry entry;
  entry.position = static_cast<std::uint32_t>(end);
  entry.attributes = AttributesOf(choices);
  entry.name = choices.name;
  entry.load_address = choices.load_address;
  entry.data_size = static_cast<std::uint32_t>(*data_size);
  entry.total_length = static_cast<std::uint32_t>(plan.total_length);
  image.AppendEntry(entry, *data);
  return AddResult::kAdded;
}

}  // namespace flashdisk
