// The rows of the entry viewer's two tabs: hex rows of 16 bytes, or one 8080
// instruction a row. Each row's text is made when the view asks for it, so
// that the largest Big entry opens as fast as the smallest.
#pragma once

#include <QAbstractListModel>
#include <cstdint>
#include <memory>
#include <vector>

#include "target/hex_rows.h"

namespace flashdisk {

class EntryRowsModel : public QAbstractListModel {
  Q_OBJECT

 public:
  enum class Kind { kBytes, kCode };
  using Bytes = std::shared_ptr<const std::vector<std::uint8_t>>;

  EntryRowsModel(Kind kind, QObject* parent);

  // The bytes of an entry that the target loads at `load_address`.
  void SetBytes(Bytes bytes, std::uint16_t load_address);
  void SetCharacterSet(target::CharacterSet set);
  // The row that shows the byte at `offset`.
  int RowOf(std::size_t offset) const;

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;

 private:
  QString RowText(int row) const;

  Kind kind_;
  Bytes bytes_ = std::make_shared<std::vector<std::uint8_t>>();
  std::uint16_t load_address_ = 0;
  target::CharacterSet set_ = target::CharacterSet::kCp1251;
  // Where each instruction starts: the only thing that must be known of
  // every row before any is shown.
  std::vector<std::uint32_t> instruction_starts_;
};

}  // namespace flashdisk
