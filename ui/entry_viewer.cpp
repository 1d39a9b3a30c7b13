#include "ui/entry_viewer.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

#include "image/hex_text.h"
#include "image/user_messages.h"
#include "target/address_space.h"
#include "ui/field_text.h"
#include "ui/hex_digit_filter.h"
#include "ui/window_texts.h"

namespace flashdisk {

namespace {

// A list of text rows whose selection is copied whole, every selected row
// on a line of its own; a plain list view copies only the current row.
class RowTextView : public QListView {
 public:
  using QListView::QListView;

 protected:
  void keyPressEvent(QKeyEvent* event) override {
    if (event != QKeySequence::Copy) {
      QListView::keyPressEvent(event);
      return;
    }
    auto rows = selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end());
    QStringList lines;
    for (const auto& row : rows) {
      lines << row.data().toString();
    }
    QApplication::clipboard()->setText(lines.join('\n') + '\n');
  }
};

void KeepRow(QListView& view, int row) {
  if (row >= 0 && row < view.model()->rowCount()) {
    view.setCurrentIndex(view.model()->index(row, 0));
  }
}

// Fits "7600  3E 41 ... 34  >A1.v............" without a horizontal scroll.
constexpr int kRowCharacters = 80;
constexpr int kVisibleRows = 24;

}  // namespace

EntryViewer::EntryViewer(QWidget& owner, WindowServices& services)
    : QDialog(&owner), services_(services) {
  setObjectName("EntryViewer");
  setAttribute(Qt::WA_DeleteOnClose);
  setModal(false);
  setSizeGripEnabled(true);
  auto* layout = new QVBoxLayout(this);
  auto* controls = new QHBoxLayout;
  auto* set_label = new QLabel(kCharacterSetLabel, this);
  character_sets_ = new QComboBox(this);
  character_sets_->setObjectName("CharacterSets");
  character_sets_->addItems({kCp1251SetText, kKoi7SetText});
  set_label->setBuddy(character_sets_);
  auto* address_label = new QLabel(kGoToAddressLabel, this);
  address_ = new QLineEdit(this);
  address_->setObjectName("Address");
  address_->setMaxLength(static_cast<int>(HexText::kAddressDigits));
  HexDigitFilter::Attach(*address_);
  address_label->setBuddy(address_);
  controls->addWidget(set_label);
  controls->addWidget(character_sets_);
  controls->addSpacing(16);
  controls->addWidget(address_label);
  controls->addWidget(address_);
  controls->addStretch();
  layout->addLayout(controls);
  tabs_ = new QTabWidget(this);
  tabs_->setObjectName("ViewerTabs");
  bytes_view_ = &AddTab(bytes_, kBytesTabText);
  code_view_ = &AddTab(code_, kCodeTabText);
  layout->addWidget(tabs_);
  connect(character_sets_, &QComboBox::currentIndexChanged, this, [this](int index) {
    bytes_.SetCharacterSet(index == 1 ? target::CharacterSet::kKoi7
                                      : target::CharacterSet::kCp1251);
  });
  connect(address_, &QLineEdit::returnPressed, this, &EntryViewer::GoToAddress);
  const QFontMetrics metrics(bytes_view_->font());
  resize(metrics.horizontalAdvance(QString(kRowCharacters, 'W')), metrics.height() * kVisibleRows);
}

QListView& EntryViewer::AddTab(EntryRowsModel& model, const char* title) {
  auto* view = new RowTextView(tabs_);
  view->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  // Every row is as high as the first: the view then never asks for the
  // text of rows it does not show.
  view->setUniformItemSizes(true);
  view->setSelectionMode(QAbstractItemView::ExtendedSelection);
  view->setEditTriggers(QAbstractItemView::NoEditTriggers);
  view->setModel(&model);
  tabs_->addTab(view, title);
  return *view;
}

void EntryViewer::ShowEntry(const QString& name, std::uint16_t load_address,
                            EntryRowsModel::Bytes bytes) {
  setWindowTitle(
      QString(kViewerCaption).arg(name, QString::fromStdString(HexText::Format16(load_address))));
  load_address_ = load_address;
  size_ = bytes->size();
  // Shown again after an edit elsewhere in the directory: each tab keeps its
  // row where the entry still has it.
  const int bytes_row = bytes_view_->currentIndex().row();
  const int code_row = code_view_->currentIndex().row();
  bytes_.SetBytes(bytes, load_address);
  code_.SetBytes(std::move(bytes), load_address);
  KeepRow(*bytes_view_, bytes_row);
  KeepRow(*code_view_, code_row);
}

// Shows the row of the address's first byte in the open tab, and selects it.
void EntryViewer::GoToAddress() {
  const auto parse = HexText::ParseAddress(address_->text().toStdString());
  const auto offset = target::FirstOffsetOf(load_address_, static_cast<std::uint16_t>(parse.value));
  if (address_->text().isEmpty() || offset >= size_) {
    services_.ShowError(*this, TextFromUtf8(kAddressOutsideEntryMessage));
    return;
  }
  auto& view = tabs_->currentIndex() == 0 ? *bytes_view_ : *code_view_;
  const auto& model = tabs_->currentIndex() == 0 ? bytes_ : code_;
  const auto row = model.index(model.RowOf(offset), 0);
  view.setCurrentIndex(row);
  view.scrollTo(row, QAbstractItemView::PositionAtTop);
  view.setFocus();
}

}  // namespace flashdisk
