#include "ui/run_only_settings.h"

#include <QSettings>

namespace flashdisk {

RunOnlySettings::RunOnlySettings() {
  // The system-wide files are read as defaults of the user's, so they are
  // left out as well.
  for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat}) {
    for (const auto scope : {QSettings::UserScope, QSettings::SystemScope}) {
      QSettings::setPath(format, scope, folder_.path());
    }
  }
}

}  // namespace flashdisk
