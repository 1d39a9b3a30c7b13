// The program's window: it owns the one disk image, makes, opens and saves
// images, sets the label, shows the header and the directory with the
// selected entry, and opens the dialogs that add and change entries. The
// directory's context menu, the Delete key and drag and drop mend the disk:
// entries are taken out, moved, refilled, saved to files and checked.
// The window knows when its image holds changes not yet saved: the title
// shows an asterisk, and nothing lets the image go without asking first.
// A disk kept as a folder opens through its disk.toml, packed in memory as
// the command line packs it, and is saved back into its folder in place.
#pragma once

#include <QDialog>
#include <QTemporaryDir>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "image/disk_image.h"
#include "image/entry_plan.h"
#include "ui/directory_list_model.h"
#include "ui/entry_viewers.h"
#include "ui/file_stamp.h"
#include "ui/window_services.h"

class QLineEdit;
class QListView;

namespace flashdisk {

class MainWindow : public QDialog {
  Q_OBJECT

 public:
  explicit MainWindow(WindowServices& services, QWidget* parent = nullptr);

  // Rebuilds the directory list from the image, shows the free space, selects
  // the first entry and shows it.
  void List();
  // The image position of the entry selected in the directory list.
  std::optional<std::uint32_t> SelectedEntryPosition() const;
  // Opens an image file as "Открыть" does once the file is chosen; true
  // when the file was read. A disk folder, or its disk.toml, is packed.
  bool OpenImageFile(const QString& path);
  // Opens the image or disk folder named on the command line (an absolute
  // path) once the window shows, so that a message about it has the window
  // as its owner.
  void OpenImageAtStart(const std::filesystem::path& path);

  const DirectoryListModel& directory() const { return directory_; }

  // Esc, "Выход" and the close box end the window only once unsaved changes
  // are saved or let go.
  void reject() override;

 protected:
  // Files from a file manager, always copied: one image file, or one disk
  // folder or its disk.toml, is opened; any others are added.
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dragMoveEvent(QDragMoveEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  void SetUpDirectoryEdits();
  void FillSizeLists();
  void ConnectButtons();
  void NewImage();
  void OpenImage();
  // True once the packed disk is in.
  bool OpenDiskFolder(const QString& path);
  // True once the image is written.
  bool SaveImage();
  // Writes the disk to `path`: a disk.toml's folder is updated in place, any
  // other name gets an image file. The error, if any.
  std::optional<QString> WriteDisk(const std::filesystem::path& path);
  void ApplyLabel();
  void AddEntry();
  void ChangeEntry();
  void ShowHeader();
  void ShowSelectedEntry();
  void ShowImageName(const QString& path);
  // What is in the image now counts as saved.
  void KeepAsSaved();
  bool HasUnsavedChanges() const;
  void ShowUnsavedMark();
  // Asks about unsaved changes before the image goes; true to go on.
  bool MayLetImageGo();

  void SaveEntryToFile();
  void ReplaceEntryFromFile();
  void RemoveSelectedEntry();
  void MoveSelectedEntry(int places);
  void CheckDisk();
  // Each true when the drop was taken.
  bool OpenDroppedImage(const QString& path);
  bool AddDroppedFiles(const QStringList& paths);
  std::optional<QString> WriteDraggedFile(std::uint32_t position);
  std::optional<DirectoryEntry> SelectedEntry() const;
  int SelectedRow() const;  // -1 when nothing is selected
  // Lists the directory again with the entry in `row` selected, or the last one.
  void ListAndSelect(int row);
  // Shows `message` as an error; true when there was none.
  bool Succeeded(std::string_view message);

  QLineEdit& Field(int id) const;
  QListView& DirectoryList() const;

  WindowServices& services_;
  DiskImage image_;
  // The source and plan of the add-file dialog live on between its openings.
  SourceFile source_;
  EntryPlan plan_;
  ImageFileDialogs file_dialogs_;
  DirectoryListModel directory_;
  // The image file, or a folder's manifest, as the window last opened or saved it.
  std::optional<FileStamp> image_file_;
  // The disk's bytes as last opened, saved or made by "Новый".
  std::vector<std::uint8_t> saved_bytes_;
  QString title_;
  // Made with the directory's edits, owned by the window.
  EntryViewers* viewers_ = nullptr;
  // Files of entries dragged out of the list, removed when the window goes.
  std::unique_ptr<QTemporaryDir> dragged_files_;
};

}  // namespace flashdisk
