// The folders a run of the window keeps passing files in (Qt's settings,
// entries dragged out) are named after the run's process,
// ".flashdisk-composer-ID-XXXXXX", so that a later start can tell a folder
// of a run that was killed, which nobody removed, from one still in use.
#pragma once

#include <QString>
#include <QTemporaryDir>
#include <memory>

namespace flashdisk {

// A new folder of this run in `base`, open to its owner only and removed with
// the object; not valid when none could be made there.
std::unique_ptr<QTemporaryDir> MakeRunFolder(const QString& base);

// Removes the folders that runs which no longer run left in the temporary
// folder and in the home.
void RemoveFoldersOfEndedRuns();

}  // namespace flashdisk
