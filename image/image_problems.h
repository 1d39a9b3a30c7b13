// What is wrong with an image, found the way the target machine would meet
// it: the header, each entry of the chain, and the free space after the chain
// that the machine's next write expects erased. Problems make an image
// unsound; notes point at what is allowed but probably not meant.
#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

#include "image/disk_image.h"

namespace flashdisk {

enum class FindingKind {
  // The header and the file.
  kBadMagic,
  kBadDiskSize,
  kBadSectorSize,
  kShortFile,
  kLongFile,
  kLabelWithoutNul,
  kDirectoryInHeader,
  kDirectoryPastDisk,
  kDirectoryOffSector,
  // An entry of the chain.
  kEntryTooShort,
  kEntryNotWholeSectors,
  kEntryPastDisk,
  kDataPastRoom,
  kNameWithoutNul,
  kEmptyName,
  // The free space after the chain.
  kNotErased,
  kStrayMarker,
  // Notes.
  kBigSizeWraps,
  kDeletedEntry,
};

enum class FindingArea { kHeader, kChain, kAfterChain, kNote };

struct Finding {
  std::uint64_t position = 0;  // the byte the finding concerns
  FindingKind kind = FindingKind::kBadMagic;
};

struct ImageProblems {
  std::vector<Finding> problems;  // in the order the machine meets them
  std::vector<Finding> notes;
  std::uint64_t entries = 0;  // deleted ones included
  std::uint64_t deleted_entries = 0;
  std::uint64_t deleted_bytes = 0;  // the deleted entries' total lengths
  std::uint32_t free_space = 0;

  // A problem in the header or the chain: an edit that moves entries would
  // build on it. Problems after the chain do not count.
  bool damaged() const;
};

FindingArea AreaOf(FindingKind kind);
// A stable English word for scripts.
std::string_view KindName(FindingKind kind);

// `image` has been loaded and checked, with `outcome` the result of its Check.
ImageProblems FindImageProblems(const DiskImage& image, HeaderCheck::Outcome outcome);

// What Check would say of the header as the bytes hold it now, without
// taking the sizes over: a header that no longer names the image's own
// sizes counts as failing at that size.
HeaderCheck::Outcome CheckHeaderAgain(const DiskImage& image);

// Whether an edit that moves entries or rewrites their data may build on
// the image as it is: its header is valid for the sizes it holds, and the
// header, the file and the chain have no problem.
bool IsSound(const DiskImage& image);

}  // namespace flashdisk
