#include "ui/check_report_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/program_resources.h"
#include "ui/window_texts.h"

namespace flashdisk {

CheckReportDialog::CheckReportDialog(QWidget& owner, const QString& report)
    : QDialog(&owner), text_(new QPlainTextEdit(report, this)) {
  setObjectName("CheckReportDialog");
  setWindowTitle(kCheckCaption);
  setWindowIcon(ProgramIcon());
  // Read-only, yet the caret moves through the lines, so the keyboard and a
  // screen reader can go over every finding and select it.
  text_->setReadOnly(true);
  text_->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
  text_->setLineWrapMode(QPlainTextEdit::NoWrap);
  text_->setAccessibleName(kCheckReportName);
  text_->setMinimumSize(440, 140);
  auto* buttons = new QDialogButtonBox(this);
  auto* copy = buttons->addButton(kCopyButtonText, QDialogButtonBox::ActionRole);
  auto* close = buttons->addButton(kCloseButtonText, QDialogButtonBox::RejectRole);
  copy->setAutoDefault(false);
  close->setDefault(true);
  connect(copy, &QPushButton::clicked, this,
          [this] { QApplication::clipboard()->setText(text_->toPlainText()); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text_);
  layout->addWidget(buttons);
  text_->setFocus();
}

QString CheckReportDialog::Report() const {
  return text_->toPlainText();
}

}  // namespace flashdisk
