// Refusals of the command line that the window never meets, in the same
// style as the system's own messages of image/user_messages.h.
#pragma once

#include <string_view>

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
inline constexpr std::string_view kLongerThanRoomMessage =
    "Байты не помещаются в отведённое им место!";

}  // namespace flashdisk::cli
