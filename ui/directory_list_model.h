// The directory list's items: entry names in chain order, each carrying its
// entry's position in the image. Filled in one reset, so that a directory of
// tens of thousands of entries lists at once.
#pragma once

#include <QAbstractListModel>
#include <QString>
#include <cstdint>
#include <vector>

#include "image/disk_image.h"

namespace flashdisk {

class DirectoryListModel : public QAbstractListModel {
  Q_OBJECT

 public:
  static constexpr int kPositionRole = Qt::UserRole;

  using QAbstractListModel::QAbstractListModel;

  void SetListing(const DirectoryListing& listing);
  std::uint32_t PositionAt(int row) const { return items_[static_cast<std::size_t>(row)].position; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  struct Item {
    QString name;
    std::uint32_t position;
  };

  std::vector<Item> items_;
};

}  // namespace flashdisk
