// Refusals met when a disk kept as a folder is packed or unpacked, by the
// command line and by the window alike, in the style of image/user_messages.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "image/user_messages.h"

namespace flashdisk {

inline constexpr std::string_view kFolderNotEmptyMessage =
    "Папка не пуста! Чтобы заменить файлы в ней, укажите --force.";
inline constexpr std::string_view kNotAFolderMessage = "Это не папка!";
inline constexpr std::string_view kLinkKeptMessage = "Это ссылка, она не будет заменена!";
inline constexpr std::string_view kOutsideFolderMessage =
    "Файл вне папки описания диска: путь уводит из неё!";
inline constexpr std::string_view kLengthTooShortMessage =
    "Длина записи должна быть кратна размеру сектора и вмещать 44 байта заголовка и данные!";
inline constexpr std::string_view kChainGoesOnMessage =
    "Байты после цепочки продолжают её ещё одной записью!";
inline constexpr std::string_view kNameTwiceWarning = "Внимание: такое же имя у записи ";
inline constexpr std::string_view kLoadOfRksMessage =
    "Адрес загрузки файла RKS берётся из самого файла! Чтобы сохранить файл целиком, "
    "укажите rks = false.";
inline constexpr std::string_view kLongerThanRoomMessage =
    "Байты не помещаются в отведённое им место!";

// The refusal of an entry that does not fit, with the figures that tell
// how far it is from fitting.
inline std::string NoRoomMessage(std::uint64_t needed, std::uint64_t free) {
  return std::string(AddResultMessage(AddResult::kNoRoom)) +
         " Нужно байт: " + std::to_string(needed) + ", свободно: " + std::to_string(free) + ".";
}

}  // namespace flashdisk
