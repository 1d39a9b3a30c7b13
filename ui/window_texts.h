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

}  // namespace flashdisk
