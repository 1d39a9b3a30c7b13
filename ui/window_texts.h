// The window's own texts for mending a disk: the directory menu, the
// question before a removal and the check's dialog.
#pragma once

namespace flashdisk {

inline constexpr char kAddMenuText[] = "Добавить…";
inline constexpr char kChangeMenuText[] = "Изменить…";
inline constexpr char kSaveDataMenuText[] = "Сохранить в файл…";
inline constexpr char kReplaceDataMenuText[] = "Заменить данные…";
inline constexpr char kRemoveMenuText[] = "Удалить";
inline constexpr char kMoveUpMenuText[] = "Вверх";
inline constexpr char kMoveDownMenuText[] = "Вниз";
inline constexpr char kCheckMenuText[] = "Проверить диск…";
inline constexpr char kViewMenuText[] = "Просмотр…";
inline constexpr char kDirectoryMenuName[] = "Действия с каталогом";

// Files dropped on the window before there is an image to add them to.
inline constexpr char kNoImageMessage[] = "Нет образа диска!";

// The window's Save against another program's write to the same image.
inline constexpr char kImageBusyMessage[] = "Образ занят другой программой!";
inline constexpr char kOverwriteChangedQuestion[] =
    "Образ изменён другой программой. Записать поверх?";

// %1 is the entry's name.
inline constexpr char kRemoveQuestion[] = "Удалить запись «%1»?";

inline constexpr char kCheckCaption[] = "Проверка диска";
inline constexpr char kCheckReportName[] = "Результаты проверки";
inline constexpr char kCopyButtonText[] = "Копировать";
inline constexpr char kCloseButtonText[] = "Закрыть";

// The entry viewer: %1 is the entry's name, %2 its load address.
inline constexpr char kViewerCaption[] = "%1 — адрес загрузки %2";
inline constexpr char kBytesTabText[] = "Байты";
inline constexpr char kCodeTabText[] = "Код 8080";
inline constexpr char kCharacterSetLabel[] = "Символы:";
inline constexpr char kCp1251SetText[] = "1251";
inline constexpr char kKoi7SetText[] = "КОИ-7";
inline constexpr char kGoToAddressLabel[] = "Перейти к адресу:";

}  // namespace flashdisk
