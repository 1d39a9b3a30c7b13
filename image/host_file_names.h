// Host file names for entries' names: which names may name a file of a
// folder as they are, by the rules of the system the program runs on, and
// how any name is made into one that may, on Linux and Windows alike. Both
// programs name the files they write from an image by these rules.
#pragma once

#include <cstddef>
#include <map>
#include <set>
#include <string>
#include <string_view>

namespace flashdisk {

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

// `utf8` with every character that Windows or Linux would take for part of
// a path, a control or a device replaced, so that it names a file in the
// folder itself on either system. A name that passes IsHostFileName under
// Windows' rules is kept as it is.
std::string SafeFileName(std::string_view utf8);

// Names for the files of one folder, no two alike even where the file
// system does not tell letter case apart (NTFS, APFS): ASCII and every
// capital and small letter pair of code page 1251 count as one letter.
class FileNamePicker {
 public:
  // A name the folder holds anyway, such as the manifest's.
  void Reserve(std::string_view utf8);
  // The safe form of `wanted`, with "-2", "-3"… before its extension when an
  // earlier name has taken it.
  std::string Pick(std::string_view wanted);

 private:
  std::set<std::string> taken_;  // in the folded letter case
  std::map<std::string, int>
      last_copy_;  // by the folded safe name; 0 before its first pick, then the last copy tried
};

}  // namespace flashdisk
