#include "cli/attribute_names.h"

namespace flashdisk::cli {

std::optional<EntryAttribute> AttributeFromName(std::string_view name) {
  for (const auto& known : kAttributeNames) {
    if (known.name == name) {
      return known.attribute;
    }
  }
  return std::nullopt;
}

std::vector<std::string_view> SetAttributeNames(EntryAttributes attributes) {
  std::vector<std::string_view> names;
  for (const auto& known : kAttributeNames) {
    if (attributes.Has(known.attribute)) {
      names.push_back(known.name);
    }
  }
  return names;
}

}  // namespace flashdisk::cli
