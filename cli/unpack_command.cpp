#include "cli/unpack_command.h"

#include "cli/opened_image.h"
#include "disk_folder/folder_unpacking.h"
#include "image/platform_seam.h"

namespace flashdisk::cli {

namespace {

// Fewer files are written before anyone would wonder.
constexpr std::size_t kFilesWorthProgress = 100;
constexpr std::size_t kFilesPerProgress = 50;
constexpr std::string_view kWritingFilesMessage = "Запись файлов: ";

}  // namespace

int RunUnpack(const UnpackOptions& options, const Console& console, const FolderStepHook& hook) {
  const auto opened = ReadSoundImage(options.image, console);
  if (!opened) {
    return kExitRefused;
  }
  FolderUnpackOptions unpack{options.image, options.force, hook, {}};
  // On a terminal, how many of the files are written, now and then: a disk
  // of thousands of entries takes seconds.
  if (platform::ErrorsGoToTerminal()) {
    unpack.progress = [&console](std::size_t written, std::size_t files) {
      if (files >= kFilesWorthProgress && (written % kFilesPerProgress == 0 || written == files)) {
        console.err << '\r' << kWritingFilesMessage << written << " / " << files
                    << (written == files ? "\n" : "") << std::flush;
      }
    };
  }
  if (const auto error = UnpackIntoFolder(opened->image, options.folder, unpack)) {
    console.err << kProgramName << ": " << *error << '\n' << std::flush;
    return kExitRefused;
  }
  return kExitSuccess;
}

}  // namespace flashdisk::cli
