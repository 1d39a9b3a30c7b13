// Which names taken from an image may name a file of the host's current
// folder, by the rules of the system the program runs on.
#pragma once

#include <cstddef>
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

// The length in bytes of the control character that starts at byte `at` of
// `utf8`, or 0 when none does. C0 controls and DEL are single bytes in UTF-8;
// C1 controls are 0xC2 0x80 to 0xC2 0x9F (code page 1251 has one, at 0x98).
std::size_t ControlCharacterLength(std::string_view utf8, std::size_t at);

// Whether `utf8` names a plain file of the current folder under `rules`:
// not empty, not "." or "..", no separator, no control character (C0, DEL
// or C1), and on Windows none of the names and characters Windows reserves.
bool IsHostFileName(std::string_view utf8, FileNameRules rules = kHostFileNameRules);

}  // namespace flashdisk::cli
