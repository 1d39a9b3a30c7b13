#include "ui/program_resources.h"

#include <QtGlobal>

// Q_INIT_RESOURCE names a function in the global namespace.
static void RegisterFlashdiskResources() {
  Q_INIT_RESOURCE(flashdisk);
}

namespace flashdisk {

void LoadProgramResources() {
  static const bool registered = (RegisterFlashdiskResources(), true);
  Q_UNUSED(registered);
}

QIcon ProgramIcon() {
  LoadProgramResources();
  QIcon icon;
  for (const int size : {16, 24, 32, 48, 64, 128, 256}) {
    icon.addFile(QStringLiteral(":/icons/flashdisk-%1.png").arg(size), QSize(size, size));
  }
  return icon;
}

}  // namespace flashdisk
