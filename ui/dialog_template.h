// A window's layout as data: its caption, its size and its controls with their
// places in dialog units, read from a JSON file among the program's resources.
#pragma once

#include <QRect>
#include <QSize>
#include <QString>
#include <vector>

namespace flashdisk {

enum class ControlKind {
  kGroupBox,
  kLabel,
  kPushButton,
  kCheckBox,
  kEdit,
  kDropDownList,
  kListBox
};

enum ControlStyle : unsigned {
  kStyleReadOnly = 1u << 0,
  kStyleUpperCase = 1u << 1,
  kStyleDigitsOnly = 1u << 2,
  kStyleRightAligned = 1u << 3,
  kStyleDefaultButton = 1u << 4,
};

inline constexpr int kNoControlId = -1;

struct ControlTemplate {
  int id = kNoControlId;
  ControlKind kind = ControlKind::kLabel;
  QString text;
  QRect place;  // dialog units
  unsigned style = 0;
  // A label names the control with this id, for the keyboard and for screen readers.
  int buddy = kNoControlId;
  // What a screen reader calls a control that has no label beside it.
  QString accessible_name;
};

struct DialogTemplate {
  QString caption;
  QSize size;  // dialog units, the client area
  bool sizing_border = false;
  bool minimize_box = false;
  std::vector<ControlTemplate> controls;  // in tab order
};

// Reads a layout from the resources, e.g. ":/layouts/main_window.json". The
// layouts are built into the program, so a missing or malformed one is a
// defect of the build and stops the program with a message naming the file.
DialogTemplate LoadDialogTemplate(const QString& resource_path);

}  // namespace flashdisk
