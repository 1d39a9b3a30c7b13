// Refusals of the command line that the window never meets, in the same
// style as the system's own messages of image/user_messages.h.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "disk_folder/folder_messages.h"
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

inline constexpr std::string_view kTooLongForRksMessage =
    "Запись длиннее 64 КиБ не помещается в файл RKS! Уберите --rks.";

// `move` to a place the chain does not have.
inline std::string NoSuchPlaceMessage(std::size_t places) {
  return "Нет такого места в цепочке! Укажите место от 1 до " + std::to_string(places) + ".";
}

}  // namespace flashdisk::cli
