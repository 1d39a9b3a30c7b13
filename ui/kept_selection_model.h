// The directory list's selection: while the list has items, exactly one of
// them is selected. A Ctrl+click on the selected item, a click below the
// items or Ctrl+Space would otherwise leave none, and the window would show
// no entry and have nothing to change.
#pragma once

#include <QItemSelectionModel>

namespace flashdisk {

class KeptSelectionModel : public QItemSelectionModel {
  Q_OBJECT

 public:
  // After each reset of `model` its first item is selected.
  KeptSelectionModel(QAbstractItemModel& model, QObject& parent);

  using QItemSelectionModel::select;
  // Refuses a change that would leave no item selected while there are items.
  void select(const QItemSelection& selection, SelectionFlags command) override;

 private:
  QItemSelection Outcome(const QItemSelection& selection, SelectionFlags command) const;
  void SelectFirst();
};

}  // namespace flashdisk
