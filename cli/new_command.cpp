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

std::optional<std::uint32_t> BytesOf(std::span<const SizeChoice> choices, std::string_view text) {
  for (const auto& choice : choices) {
    if (choice.text == text) {
      return choice.bytes;
    }
  }
  return std::nullopt;
}

// A link counts as existing even when it leads nowhere.
bool Exists(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::exists(std::filesystem::symlink_status(path, error));
}

}  // namespace

int RunNewImage(const NewImageOptions& options, const Console& console) {
  if (!options.force && Exists(options.image)) {
    console.Report(options.image, kFileExistsMessage);
    return kExitRefused;
  }
  // A command working on the image it replaces finishes first; its save
  // would otherwise put the old disk back over the new one.
  const auto lock = LockImage(options.image, console);
  if (!lock) {
    return kExitRefused;
  }
  const auto disk_size = BytesOf(kDiskSizeChoices, options.disk_size);
  const auto sector_size = BytesOf(kSectorSizeChoices, options.sector_size);
  DiskImage image;
  if (!disk_size || !sector_size || !image.Format(*disk_size, *sector_size)) {
    // The argument parser lets only offered sizes through.
    console.Report(options.image, kFormatErrorMessage);
    return kExitRefused;
  }
  image.SetLabel(Cp1251FromUtf8(options.label));
  if (!image.Save(options.image)) {
    console.Report(options.image, kWriteErrorMessage);
    return kExitRefused;
  }
  return kExitSuccess;
}

}  // namespace flashdisk::cli
