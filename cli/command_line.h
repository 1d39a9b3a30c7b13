// The program's commands and options, and the run of one command line.
#pragma once

#include <ostream>

namespace flashdisk::cli {

// Parses the arguments, runs the command they name and gives the exit
// status: 0 done, 1 refused or failed, 2 wrong usage.
int RunCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace flashdisk::cli
