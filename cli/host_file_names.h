// Which names taken from an image may name a file of the host's current
// folder, by the rules of the system the program runs on.
#pragma once

#include <string_view>

namespace flashdisk::cli {

enum class FileNameRules {
  // A name holds anything but '/' and control characters.
  kLinux,
  // Also no `\:<>"|?*`, no trailing dot or space (Windows drops them, so the
  // file would get another name), and none of the device names CON, PRN,
  // AUX, NUL, COM0-9, LPT0-9, CONIN$, CONOUT$, with or without an extension.
  kWindows,
};

#ifdef _WIN32
inline constexpr FileNameRules kHostFileNameRules = FileNameRules::kWindows;
#else
inline constexpr FileNameRules kHostFileNameRules = FileNameRules::kLinux;
#endif

// Whether `utf8` names a plain file of the current folder under `rules`:
// not empty, not "." or "..", no separator, no control character (C0, DEL
// or C1), and on Windows none of the names and characters Windows reserves.
bool IsHostFileName(std::string_view utf8, FileNameRules rules = kHostFileNameRules);

}  // namespace flashdisk::cli
