// What the windows ask of the desktop: message boxes, questions, the file
// dialogs and the report of a disk check. The program uses the real Qt dialogs; tests put a
// scripted stand-in in their place, so every flow runs without blocking.
#pragma once

#include <QString>
#include <QStringList>
#include <optional>

class QWidget;

namespace flashdisk {

inline constexpr char kErrorCaption[] = "Ошибка";
inline constexpr char kNewImageCaption[] = "Внимание!";
inline constexpr char kNewImageQuestion[] = "Создать новый образ диска?";
inline constexpr char kImageFilter[] = "Образы ПЗУ (*.rom)";
// A disk kept as a folder is opened and saved through its manifest.
inline constexpr char kManifestFilter[] = "Описание диска (disk.toml)";
inline constexpr char kAllFilesFilter[] = "Все файлы (*)";
inline constexpr char kImageSuffix[] = "rom";
inline constexpr char kSaveChangesQuestion[] = "Сохранить изменения в образе?";

// The answers to "Сохранить изменения в образе?".
enum class UnsavedChangesAnswer { kSave, kDiscard, kCancel };

// Settings shared by the Open and Save dialogs for image files. The path
// proposed by both is the image's own path, kept by the image.
struct ImageFileDialogs {
  // The filter chosen last; the image filter until the user picks another.
  QString selected_filter = kImageFilter;

  static QStringList Filters() { return {kImageFilter, kManifestFilter, kAllFilesFilter}; }
};

class WindowServices {
 public:
  virtual ~WindowServices() = default;

  // A modal error box owned by `owner`, captioned "Ошибка", with one OK button.
  virtual void ShowError(QWidget& owner, const QString& text) = 0;
  // A modal box owned by `owner`, captioned "Внимание!", with one OK button:
  // something the user should know about work that went on all the same.
  virtual void ShowWarning(QWidget& owner, const QString& text) = 0;
  // "Создать новый образ диска?" with the buttons Да and Нет; true for Да.
  virtual bool ConfirmNewImage(QWidget& owner) = 0;
  // Chooses an image file, or a folder's disk.toml, to open; a name that
  // does not exist is accepted,
  // and a name typed without an extension gets ".rom". Nothing on Cancel.
  virtual std::optional<QString> ChooseImageToOpen(QWidget& owner, const QString& proposed_path,
                                                   ImageFileDialogs& settings) = 0;
  // Chooses where to save the image; an existing file is replaced without a question.
  virtual std::optional<QString> ChooseImageToSave(QWidget& owner, const QString& proposed_path,
                                                   ImageFileDialogs& settings) = 0;
  // Chooses an existing file of any kind, proposing `proposed_name`.
  virtual std::optional<QString> ChooseSourceFile(QWidget& owner, const QString& proposed_name) = 0;
  // `question` captioned "Внимание!" with the buttons Да and Нет; true for
  // Да. Every such question is about something that cannot be undone, so
  // Enter answers Нет.
  virtual bool Ask(QWidget& owner, const QString& question) = 0;
  // "Сохранить изменения в образе?" captioned "Внимание!" with the buttons
  // Да (save them), Нет (let them go) and Отмена (stay); Enter answers Да and
  // Esc Отмена, so that no key alone loses work.
  virtual UnsavedChangesAnswer AskToSaveChanges(QWidget& owner) = 0;
  // Chooses where to write an entry's data, proposing `proposed_name`; an
  // existing file is replaced only once the user agrees.
  virtual std::optional<QString> ChooseDataFileToSave(QWidget& owner,
                                                      const QString& proposed_name) = 0;
  // Shows what a check of the disk found, as text to read and copy.
  virtual void ShowCheckReport(QWidget& owner, const QString& report) = 0;
};

}  // namespace flashdisk
