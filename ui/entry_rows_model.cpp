#include "ui/entry_rows_model.h"

#include <algorithm>
#include <span>
#include <string>

#include "target/address_space.h"
#include "target/i8080_disassembler.h"

namespace flashdisk {

EntryRowsModel::EntryRowsModel(Kind kind, QObject* parent)
    : QAbstractListModel(parent), kind_(kind) {}

void EntryRowsModel::SetBytes(Bytes bytes, std::uint16_t load_address) {
  beginResetModel();
  bytes_ = std::move(bytes);
  load_address_ = load_address;
  instruction_starts_.clear();
  if (kind_ == Kind::kCode) {
    const std::span<const std::uint8_t> data(*bytes_);
    for (std::size_t offset = 0; offset < data.size();
         offset += target::DecodedLength(data, offset)) {
      instruction_starts_.push_back(static_cast<std::uint32_t>(offset));
    }
  }
  endResetModel();
}

void EntryRowsModel::SetCharacterSet(target::CharacterSet set) {
  set_ = set;
  if (kind_ == Kind::kBytes && rowCount() > 0) {
    emit dataChanged(index(0, 0), index(rowCount() - 1, 0), {Qt::DisplayRole});
  }
}

int EntryRowsModel::RowOf(std::size_t offset) const {
  if (kind_ == Kind::kBytes) {
    return static_cast<int>(offset / target::kHexRowBytes);
  }
  const auto after = std::upper_bound(instruction_starts_.begin(), instruction_starts_.end(),
                                      static_cast<std::uint32_t>(offset));
  return static_cast<int>(after - instruction_starts_.begin()) - 1;
}

int EntryRowsModel::rowCount(const QModelIndex& parent) const {
  if (parent.isValid()) {
    return 0;
  }
  if (kind_ == Kind::kCode) {
    return static_cast<int>(instruction_starts_.size());
  }
  return static_cast<int>((bytes_->size() + target::kHexRowBytes - 1) / target::kHexRowBytes);
}

QVariant EntryRowsModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || role != Qt::DisplayRole) {
    return {};
  }
  return RowText(index.row());
}

QString EntryRowsModel::RowText(int row) const {
  const std::span<const std::uint8_t> data(*bytes_);
  std::string text;
  if (kind_ == Kind::kBytes) {
    const auto offset = static_cast<std::size_t>(row) * target::kHexRowBytes;
    const auto count = std::min(target::kHexRowBytes, data.size() - offset);
    target::AppendHexRow(text, data.subspan(offset, count),
                         target::AddressAt(load_address_, offset), set_);
  } else {
    target::AppendInstructionLine(
        text, target::DecodeInstruction(data, instruction_starts_[static_cast<std::size_t>(row)],
                                        load_address_));
  }
  text.pop_back();  // the newline
  return QString::fromStdString(text);
}

}  // namespace flashdisk
