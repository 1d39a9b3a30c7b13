#include "ui/field_text.h"

#include <QFile>
#include <limits>

#include "image/cp1251_text.h"

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

std::filesystem::path HostPath(const QString& text) {
  return std::filesystem::path(QFile::encodeName(text).toStdString());
}

QString PathText(const std::filesystem::path& path) {
  return QFile::decodeName(QByteArray::fromStdString(path.native()));
}

QString FileNamePart(const QString& path) {
  return path.mid(path.lastIndexOf('/') + 1);
}

}  // namespace flashdisk
