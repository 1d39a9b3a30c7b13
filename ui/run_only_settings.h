// Qt's own file dialog keeps its history, last folder and view in a settings
// file in the user's home, and reads them back at the next start. The program
// keeps nothing between runs: while a RunOnlySettings lives, every setting of
// that kind goes to a folder of its own, which is removed with it, so the
// dialogs remember within the run only and never read an earlier run's file.
#pragma once

#include <QTemporaryDir>

namespace flashdisk {

class RunOnlySettings {
 public:
  RunOnlySettings();

 private:
  QTemporaryDir folder_;
};

}  // namespace flashdisk
