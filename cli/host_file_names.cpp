#include "cli/host_file_names.h"

#include <algorithm>
#include <array>

namespace flashdisk::cli {

namespace {

bool HasControlCharacter(std::string_view utf8) {
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if (ControlCharacterLength(utf8, i) != 0) {
      return true;
    }
  }
  return false;
}

bool EqualIgnoringAsciiCase(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
    return lower(x) == lower(y);
  });
}

// "COM" or "LPT" and one digit, the superscripts ¹ ² ³ counting as digits.
bool IsNumberedPort(std::string_view base) {
  if (base.size() < 4 || !(EqualIgnoringAsciiCase(base.substr(0, 3), "COM") ||
                           EqualIgnoringAsciiCase(base.substr(0, 3), "LPT"))) {
    return false;
  }
  const auto number = base.substr(3);
  return (number.size() == 1 && number[0] >= '0' && number[0] <= '9') || number == "\u00B9" ||
         number == "\u00B2" || number == "\u00B3";
}

// Windows opens a device for these names in every folder, whatever follows
// the first dot, and ignores spaces before that dot.
bool IsWindowsDeviceName(std::string_view name) {
  auto base = name.substr(0, name.find('.'));
  base = base.substr(0, base.find_last_not_of(' ') + 1);
  constexpr std::array<std::string_view, 6> kDevices{"CON", "PRN",    "AUX",
                                                     "NUL", "CONIN$", "CONOUT$"};
  return IsNumberedPort(base) || std::any_of(kDevices.begin(), kDevices.end(), [base](auto device) {
           return EqualIgnoringAsciiCase(base, device);
         });
}

bool BreaksWindowsRules(std::string_view utf8) {
  return utf8.find_first_of("\\:<>\"|?*") != std::string_view::npos || utf8.back() == '.' ||
         utf8.back() == ' ' || IsWindowsDeviceName(utf8);
}

}  // namespace

std::size_t ControlCharacterLength(std::string_view utf8, std::size_t at) {
  const auto byte = static_cast<unsigned char>(utf8[at]);
  if (byte < 0x20 || byte == 0x7F) {
    return 1;
  }
  const bool c1 = byte == 0xC2 && at + 1 < utf8.size() &&
                  static_cast<unsigned char>(utf8[at + 1]) >= 0x80 &&
                  static_cast<unsigned char>(utf8[at + 1]) <= 0x9F;
  return c1 ? 2 : 0;
}

bool IsHostFileName(std::string_view utf8, FileNameRules rules) {
  if (utf8.empty() || utf8 == "." || utf8 == ".." || utf8.find('/') != std::string_view::npos ||
      HasControlCharacter(utf8)) {
    return false;
  }
  return rules != FileNameRules::kWindows || !BreaksWindowsRules(utf8);
}

}  // namespace flashdisk::cli
