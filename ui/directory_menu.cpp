#include "ui/directory_menu.h"

#include <QAction>
#include <QContextMenuEvent>
#include <QKeySequence>
#include <QListView>
#include <QShortcut>

#include "ui/window_texts.h"

namespace flashdisk {

DirectoryMenu::DirectoryMenu(QListView& list, DirectoryMenuHandlers handlers)
    : QObject(&list), list_(list), handlers_(std::move(handlers)), menu_(&list) {
  menu_.setObjectName("DirectoryMenu");
  menu_.setTitle(kDirectoryMenuName);
  menu_.setAccessibleName(kDirectoryMenuName);
  AddItem(kAddMenuText, handlers_.add);
  change_ = &AddItem(kChangeMenuText, handlers_.change);
  view_ = &AddItem(kViewMenuText, handlers_.view);
  // As in the file managers; the list's own shortcut below does the work.
  view_->setShortcut(QKeySequence(Qt::Key_F3));
  save_data_ = &AddItem(kSaveDataMenuText, handlers_.save_data);
  replace_data_ = &AddItem(kReplaceDataMenuText, handlers_.replace_data);
  remove_ = &AddItem(kRemoveMenuText, handlers_.remove);
  // Shown beside "Удалить"; the list's own shortcut below does the work.
  remove_->setShortcut(QKeySequence::Delete);
  menu_.addSeparator();
  move_up_ = &AddItem(kMoveUpMenuText, handlers_.move_up);
  move_down_ = &AddItem(kMoveDownMenuText, handlers_.move_down);
  menu_.addSeparator();
  check_ = &AddItem(kCheckMenuText, handlers_.check);

  list_.setContextMenuPolicy(Qt::CustomContextMenu);
  connect(&list_, &QWidget::customContextMenuRequested, this, &DirectoryMenu::Open);
  list_.installEventFilter(this);
  // Windows sends Shift+F10 as a context menu request, X11 desktops do not.
  auto* shift_f10 = new QShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F10), &list_);
  shift_f10->setContext(Qt::WidgetShortcut);
  connect(shift_f10, &QShortcut::activated, this, &DirectoryMenu::OpenAtSelection);
  auto* remove_key = new QShortcut(QKeySequence::Delete, &list_);
  remove_key->setContext(Qt::WidgetShortcut);
  // The handlers take the selected entry, as the menu's items do, and do
  // nothing when none is selected.
  connect(remove_key, &QShortcut::activated, this, [this] { handlers_.remove(); });
  auto* view_key = new QShortcut(QKeySequence(Qt::Key_F3), &list_);
  view_key->setContext(Qt::WidgetShortcut);
  connect(view_key, &QShortcut::activated, this, [this] { handlers_.view(); });
}

bool DirectoryMenu::eventFilter(QObject* watched, QEvent* event) {
  if (watched == &list_ && event->type() == QEvent::ContextMenu &&
      static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
    OpenAtSelection();
    return true;
  }
  return QObject::eventFilter(watched, event);
}

QAction& DirectoryMenu::AddItem(const char* text, const std::function<void()>& handler) {
  QAction* action = menu_.addAction(text);
  connect(action, &QAction::triggered, this, [&handler] { handler(); });
  return *action;
}

void DirectoryMenu::Open(const QPoint& where) {
  const QModelIndex index = list_.indexAt(where);
  // A right click on an entry has selected it already.
  EnableFor(index.isValid() ? index.row() : -1);
  menu_.popup(list_.viewport()->mapToGlobal(where));
}

void DirectoryMenu::OpenAtSelection() {
  const QModelIndex current = list_.currentIndex();
  Open(current.isValid() ? list_.visualRect(current).center() : QPoint(0, 0));
}

// The entry's items only on an entry, and a move only where there is a place
// to move to.
void DirectoryMenu::EnableFor(int row) {
  const bool on_entry = row >= 0;
  for (QAction* action : {change_, view_, save_data_, replace_data_, remove_}) {
    action->setEnabled(on_entry);
  }
  move_up_->setEnabled(on_entry && row > 0);
  move_down_->setEnabled(on_entry && row + 1 < list_.model()->rowCount());
  check_->setEnabled(handlers_.has_disk());
}

}  // namespace flashdisk
