// Where a command writes: its results go to standard output, and a refusal
// goes to standard error after the program's name and the file concerned.
#pragma once

#include <filesystem>
#include <ostream>
#include <string_view>

namespace flashdisk::cli {

inline constexpr std::string_view kProgramName = "flashdisk";

// Exit statuses of the program.
inline constexpr int kExitSuccess = 0;
inline constexpr int kExitRefused = 1;
inline constexpr int kExitUsage = 2;
// `check` could not read the image at all, as against finding problems in it.
inline constexpr int kExitUnreadable = 3;

struct Console {
  std::ostream& out;
  std::ostream& err;

  // "flashdisk: IMAGE: message"
  void Report(const std::filesystem::path& image, std::string_view message) const;
  // "flashdisk: IMAGE: OTHER: message", for a source or output file of a command on IMAGE.
  void Report(const std::filesystem::path& image, const std::filesystem::path& other,
              std::string_view message) const;
};

}  // namespace flashdisk::cli
