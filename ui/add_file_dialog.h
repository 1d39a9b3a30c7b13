// The dialog that adds a host file to the image: the user picks the file,
// sees and adjusts the entry that is planned for it and compares the space it
// needs with the disk's free space. "Обновить" (Refresh) is the one place
// where a new source is looked up and the entry is planned.
#pragma once

#include <QDialog>
#include <functional>

#include "image/disk_image.h"
#include "image/entry_plan.h"
#include "ui/browse_edit.h"

class QCheckBox;
class QLineEdit;

namespace flashdisk {

class WindowServices;

class AddFileDialog : public QDialog {
  Q_OBJECT

 public:
  // `source` and `plan` are the kept ones that live on between openings;
  // `list_again` has the main window list the directory after an add.
  AddFileDialog(QWidget& owner, DiskImage& image, SourceFile& source, EntryPlan& plan,
                WindowServices& services, std::function<void()> list_again);

  void Refresh();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void ConnectControls();
  bool TakeNewSource();
  void Ok();

  QLineEdit& Field(int id) const;
  QCheckBox& Box(int id) const;

  DiskImage& image_;
  SourceFile& source_;
  EntryPlan& plan_;
  WindowServices& services_;
  std::function<void()> list_again_;
};

}  // namespace flashdisk
