// `flashdisk unpack`: turns an image into a folder, a manifest (disk.toml)
// and one file per entry with its data, from which `pack` builds the same
// image byte for byte.
#pragma once

#include <filesystem>

#include "cli/console.h"
#include "disk_folder/folder_replacement.h"

namespace flashdisk::cli {

struct UnpackOptions {
  std::filesystem::path image;
  std::filesystem::path folder;
  bool force = false;  // write into a folder that holds files already
};

// `hook` sees each step of the folder's writing (folder_replacement.h).
int RunUnpack(const UnpackOptions& options, const Console& console,
              const FolderStepHook& hook = {});

}  // namespace flashdisk::cli
