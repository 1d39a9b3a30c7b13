#include "cli/extract_command.h"

#include <system_error>
#include <vector>

#include "cli/command_messages.h"
#include "cli/opened_image.h"
#include "image/cp1251_text.h"
#include "image/host_file_names.h"
#include "image/host_files.h"
#include "image/platform_seam.h"
#include "image/rks_file.h"
#include "image/user_messages.h"
#include "image/utf8_path.h"

namespace flashdisk::cli {

namespace fs = std::filesystem;

namespace {

// Where the data goes, or a report of why the entry's name cannot say.
std::optional<fs::path> OutputPath(const ExtractOptions& options, const DirectoryEntry& entry,
                                   const Console& console) {
  if (options.output) {
    return options.output;
  }
  const auto name = Utf8FromCp1251(entry.name);
  if (!IsHostFileName(name)) {
    console.Report(options.image, kUnsafeEntryNameMessage);
    return std::nullopt;
  }
  return PathFromUtf8(name);
}

// Refuses to replace an existing file without --force. A name taken from the
// image never replaces a link, even with --force, since writing through it
// would leave the current folder.
bool MayWrite(const ExtractOptions& options, const fs::path& output, const Console& console) {
  std::error_code error;
  const auto status = fs::symlink_status(output, error);
  if (!fs::exists(status)) {
    return true;
  }
  if (!options.force) {
    console.Report(options.image, output, kFileExistsMessage);
    return false;
  }
  if (!options.output && platform::IsLink(output)) {
    console.Report(options.image, output, kLinkNotReplacedMessage);
    return false;
  }
  return true;
}

// An RKS file's end address is 16 bits: its data ends within 64 KiB.
constexpr std::size_t kMaxRksData = 0x10000;

// What the file gets: the data alone, or the RKS file of the entry.
std::optional<std::vector<std::uint8_t>> OutputBytes(const ExtractOptions& options,
                                                     const OpenedImage& opened,
                                                     const DirectoryEntry& entry,
                                                     const Console& console) {
  const auto data = opened.image.EntryData(entry);
  if (!options.rks) {
    return std::vector<std::uint8_t>(data.begin(), data.end());
  }
  if (data.size() > kMaxRksData) {
    console.Report(options.image, kTooLongForRksMessage);
    return std::nullopt;
  }
  return MakeRksFile(entry.load_address, data);
}

}  // namespace

int RunExtract(const ExtractOptions& options, const Console& console) {
  const auto opened = ReadImage(options.image, console);
  if (!opened) {
    return kExitRefused;
  }
  const auto entry = FindEntry(*opened, options.index, console);
  if (!entry) {
    return kExitRefused;
  }
  const auto bytes = OutputBytes(options, *opened, *entry, console);
  if (!bytes) {
    return kExitRefused;
  }
  const auto output = OutputPath(options, *entry, console);
  if (!output || !MayWrite(options, *output, console)) {
    return kExitRefused;
  }
  if (!WriteFileAtomically(*output, *bytes)) {
    console.Report(options.image, *output, kWriteErrorMessage);
    return kExitRefused;
  }
  return kExitSuccess;
}

}  // namespace flashdisk::cli
