#include "cli/listing_text.h"

#include <sstream>
#include <vector>

#include "cli/attribute_names.h"
#include "cli/text_columns.h"
#include "image/cp1251_text.h"
#include "image/hex_text.h"

namespace flashdisk::cli {

namespace {

constexpr std::string_view kFreeSpaceCaption = "Свободно: ";

// Code page 1251 bytes that stand for control characters: C0, DEL and 0x98,
// the one byte that decodes to a C1 control.
bool IsControlByte(char c) {
  const auto byte = static_cast<unsigned char>(c);
  return byte < 0x20 || byte == 0x7F || byte == 0x98;
}

std::string DiskSizeText(std::uint32_t bytes) {
  for (const auto& choice : kDiskSizeChoices) {
    if (choice.bytes == bytes) {
      return std::to_string(bytes) + " (" + std::string(choice.text) + ")";
    }
  }
  return std::to_string(bytes);
}

// Column widths: a name field holds at most 32 characters, a position at
// most 7 digits and a 32-bit size at most 10.
constexpr std::size_t kIndexWidth = 3;
constexpr std::size_t kPositionWidth = 8;
constexpr std::size_t kNameWidth = 32;
constexpr std::size_t kAddressWidth = 5;
constexpr std::size_t kSizeWidth = 10;

std::string Row(const std::vector<std::string>& cells) {
  std::string row = PadLeft(cells[0], kIndexWidth) + "  " + PadLeft(cells[1], kPositionWidth) +
                    "  " + PadRight(cells[2], kNameWidth) + "  " + PadLeft(cells[3], kAddressWidth);
  for (std::size_t i = 4; i < 7; ++i) {
    row += "  " + PadLeft(cells[i], kSizeWidth);
  }
  return row + "  " + cells[7] + "\n";
}

}  // namespace

std::string AttributesText(EntryAttributes attributes) {
  const auto names = SetAttributeNames(attributes);
  if (names.empty()) {
    return "-";
  }
  std::string text;
  for (const auto name : names) {
    if (!text.empty()) {
      text += ',';
    }
    text += name;
  }
  return text;
}

std::string DisplayText(std::string_view cp1251) {
  std::string visible(cp1251);
  for (char& c : visible) {
    if (IsControlByte(c)) {
      c = '?';
    }
  }
  return Utf8FromCp1251(visible);
}

std::string HeaderText(const ImageHeader& header, std::uint32_t free_space,
                       std::size_t entry_count) {
  std::ostringstream text;
  text << "Размер диска: " << DiskSizeText(header.disk_size) << '\n'
       << "Размер сектора: " << header.sector_size << '\n'
       << "Метка: " << DisplayText(header.label) << '\n'
       << "Адрес загрузки системы: " << HexText::Format16(header.system_load_address) << '\n'
       << "Размер системы: " << header.system_size << '\n'
       << "Смещение каталога: " << header.directory_offset << '\n'
       << kFreeSpaceCaption << free_space << '\n'
       << "Записей в каталоге: " << entry_count << '\n';
  return text.str();
}

void WriteListingText(std::ostream& out, const DirectoryListing& listing) {
  out << Row({"№", "Позиция", "Имя", "Адрес", "Размер", "Данные", "Длина", "Атрибуты"});
  for (std::size_t i = 0; i < listing.entries.size(); ++i) {
    const auto& entry = listing.entries[i];
    out << Row({std::to_string(i + 1), std::to_string(entry.position), DisplayText(entry.name),
                HexText::Format16(entry.load_address), std::to_string(ShownSize(entry)),
                std::to_string(entry.data_size), std::to_string(entry.total_length),
                AttributesText(entry.attributes)});
  }
  out << kFreeSpaceCaption << listing.free_space << '\n';
}

}  // namespace flashdisk::cli
