// Qt's own file dialog keeps its history, last folder and view in the
// settings of "QtProject" and reads them back at the next start: a file in
// the user's home on Linux, the registry (HKCU\Software\QtProject) on
// Windows. The program keeps nothing between runs: while a RunOnlySettings
// lives, every QSettings without an explicit format is an ini file in a
// folder of the run's own, which is removed with it, so the dialogs remember
// within the run only and never read an earlier run's state. Make it after
// the application object and before the first dialog.
#pragma once

#include <QTemporaryDir>
#include <memory>

namespace flashdisk {

class RunOnlySettings {
 public:
  RunOnlySettings();

 private:
  // Unique, open to its owner only, removed at the end; none only where no
  // folder at all could be made.
  std::unique_ptr<QTemporaryDir> folder_;
};

}  // namespace flashdisk
