// The text form of `info` and `list`, for people. Columns are padded by
// characters, not bytes, so Cyrillic names keep them straight.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>

#include "image/disk_image.h"

namespace flashdisk::cli {

// A name or label from the image in UTF-8, with control characters shown as
// '?' so that they cannot steer the terminal.
std::string DisplayText(std::string_view cp1251);

// The names of the attributes that are set, joined by commas; "-" for none.
std::string AttributesText(EntryAttributes attributes);

// One "caption: value" line per header field, then the free space and the
// number of entries.
std::string HeaderText(const ImageHeader& header, std::uint32_t free_space,
                       std::size_t entry_count);

// A caption line, one line per entry in chain order, then the free space,
// written as they are made: the largest directories have tens of thousands.
void WriteListingText(std::ostream& out, const DirectoryListing& listing);

}  // namespace flashdisk::cli
