// Builds the disk a folder's manifest describes, in memory, as `new`
// followed by one `add` and `set` per entry would, in the manifest's order.
// Both programs pack through it: the command line to write an image, the
// window to open a folder.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "image/disk_image.h"

namespace flashdisk {

struct PackedFolder {
  // The disk, when every entry is in.
  std::optional<DiskImage> image;
  // Why not, as "FILE:LINE: KEY: message" for a manifest's fault, or "FILE:
  // message" / "IMAGE: FILE: message" for a refusal, without the program's name.
  std::string error;
  // Texts in the same form that do not stop the packing: two entries of one
  // name, an RKS file whose header promises another length.
  std::vector<std::string> warnings;
  // Every file the manifest names, in its order, as far as it was read.
  std::vector<std::filesystem::path> sources;
};

// `manifest` is a disk.toml; refusals of an entry that does not fit name
// `image_name`, the manifest when none is given.
PackedFolder PackFolder(const std::filesystem::path& manifest,
                        const std::filesystem::path& image_name = {});

// The manifest of `source`: its disk.toml when it is a folder, else itself.
std::filesystem::path ManifestOf(const std::filesystem::path& source);

}  // namespace flashdisk
