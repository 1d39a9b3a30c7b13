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

void WriteJson(std::ostream& out, const nlohmann::ordered_json& json, int indent) {
  out << json.dump(indent, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

void WriteListingJson(std::ostream& out, const ImageHeader& header,
                      const DirectoryListing& listing) {
  out << "{\n";
  const auto header_json = HeaderJson(header, listing.free_space);
  for (const auto& [key, value] : header_json.items()) {
    out << "  " << nlohmann::ordered_json(key).dump() << ": ";
    WriteJson(out, value, -1);
    out << ",\n";
  }
  out << "  \"entries\": [";
  for (std::size_t i = 0; i < listing.entries.size(); ++i) {
    out << (i == 0 ? "\n    " : ",\n    ");
    WriteJson(out, EntryJson(listing.entries[i], i + 1), -1);
  }
  out << (listing.entries.empty() ? "]\n}\n" : "\n  ]\n}\n");
}

}  // namespace flashdisk::cli
