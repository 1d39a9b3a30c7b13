// A window that shows what one entry holds: its bytes with their characters,
// and its 8080 code, at the addresses the target loads them to. It is
// modeless, so that several can stay open beside the main window.
#pragma once

#include <QDialog>
#include <cstdint>

#include "ui/entry_rows_model.h"
#include "ui/window_services.h"

class QComboBox;
class QLineEdit;
class QListView;
class QTabWidget;

namespace flashdisk {

class EntryViewer : public QDialog {
  Q_OBJECT

 public:
  EntryViewer(QWidget& owner, WindowServices& services);

  // Shows an entry, or the same entry again after the image changed.
  void ShowEntry(const QString& name, std::uint16_t load_address, EntryRowsModel::Bytes bytes);

  QTabWidget& tabs() const { return *tabs_; }
  QListView& BytesView() const { return *bytes_view_; }
  QListView& CodeView() const { return *code_view_; }

 private:
  QListView& AddTab(EntryRowsModel& model, const char* title);
  void GoToAddress();

  WindowServices& services_;
  EntryRowsModel bytes_{EntryRowsModel::Kind::kBytes, this};
  EntryRowsModel code_{EntryRowsModel::Kind::kCode, this};
  std::uint16_t load_address_ = 0;
  std::size_t size_ = 0;
  QTabWidget* tabs_ = nullptr;
  QListView* bytes_view_ = nullptr;
  QListView* code_view_ = nullptr;
  QComboBox* character_sets_ = nullptr;
  QLineEdit* address_ = nullptr;
};

}  // namespace flashdisk
