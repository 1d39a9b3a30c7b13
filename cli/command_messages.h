// Refusals of the command line that the window never meets, in the same
// style as the system's own messages of image/user_messages.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "image/user_messages.h"

namespace flashdisk::cli {

inline constexpr std::string_view kFileExistsMessage =
    "Файл уже существует! Чтобы заменить его, укажите --force.";
inline constexpr std::string_view kNoSuchEntryMessage = "Нет записи с таким номером!";
inline constexpr std::string_view kUnsafeEntryNameMessage =
    "Имя записи не годится для имени файла! Укажите файл в -o.";
inline constexpr std::string_view kLinkNotReplacedMessage =
    "Это ссылка, она не будет заменена! Укажите файл в -o.";
inline constexpr std::string_view kNameWithSeveralFilesMessage =
    "--name можно указать только для одного файла!";
inline constexpr std::string_view kAttributeSetAndClearedMessage =
    "Один и тот же атрибут указан и в --set, и в --clear!";
inline constexpr std::string_view kImageBusyMessage = "Образ занят другой программой!";
inline constexpr std::string_view kBadAddressMessage = "Неверный адрес!";

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
inline constexpr std::string_view kTooLongForRksMessage =
    "Запись длиннее 64 КиБ не помещается в файл RKS! Уберите --rks.";

// The refusal of an entry that does not fit, with the figures that tell
// how far it is from fitting.
inline std::string NoRoomMessage(std::uint64_t needed, std::uint64_t free) {
  return std::string(AddResultMessage(AddResult::kNoRoom)) +
         " Нужно байт: " + std::to_string(needed) + ", свободно: " + std::to_string(free) + ".";
}

// `move` to a place the chain does not have.
inline std::string NoSuchPlaceMessage(std::size_t places) {
  return "Нет такого места в цепочке! Укажите место от 1 до " + std::to_string(places) + ".";
}

}  // namespace flashdisk::cli
