#include "tests/ui/support/modal_driver.h"

#include <QWidget>

namespace flashdisk::testing {

void ModalDriver::Poll(std::function<void(QWidget&)> run, int tries_left) {
  QTimer::singleShot(tries_left == 200 ? 0 : 10, [this, run, tries_left] {
    QWidget* modal = QApplication::activeModalWidget();
    // Wait for the window to become the active one, as it does for a person,
    // so that the keyboard focus is inside it.
    const bool ready = modal != nullptr && modal->isVisible() && modal->isActiveWindow();
    if (!ready && (modal == nullptr || tries_left > 0)) {
      if (tries_left > 0) {
        Poll(run, tries_left - 1);
      }
      return;
    }
    ran_ = true;
    QPointer<QWidget> window(modal);
    run(*modal);
    if (!window.isNull() && window->isVisible()) {
      left_open_ = true;
      if (auto* dialog = qobject_cast<QDialog*>(window.data())) {
        dialog->reject();
      } else {
        window->close();
      }
    }
  });
}

bool NoWindowOpen() {
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->isVisible()) {
      return false;
    }
  }
  return true;
}

}  // namespace flashdisk::testing
