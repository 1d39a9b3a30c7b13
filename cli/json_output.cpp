#include "cli/json_output.h"

#include "image/cp1251_text.h"

namespace flashdisk::cli {

nlohmann::ordered_json HeaderJson(const ImageHeader& header, std::uint32_t free_space) {
  return {
      {"disk_size", header.disk_size},
      {"sector_size", header.sector_size},
      {"label", Utf8FromCp1251(header.label)},
      {"system_load_address", header.system_load_address},
      {"system_size", header.system_size},
      {"directory_offset", header.directory_offset},
      {"free_space", free_space},
  };
}

nlohmann::ordered_json EntryJson(const DirectoryEntry& entry, std::size_t index) {
  const auto& attributes = entry.attributes;
  return {
      {"index", index},
      {"position", entry.position},
      {"name", Utf8FromCp1251(entry.name)},
      {"load_address", entry.load_address},
      {"data_size", entry.data_size},
      {"shown_size", ShownSize(entry)},
      {"total_length", entry.total_length},
      {"attributes", attributes.stored},
      {"deleted", attributes.Has(kAttributeDeleted)},
      {"big", attributes.Has(kAttributeBig)},
      {"executable", attributes.Has(kAttributeExecutable)},
      {"aligned", attributes.Has(kAttributeAligned)},
      {"read_only", attributes.Has(kAttributeReadOnly)},
  };
}

nlohmann::ordered_json ListingJson(const ImageHeader& header, const DirectoryListing& listing) {
  auto json = HeaderJson(header, listing.free_space);
  auto entries = nlohmann::ordered_json::array();
  for (std::size_t i = 0; i < listing.entries.size(); ++i) {
    entries.push_back(EntryJson(listing.entries[i], i + 1));
  }
  json["entries"] = std::move(entries);
  return json;
}

}  // namespace flashdisk::cli
