// The text a window shows for a path, written out without the window's own
// conversion, so that a path garbled on its way into a field fails a test.
#pragma once

#include <QString>
#include <filesystem>

namespace flashdisk::testing {

// UTF-8 read as UTF-8, with forward slashes as Qt writes every path.
inline QString Path(const std::filesystem::path& path) {
  const auto utf8 = path.generic_u8string();
  return QString::fromUtf8(reinterpret_cast<const char*>(utf8.data()),
                           static_cast<qsizetype>(utf8.size()));
}

}  // namespace flashdisk::testing
