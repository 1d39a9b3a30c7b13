// The directory list's items: entry names in chain order, each carrying its
// entry's position in the image. Filled in one reset, so that a directory of
// tens of thousands of entries lists at once. An entry dragged out of the
// list travels as a file holding its data.
#pragma once

#include <QAbstractListModel>
#include <QString>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

#include "image/disk_image.h"

namespace flashdisk {

class DirectoryListModel : public QAbstractListModel {
  Q_OBJECT

 public:
  static constexpr int kPositionRole = Qt::UserRole;
  // Carried by a drag out of the list, with the id of the process it left:
  // dropped back on its own window, it would add the entries a second time.
  static constexpr char kDragOriginFormat[] = "application/x-flashdisk-composer-drag";

  // Whether `data` is a drag out of this process's list.
  static bool IsOwnDrag(const QMimeData& data);

  // Writes the data of the entry at a position into a file for a drag and
  // gives the file's path; nothing when it cannot.
  using DraggedFileMaker = std::function<std::optional<QString>(std::uint32_t position)>;

  using QAbstractListModel::QAbstractListModel;

  void SetListing(const DirectoryListing& listing);
  void set_dragged_file_maker(DraggedFileMaker maker) { dragged_file_maker_ = std::move(maker); }
  std::uint32_t PositionAt(int row) const { return items_[static_cast<std::size_t>(row)].position; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QModelIndexList& indexes) const override;
  Qt::DropActions supportedDragActions() const override { return Qt::CopyAction; }

 private:
  struct Item {
    QString name;
    std::uint32_t position;
  };

  std::vector<Item> items_;
  DraggedFileMaker dragged_file_maker_;
};

}  // namespace flashdisk
