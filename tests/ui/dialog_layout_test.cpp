// The three layouts and the windows built from them: places in dialog units
// mapped by the font, ids, Tab order and the names screen readers read.
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSet>
#include <QtTest>

#include "ui/dialog_builder.h"
#include "ui/dialog_template.h"

using namespace flashdisk;

namespace {

const QStringList kLayouts{":/layouts/main_window.json", ":/layouts/add_file_dialog.json",
                           ":/layouts/entry_properties_dialog.json"};

}  // namespace

class DialogLayoutTest : public QObject {
  Q_OBJECT

 private slots:
  void everyControlHasItsOwnIdAndLiesInsideTheWindow() {
    for (const auto& path : kLayouts) {
      const DialogTemplate layout = LoadDialogTemplate(path);
      QSet<int> ids;
      const QRect window(QPoint(0, 0), layout.size);
      for (const auto& control : layout.controls) {
        if (control.id != kNoControlId) {
          QVERIFY2(!ids.contains(control.id), qPrintable(path + " repeats an id"));
          ids.insert(control.id);
        }
        QVERIFY2(window.contains(control.place),
                 qPrintable(QString("%1: %2 lies outside").arg(path, control.text)));
      }
    }
  }

  void theAddFileDialogHasTheTemplatesPlaces() {
    const DialogTemplate layout = LoadDialogTemplate(":/layouts/add_file_dialog.json");
    QCOMPARE(layout.caption, QString("Добавление файла"));
    QCOMPARE(layout.size, QSize(294, 98));
    QVERIFY(layout.sizing_border);
    QDialog dialog;
    BuildDialog(dialog, layout);
    const DialogUnits units(dialog.font());
    const auto place = [&](int id) {
      return dialog.findChild<QWidget*>(QString::number(id))->geometry();
    };
    QCOMPARE(place(1101), units.ToPixels(QRect(7, 6, 235, 12)));
    QCOMPARE(place(1056), units.ToPixels(QRect(124, 34, 61, 10)));
    QCOMPARE(place(1073), units.ToPixels(QRect(267, 34, 19, 10)));
    QCOMPARE(place(1), units.ToPixels(QRect(243, 81, 43, 14)));
    QCOMPARE(dialog.size(), units.ToPixels(QSize(294, 98)));
  }

  void tabFollowsTheLayoutAndLabelsNameTheirFields() {
    QDialog dialog;
    BuildDialog(dialog, LoadDialogTemplate(":/layouts/entry_properties_dialog.json"));
    QList<int> order;
    QWidget* widget = dialog.findChild<QWidget*>("1058");
    for (int step = 0; step < 14; ++step) {
      order << widget->objectName().toInt();
      widget = widget->nextInFocusChain();
      while (widget->focusPolicy() == Qt::NoFocus || widget == &dialog) {
        widget = widget->nextInFocusChain();
      }
    }
    QCOMPARE(order, (QList<int>{1058, 1059, 1060, 1032, 1033, 1063, 1062, 1037, 1038, 1039, 1040, 2,
                                1, 1101}));
    auto& address = *dialog.findChild<QLineEdit*>("1058");
    QCOMPARE(dialog.findChild<QLabel*>("1028")->buddy(), &address);
    QCOMPARE(address.accessibleName(), QString("Адрес загрузки (hex)"));
    QCOMPARE(dialog.findChild<QLineEdit*>("1101")->accessibleName(), QString("Имя в каталоге"));
    QVERIFY(dialog.findChild<QPushButton*>("1")->isDefault());
    QVERIFY(dialog.findChild<QLineEdit*>("1059")->isReadOnly());
  }
};

QTEST_MAIN(DialogLayoutTest)
#include "dialog_layout_test.moc"
