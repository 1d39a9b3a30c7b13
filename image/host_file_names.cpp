#include "image/host_file_names.h"

#include <algorithm>
#include <array>

namespace flashdisk {

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

constexpr char kStandIn = '_';
// Separators, a drive or stream colon and the characters Windows keeps for
// wildcards and redirection.
constexpr std::string_view kPathCharacters = "/\\:<>|?*\"";

// Controls and path characters each become one stand-in.
std::string ReplaceBadCharacters(std::string_view utf8) {
  std::string safe;
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    if (const auto control = ControlCharacterLength(utf8, i); control != 0) {
      safe += kStandIn;
      i += control - 1;
    } else {
      safe += kPathCharacters.find(utf8[i]) != std::string_view::npos ? kStandIn : utf8[i];
    }
  }
  return safe;
}

// Where the extension starts: the last dot, unless the name starts with it.
std::size_t ExtensionStart(std::string_view name) {
  const auto dot = name.rfind('.');
  return dot == std::string_view::npos || dot == 0 ? name.size() : dot;
}

// The capital letters of code page 1251, as runs of code points each at one
// distance from its small letters. Windows folds the whole Cyrillic block
// U+0400 to U+040F, of which code page 1251 lacks only Ѐ and Ѝ.
struct CapitalRun {
  char32_t first;
  char32_t last;
  char32_t to_small;
};
constexpr std::array<CapitalRun, 4> kCapitalRuns{{
    {U'A', U'Z', 0x20},
    {0x0400, 0x040F, 0x50},  // Ё Ђ Ѓ Є Ѕ І Ї Ј Љ Њ Ћ Ќ Ў Џ
    {0x0410, 0x042F, 0x20},  // А to Я
    {0x0490, 0x0490, 0x01},  // Ґ
}};

char32_t SmallLetter(char32_t code) {
  for (const auto& run : kCapitalRuns) {
    if (code >= run.first && code <= run.last) {
      return code + run.to_small;
    }
  }
  return code;
}

// Every letter of code page 1251 is one or two bytes in UTF-8; longer
// sequences pass unchanged.
std::string FoldCase(std::string_view utf8) {
  std::string folded;
  folded.reserve(utf8.size());
  for (std::size_t i = 0; i < utf8.size(); ++i) {
    const auto lead = static_cast<unsigned char>(utf8[i]);
    if (lead < 0x80) {
      folded += static_cast<char>(SmallLetter(lead));
    } else if ((lead & 0xE0) == 0xC0 && i + 1 < utf8.size() &&
               (static_cast<unsigned char>(utf8[i + 1]) & 0xC0) == 0x80) {
      const auto trail = static_cast<unsigned char>(utf8[++i]);
      const auto code = SmallLetter(static_cast<char32_t>((lead & 0x1F) << 6 | (trail & 0x3F)));
      folded += static_cast<char>(0xC0 | code >> 6);
      folded += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      folded += utf8[i];
    }
  }
  return folded;
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

std::string SafeFileName(std::string_view utf8) {
  // Windows' rules on every system, so that a folder of such files can be
  // checked out on either.
  constexpr auto kRules = FileNameRules::kWindows;
  auto safe = ReplaceBadCharacters(utf8);
  // Windows drops a trailing dot or space, which would make two names one.
  if (!safe.empty() && (safe.back() == '.' || safe.back() == ' ')) {
    safe.back() = kStandIn;
  }
  // What is still refused is a device name such as CON or COM1.TXT.
  if (!safe.empty() && !IsHostFileName(safe, kRules)) {
    const auto stem_end = safe.find('.');
    safe.insert(stem_end == std::string::npos ? safe.size() : stem_end, 1, kStandIn);
  }
  return IsHostFileName(safe, kRules) ? safe : std::string(1, kStandIn);
}

void FileNamePicker::Reserve(std::string_view utf8) {
  taken_.insert(FoldCase(utf8));
}

std::string FileNamePicker::Pick(std::string_view wanted) {
  const auto safe = SafeFileName(wanted);
  // Each name goes on from the copy number it reached, so a thousand
  // entries of one name cost a thousand tries, not half a million.
  auto& copy = last_copy_[FoldCase(safe)];
  if (copy == 0) {
    copy = 1;
    if (taken_.insert(FoldCase(safe)).second) {
      return safe;
    }
  }
  const auto extension = ExtensionStart(safe);
  std::string name;
  do {
    name = safe.substr(0, extension) + "-" + std::to_string(++copy) + safe.substr(extension);
  } while (!taken_.insert(FoldCase(name)).second);
  return name;
}

}  // namespace flashdisk
