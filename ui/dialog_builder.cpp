#include "ui/dialog_builder.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QScreen>
#include <set>
#include <vector>

#include "ui/program_resources.h"
#include "ui/upper_case_validator.h"
#include "ui/value_label.h"

namespace flashdisk {

namespace {

// Rounds to the nearest pixel, as the platform's own conversion does.
int Scale(int units, int base, int divisor) {
  const long long scaled = static_cast<long long>(units) * base;
  return static_cast<int>((scaled + divisor / 2) / divisor);
}

Qt::Alignment HorizontalAlignment(const ControlTemplate& control) {
  return ((control.style & kStyleRightAligned) ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter;
}

QWidget* CreateEdit(QDialog& window, const ControlTemplate& control) {
  auto* edit = new QLineEdit(control.text, &window);
  if (control.style & kStyleReadOnly) {
    edit->setReadOnly(true);
    // A field that cannot be typed into looks like the window behind it.
    QPalette palette = edit->palette();
    palette.setBrush(QPalette::Base, palette.brush(QPalette::Window));
    edit->setPalette(palette);
  }
  edit->setAlignment(HorizontalAlignment(control));
  if (control.style & kStyleDigitsOnly) {
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), edit));
  } else if (control.style & kStyleUpperCase) {
    edit->setValidator(new UpperCaseValidator(edit));
  }
  return edit;
}

// A frame whose title interrupts its top line, so the controls inside have
// the room their places assume.
QWidget* CreateGroupBox(QDialog& window, const ControlTemplate& control) {
  auto* group = new QGroupBox(control.text, &window);
  group->setStyleSheet(
      "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 0.5em; }"
      "QGroupBox::title { subcontrol-origin: margin; left: 0.5em; padding: 0 0.2em; }");
  return group;
}

QWidget* CreateListBox(QDialog& window) {
  auto* list = new QListView(&window);
  list->setUniformItemSizes(true);  // keeps a directory of tens of thousands of entries fast
  list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  list->setEditTriggers(QAbstractItemView::NoEditTriggers);
  return list;
}

// A label that another label names shows a value.
QWidget* CreateLabel(QDialog& window, const ControlTemplate& control, bool shows_a_value) {
  auto* label =
      shows_a_value ? new ValueLabel(control.text, window) : new QLabel(control.text, &window);
  label->setAlignment(HorizontalAlignment(control));
  return label;
}

QWidget* CreateControl(QDialog& window, const ControlTemplate& control,
                       const std::set<int>& named_by_labels) {
  switch (control.kind) {
    case ControlKind::kGroupBox:
      return CreateGroupBox(window, control);
    case ControlKind::kLabel:
      return CreateLabel(window, control, named_by_labels.contains(control.id));
    case ControlKind::kPushButton: {
      auto* button = new QPushButton(control.text, &window);
      button->setDefault(control.style & kStyleDefaultButton);
      return button;
    }
    case ControlKind::kCheckBox:
      return new QCheckBox(control.text, &window);
    case ControlKind::kEdit:
      return CreateEdit(window, control);
    case ControlKind::kDropDownList:
      return new QComboBox(&window);
    case ControlKind::kListBox:
      return CreateListBox(window);
  }
  return nullptr;
}

std::set<int> IdsNamedByLabels(const DialogTemplate& layout) {
  std::set<int> ids;
  for (const auto& control : layout.controls) {
    if (control.kind == ControlKind::kLabel && control.buddy != kNoControlId) {
      ids.insert(control.buddy);
    }
  }
  return ids;
}

QString WithoutTrailingColon(QString text) {
  if (text.endsWith(':')) {
    text.chop(1);
  }
  return text;
}

// A label names its buddy for screen readers; a focusable buddy also gets the
// keyboard focus when the label is activated.
void LinkLabelToBuddy(QDialog& window, QLabel& label, const ControlTemplate& control) {
  auto& buddy = Control<QWidget>(window, control.buddy);
  if (buddy.focusPolicy() != Qt::NoFocus) {
    label.setBuddy(&buddy);
  }
  if (buddy.accessibleName().isEmpty()) {
    buddy.setAccessibleName(WithoutTrailingColon(control.text));
  }
}

Qt::WindowFlags FrameFlags(const DialogTemplate& layout) {
  Qt::WindowFlags flags = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  if (layout.minimize_box) {
    flags |= Qt::WindowMinimizeButtonHint;
  }
  return flags;
}

// Windows open centred on the screen of their owner.
void CenterOnScreen(QDialog& window) {
  const QWidget* owner = window.parentWidget();
  QScreen* screen = owner != nullptr ? owner->screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) {
    return;
  }
  QRect frame(QPoint(), window.size());
  frame.moveCenter(screen->availableGeometry().center());
  window.move(frame.topLeft());
}

}  // namespace

DialogUnits::DialogUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  // Dialog units classically average the 52 Latin letters. The windows' texts are
  // Russian, and many fonts draw Cyrillic wider than Latin, so the Cyrillic
  // alphabet counts too; otherwise the captions would not fit their places.
  const QString letters = QStringLiteral(
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
      "АБВГДЕЖЗИЙКЛМНОПРСТУФХЦЧШЩЪЫЬЭЮЯабвгдежзийклмнопрстуфхцчшщъыьэюя");
  const int half_letters = static_cast<int>(letters.size()) / 2;
  base_width_ = (metrics.horizontalAdvance(letters) / half_letters + 1) / 2;
  base_height_ = metrics.height();
}

int DialogUnits::ToPixelsX(int units) const {
  return Scale(units, base_width_, 4);
}
int DialogUnits::ToPixelsY(int units) const {
  return Scale(units, base_height_, 8);
}

QRect DialogUnits::ToPixels(const QRect& units) const {
  return QRect(ToPixelsX(units.x()), ToPixelsY(units.y()), ToPixelsX(units.width()),
               ToPixelsY(units.height()));
}

QSize DialogUnits::ToPixels(const QSize& units) const {
  return QSize(ToPixelsX(units.width()), ToPixelsY(units.height()));
}

QString ControlName(int id) {
  return QString::number(id);
}

void BuildDialog(QDialog& window, const DialogTemplate& layout) {
  window.setWindowFlags(FrameFlags(layout));
  window.setWindowTitle(layout.caption);
  window.setWindowIcon(ProgramIcon());
  const DialogUnits units(window.font());
  const QSize size = units.ToPixels(layout.size);
  if (layout.sizing_border) {
    window.resize(size);
  } else {
    window.setFixedSize(size);
  }
  const std::set<int> named_by_labels = IdsNamedByLabels(layout);
  std::vector<QWidget*> widgets;
  for (const auto& control : layout.controls) {
    QWidget* widget = CreateControl(window, control, named_by_labels);
    widgets.push_back(widget);
    if (control.id != kNoControlId) {
      widget->setObjectName(ControlName(control.id));
    }
    widget->setGeometry(units.ToPixels(control.place));
    if (!control.accessible_name.isEmpty()) {
      widget->setAccessibleName(control.accessible_name);
    }
    if (control.kind == ControlKind::kGroupBox) {
      widget->setAccessibleName(control.text);
      widget->lower();  // a frame lies beneath the controls it surrounds
    }
  }
  // Labels may come before or after the control they name.
  for (std::size_t index = 0; index < layout.controls.size(); ++index) {
    const auto& control = layout.controls[index];
    if (control.kind == ControlKind::kLabel && control.buddy != kNoControlId) {
      LinkLabelToBuddy(window, static_cast<QLabel&>(*widgets[index]), control);
    }
  }
  CenterOnScreen(window);
}

}  // namespace flashdisk
