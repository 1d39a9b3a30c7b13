// Qt's own file dialog keeps its history, last folder and view in the
// settings of "QtProject" and reads them back at the next start: a file in
// the user's home on Linux, the registry (HKCU\Software\QtProject) on
// Windows. The program keeps nothing between runs: while a RunOnlySettings
// lives, Qt's settings files go to a folder of the run's own, which is
// removed with it, so the dialogs never read an earlier run's state. Make it
// after the application object and before the first dialog.
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

// On Windows Qt keeps a file dialog's state in the registry, which no
// settings path redirects: while a RegistryAside lives, the process sees as
// HKEY_CURRENT_USER an empty key of its own that takes no values and is
// never saved, so a dialog made and ended meanwhile reads and keeps nothing.
// On Linux it does nothing.
class RegistryAside {
 public:
  RegistryAside();
  ~RegistryAside();
  RegistryAside(const RegistryAside&) = delete;
  RegistryAside& operator=(const RegistryAside&) = delete;
};

}  // namespace flashdisk
