// A check's findings as the user reads them, in the window and on the
// command line alike: each problem and note with its byte, then the summary.
#pragma once

#include <string>
#include <vector>

#include "image/image_problems.h"

namespace flashdisk {

// One line per finding, problems first in the order the machine meets them,
// then "Проблем не найдено." when there are none, then the counts.
std::vector<std::string> CheckReportLines(const ImageProblems& found);

}  // namespace flashdisk
