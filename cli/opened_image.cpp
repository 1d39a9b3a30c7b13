#include "cli/opened_image.h"

#include <chrono>
#include <utility>

#include "cli/command_messages.h"
#include "image/image_problems.h"
#include "image/user_messages.h"

namespace flashdisk::cli {

std::optional<DirectoryEntry> OpenedImage::EntryAt(std::uint64_t index) const {
  const auto& entries = listing().entries;
  if (index == 0 || index > entries.size()) {
    return std::nullopt;
  }
  return entries[index - 1];
}

namespace {

// Ample for a queue of saves (a make -j with one add per program), short
// enough that a command never seems to hang.
constexpr auto kImageLockWait = std::chrono::seconds(10);

}  // namespace

std::optional<platform::FileLock> LockImage(const std::filesystem::path& path,
                                            const Console& console, platform::LockKind kind) {
  auto lock = platform::FileLock::Acquire(path, kImageLockWait, kind);
  if (!lock) {
    console.Report(path, kImageBusyMessage);
  }
  return lock;
}

namespace {

std::optional<OpenedImage> Open(const std::filesystem::path& path, const Console& console,
                                platform::LockKind kind) {
  auto lock = LockImage(path, console, kind);
  if (!lock) {
    return std::nullopt;
  }
  OpenedImage opened;
  opened.lock = std::move(*lock);
  opened.path = path;
  if (!opened.image.Load(path)) {
    console.Report(path, kReadErrorMessage);
    return std::nullopt;
  }
  const auto check = opened.image.Check();
  if (!check.valid()) {
    console.Report(path, kFormatErrorMessage);
    return std::nullopt;
  }
  opened.header = check.header;
  opened.image.List();
  return opened;
}

std::optional<OpenedImage> RefuseUnsound(std::optional<OpenedImage> opened,
                                         const Console& console) {
  if (opened && !IsSound(opened->image)) {
    console.Report(opened->path, kFormatErrorMessage);
    return std::nullopt;
  }
  return opened;
}

// A reader has all it needs once the image is in memory: holding the lock
// while it prints to a pager or writes a folder would keep every writer
// waiting for it.
std::optional<OpenedImage> LetGo(std::optional<OpenedImage> opened) {
  if (opened) {
    opened->lock = platform::FileLock();
  }
  return opened;
}

}  // namespace

std::optional<OpenedImage> OpenImage(const std::filesystem::path& path, const Console& console) {
  return Open(path, console, platform::LockKind::kExclusive);
}

std::optional<OpenedImage> OpenSoundImage(const std::filesystem::path& path,
                                          const Console& console) {
  return RefuseUnsound(OpenImage(path, console), console);
}

std::optional<OpenedImage> ReadImage(const std::filesystem::path& path, const Console& console) {
  return LetGo(Open(path, console, platform::LockKind::kShared));
}

std::optional<OpenedImage> ReadSoundImage(const std::filesystem::path& path,
                                          const Console& console) {
  return RefuseUnsound(ReadImage(path, console), console);
}

bool SaveImage(const OpenedImage& opened, const Console& console) {
  if (!opened.image.Save(opened.path)) {
    console.Report(opened.path, kWriteErrorMessage);
    return false;
  }
  return true;
}

std::optional<DirectoryEntry> FindEntry(const OpenedImage& opened, std::uint64_t index,
                                        const Console& console) {
  auto entry = opened.EntryAt(index);
  if (!entry) {
    console.Report(opened.path, kNoSuchEntryMessage);
  }
  return entry;
}

}  // namespace flashdisk::cli
