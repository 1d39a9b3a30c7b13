#include "cli/console.h"

#include "image/utf8_path.h"

namespace flashdisk::cli {

void Console::Report(const std::filesystem::path& image, std::string_view message) const {
  err << kProgramName << ": " << Utf8FromPath(image) << ": " << message << '\n' << std::flush;
}

void Console::Report(const std::filesystem::path& image, const std::filesystem::path& other,
                     std::string_view message) const {
  err << kProgramName << ": " << Utf8FromPath(image) << ": " << Utf8FromPath(other) << ": "
      << message << '\n'
      << std::flush;
}

}  // namespace flashdisk::cli
