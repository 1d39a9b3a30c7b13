// Drives a modal window from inside its own event loop: the test arms the
// driver, then does what opens the window; once the window is open the
// driver runs the test's steps on it. A window the steps leave open is
// closed and reported, so a failing test never hangs.
#pragma once

#include <QApplication>
#include <QDialog>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>

namespace flashdisk::testing {

class ModalDriver {
 public:
  // Runs `steps` on the next modal window, expected to be a `Window`.
  template <typename Window>
  void WhenOpen(std::function<void(Window&)> steps) {
    ran_ = false;
    left_open_ = false;
    wrong_window_.clear();
    Poll([this, steps](QWidget& widget) {
      auto* window = qobject_cast<Window*>(&widget);
      if (window == nullptr) {
        wrong_window_ = widget.metaObject()->className();
        return;
      }
      steps(*window);
    });
  }

  // The steps ran on a window of the expected kind, and it was closed by them
  // or by what they did.
  bool RanAndClosed() const { return ran_ && wrong_window_.isEmpty() && !left_open_; }
  bool ran() const { return ran_; }
  bool left_open() const { return left_open_; }
  const QString& wrong_window() const { return wrong_window_; }

 private:
  void Poll(std::function<void(QWidget&)> run, int tries_left = 200);

  bool ran_ = false;
  bool left_open_ = false;
  QString wrong_window_;
};

// True when no top-level window is visible, as each test leaves things.
bool NoWindowOpen();

}  // namespace flashdisk::testing
