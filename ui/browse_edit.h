// A path field with a small "…" button at its right end. The button, or
// releasing F4 in the field, opens the file-open dialog proposing the field's
// text; a chosen path replaces the text, marks the field modified and, when
// the record asks for it, calls the record's callback before the keyboard
// focus returns to the field. A file dropped on the field replaces its text
// with the file's local path, as if typed.
#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <functional>

class QDropEvent;
class QLineEdit;
class QPushButton;

namespace flashdisk {

class WindowServices;

inline constexpr int kBrowseButtonId = 100;
inline constexpr std::uint32_t kBrowseCallsBack = 2;  // call the callback after a choice

// How a browse field behaves; one record serves every field set up with it.
struct BrowseEditRecord {
  std::uint32_t flags = 0;
  std::function<void(QLineEdit&)> callback;
};

class BrowseEdit : public QObject {
  Q_OBJECT

 public:
  // The button and the behaviour live as long as the field.
  static void SetUp(QLineEdit& field, const BrowseEditRecord& record, WindowServices& services);

  // Runs the file-open dialog for the field, as the button and F4 do.
  void Browse();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  BrowseEdit(QLineEdit& field, const BrowseEditRecord& record, WindowServices& services);

  void PlaceButton();
  bool TakeDroppedFile(QDropEvent& event);

  QLineEdit& field_;
  const BrowseEditRecord record_;
  WindowServices& services_;
  QPushButton* button_;
};

}  // namespace flashdisk
