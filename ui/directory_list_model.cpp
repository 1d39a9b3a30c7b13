#include "ui/directory_list_model.h"

#include <QCoreApplication>
#include <QMimeData>
#include <QUrl>

#include "ui/field_text.h"

namespace flashdisk {

void DirectoryListModel::SetListing(const DirectoryListing& listing) {
  beginResetModel();
  items_.clear();
  items_.reserve(listing.entries.size());
  for (const auto& entry : listing.entries) {
    items_.push_back({TextFromImage(entry.name), entry.position});
  }
  endResetModel();
}

int DirectoryListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : static_cast<int>(items_.size());
}

QVariant DirectoryListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rowCount()) {
    return {};
  }
  const auto& item = items_[static_cast<std::size_t>(index.row())];
  switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole:
      return item.name;
    case kPositionRole:
      return QVariant::fromValue(item.position);
    default:
      return {};
  }
}

Qt::ItemFlags DirectoryListModel::flags(const QModelIndex& index) const {
  const Qt::ItemFlags flags = QAbstractListModel::flags(index);
  return index.isValid() && dragged_file_maker_ ? flags | Qt::ItemIsDragEnabled : flags;
}

QStringList DirectoryListModel::mimeTypes() const {
  return {"text/uri-list"};
}

// A file manager copies the files named by the drag's URLs where they are dropped.
QMimeData* DirectoryListModel::mimeData(const QModelIndexList& indexes) const {
  QList<QUrl> files;
  for (const auto& index : indexes) {
    if (index.isValid() && dragged_file_maker_) {
      if (const auto file = dragged_file_maker_(PositionAt(index.row()))) {
        files << QUrl::fromLocalFile(*file);
      }
    }
  }
  if (files.isEmpty()) {
    return nullptr;
  }
  auto* data = new QMimeData;
  data->setUrls(files);
  data->setData(kDragOriginFormat, QByteArray::number(QCoreApplication::applicationPid()));
  return data;
}

bool DirectoryListModel::IsOwnDrag(const QMimeData& data) {
  return data.hasFormat(kDragOriginFormat) &&
         data.data(kDragOriginFormat) == QByteArray::number(QCoreApplication::applicationPid());
}

}  // namespace flashdisk
