// `flashdisk unpack`: turns an image into a folder, a manifest (disk.toml)
// and one file per entry with its data, from which `pack` builds the same
// image byte for byte.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "cli/console.h"
#include "cli/disk_manifest.h"
#include "cli/folder_replacement.h"
#include "image/disk_image.h"

namespace flashdisk::cli {

struct UnpackOptions {
  std::filesystem::path image;
  std::filesystem::path folder;
  bool force = false;  // write into a folder that holds files already
};

// What the folder of a listed image whose header and chain are sound holds:
// the manifest and its files, data files first in chain order.
struct UnpackedDisk {
  Manifest manifest;
  std::vector<FolderFile> files;
};

// Files are named so as to miss every name of `taken` (UTF-8), in any
// letter case.
UnpackedDisk UnpackDisk(const DiskImage& image, const std::vector<std::string>& taken = {});

// `hook` sees each step of the folder's writing (folder_replacement.h).
int RunUnpack(const UnpackOptions& options, const Console& console,
              const FolderStepHook& hook = {});

}  // namespace flashdisk::cli
