// `flashdisk info` and `flashdisk list`: the header and the directory of an
// image, as text for people or as JSON for scripts. `check` takes the same
// options.
#pragma once

#include <filesystem>

#include "cli/console.h"

namespace flashdisk::cli {

struct ShowOptions {
  std::filesystem::path image;
  bool json = false;
};

int RunInfo(const ShowOptions& options, const Console& console);
int RunList(const ShowOptions& options, const Console& console);

}  // namespace flashdisk::cli
