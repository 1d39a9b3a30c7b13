// The upper-case style of an edit field: whatever is typed or pasted arrives
// in capitals. Nothing is refused.
#pragma once

#include <QValidator>

namespace flashdisk {

class UpperCaseValidator : public QValidator {
  Q_OBJECT

 public:
  using QValidator::QValidator;

  State validate(QString& input, int& position) const override;
};

}  // namespace flashdisk
