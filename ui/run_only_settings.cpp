#include "ui/run_only_settings.h"

#include <QCoreApplication>
#include <QDir>
#include <QSettings>
#include <string>

#include "ui/run_folders.h"

#ifdef _WIN32
#include <windows.h>
#endif

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
    auto folder = MakeRunFolder(base);
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
  // The system-wide files are read as defaults of the user's, so they are
  // redirected as well.
  for (const auto format : {QSettings::NativeFormat, QSettings::IniFormat}) {
    for (const auto scope : {QSettings::UserScope, QSettings::SystemScope}) {
      QSettings::setPath(format, scope, path);
    }
  }
}

#ifdef _WIN32

namespace {

// One per process: the file dialogs are modal, so one is open at a time.
std::wstring AsideKeyName() {
  return L"Software\\flashdisk-composer-" + std::to_wstring(GetCurrentProcessId());
}

}  // namespace

// Volatile, the key is never written to the disk, and opened for reading
// only, it takes no values; Windows keeps its own reference to it.
RegistryAside::RegistryAside() {
  HKEY aside = nullptr;
  if (RegCreateKeyExW(HKEY_CURRENT_USER, AsideKeyName().c_str(), 0, nullptr, REG_OPTION_VOLATILE,
                      KEY_READ, nullptr, &aside, nullptr) == ERROR_SUCCESS) {
    RegOverridePredefKey(HKEY_CURRENT_USER, aside);
    RegCloseKey(aside);
  }
}

RegistryAside::~RegistryAside() {
  RegOverridePredefKey(HKEY_CURRENT_USER, nullptr);
  RegDeleteKeyW(HKEY_CURRENT_USER, AsideKeyName().c_str());
}

#else

RegistryAside::RegistryAside() = default;
RegistryAside::~RegistryAside() = default;

#endif

}  // namespace flashdisk
