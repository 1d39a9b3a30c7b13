// Qt's own texts (the standard buttons, the file dialogs) in Russian, to
// match the program's texts.
#pragma once

class QCoreApplication;

namespace flashdisk {

// Installs Qt's Russian translations into `application` and makes Russian the
// default locale. False when the translations are not installed; the program
// then still runs, with Qt's own texts in English.
bool InstallRussianTranslations(QCoreApplication& application);

}  // namespace flashdisk
