#include "image/entry_removal.h"

#include <algorithm>
#include <cstring>

#include "image/image_problems.h"
#include "image/little_endian.h"

namespace flashdisk {

namespace {

// Moves the kept entries down run by run: a run of neighbouring kept
// entries is one copy, however many entries it holds.
class ChainCompactor {
 public:
  ChainCompactor(std::span<std::uint8_t> disk, std::uint64_t start)
      : disk_(disk), destination_(start), run_start_(start) {}

  // The entry [position, end) goes; the kept run before it moves down.
  void Drop(std::uint64_t position, std::uint64_t end) {
    MoveRunUpTo(position);
    run_start_ = end;
  }

  // The last kept run moves down and what it leaves behind is erased.
  void Finish(std::uint64_t end_of_chain) {
    MoveRunUpTo(end_of_chain);
    std::fill(At(destination_), At(end_of_chain), kErasedByte);
  }

 private:
  void MoveRunUpTo(std::uint64_t run_end) {
    // The run may overlap the place it moves to; memmove is made for that.
    const auto length = static_cast<std::size_t>(run_end - run_start_);
    std::memmove(disk_.data() + destination_, disk_.data() + run_start_, length);
    destination_ += length;
  }

  std::span<std::uint8_t>::iterator At(std::uint64_t position) const {
    return disk_.begin() + static_cast<std::ptrdiff_t>(position);
  }

  std::span<std::uint8_t> disk_;
  std::uint64_t destination_;
  std::uint64_t run_start_;
};

}  // namespace

bool RemoveEntries(DiskImage& image, std::vector<std::uint32_t> positions) {
  if (!IsSound(image)) {
    return false;
  }
  std::sort(positions.begin(), positions.end());
  auto disk = image.EditDisk();
  DirectoryWalk walk(disk, ReadLe32(disk, kDirectoryOffsetOffset));
  ChainCompactor compactor(disk, walk.end_of_chain());
  auto doomed = positions.begin();
  while (const auto position = walk.Next()) {
    doomed = std::lower_bound(doomed, positions.end(), *position);
    if (doomed != positions.end() && *doomed == *position) {
      compactor.Drop(*position, walk.end_of_chain());
    }
  }
  compactor.Finish(walk.end_of_chain());
  return true;
}

}  // namespace flashdisk
