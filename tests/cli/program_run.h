// Runs the built flashdisk program in a given folder and captures what it
// prints and its exit status.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace flashdisk::testing {

struct ProgramRun {
  int status = -1;
  std::string out;
  std::string err;
};

// Runs `program` (by default the flashdisk of this build).
ProgramRun RunProgram(const std::filesystem::path& program,
                      const std::vector<std::string>& arguments,
                      const std::filesystem::path& working_folder);

inline ProgramRun RunFlashdisk(const std::vector<std::string>& arguments,
                               const std::filesystem::path& working_folder) {
  return RunProgram(FLASHDISK_PROGRAM, arguments, working_folder);
}

}  // namespace flashdisk::testing
