#include "cli/safe_file_names.h"

#include "cli/host_file_names.h"

namespace flashdisk::cli {

namespace {

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

// Letter case folded for ASCII and for the Cyrillic letters of code page 1251
// (U+0400 to U+042F become U+0450 to U+044F), as Windows compares names.
std::string FoldCase(std::string_view utf8) {
  std::string folded(utf8);
  for (std::size_t i = 0; i < folded.size(); ++i) {
    auto& byte = reinterpret_cast<unsigned char&>(folded[i]);
    if (byte >= 'A' && byte <= 'Z') {
      byte = static_cast<unsigned char>(byte + 0x20);
    } else if (byte == 0xD0 && i + 1 < folded.size()) {
      auto& next = reinterpret_cast<unsigned char&>(folded[++i]);
      if (next >= 0x80 && next <= 0x8F) {  // Ѐ to Џ
        byte = 0xD1;
        next = static_cast<unsigned char>(next + 0x10);
      } else if (next >= 0x90 && next <= 0x9F) {  // А to П
        next = static_cast<unsigned char>(next + 0x20);
      } else if (next >= 0xA0 && next <= 0xAF) {  // Р to Я
        byte = 0xD1;
        next = static_cast<unsigned char>(next - 0x20);
      }
    }
  }
  return folded;
}

}  // namespace

std::string SafeFileName(std::string_view utf8) {
  // Windows' rules on every system, so that an unpacked folder can be
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

}  // namespace flashdisk::cli
