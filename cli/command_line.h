// The program's commands and options, and the run of one command line.
#pragma once

#include <memory>
#include <ostream>

namespace flashdisk::cli {

// The program's commands and their options, made once; each Run parses one
// command line afresh and runs the command it names, so one process may run
// many (the command line's fuzz target does).
class CommandLine {
 public:
  CommandLine();
  ~CommandLine();
  CommandLine(const CommandLine&) = delete;
  CommandLine& operator=(const CommandLine&) = delete;

  // The exit status: 0 done, 1 refused or failed, 2 wrong usage, 3 a check
  // that cannot read its image.
  int Run(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

 private:
  struct Parser;
  std::unique_ptr<Parser> parser_;
};

// Parses the arguments, runs the command they name and gives the exit
// status, as CommandLine::Run does.
int RunCommandLine(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

}  // namespace flashdisk::cli
