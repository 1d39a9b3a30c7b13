#include "cli/edit_commands.h"

#include <algorithm>
#include <vector>

#include "cli/attribute_names.h"
#include "cli/command_messages.h"
#include "cli/load_address_text.h"
#include "cli/opened_image.h"
#include "image/cp1251_text.h"
#include "image/user_messages.h"

namespace flashdisk::cli {

namespace {

bool SetsAndClearsTheSame(const SetEntryOptions& options) {
  return std::any_of(
      options.set_attributes.begin(), options.set_attributes.end(), [&](const std::string& name) {
        return std::find(options.clear_attributes.begin(), options.clear_attributes.end(), name) !=
               options.clear_attributes.end();
      });
}

// The parser lets only known names through.
void Apply(const std::vector<std::string>& names, bool on, EntryAttributes& attributes) {
  for (const auto& name : names) {
    if (const auto attribute = AttributeFromName(name)) {
      attributes.Set(*attribute, on);
    }
  }
}

// An edit that leaves every byte as it was writes nothing: the image keeps
// its time, so that make rebuilds nothing.
bool SaveIfChanged(const OpenedImage& opened, const std::vector<std::uint8_t>& before,
                   const Console& console) {
  const auto disk = opened.image.disk();
  return std::equal(disk.begin(), disk.end(), before.begin(), before.end()) ||
         SaveImage(opened, console);
}

std::vector<std::uint8_t> BytesOf(const DiskImage& image) {
  return {image.disk().begin(), image.disk().end()};
}

}  // namespace

int RunLabel(const LabelOptions& options, const Console& console) {
  auto opened = OpenImage(options.image, console);
  if (!opened) {
    return kExitRefused;
  }
  const auto before = BytesOf(opened->image);
  opened->image.SetLabel(Cp1251FromUtf8(options.label));
  return SaveIfChanged(*opened, before, console) ? kExitSuccess : kExitRefused;
}

int RunSetEntry(const SetEntryOptions& options, const Console& console) {
  if (SetsAndClearsTheSame(options)) {
    console.Report(options.image, kAttributeSetAndClearedMessage);
    return kExitUsage;
  }
  std::optional<std::uint16_t> load_address;
  if (!ReadLoadAddressOption(options.load_address, options.image, console, load_address)) {
    return kExitRefused;
  }
  auto opened = OpenImage(options.image, console);
  if (!opened) {
    return kExitRefused;
  }
  const auto entry = FindEntry(*opened, options.index, console);
  if (!entry) {
    return kExitRefused;
  }
  // Only what was asked for is written: rewriting an unchanged name would
  // cut a name that fills its whole field.
  auto attributes = entry->attributes;
  Apply(options.set_attributes, true, attributes);
  Apply(options.clear_attributes, false, attributes);
  auto& image = opened->image;
  const auto before = BytesOf(image);
  image.SetEntryAttributes(entry->position, attributes);
  if (options.name) {
    image.SetEntryName(entry->position, Cp1251FromUtf8(*options.name));
  }
  if (load_address) {
    image.SetEntryLoadAddress(entry->position, *load_address);
  }
  return SaveIfChanged(*opened, before, console) ? kExitSuccess : kExitRefused;
}

}  // namespace flashdisk::cli
