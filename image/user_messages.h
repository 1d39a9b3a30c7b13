// The texts the user sees when an operation is refused or fails. Both the
// window and the command line show exactly these.
#pragma once

#include <string_view>

#include "image/entry_plan.h"
#include "image/image_problems.h"

namespace flashdisk {

inline constexpr std::string_view kReadErrorMessage = "Ошибка чтения файла!";
inline constexpr std::string_view kWriteErrorMessage = "Ошибка записи файла!";
inline constexpr std::string_view kFormatErrorMessage = "Ошибка формата диска!";
inline constexpr std::string_view kNoRoomMessage = "Недостаточно места на диске!";
inline constexpr std::string_view kEmptyNameMessage = "Пустое имя файла!";
inline constexpr std::string_view kBadLoadAddressMessage = "Неверный адрес загрузки!";
// An address that no byte of the entry is loaded to.
inline constexpr std::string_view kAddressOutsideEntryMessage = "Адрес вне данных записи!";

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

// What a check of an image says about each thing it finds, and where.
constexpr std::string_view FindingMessage(FindingKind kind) {
  switch (kind) {
    case FindingKind::kBadMagic:
      return "Неверная сигнатура диска: нужны байты AA 55.";
    case FindingKind::kBadDiskSize:
      return "Размер диска не из допустимых.";
    case FindingKind::kBadSectorSize:
      return "Размер сектора не из допустимых.";
    case FindingKind::kShortFile:
      return "Файл короче диска: недостающие байты считаются стёртыми.";
    case FindingKind::kLongFile:
      return "Файл длиннее диска: байты после конца диска не учитываются.";
    case FindingKind::kLabelWithoutNul:
      return "Метка диска не завершена нулевым байтом.";
    case FindingKind::kDirectoryInHeader:
      return "Каталог начинается внутри заголовка.";
    case FindingKind::kDirectoryPastDisk:
      return "Каталог начинается за концом диска.";
    case FindingKind::kDirectoryOffSector:
      return "Каталог начинается не на границе сектора.";
    case FindingKind::kEntryTooShort:
      return "Длина записи меньше 44 байт: цепочка каталога обрывается.";
    case FindingKind::kEntryNotWholeSectors:
      return "Длина записи не кратна размеру сектора.";
    case FindingKind::kEntryPastDisk:
      return "Запись выходит за конец диска.";
    case FindingKind::kDataPastRoom:
      return "Данные не помещаются в запись.";
    case FindingKind::kNameWithoutNul:
      return "Имя записи не завершено нулевым байтом.";
    case FindingKind::kEmptyName:
      return "Пустое имя записи.";
    case FindingKind::kNotErased:
      return "Свободное место не стёрто: диск не сможет записать сюда.";
    case FindingKind::kStrayMarker:
      return "Метка записи в свободном месте: оборванная цепочка может подхватить её.";
    case FindingKind::kBigSizeWraps:
      return "Данные от 64 КиБ без атрибута «Большой»: размер показывается усечённым.";
    case FindingKind::kDeletedEntry:
      return "Удалённая запись всё ещё занимает место.";
  }
  return {};
}

}  // namespace flashdisk
