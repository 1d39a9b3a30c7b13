#include "cli/opened_image.h"

#include "cli/command_messages.h"
#include "image/image_problems.h"
#include "image/user_messages.h"

namespace flashdisk::cli {

std::optional<DirectoryEntry> OpenedImage::EntryAt(std::uint64_t index) const {
  const auto& entries = listing().entries;
  if (index == 0 || index > entries.size()) {
    return std::nullopt;
  }
  return entries[index - 1];
}

std::optional<OpenedImage> OpenImage(const std::filesystem::path& path, const Console& console) {
  OpenedImage opened;
  opened.path = path;
  if (!opened.image.Load(path)) {
    console.Report(path, kReadErrorMessage);
    return std::nullopt;
  }
  const auto check = opened.image.Check();
  if (!check.valid()) {
    console.Report(path, kFormatErrorMessage);
    return std::nullopt;
  }
  opened.header = check.header;
  opened.image.List();
  return opened;
}

std::optional<OpenedImage> OpenSoundImage(const std::filesystem::path& path,
                                          const Console& console) {
  auto opened = OpenImage(path, console);
  if (opened && !IsSound(opened->image)) {
    console.Report(path, kFormatErrorMessage);
    return std::nullopt;
  }
  return opened;
}

bool SaveImage(const OpenedImage& opened, const Console& console) {
  if (!opened.image.Save(opened.path)) {
    console.Report(opened.path, kWriteErrorMessage);
    return false;
  }
  return true;
}

std::optional<DirectoryEntry> FindEntry(const OpenedImage& opened, std::uint64_t index,
                                        const Console& console) {
  auto entry = opened.EntryAt(index);
  if (!entry) {
    console.Report(opened.path, kNoSuchEntryMessage);
  }
  return entry;
}

}  // namespace flashdisk::cli
