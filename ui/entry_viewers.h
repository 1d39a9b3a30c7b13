// The entry viewers open over the main window. Each follows its entry by
// the entry's row in the directory list: the window tells it of the edits
// that move rows, and after every listing each viewer shows its entry's
// bytes as the image now holds them. A removed entry's viewer closes, and
// all of them close with the disk they show and with the main window.
#pragma once

#include <QObject>
#include <QPointer>
#include <vector>

#include "image/disk_image.h"
#include "ui/directory_list_model.h"
#include "ui/entry_viewer.h"
#include "ui/window_services.h"

namespace flashdisk {

class EntryViewers : public QObject {
  Q_OBJECT

 public:
  EntryViewers(QWidget& owner, WindowServices& services, const DiskImage& image,
               const DirectoryListModel& directory);

  // Opens another viewer of the entry listed in `row`.
  void Open(int row);
  // After a listing: each viewer shows its entry afresh, or closes when its
  // row is gone.
  void Follow();
  // Before the listing that follows a removal or a move of the entry in `row`.
  void Removed(int row);
  void Moved(int from, int to);
  // Another disk is shown.
  void CloseAll();

 protected:
  // The main window hidden: its viewers must not keep the program running.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  struct Shown {
    QPointer<EntryViewer> viewer;
    int row;
  };

  bool Show(EntryViewer& viewer, int row) const;

  QWidget& owner_;
  WindowServices& services_;
  const DiskImage& image_;
  const DirectoryListModel& directory_;
  std::vector<Shown> open_;
};

}  // namespace flashdisk
