// `flashdisk pack`: builds an image from a folder's manifest and files, as
// `new` followed by one `add` and `set` per entry would, in the manifest's
// order, and writes it only when every entry is in.
#pragma once

#include <filesystem>
#include <optional>
#include <vector>

#include "cli/console.h"
#include "image/disk_image.h"

namespace flashdisk::cli {

struct PackOptions {
  std::filesystem::path source;  // a folder holding disk.toml, or a manifest
  std::filesystem::path image;
  bool force = false;  // replace an existing file
  // A make rule naming the image's sources: the manifest and every file it reads.
  std::optional<std::filesystem::path> depfile;
};

// The disk the manifest describes, or nothing after reporting why not;
// refusals concern `image`, the manifest's errors name it with line and key.
// `sources`, when given, gets every file the manifest names, in its order.
std::optional<DiskImage> PackManifest(const std::filesystem::path& manifest,
                                      const std::filesystem::path& image, const Console& console,
                                      std::vector<std::filesystem::path>* sources = nullptr);

int RunPack(const PackOptions& options, const Console& console);

}  // namespace flashdisk::cli
