#include "cli/extract_command.h"

#include <system_error>

#include "cli/command_messages.h"
#include "image/host_file_names.h"
#include "cli/opened_image.h"
#include "image/cp1251_text.h"
#include "image/host_files.h"
#include "image/platform_seam.h"
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

}  // namespace

int RunExtract(const ExtractOptions& options, const Console& console) {
  const auto opened = OpenImage(options.image, console);
  if (!opened) {
    return kExitRefused;
  }
  const auto entry = FindEntry(*opened, options.index, console);
  if (!entry) {
    return kExitRefused;
  }
  const auto output = OutputPath(options, *entry, console);
  if (!output || !MayWrite(options, *output, console)) {
    return kExitRefused;
  }
  if (!WriteFileAtomically(*output, opened->image.EntryData(*entry))) {
    console.Report(options.image, *output, kWriteErrorMessage);
    return kExitRefused;
  }
  return kExitSuccess;
}

}  // namespace flashdisk::cli
