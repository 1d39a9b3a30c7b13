#include "image/entry_move.h"

#include <algorithm>
#include <vector>

#include "image/image_problems.h"
#include "image/little_endian.h"

namespace flashdisk {

namespace {

struct Span {
  std::uint32_t start = 0;
  std::uint32_t end = 0;
};

std::vector<Span> ChainSpans(std::span<const std::uint8_t> disk) {
  std::vector<Span> spans;
  DirectoryWalk walk(disk, ReadLe32(disk, kDirectoryOffsetOffset));
  while (const auto position = walk.Next()) {
    spans.push_back({*position, static_cast<std::uint32_t>(walk.end_of_chain())});
  }
  return spans;
}

}  // namespace

bool MoveEntry(DiskImage& image, std::uint32_t position, std::size_t to) {
  if (!IsSound(image)) {
    return false;
  }
  const auto spans = ChainSpans(image.disk());
  const auto from = std::find_if(spans.begin(), spans.end(),
                                 [position](const Span& span) { return span.start == position; });
  if (from == spans.end() || to >= spans.size()) {
    return false;
  }
  const auto from_index = static_cast<std::size_t>(from - spans.begin());
  if (from_index == to) {
    return true;
  }
  // Entries stand back to back, so a move is a rotation of the stretch from
  // the first entry that changes place to the last one.
  auto disk = image.EditDisk();
  const auto at = [&disk](std::uint32_t offset) { return disk.begin() + offset; };
  if (to < from_index) {
    std::rotate(at(spans[to].start), at(from->start), at(from->end));
  } else {
    std::rotate(at(from->start), at(from->end), at(spans[to].end));
  }
  return true;
}

}  // namespace flashdisk
