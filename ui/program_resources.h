// The layouts and the icon are compiled into this static library; they have to
// be registered before the first window looks for them.
#pragma once

#include <QIcon>

namespace flashdisk {

// Safe to call any number of times.
void LoadProgramResources();

// The flash chip every window shows as its icon.
QIcon ProgramIcon();

}  // namespace flashdisk
