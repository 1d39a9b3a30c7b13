#include "ui/directory_list_model.h"

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

}  // namespace flashdisk
