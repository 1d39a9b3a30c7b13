#include "cli/new_command.h"

#include <optional>
#include <span>
#include <system_error>

#include "cli/command_messages.h"
#include "cli/opened_image.h"
#include "image/cp1251_text.h"
#include "image/disk_image.h"
#include "image/user_messages.h"

namespace flashdisk::cli {

namespace {

// A link counts as existing even when it leads nowhere.
bool Exists(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::exists(std::filesystem::symlink_status(path, error));
}

}  // namespace

bool MayCreateImage(const std::filesystem::path& image, bool force, const Console& console) {
  if (!force && Exists(image)) {
    console.Report(image, kFileExistsMessage);
    return false;
  }
  return true;
}

bool SaveNewImage(const DiskImage& image, const std::filesystem::path& path,
                  const Console& console) {
  // A command working on the image this replaces finishes first; its save
  // would otherwise put the old disk back over the new one.
  const auto lock = LockImage(path, console);
  if (!lock) {
    return false;
  }
  if (!image.Save(path)) {
    console.Report(path, kWriteErrorMessage);
    return false;
  }
  return true;
}

int RunNewImage(const NewImageOptions& options, const Console& console) {
  if (!MayCreateImage(options.image, options.force, console)) {
    return kExitRefused;
  }
  const auto disk_size = SizeFromText(kDiskSizeChoices, options.disk_size);
  const auto sector_size = SizeFromText(kSectorSizeChoices, options.sector_size);
  DiskImage image;
  if (!disk_size || !sector_size || !image.Format(*disk_size, *sector_size)) {
    // The argument parser lets only offered sizes through.
    console.Report(options.image, kFormatErrorMessage);
    return kExitRefused;
  }
  image.SetLabel(Cp1251FromUtf8(options.label));
  return SaveNewImage(image, options.image, console) ? kExitSuccess : kExitRefused;
}

}  // namespace flashdisk::cli
