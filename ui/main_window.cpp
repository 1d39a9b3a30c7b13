#include "ui/main_window.h"

#include <QComboBox>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QListView>
#include <QMetaObject>
#include <QMimeData>
#include <QPushButton>
#include <algorithm>
#include <chrono>

#include "disk_folder/disk_manifest.h"
#include "disk_folder/folder_packing.h"
#include "disk_folder/folder_unpacking.h"
#include "image/check_report.h"
#include "image/hex_text.h"
#include "image/image_format.h"
#include "image/image_problems.h"
#include "image/platform_seam.h"
#include "image/user_messages.h"
#include "ui/add_file_dialog.h"
#include "ui/attribute_boxes.h"
#include "ui/control_ids.h"
#include "ui/dialog_builder.h"
#include "ui/directory_menu.h"
#include "ui/entry_edits.h"
#include "ui/entry_properties_dialog.h"
#include "ui/field_text.h"
#include "ui/hex_digit_filter.h"
#include "ui/kept_selection_model.h"
#include "ui/run_folders.h"
#include "ui/window_texts.h"

namespace flashdisk {

namespace {

// A command changing the image holds its lock for a moment only; the
// window waits that long, not longer, so that it never seems to hang.
constexpr auto kImageLockWait = std::chrono::seconds(3);

QString HexAddress(std::uint16_t value) {
  return QString::fromStdString(HexText::Format16(value));
}

// The local files of a drag from outside the program; none when anything
// else travels with it.
QStringList DroppedFiles(const QDropEvent& event) {
  if (event.source() != nullptr || DirectoryListModel::IsOwnDrag(*event.mimeData()) ||
      !event.mimeData()->hasUrls()) {
    return {};
  }
  QStringList files;
  for (const QUrl& url : event.mimeData()->urls()) {
    if (!url.isLocalFile()) {
      return {};
    }
    files << url.toLocalFile();
  }
  return files;
}

// Dropped files are always copied in: the source keeps them, whatever
// action it proposed. False when the source does not allow a copy.
bool TakeAsCopy(QDropEvent& event) {
  if (!(event.possibleActions() & Qt::CopyAction)) {
    return false;
  }
  event.setDropAction(Qt::CopyAction);
  event.accept();
  return true;
}

// A refused drop tells the source that nothing was done with its files.
void Refuse(QDropEvent& event) {
  event.setDropAction(Qt::IgnoreAction);
  event.ignore();
}

bool IsImageFile(const QString& path) {
  const QFileInfo file(path);
  return !file.isDir() && file.suffix().compare(kImageSuffix, Qt::CaseInsensitive) == 0;
}

// A disk kept as a folder is named by its manifest, whatever the letter case
// a Windows user typed it in.
bool IsManifest(const QString& path) {
  const QFileInfo file(path);
  return !file.isDir() &&
         file.fileName().compare(TextFromUtf8(kManifestFileName), Qt::CaseInsensitive) == 0;
}

// Only a folder that holds a manifest is a disk; any other one stays
// something the window cannot take.
bool IsDiskFolder(const QString& path) {
  const QFileInfo file(path);
  return file.isDir() ? QFileInfo(QDir(path).filePath(TextFromUtf8(kManifestFileName))).isFile()
                      : IsManifest(path);
}

}  // namespace

MainWindow::MainWindow(WindowServices& services, QWidget* parent)
    : QDialog(parent), services_(services) {
  setObjectName("MainWindow");
  BuildDialog(*this, LoadDialogTemplate(":/layouts/main_window.json"));
  title_ = windowTitle();
  auto& list = DirectoryList();
  list.setModel(&directory_);
  const QItemSelectionModel* views_own = list.selectionModel();
  list.setSelectionModel(new KeptSelectionModel(directory_, list));
  delete views_own;
  connect(list.selectionModel(), &QItemSelectionModel::selectionChanged, this,
          &MainWindow::ShowSelectedEntry);
  HexDigitFilter::Attach(Field(ids::kLoadAddress));
  HexDigitFilter::Attach(Field(ids::kSystemLoadAddress));
  FillSizeLists();
  ConnectButtons();
  SetUpDirectoryEdits();
  Control<QPushButton>(*this, ids::kNewImage).setFocus();
}

void MainWindow::SetUpDirectoryEdits() {
  DirectoryMenuHandlers handlers;
  handlers.add = [this] { AddEntry(); };
  handlers.change = [this] { ChangeEntry(); };
  handlers.view = [this] { viewers_->Open(SelectedRow()); };
  handlers.save_data = [this] { SaveEntryToFile(); };
  handlers.replace_data = [this] { ReplaceEntryFromFile(); };
  handlers.remove = [this] { RemoveSelectedEntry(); };
  handlers.move_up = [this] { MoveSelectedEntry(-1); };
  handlers.move_down = [this] { MoveSelectedEntry(1); };
  handlers.check = [this] { CheckDisk(); };
  handlers.has_disk = [this] { return image_.has_image(); };
  auto& list = DirectoryList();
  new DirectoryMenu(list, std::move(handlers));
  viewers_ = new EntryViewers(*this, services_, image_, directory_);
  // An entry dragged out of the list becomes a file where it is dropped.
  directory_.set_dragged_file_maker(
      [this](std::uint32_t position) { return WriteDraggedFile(position); });
  list.setDragEnabled(true);
  list.setDragDropMode(QAbstractItemView::DragOnly);
  list.setDefaultDropAction(Qt::CopyAction);
  setAcceptDrops(true);
}

void MainWindow::FillSizeLists() {
  auto& disk_sizes = Control<QComboBox>(*this, ids::kDiskSizeList);
  for (const auto& choice : kDiskSizeChoices) {
    disk_sizes.addItem(TextFromUtf8(choice.text), choice.bytes);
  }
  disk_sizes.setCurrentIndex(static_cast<int>(kDefaultDiskSizeIndex));
  auto& sector_sizes = Control<QComboBox>(*this, ids::kSectorSizeList);
  for (const auto& choice : kSectorSizeChoices) {
    sector_sizes.addItem(TextFromUtf8(choice.text), choice.bytes);
  }
  sector_sizes.setCurrentIndex(static_cast<int>(kDefaultSectorSizeIndex));
}

void MainWindow::ConnectButtons() {
  const auto on_click = [this](int id, void (MainWindow::*action)()) {
    connect(&Control<QPushButton>(*this, id), &QPushButton::clicked, this, action);
  };
  on_click(ids::kNewImage, &MainWindow::NewImage);
  on_click(ids::kOpenImage, &MainWindow::OpenImage);
  connect(&Control<QPushButton>(*this, ids::kOk), &QPushButton::clicked, this,
          [this] { SaveImage(); });
  on_click(ids::kApplyLabel, &MainWindow::ApplyLabel);
  on_click(ids::kAddEntry, &MainWindow::AddEntry);
  on_click(ids::kChangeEntry, &MainWindow::ChangeEntry);
  // Esc and the close box end the window through reject() too.
  connect(&Control<QPushButton>(*this, ids::kCancel), &QPushButton::clicked, this,
          &MainWindow::reject);
}

void MainWindow::reject() {
  if (MayLetImageGo()) {
    QDialog::reject();
  }
}

void MainWindow::NewImage() {
  if (!services_.ConfirmNewImage(*this)) {
    return;
  }
  // The image path stays, so that Save proposes the last file again.
  Field(ids::kImageName).clear();
  const int disk_index = Control<QComboBox>(*this, ids::kDiskSizeList).currentIndex();
  const int sector_index = Control<QComboBox>(*this, ids::kSectorSizeList).currentIndex();
  const auto disk_size = kDiskSizeChoices[disk_index < 0 ? kDefaultDiskSizeIndex
                                                         : static_cast<std::size_t>(disk_index)];
  const auto sector_size =
      kSectorSizeChoices[sector_index < 0 ? kDefaultSectorSizeIndex
                                          : static_cast<std::size_t>(sector_index)];
  image_.Format(disk_size.bytes, sector_size.bytes);
  KeepAsSaved();
  viewers_->CloseAll();
  ShowHeader();
  List();
}

void MainWindow::OpenImage() {
  if (!MayLetImageGo()) {
    return;
  }
  const auto chosen =
      services_.ChooseImageToOpen(*this, PathText(image_.image_path()), file_dialogs_);
  if (chosen) {
    OpenImageFile(*chosen);
  }
}

bool MainWindow::OpenImageFile(const QString& path) {
  if (IsDiskFolder(path)) {
    return OpenDiskFolder(path);
  }
  // The manifest's filter would hide the image in the Save dialog.
  if (file_dialogs_.selected_filter == kManifestFilter) {
    file_dialogs_.selected_filter = kImageFilter;
  }
  image_.set_image_path(HostPath(path));
  ShowImageName(path);
  // A failed read leaves the image and its listing as they were.
  if (!image_.Load(image_.image_path())) {
    services_.ShowError(*this, TextFromUtf8(kReadErrorMessage));
    return false;
  }
  image_file_ = FileStamp::Of(image_.image_path());
  viewers_->CloseAll();
  // The header's check gives the disk its size, and with it its bytes.
  ShowHeader();
  KeepAsSaved();
  List();
  return true;
}

// A manifest or a file that pack refuses leaves the image as it was, so that
// Save never puts another disk into the folder the user is mending.
bool MainWindow::OpenDiskFolder(const QString& path) {
  // Pack's messages name the manifest as the system writes paths.
  const auto manifest = ManifestOf(HostPath(path).make_preferred());
  auto packed = PackFolder(manifest);
  if (!packed.image) {
    services_.ShowError(*this, TextFromUtf8(packed.error));
    return false;
  }
  viewers_->CloseAll();
  image_ = std::move(*packed.image);
  image_.set_image_path(manifest);
  ShowImageName(PathText(manifest));
  // Save proposes the manifest, so the dialog lists manifests.
  file_dialogs_.selected_filter = kManifestFilter;
  image_file_ = FileStamp::Of(manifest);
  ShowHeader();
  KeepAsSaved();
  List();
  // Two entries of one name or an RKS file of another length than its
  // header says pack anyway, but the user should know.
  QStringList warnings;
  for (const auto& warning : packed.warnings) {
    warnings << TextFromUtf8(warning);
  }
  if (!warnings.isEmpty()) {
    services_.ShowWarning(*this, warnings.join('\n'));
  }
  return true;
}

void MainWindow::OpenImageAtStart(const std::filesystem::path& path) {
  QMetaObject::invokeMethod(
      this, [this, path] { OpenImageFile(PathText(path)); }, Qt::QueuedConnection);
}

bool MainWindow::SaveImage() {
  const auto chosen =
      services_.ChooseImageToSave(*this, PathText(image_.image_path()), file_dialogs_);
  if (!chosen) {
    return false;
  }
  const auto path = HostPath(*chosen);
  image_.set_image_path(path);
  ShowImageName(*chosen);
  // Held over the check and the write, as a command holds it over its read
  // and its save, so that neither loses the other's work.
  const auto lock = platform::FileLock::Acquire(path, kImageLockWait);
  if (!lock) {
    services_.ShowError(*this, kImageBusyMessage);
    return false;
  }
  if (ChangedSince(image_file_, path) && !services_.Ask(*this, kOverwriteChangedQuestion)) {
    return false;
  }
  if (const auto error = WriteDisk(path)) {
    services_.ShowError(*this, *error);
    return false;
  }
  image_file_ = FileStamp::Of(path);
  KeepAsSaved();
  return true;
}

std::optional<QString> MainWindow::WriteDisk(const std::filesystem::path& path) {
  if (!IsManifest(PathText(path))) {
    return image_.Save(path) ? std::nullopt
                             : std::optional<QString>(TextFromUtf8(kWriteErrorMessage));
  }
  // A folder is written from the directory's chain; a damaged one would
  // lose the entries it no longer reaches.
  if (!image_.has_image() || !IsSound(image_)) {
    return TextFromUtf8(kFormatErrorMessage);
  }
  image_.List();  // the folder is written from the listing
  FolderUnpackOptions options;
  options.force = true;  // the folder holds the disk's files already
  const auto error = UnpackIntoFolder(image_, path.parent_path(), options);
  return error ? std::optional<QString>(TextFromUtf8(*error)) : std::nullopt;
}

void MainWindow::KeepAsSaved() {
  const auto disk = image_.disk();
  saved_bytes_.assign(disk.begin(), disk.end());
  ShowUnsavedMark();
}

// Every edit shows in the disk's bytes, so comparing them misses none.
bool MainWindow::HasUnsavedChanges() const {
  const auto disk = image_.disk();
  return image_.has_image() &&
         !std::equal(disk.begin(), disk.end(), saved_bytes_.begin(), saved_bytes_.end());
}

void MainWindow::ShowUnsavedMark() {
  setWindowTitle(HasUnsavedChanges() ? "*" + title_ : title_);
}

bool MainWindow::MayLetImageGo() {
  if (!HasUnsavedChanges()) {
    return true;
  }
  switch (services_.AskToSaveChanges(*this)) {
    case UnsavedChangesAnswer::kSave:
      return SaveImage();
    case UnsavedChangesAnswer::kDiscard:
      return true;
    case UnsavedChangesAnswer::kCancel:
      break;
  }
  return false;
}

void MainWindow::ApplyLabel() {
  image_.SetLabel(ImageText(Field(ids::kDiskLabel).text()));
  ShowUnsavedMark();
}

void MainWindow::AddEntry() {
  source_ = SourceFile{};
  AddFileDialog dialog(*this, image_, source_, plan_, services_, [this] { List(); });
  dialog.exec();
}

void MainWindow::ChangeEntry() {
  const auto entry = SelectedEntry();
  if (!entry) {
    return;  // nothing selected: there is nothing to change
  }
  EntryPropertiesDialog dialog(*this, image_, *entry, services_, [this] { List(); });
  dialog.exec();
}

void MainWindow::ShowHeader() {
  const HeaderCheck check = image_.Check();
  if (check.outcome == HeaderCheck::Outcome::kBadMagic || !check.disk_size_index) {
    services_.ShowError(*this, TextFromUtf8(kFormatErrorMessage));
    return;
  }
  Control<QComboBox>(*this, ids::kDiskSizeList)
      .setCurrentIndex(static_cast<int>(*check.disk_size_index));
  if (!check.sector_size_index) {
    services_.ShowError(*this, TextFromUtf8(kFormatErrorMessage));
    return;
  }
  Control<QComboBox>(*this, ids::kSectorSizeList)
      .setCurrentIndex(static_cast<int>(*check.sector_size_index));
  Field(ids::kDiskLabel).setText(TextFromImage(check.header.label));
  Field(ids::kSystemLoadAddress).setText(HexAddress(check.header.system_load_address));
  Field(ids::kSystemSize).setText(QString::number(check.header.system_size));
  Field(ids::kDirectoryOffset).setText(QString::number(check.header.directory_offset));
}

void MainWindow::List() {
  const DirectoryListing listing = image_.List();
  directory_.SetListing(listing);
  Field(ids::kFreeSpace).setText(QString::number(listing.free_space));
  // Every edit lists the directory again.
  ShowUnsavedMark();
  viewers_->Follow();
  // The list has selected its first entry, if it has one.
  ShowSelectedEntry();
}

std::optional<std::uint32_t> MainWindow::SelectedEntryPosition() const {
  const int row = SelectedRow();
  if (row < 0) {
    return std::nullopt;
  }
  return directory_.PositionAt(row);
}

void MainWindow::ShowSelectedEntry() {
  const auto entry = SelectedEntry();
  if (!entry) {
    Field(ids::kLoadAddress).setText(HexAddress(0));
    Field(ids::kSize).setText("0");
    Field(ids::kReserved).setText("0");
    SetAttributeBoxes(*this, 0);
    return;
  }
  Field(ids::kLoadAddress).setText(HexAddress(entry->load_address));
  Field(ids::kSize).setText(QString::number(ShownSize(*entry)));
  Field(ids::kReserved).setText(QString::number(entry->total_length));
  SetAttributeBoxes(*this, entry->attributes.Plain());
}

// A disk folder is shown by its own name rather than its manifest's.
void MainWindow::ShowImageName(const QString& path) {
  Field(ids::kImageName).setText(FileNamePart(IsManifest(path) ? QFileInfo(path).path() : path));
}

std::optional<DirectoryEntry> MainWindow::SelectedEntry() const {
  const auto position = SelectedEntryPosition();
  return position ? image_.ReadEntry(*position) : std::nullopt;
}

int MainWindow::SelectedRow() const {
  const auto selected = DirectoryList().selectionModel()->selectedIndexes();
  return selected.isEmpty() ? -1 : selected.constFirst().row();
}

void MainWindow::ListAndSelect(int row) {
  List();
  const int rows = directory_.rowCount();
  if (rows > 0) {
    DirectoryList().setCurrentIndex(directory_.index(std::clamp(row, 0, rows - 1), 0));
  }
}

bool MainWindow::Succeeded(std::string_view message) {
  if (!message.empty()) {
    services_.ShowError(*this, TextFromUtf8(message));
  }
  return message.empty();
}

void MainWindow::SaveEntryToFile() {
  const auto entry = SelectedEntry();
  if (!entry) {
    return;
  }
  const auto chosen = services_.ChooseDataFileToSave(*this, FileNameFromEntryName(entry->name));
  if (chosen) {
    Succeeded(SaveEntryData(image_, *entry, HostPath(*chosen)));
  }
}

void MainWindow::ReplaceEntryFromFile() {
  const auto entry = SelectedEntry();
  if (!entry) {
    return;
  }
  const auto chosen = services_.ChooseSourceFile(*this, QString());
  if (chosen && Succeeded(flashdisk::ReplaceEntryFromFile(image_, *entry, HostPath(*chosen)))) {
    ListAndSelect(SelectedRow());
  }
}

void MainWindow::RemoveSelectedEntry() {
  const auto entry = SelectedEntry();
  if (!entry || !services_.Ask(*this, QString(kRemoveQuestion).arg(TextFromImage(entry->name)))) {
    return;
  }
  // The next entry takes the removed one's row.
  const int row = SelectedRow();
  if (Succeeded(RemoveEntry(image_, entry->position))) {
    viewers_->Removed(row);
    ListAndSelect(row);
  }
}

void MainWindow::MoveSelectedEntry(int places) {
  const auto position = SelectedEntryPosition();
  const int to = SelectedRow() + places;
  if (!position || to < 0 || to >= directory_.rowCount()) {
    return;
  }
  if (Succeeded(MoveEntryTo(image_, *position, static_cast<std::size_t>(to)))) {
    viewers_->Moved(SelectedRow(), to);
    ListAndSelect(to);
  }
}

void MainWindow::CheckDisk() {
  if (!image_.has_image()) {
    return;
  }
  QStringList report;
  for (const auto& line : CheckReportLines(FindImageProblems(image_, image_.Check().outcome))) {
    report << TextFromUtf8(line);
  }
  services_.ShowCheckReport(*this, report.join('\n'));
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
  if (DroppedFiles(*event).isEmpty() || !TakeAsCopy(*event)) {
    Refuse(*event);
  }
}

void MainWindow::dragMoveEvent(QDragMoveEvent* event) {
  if (DroppedFiles(*event).isEmpty() || !TakeAsCopy(*event)) {
    Refuse(*event);
  }
}

void MainWindow::dropEvent(QDropEvent* event) {
  const QStringList files = DroppedFiles(*event);
  const bool done =
      !files.isEmpty() && (event->possibleActions() & Qt::CopyAction) &&
      (files.size() == 1 && (IsImageFile(files.constFirst()) || IsDiskFolder(files.constFirst()))
           ? OpenDroppedImage(files.constFirst())
           : AddDroppedFiles(files));
  if (done) {
    TakeAsCopy(*event);
  } else {
    Refuse(*event);
  }
}

bool MainWindow::OpenDroppedImage(const QString& path) {
  return MayLetImageGo() && OpenImageFile(path);
}

bool MainWindow::AddDroppedFiles(const QStringList& paths) {
  if (!image_.has_image()) {
    services_.ShowError(*this, kNoImageMessage);
    return false;
  }
  std::vector<std::filesystem::path> files;
  for (const auto& path : paths) {
    files.push_back(HostPath(path));
  }
  const int first_new_row = directory_.rowCount();
  if (!Succeeded(AddFiles(image_, files))) {
    return false;
  }
  ListAndSelect(first_new_row);
  return true;
}

// Each drag writes the entry's data afresh, so the file holds what the
// image holds now.
std::optional<QString> MainWindow::WriteDraggedFile(std::uint32_t position) {
  const auto entry = image_.ReadEntry(position);
  if (!entry) {
    return std::nullopt;
  }
  if (!dragged_files_) {
    dragged_files_ = MakeRunFolder(QDir::tempPath());
  }
  // A drag without its file would drop nothing: the user hears why.
  if (!dragged_files_->isValid()) {
    services_.ShowError(*this, TextFromUtf8(kWriteErrorMessage));
    dragged_files_.reset();  // tried again at the next drag
    return std::nullopt;
  }
  const QString file = dragged_files_->filePath(FileNameFromEntryName(entry->name));
  if (!Succeeded(SaveEntryData(image_, *entry, HostPath(file)))) {
    return std::nullopt;
  }
  return file;
}

QLineEdit& MainWindow::Field(int id) const {
  return Control<QLineEdit>(*this, id);
}

QListView& MainWindow::DirectoryList() const {
  return Control<QListView>(*this, ids::kDirectoryList);
}

}  // namespace flashdisk
