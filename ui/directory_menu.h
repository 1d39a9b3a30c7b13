// The directory list's context menu: what can be done to the entry under the
// mouse, or the selected one when the menu key or Shift+F10 opens it, and to
// the disk. The Delete key in the list removes the selected entry, as the
// menu's "Удалить" does, and F3 opens its viewer, as "Просмотр…" does.
#pragma once

#include <QMenu>
#include <QObject>
#include <functional>

class QAction;
class QListView;
class QPoint;

namespace flashdisk {

struct DirectoryMenuHandlers {
  std::function<void()> add;
  std::function<void()> change;
  std::function<void()> view;
  std::function<void()> save_data;
  std::function<void()> replace_data;
  std::function<void()> remove;
  std::function<void()> move_up;
  std::function<void()> move_down;
  std::function<void()> check;
  // Whether there is a disk to check.
  std::function<bool()> has_disk;
};

class DirectoryMenu : public QObject {
  Q_OBJECT

 public:
  DirectoryMenu(QListView& list, DirectoryMenuHandlers handlers);

  QMenu& menu() { return menu_; }

 protected:
  // The menu key's request reaches the list itself, with a position of the
  // desktop's choosing: the menu opens at the selected entry instead.
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QAction& AddItem(const char* text, const std::function<void()>& handler);
  // `where` is in the coordinates of the list's viewport.
  void Open(const QPoint& where);
  void OpenAtSelection();
  void EnableFor(int row);

  QListView& list_;
  DirectoryMenuHandlers handlers_;
  QMenu menu_;
  QAction* change_ = nullptr;
  QAction* view_ = nullptr;
  QAction* save_data_ = nullptr;
  QAction* replace_data_ = nullptr;
  QAction* remove_ = nullptr;
  QAction* move_up_ = nullptr;
  QAction* move_down_ = nullptr;
  QAction* check_ = nullptr;
};

}  // namespace flashdisk
