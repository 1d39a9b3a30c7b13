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

CheckReportDialog::CheckReportDialog(QWidget& owner, const QString& report) : QDialog(&owner) {
  auto* text = new QPlainTextEdit(report, this);
  setObjectName("CheckReportDialog");
  setWindowTitle(kCheckCaption);
  setWindowIcon(ProgramIcon());
  // Read-only, yet the caret moves through the lines, so the keyboard and a
  // screen reader can go over every finding and select it.
  text->setReadOnly(true);
  text->setTextInteractionFlags(Qt::TextSelectableByKeyboard | Qt::TextSelectableByMouse);
  text->setLineWrapMode(QPlainTextEdit::NoWrap);
  text->setAccessibleName(kCheckReportName);
  text->setMinimumSize(440, 140);
  auto* buttons = new QDialogButtonBox(this);
  auto* copy = buttons->addButton(kCopyButtonText, QDialogButtonBox::ActionRole);
  auto* close = buttons->addButton(kCloseButtonText, QDialogButtonBox::RejectRole);
  copy->setAutoDefault(false);
  close->setDefault(true);
  connect(copy, &QPushButton::clicked, this,
          [text] { QApplication::clipboard()->setText(text->toPlainText()); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
  auto* layout = new QVBoxLayout(this);
  layout->addWidget(text);
  layout->addWidget(buttons);
  text->setFocus();
}

}  // namespace flashdisk
