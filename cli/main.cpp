// flashdisk: the command-line companion of the window, over the same core.
#include <iostream>

#include "cli/command_line.h"
#include "cli/console.h"

int main(int argc, char** argv) {
  const int status = flashdisk::cli::RunCommandLine(argc, argv, std::cout, std::cerr);
  // A listing cut short by a full disk or a closed pipe is no success.
  std::cout.flush();
  if (!std::cout) {
    std::cerr << flashdisk::cli::kProgramName << ": стандартный вывод: Ошибка записи файла!\n";
    return flashdisk::cli::kExitRefused;
  }
  return status;
}
