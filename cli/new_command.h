// `flashdisk new`: formats a blank disk and saves it as a new image file.
#pragma once

#include <filesystem>
#include <string>

#include "cli/console.h"
#include "image/disk_image.h"

namespace flashdisk::cli {

struct NewImageOptions {
  std::filesystem::path image;
  std::string disk_size = "512k";   // one of the texts of kDiskSizeChoices
  std::string sector_size = "256";  // one of the texts of kSectorSizeChoices
  std::string label;                // UTF-8
  bool force = false;               // replace an existing file
};

int RunNewImage(const NewImageOptions& options, const Console& console);

// The way every command that makes a new image file writes it: an existing
// file is replaced only with --force. Each reports its refusal.
bool MayCreateImage(const std::filesystem::path& image, bool force, const Console& console);
bool SaveNewImage(const DiskImage& image, const std::filesystem::path& path,
                  const Console& console);

}  // namespace flashdisk::cli
