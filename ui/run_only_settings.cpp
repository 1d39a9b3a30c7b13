#include "ui/run_only_settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>

namespace flashdisk {

namespace {

// The temporary folder first; where none can be made there (TMPDIR or TMP
// missing, full or read-only), the home. Qt gives an empty path for a
// temporary folder that does not exist, which would be the current folder.
std::unique_ptr<QTemporaryDir> MakeFolderOfTheRun() {
  for (const QString& base : {QDir::tempPath(), QDir::homePath()}) {
    if (base.isEmpty()) {
      continue;
    }
    auto folder =
        std::make_unique<QTemporaryDir>(QDir(base).filePath(".flashdisk-composer-XXXXXX"));
    if (folder->isValid()) {
      return folder;
    }
  }
  return nullptr;
}

// Where no folder can be made at all: a folder inside the program's own
// file, which nobody can create, so settings are neither written nor read.
QString PathNobodyCanCreate() {
  return QCoreApplication::applicationFilePath() + "/settings";
}

}  // namespace

RunOnlySettings::RunOnlySettings() : folder_(MakeFolderOfTheRun()) {
  const QString path = folder_ ? folder_->path() : PathNobodyCanCreate();
  // On Windows the native format is the registry, which no path redirects.
  QSettings::setDefaultFormat(QSettings::IniFormat);
  // The system-wide files are read as defaults of the user's, so they are
  // redirected as well.
  for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat}) {
    for (const auto scope : {QSettings::UserScope, QSettings::SystemScope}) {
      QSettings::setPath(format, scope, path);
    }
  }
}

}  // namespace flashdisk
