// The window's edits that mend a disk: taking an entry out, moving it,
// putting new data into it, saving its data, and adding dropped files. Each
// gives the message to show, empty when the edit is done; a refused edit
// leaves the image as it was.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>
#include <vector>

#include "image/disk_image.h"

namespace flashdisk {

std::string_view RemoveEntry(DiskImage& image, std::uint32_t position);
// `to` is the entry's new place in the chain, 0 for the first.
std::string_view MoveEntryTo(DiskImage& image, std::uint32_t position, std::size_t to);
// The file's data goes in by the add's defaults, as a replace from the
// command line without choices puts it.
std::string_view ReplaceEntryFromFile(DiskImage& image, const DirectoryEntry& entry,
                                      const std::filesystem::path& file);
// The entry's data bytes, as an extract writes them; for an entry whose
// name ends in ".rks", the RKS file of its data and load address.
std::string_view SaveEntryData(const DiskImage& image, const DirectoryEntry& entry,
                               const std::filesystem::path& file);
// Every file at the end of the chain in the order given, each planned by the
// add's defaults, or none of them.
std::string_view AddFiles(DiskImage& image, const std::vector<std::filesystem::path>& files);

}  // namespace flashdisk
