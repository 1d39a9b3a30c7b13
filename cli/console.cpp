#include "cli/console.h"

namespace flashdisk::cli {

void Console::Report(const std::filesystem::path& image, std::string_view message) const {
  err << kProgramName << ": " << image.string() << ": " << message << '\n' << std::flush;
}

void Console::Report(const std::filesystem::path& image, const std::filesystem::path& other,
                     std::string_view message) const {
  err << kProgramName << ": " << image.string() << ": " << other.string() << ": " << message << '\n'
      << std::flush;
}

}  // namespace flashdisk::cli
