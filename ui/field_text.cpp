#include "ui/field_text.h"

#include <QDir>
#include <QFile>
#include <limits>

#include "image/cp1251_text.h"
#include "image/host_file_names.h"

namespace flashdisk {

QString TextFromUtf8(std::string_view utf8) {
  return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::uint32_t ReadUnsigned(const QString& text) {
  qsizetype index = 0;
  while (index < text.size() && text[index] == ' ') {
    ++index;
  }
  std::uint64_t value = 0;
  for (; index < text.size() && text[index] >= '0' && text[index] <= '9'; ++index) {
    value = value * 10 + static_cast<std::uint64_t>(text[index].unicode() - '0');
    if (value > std::numeric_limits<std::uint32_t>::max()) {
      return 0;
    }
  }
  return static_cast<std::uint32_t>(value);
}

std::string ImageText(const QString& text) {
  return Cp1251FromUtf8(text.toStdString());
}

QString TextFromImage(std::string_view cp1251) {
  return QString::fromStdString(Utf8FromCp1251(cp1251));
}

// Windows names files in UTF-16: going through the narrow ANSI code page
// would lose the Cyrillic letters. Linux names them in bytes, which Qt
// decodes as it does for its own file functions.
std::filesystem::path HostPath(const QString& text) {
#ifdef Q_OS_WIN
  return std::filesystem::path(text.toStdWString());
#else
  return std::filesystem::path(QFile::encodeName(text).toStdString());
#endif
}

QString PathText(const std::filesystem::path& path) {
#ifdef Q_OS_WIN
  // With forward slashes, as Qt writes every path.
  return QString::fromStdWString(path.generic_wstring());
#else
  return QFile::decodeName(QByteArray::fromStdString(path.native()));
#endif
}

QString FileNamePart(const QString& path) {
  // Windows paths may separate with either slash.
  const QString separated = QDir::fromNativeSeparators(path);
  return separated.mid(separated.lastIndexOf('/') + 1);
}

QString FileNameFromEntryName(std::string_view cp1251) {
  return TextFromUtf8(SafeFileName(Utf8FromCp1251(cp1251)));
}

}  // namespace flashdisk
