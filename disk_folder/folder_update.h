// An unpack into a folder that already holds a manifest: each entry of the
// image is matched to one of the manifest's, keeps its data file's name and
// its table's comments, and the manifest's text changes only where a value
// does.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "disk_folder/disk_manifest.h"
#include "disk_folder/folder_replacement.h"
#include "image/disk_image.h"

namespace flashdisk {

struct FolderUpdate {
  // Every file of the new folder, the manifest last.
  std::vector<FolderFile> files;
  // Which of them differ from what the folder holds now.
  std::vector<bool> changed;
};

// `old_text` is the folder's manifest, `old` the same parsed; only files of
// `ours` (relative paths) keep their names, new files are named so as to
// miss every name of `taken`.
FolderUpdate PlanFolderUpdate(const DiskImage& image, const std::filesystem::path& folder,
                              std::string_view old_text, const Manifest& old,
                              const std::vector<std::filesystem::path>& ours,
                              const std::vector<std::string>& taken);

}  // namespace flashdisk
