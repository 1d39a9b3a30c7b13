// `flashdisk unpack`: turns an image into a folder, a manifest (disk.toml)
// and one file per entry with its data, from which `pack` builds the same
// image byte for byte.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "cli/console.h"
#include "cli/disk_manifest.h"
#include "image/disk_image.h"

namespace flashdisk::cli {

struct UnpackOptions {
  std::filesystem::path image;
  std::filesystem::path folder;
  bool force = false;  // write into a folder that holds files already
};

struct FolderFile {
  std::string name;  // UTF-8, safe on Linux and Windows
  ByteString bytes;
};

// What the folder of a listed image whose header and chain are sound holds:
// the manifest and its files, data files first in chain order.
struct UnpackedDisk {
  Manifest manifest;
  std::vector<FolderFile> files;
};

UnpackedDisk UnpackDisk(const DiskImage& image);

int RunUnpack(const UnpackOptions& options, const Console& console);

}  // namespace flashdisk::cli
