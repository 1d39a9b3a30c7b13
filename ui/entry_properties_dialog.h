// The dialog that changes one directory entry in place: its name, its load
// address and its eight attribute bits. Nothing is written until "Сохранить".
#pragma once

#include <QDialog>
#include <functional>

#include "image/disk_image.h"

class QLineEdit;

namespace flashdisk {

class WindowServices;

class EntryPropertiesDialog : public QDialog {
  Q_OBJECT

 public:
  // `entry` is the one selected in the main window when the dialog opens;
  // `list_again` has the main window list the directory after a save.
  EntryPropertiesDialog(QWidget& owner, DiskImage& image, const DirectoryEntry& entry,
                        WindowServices& services, std::function<void()> list_again);

 private:
  void ShowEntry(const DirectoryEntry& entry);
  void Save();

  QLineEdit& Field(int id) const;

  DiskImage& image_;
  std::uint32_t position_;
  // The stored attribute byte as the check boxes have changed it so far.
  EntryAttributes working_attributes_;
  WindowServices& services_;
  std::function<void()> list_again_;
};

}  // namespace flashdisk
