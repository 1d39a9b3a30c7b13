// `flashdisk diff`: what differs between two disks, each an image file or a
// folder described by disk.toml (packed in memory as `pack` would), entry by
// entry. Exit status: 0 when both give the same bytes, 1 when they differ,
// 3 when one cannot be read, packed or taken for a disk.
#pragma once

#include <filesystem>
#include <vector>

#include "cli/console.h"

namespace flashdisk::cli {

struct DiffOptions {
  // The two disks; with `git`, the arguments git gives an external diff
  // program: path, old file, old hash, old mode, new file, new hash, new
  // mode, and for a renamed file the new path and a header line.
  std::vector<std::filesystem::path> files;
  bool json = false;
  // Differences found are no failure for git, which stops at any status but 0.
  bool git = false;
};

int RunDiff(const DiffOptions& options, const Console& console);

}  // namespace flashdisk::cli
