// Adding a host file to the image as a new entry at the end of the chain:
// looking the source up, deriving defaults for it, planning the entry's
// lengths and writing it with its data.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "image/disk_image.h"

namespace flashdisk {

inline constexpr std::uint32_t kRksOverhead = 6;    // 4 bytes before the data, 2 after
inline constexpr std::uint32_t kRksHeaderSize = 4;  // the load address and 2 unused bytes
inline constexpr std::uint32_t kBigThreshold = 0x10000;
inline constexpr std::string_view kRksExtension = ".rks";

// The host file chosen for adding.
struct SourceFile {
  std::filesystem::path path;
  std::uint64_t size = 0;  // the whole size, never cut; 0 until a lookup finds the file
};

// What a newly found source suggests. Executable is either turned on or left as it was.
struct SourceDefaults {
  std::string name;  // the file-name part of the path, UTF-8 as the host spells it
  bool rks = false;
  bool big = false;
  bool executable_on = false;
};

struct EntryChoices {
  std::string name;  // code page 1251 bytes; only the first 31 are stored
  bool rks = false;
  bool big = false;
  bool executable = false;
  bool aligned = false;
  std::uint16_t load_address = 0;
  std::uint32_t reserved_minimum = 0;  // least total length; 0 for none
};

// Lengths are exact: a total that does not fit 32 bits can never fit a disk.
struct EntryPlan {
  std::uint64_t data_size = 0;
  std::uint32_t header_space = 0;
  std::uint64_t total_length = 0;
};

enum class AddResult {
  kAdded,
  kNoRoom,
  kEmptyName,
  kReadError,
  kBadFormat,  // the image's disk or sector size is not one of the offered ones
};

// Found: the whole size, so a file of 4 GiB or more never passes for a small
// one; a folder is found with size 0.
std::optional<std::uint64_t> LookUpSource(const std::filesystem::path& path);
// Whether a file name ends in ".rks", in any letter case: the add takes such
// a file as RKS, and the window writes an entry of such a name back as one.
bool HasRksExtension(std::string_view file_name);
// Whether `data_size` bytes go out as an RKS file that an add takes back as
// one: an add takes a file of 64 KiB or more as plain data.
bool FitsRksFile(std::uint64_t data_size);

SourceDefaults DeriveSourceDefaults(const std::filesystem::path& path, std::uint64_t size);
// Bytes 0 and 1 of an RKS file; nothing when it cannot be read or is shorter.
std::optional<std::uint16_t> ReadRksLoadAddress(const std::filesystem::path& path);
// Room counted for an entry's fixed part: 44 bytes, or a whole sector for an
// Aligned entry on a disk whose sectors are larger. The data itself always
// starts right after the 44 bytes.
std::uint32_t HeaderSpace(bool aligned, std::uint32_t sector_size);
// A sector size of 0 (no image) plans a total length of 0.
EntryPlan PlanEntry(std::uint64_t size, bool rks, bool aligned, std::uint32_t reserved_minimum,
                    std::uint32_t sector_size);
// How much of the free space an entry may take. The window always leaves the
// byte after a new entry inside the disk, where the machine looks for the
// next marker; a disk rebuilt from a dump of a full chip fills it to the end.
enum class RoomRule { kLeaveByteAfter, kMayFillDisk };

// Refusals come in this order: no room (or no image), a damaged image, an
// empty name, a source that cannot be read in full. A refusal changes nothing.
// The new entry ends the chain: a stale marker in the byte right after it is
// erased, so nothing left behind a broken link joins the chain again.
AddResult AddEntry(DiskImage& image, const SourceFile& source, const EntryChoices& choices,
                   const EntryPlan& plan, RoomRule room = RoomRule::kLeaveByteAfter);

}  // namespace flashdisk
