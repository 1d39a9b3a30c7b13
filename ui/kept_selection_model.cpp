#include "ui/kept_selection_model.h"

namespace flashdisk {

KeptSelectionModel::KeptSelectionModel(QAbstractItemModel& model, QObject& parent)
    : QItemSelectionModel(&model, &parent) {
  // Connected after the base class's own reset handling, so it runs last.
  connect(&model, &QAbstractItemModel::modelReset, this, &KeptSelectionModel::SelectFirst);
}

void KeptSelectionModel::select(const QItemSelection& selection, SelectionFlags command) {
  if (model()->rowCount() > 0 && Outcome(selection, command).isEmpty()) {
    return;
  }
  QItemSelectionModel::select(selection, command);
}

// What the selection would be after the change.
QItemSelection KeptSelectionModel::Outcome(const QItemSelection& selection,
                                           SelectionFlags command) const {
  QItemSelection outcome = (command & Clear) ? QItemSelection() : this->selection();
  outcome.merge(selection, command);
  return outcome;
}

void KeptSelectionModel::SelectFirst() {
  if (model()->rowCount() > 0) {
    setCurrentIndex(model()->index(0, 0), ClearAndSelect);
  }
}

}  // namespace flashdisk
