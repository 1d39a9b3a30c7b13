// The program's window: it owns the one disk image, makes, opens and saves
// images, sets the label, shows the header and the directory with the
// selected entry, and opens the dialogs that add and change entries.
#pragma once

#include <QDialog>
#include <cstdint>
#include <optional>

#include "image/disk_image.h"
#include "image/entry_plan.h"
#include "ui/directory_list_model.h"
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

  const DirectoryListModel& directory() const { return directory_; }

 private:
  void FillSizeLists();
  void ConnectButtons();
  void NewImage();
  void OpenImage();
  void SaveImage();
  void ApplyLabel();
  void AddEntry();
  void ChangeEntry();
  void ShowHeader();
  void ShowSelectedEntry();
  void ShowImageName(const QString& path);

  QLineEdit& Field(int id) const;
  QListView& DirectoryList() const;

  WindowServices& services_;
  DiskImage image_;
  // The source and plan of the add-file dialog live on between its openings.
  SourceFile source_;
  EntryPlan plan_;
  ImageFileDialogs file_dialogs_;
  DirectoryListModel directory_;
};

}  // namespace flashdisk
