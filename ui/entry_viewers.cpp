#include "ui/entry_viewers.h"

#include <QEvent>
#include <algorithm>

#include "ui/field_text.h"

namespace flashdisk {

EntryViewers::EntryViewers(QWidget& owner, WindowServices& services, const DiskImage& image,
                           const DirectoryListModel& directory)
    : QObject(&owner), owner_(owner), services_(services), image_(image), directory_(directory) {
  owner_.installEventFilter(this);
}

void EntryViewers::Open(int row) {
  auto* viewer = new EntryViewer(owner_, services_);
  if (!Show(*viewer, row)) {
    delete viewer;
    return;
  }
  open_.push_back({viewer, row});
  viewer->show();
}

bool EntryViewers::Show(EntryViewer& viewer, int row) const {
  if (row < 0 || row >= directory_.rowCount()) {
    return false;
  }
  const auto entry = image_.ReadEntry(directory_.PositionAt(row));
  if (!entry) {
    return false;
  }
  const auto data = image_.EntryData(*entry);
  viewer.ShowEntry(TextFromImage(entry->name), entry->load_address,
                   std::make_shared<const std::vector<std::uint8_t>>(data.begin(), data.end()));
  return true;
}

void EntryViewers::Follow() {
  std::erase_if(open_, [this](const Shown& shown) {
    if (shown.viewer.isNull()) {
      return true;  // closed by its user
    }
    if (Show(*shown.viewer, shown.row)) {
      return false;
    }
    shown.viewer->close();
    return true;
  });
}

void EntryViewers::Removed(int row) {
  std::erase_if(open_, [row](const Shown& shown) {
    if (shown.row == row && shown.viewer) {
      shown.viewer->close();
    }
    return shown.row == row || shown.viewer.isNull();
  });
  for (auto& shown : open_) {
    if (shown.row > row) {
      --shown.row;
    }
  }
}

void EntryViewers::Moved(int from, int to) {
  for (auto& shown : open_) {
    if (shown.row == from) {
      shown.row = to;
    } else if (from < to && shown.row > from && shown.row <= to) {
      --shown.row;
    } else if (to < from && shown.row >= to && shown.row < from) {
      ++shown.row;
    }
  }
}

void EntryViewers::CloseAll() {
  for (const auto& shown : open_) {
    if (shown.viewer) {
      shown.viewer->close();
    }
  }
  open_.clear();
}

bool EntryViewers::eventFilter(QObject* watched, QEvent* event) {
  // A minimised window is hidden by the window system, spontaneously; its
  // viewers stay.
  if (watched == &owner_ && event->type() == QEvent::Hide && !event->spontaneous()) {
    CloseAll();
  }
  return QObject::eventFilter(watched, event);
}

}  // namespace flashdisk
