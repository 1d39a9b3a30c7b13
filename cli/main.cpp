// flashdisk: the command-line companion of the window, over the same core.
#include <iostream>
#include <string>
#include <vector>

#include "cli/command_line.h"
#include "cli/console.h"
#include "image/platform_seam.h"

int main(int argc, char** argv) {
  const flashdisk::platform::Utf8Console console;
  const std::vector<std::string> arguments = flashdisk::platform::Utf8Arguments(argc, argv);
  std::vector<const char*> words;
  for (const auto& argument : arguments) {
    words.push_back(argument.c_str());
  }
  const int status = flashdisk::cli::RunCommandLine(static_cast<int>(words.size()), words.data(),
                                                    std::cout, std::cerr);
  // A listing cut short by a full disk or a closed pipe is no success.
  std::cout.flush();
  if (!std::cout) {
    std::cerr << flashdisk::cli::kProgramName << ": стандартный вывод: Ошибка записи файла!\n";
    return flashdisk::cli::kExitRefused;
  }
  return status;
}
