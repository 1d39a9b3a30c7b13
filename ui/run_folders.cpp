#include "ui/run_folders.h"

#include <QCoreApplication>
#include <QDir>

#include "image/platform_seam.h"

namespace flashdisk {

namespace {

constexpr char kRunFolderPrefix[] = ".flashdisk-composer-";

void RemoveFoldersOfEndedRuns(const QString& base) {
  if (base.isEmpty()) {
    return;  // Qt's name for a temporary folder that does not exist
  }
  const QDir folder(base);
  const auto names = folder.entryList({QString(kRunFolderPrefix) + "*"},
                                      QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
  for (const QString& name : names) {
    // The id, then the random part; names without an id are not the runs'.
    const QStringList parts = name.mid(qsizetype(sizeof(kRunFolderPrefix) - 1)).split('-');
    bool is_number = false;
    const qint64 id = parts.constFirst().toLongLong(&is_number);
    if (parts.size() == 2 && is_number && !platform::ProcessRuns(id)) {
      QDir(folder.filePath(name)).removeRecursively();
    }
  }
}

}  // namespace

std::unique_ptr<QTemporaryDir> MakeRunFolder(const QString& base) {
  const QString name =
      kRunFolderPrefix + QString::number(QCoreApplication::applicationPid()) + "-XXXXXX";
  return std::make_unique<QTemporaryDir>(QDir(base).filePath(name));
}

void RemoveFoldersOfEndedRuns() {
  RemoveFoldersOfEndedRuns(QDir::tempPath());
  RemoveFoldersOfEndedRuns(QDir::homePath());
}

}  // namespace flashdisk
