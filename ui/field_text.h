// Moving values between the window's fields and the image: unsigned decimal
// numbers, code page 1251 texts and host paths.
#pragma once

#include <QString>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

namespace flashdisk {

// The program's own UTF-8 texts, such as its messages.
QString TextFromUtf8(std::string_view utf8);

// A field's number as the platform reads one: leading spaces are skipped and
// the decimal digits up to the first other character count; a text without
// digits, or a value above 4294967295, reads as 0.
std::uint32_t ReadUnsigned(const QString& text);

// Code page 1251 bytes for the image; a character without a code page 1251
// form becomes '?'.
std::string ImageText(const QString& text);
QString TextFromImage(std::string_view cp1251);

// Host paths keep the bytes the file system uses, whatever their length.
std::filesystem::path HostPath(const QString& text);
QString PathText(const std::filesystem::path& path);
// The file-name part of a path: what follows its last separator.
QString FileNamePart(const QString& path);
// A file name for an entry's data, the same on Linux and Windows: the
// entry's name with every character that a host file name cannot hold, or
// that would lead into another folder, as '_', and a device name such as
// CON or a trailing dot or space changed; "_" for a name that is empty.
QString FileNameFromEntryName(std::string_view cp1251);

}  // namespace flashdisk
