// Writes the largest directory a disk can hold to the file named on the
// command line, for the command-line benchmarks.
#include <cstdio>
#include <filesystem>

#include "bench/largest_image.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: write_largest_image FILE\n");
    return 2;
  }
  const std::filesystem::path target = argv[1];
  flashdisk::DiskImage image;
  flashdisk::bench::FillWithEmptyEntries(image, flashdisk::bench::kLargestEntryCount,
                                         target.parent_path().empty() ? "." : target.parent_path());
  return image.Save(target) ? 0 : 1;
}
