// The machine-readable form of `info`, `list` and `check`: numbers as JSON numbers,
// texts decoded from code page 1251 to UTF-8.
#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <ostream>

#include "image/disk_image.h"
#include "image/image_problems.h"

namespace flashdisk::cli {

// The header's fields and the free space.
nlohmann::ordered_json HeaderJson(const ImageHeader& header, std::uint32_t free_space);
// What a check found: the problems and notes with their positions, kinds
// and messages, and the summary.
nlohmann::ordered_json ProblemsJson(const ImageProblems& found);
// Writes a JSON value, invalid UTF-8 replaced, indented by `indent` spaces.
void WriteJson(std::ostream& out, const nlohmann::ordered_json& json, int indent);
// A whole document: indented by 2 spaces and ended by a newline.
void WriteJsonDocument(std::ostream& out, const nlohmann::ordered_json& json);
// Writes one object with the header's fields, the free space and every entry
// in chain order, one entry a line, without holding the whole document.
void WriteListingJson(std::ostream& out, const ImageHeader& header,
                      const DirectoryListing& listing);

}  // namespace flashdisk::cli
