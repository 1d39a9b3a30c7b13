// Paths to and from UTF-8 text. A narrow std::string path means the ANSI
// code page on Windows, which has no room for most Cyrillic names; UTF-8 as
// char8_t means the same on every platform.
#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace flashdisk {

inline std::filesystem::path PathFromUtf8(std::string_view utf8) {
  return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string Utf8FromPath(const std::filesystem::path& path) {
  const std::u8string utf8 = path.u8string();
  return std::string(utf8.begin(), utf8.end());
}

}  // namespace flashdisk
