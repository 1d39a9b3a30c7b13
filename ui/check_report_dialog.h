// What a check of the disk found, in a dialog whose text can be read line by
// line with the keyboard or a screen reader, selected and copied.
#pragma once

#include <QDialog>

namespace flashdisk {

class CheckReportDialog : public QDialog {
  Q_OBJECT

 public:
  CheckReportDialog(QWidget& owner, const QString& report);
};

}  // namespace flashdisk
