// An image file opened for one command: read, its header checked and its
// directory listed. Every command refuses a damaged image, so none of them
// lists, changes or saves a disk whose sizes are not among the offered ones.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>

#include "cli/console.h"
#include "image/disk_image.h"
#include "image/platform_seam.h"

namespace flashdisk::cli {

struct OpenedImage {
  // Held from before the read to after the save, so that commands changing
  // the same image at the same time run one after the other; let go at once
  // by a command that only reads.
  platform::FileLock lock;
  std::filesystem::path path;
  DiskImage image;
  ImageHeader header;
  // The listing made when the image was opened.
  const DirectoryListing& listing() const { return image.listing(); }

  // The entry that `list` shows under this 1-based index, or nothing.
  std::optional<DirectoryEntry> EntryAt(std::uint64_t index) const;
};

// The lock of the image file at `path`, exclusive for a command that may
// save it; reports "Образ занят другой программой!" and gives nothing when
// another command keeps it longer than a bounded wait.
std::optional<platform::FileLock> LockImage(
    const std::filesystem::path& path, const Console& console,
    platform::LockKind kind = platform::LockKind::kExclusive);

// Locks the image, then reads it. Reports "Образ занят другой программой!",
// "Ошибка чтения файла!" or "Ошибка формата диска!" and gives nothing when
// the image cannot be used.
std::optional<OpenedImage> OpenImage(const std::filesystem::path& path, const Console& console);

// The same for a command that moves entries or their data: it also refuses,
// with "Ошибка формата диска!", an image whose header or chain has a problem.
std::optional<OpenedImage> OpenSoundImage(const std::filesystem::path& path,
                                          const Console& console);

// The same two for a command that only reads the image (list, info,
// extract, unpack): it waits for a save under way, and lets the lock go once
// the image is read, so that a slow reader never keeps a writer waiting.
std::optional<OpenedImage> ReadImage(const std::filesystem::path& path, const Console& console);
std::optional<OpenedImage> ReadSoundImage(const std::filesystem::path& path,
                                          const Console& console);

// Saves the disk over the file it came from; reports "Ошибка записи файла!".
bool SaveImage(const OpenedImage& opened, const Console& console);

// The entry under `index`, or a report of the missing entry.
std::optional<DirectoryEntry> FindEntry(const OpenedImage& opened, std::uint64_t index,
                                        const Console& console);

}  // namespace flashdisk::cli
