// Builds a window from its layout: every control at its place, mapped from
// dialog units to pixels by the window's font, each carrying its numeric id
// as its object name so that code and tests find it by that id.
#pragma once

#include <QDialog>
#include <QFont>
#include <QRect>
#include <QSize>
#include <QString>
#include <QWidget>
#include <QtGlobal>

#include "ui/dialog_template.h"

namespace flashdisk {

// Dialog units as the platform maps them: a horizontal unit is a quarter of
// the font's average character width, a vertical one an eighth of its height.
class DialogUnits {
 public:
  explicit DialogUnits(const QFont& font);

  int ToPixelsX(int units) const;
  int ToPixelsY(int units) const;
  QRect ToPixels(const QRect& units) const;
  QSize ToPixels(const QSize& units) const;

  int base_width() const { return base_width_; }
  int base_height() const { return base_height_; }

 private:
  int base_width_;
  int base_height_;
};

// Sets the caption, icon, size and frame of `window` and creates its
// controls as its direct children, in the layout's order, which is also the
// order that Tab follows.
void BuildDialog(QDialog& window, const DialogTemplate& layout);

QString ControlName(int id);

// The control with this id; a window asking for a control its layout lacks
// is a defect, and stops the program.
template <typename Widget>
Widget& Control(const QWidget& window, int id) {
  auto* widget = window.findChild<Widget*>(ControlName(id), Qt::FindDirectChildrenOnly);
  if (widget == nullptr) {
    qFatal("Window %s has no control %d of the expected kind", qPrintable(window.objectName()), id);
  }
  return *widget;
}

}  // namespace flashdisk
