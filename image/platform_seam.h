// The platform seam: the few things the core and the command line ask of the
// operating system that the C++ standard library cannot say portably. Linux
// and Windows each answer them here and nowhere else.
#pragma once

#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

namespace flashdisk::platform {

// Opens a file that does not exist yet for writing in binary; nothing when
// the name is taken, even by a link or by a file someone has just made.
std::FILE* CreateNewFile(const std::filesystem::path& path);

// Puts `from` in the place of `to` in one step, replacing what `to` was; on
// Windows the move is written through to the disk before it returns.
bool MoveFileOver(const std::filesystem::path& from, const std::filesystem::path& to);

// Whether `path` is a link (on Windows any reparse point: a symbolic link or
// a junction), which must be neither written through nor replaced blindly.
bool IsLink(const std::filesystem::path& path);

// The program's arguments in UTF-8, whatever code page Windows runs in.
std::vector<std::string> Utf8Arguments(int argc, const char* const* argv);

// While it lives, standard output and error write the program's UTF-8 bytes
// as they are: a Windows console is told to show them as UTF-8, and nothing
// turns "\n" into "\r\n" on the way to a file or a pipe. The console gets its
// own code page back at the end, and on Ctrl+C or Ctrl+Break too, so that
// what runs in it next is not changed.
class Utf8Console {
 public:
  Utf8Console();
  ~Utf8Console();
  Utf8Console(const Utf8Console&) = delete;
  Utf8Console& operator=(const Utf8Console&) = delete;

 private:
#ifdef _WIN32
  unsigned previous_code_page_ = 0;  // 0 when there is no console
#endif
};

}  // namespace flashdisk::platform
