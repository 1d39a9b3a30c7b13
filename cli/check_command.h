// `flashdisk check`: reads an image as every command opens it and reports
// each problem it finds with the byte it concerns, then a summary.
#pragma once

#include <filesystem>

#include "cli/console.h"

namespace flashdisk::cli {

struct CheckOptions {
  std::filesystem::path image;
  bool json = false;
};

// 0 when nothing was found, 1 when a problem was or the file cannot be read;
// notes alone leave it at 0.
int RunCheck(const CheckOptions& options, const Console& console);

}  // namespace flashdisk::cli
