// Turns an image into a folder, a manifest (disk.toml) and one file per
// entry with its data, from which packing builds the same image byte for
// byte. Both programs unpack through it: the command line's `unpack`, the
// window's save into a folder.
#pragma once

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "disk_folder/disk_manifest.h"
#include "disk_folder/folder_replacement.h"
#include "image/disk_image.h"

namespace flashdisk {

// What the folder of a listed image whose header and chain are sound holds:
// the manifest and its files, data files first in chain order.
struct UnpackedDisk {
  Manifest manifest;
  std::vector<FolderFile> files;
};

// The files of an earlier folder that go on holding the same bytes' place:
// an entry's data file (an RKS file when `rks`, as the manifest had it), its
// tail, the disk's odd bytes. One per entry, in chain order.
struct KeptFileNames {
  struct Entry {
    std::optional<std::string> data_file;
    bool rks = false;
    std::optional<std::string> tail;
  };
  std::vector<Entry> entries;
  std::optional<std::string> header_rest;
  std::optional<std::string> after_chain;
};

// Files are named so as to miss every name of `taken` (UTF-8), in any
// letter case; those of `kept` keep their names.
UnpackedDisk UnpackDisk(const DiskImage& image, const std::vector<std::string>& taken = {},
                        KeptFileNames kept = {});

struct FolderUnpackOptions {
  // The image file the disk was read from, if any: never replaced, even
  // when a manifest names it, and its name is never given to another file.
  std::filesystem::path image_file;
  bool force = false;   // write into a folder that holds files already
  FolderStepHook hook;  // sees each step of the writing (folder_replacement.h)
  // Told of each file written, and how many there are in all.
  std::function<void(std::size_t written, std::size_t files)> progress;
};

// Writes the folder of `image` as a whole or not at all (folder_replacement.h).
// The error, as "FOLDER: message" or "FOLDER: FILE: message", or nothing
// when the folder holds the disk.
std::optional<std::string> UnpackIntoFolder(const DiskImage& image,
                                            const std::filesystem::path& folder,
                                            const FolderUnpackOptions& options = {});

}  // namespace flashdisk
