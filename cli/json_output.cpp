#include "cli/json_output.h"

#include "image/cp1251_text.h"
#include "image/user_messages.h"

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

namespace {

nlohmann::ordered_json FindingsJson(const std::vector<Finding>& findings) {
  auto json = nlohmann::ordered_json::array();
  for (const auto& finding : findings) {
    json.push_back({{"position", finding.position},
                    {"kind", KindName(finding.kind)},
                    {"message", FindingMessage(finding.kind)}});
  }
  return json;
}

}  // namespace

nlohmann::ordered_json ProblemsJson(const ImageProblems& found) {
  return {
      {"problems", FindingsJson(found.problems)},
      {"notes", FindingsJson(found.notes)},
      {"entries", found.entries},
      {"deleted_entries", found.deleted_entries},
      {"deleted_bytes", found.deleted_bytes},
      {"free_space", found.free_space},
  };
}

namespace {

// One entry object, kept for the whole listing: only its values change from
// entry to entry, so the largest directories need no allocation per entry.
class EntryJsonWriter {
 public:
  EntryJsonWriter()
      : json_{{"index", 0},        {"position", 0},   {"name", ""},          {"load_address", 0},
              {"data_size", 0},    {"shown_size", 0}, {"total_length", 0},   {"attributes", 0},
              {"deleted", false},  {"big", false},    {"executable", false}, {"aligned", false},
              {"read_only", false}} {}

  void Write(std::ostream& out, const DirectoryEntry& entry, std::size_t index) {
    const auto& attributes = entry.attributes;
    json_["index"] = index;
    json_["position"] = entry.position;
    json_["name"].get_ref<std::string&>() = Utf8FromCp1251(entry.name);
    json_["load_address"] = entry.load_address;
    json_["data_size"] = entry.data_size;
    json_["shown_size"] = ShownSize(entry);
    json_["total_length"] = entry.total_length;
    json_["attributes"] = attributes.stored;
    json_["deleted"] = attributes.Has(kAttributeDeleted);
    json_["big"] = attributes.Has(kAttributeBig);
    json_["executable"] = attributes.Has(kAttributeExecutable);
    json_["aligned"] = attributes.Has(kAttributeAligned);
    json_["read_only"] = attributes.Has(kAttributeReadOnly);
    WriteJson(out, json_, -1);
  }

 private:
  nlohmann::ordered_json json_;
};

}  // namespace

void WriteJson(std::ostream& out, const nlohmann::ordered_json& json, int indent) {
  out << json.dump(indent, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

void WriteJsonDocument(std::ostream& out, const nlohmann::ordered_json& json) {
  WriteJson(out, json, 2);
  out << '\n';
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
  EntryJsonWriter entry_writer;
  for (std::size_t i = 0; i < listing.entries.size(); ++i) {
    out << (i == 0 ? "\n    " : ",\n    ");
    entry_writer.Write(out, listing.entries[i], i + 1);
  }
  out << (listing.entries.empty() ? "]\n}\n" : "\n  ]\n}\n");
}

}  // namespace flashdisk::cli
