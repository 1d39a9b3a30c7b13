// `flashdisk check`: reads an image as every command opens it and reports
// each problem it finds with the byte it concerns, then a summary.
#pragma once

#include "cli/console.h"
#include "cli/show_commands.h"

namespace flashdisk::cli {

// 0 when nothing was found, 1 when a problem was, 3 when the file cannot be
// read (under --json an object with its message then goes to standard
// output); notes alone leave it at 0. It takes what `info` and `list` take.
int RunCheck(const ShowOptions& options, const Console& console);

}  // namespace flashdisk::cli
