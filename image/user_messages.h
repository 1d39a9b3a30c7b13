// The texts the user sees when an operation is refused or fails. Both the
// window and the command line show exactly these.
#pragma once

#include <string_view>

#include "image/entry_plan.h"

namespace flashdisk {

inline constexpr std::string_view kReadErrorMessage = "Ошибка чтения файла!";
inline constexpr std::string_view kWriteErrorMessage = "Ошибка записи файла!";
inline constexpr std::string_view kFormatErrorMessage = "Ошибка формата диска!";
inline constexpr std::string_view kNoRoomMessage = "Недостаточно места на диске!";
inline constexpr std::string_view kEmptyNameMessage = "Пустое имя файла!";
inline constexpr std::string_view kBadLoadAddressMessage = "Неверный адрес загрузки!";

// The message of a refused add; empty for kAdded.
constexpr std::string_view AddResultMessage(AddResult result) {
  switch (result) {
    case AddResult::kAdded:
      return {};
    case AddResult::kNoRoom:
      return kNoRoomMessage;
    case AddResult::kEmptyName:
      return kEmptyNameMessage;
    case AddResult::kReadError:
      return kReadErrorMessage;
    case AddResult::kBadFormat:
      return kFormatErrorMessage;
  }
  return {};
}

}  // namespace flashdisk
