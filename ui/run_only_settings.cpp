#include "ui/run_only_settings.h"

#include <QDir>
#include <QSettings>

namespace flashdisk {

RunOnlySettings::RunOnlySettings() {
  // Where no folder of its own can be made, the settings go to a fixed name
  // in the temporary folder, still not the home; an empty path would put
  // them at the file system's root.
  const QString path = folder_.isValid()
                           ? folder_.path()
                           : QDir(QDir::tempPath()).filePath("flashdisk-composer-no-settings");
  // The system-wide files are read as defaults of the user's, so they are
  // left out as well.
  for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat}) {
    for (const auto scope : {QSettings::UserScope, QSettings::SystemScope}) {
      QSettings::setPath(format, scope, path);
    }
  }
}

}  // namespace flashdisk
