#include "cli/extract_command.h"

#include <system_error>

#include "cli/command_messages.h"
#include "cli/opened_image.h"
#include "image/cp1251_text.h"
#include "image/host_files.h"
#include "image/platform_seam.h"
#include "image/user_messages.h"
#include "image/utf8_path.h"

namespace flashdisk::cli {

namespace fs = std::filesystem;

namespace {

// What leads out of the current folder inside a name: Windows also takes a
// backslash as a separator and a colon for a drive or a stream of the file.
#ifdef _WIN32
constexpr std::string_view kPathCharacters = "/\\:";
#else
constexpr std::string_view kPathCharacters = "/";
#endif

// C0 controls and DEL are single bytes in UTF-8; C1 controls are 0xC2 0x80
// to 0xC2 0x9F (code page 1251 has one of them, at 0x98).
bool HasControlCharacter(std::string_view utf8) {
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto byte = static_cast<unsigned char>(utf8[i]);
    if (byte < 0x20 || byte == 0x7F) {
      return true;
    }
    if (byte == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) >= 0x80 &&
        static_cast<unsigned char>(utf8[i + 1]) <= 0x9F) {
      return true;
    }
  }
  return false;
}

// Where the data goes, or a report of why the entry's name cannot say.
std::optional<fs::path> OutputPath(const ExtractOptions& options, const DirectoryEntry& entry,
                                   const Console& console) {
  if (options.output) {
    return options.output;
  }
  const auto name = Utf8FromCp1251(entry.name);
  if (!IsSafeFileName(name)) {
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

bool IsSafeFileName(std::string_view utf8) {
  if (utf8.empty() || utf8 == "." || utf8 == "..") {
    return false;
  }
  return utf8.find_first_of(kPathCharacters) == std::string_view::npos &&
         !HasControlCharacter(utf8);
}

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
