#include "ui/upper_case_validator.h"

namespace flashdisk {

QValidator::State UpperCaseValidator::validate(QString& input, int& position) const {
  input = input.toUpper();
  position = std::min(position, static_cast<int>(input.size()));
  return Acceptable;
}

}  // namespace flashdisk
