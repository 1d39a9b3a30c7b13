// The platform seam: the few things the core and the command line ask of the
// operating system that the C++ standard library cannot say portably. Linux
// and Windows each answer them here and nowhere else.
#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace flashdisk::platform {

// Opens a file that does not exist yet for writing in binary; nothing when
// the name is taken, even by a link or by a file someone has just made. On
// Linux the file has `mode` from the moment it exists (the mode of a file it
// is to replace, so that no one may read the copy who could not read the
// original), or without one the system's mode for a new file; Windows files
// take their folder's rights.
std::FILE* CreateNewFile(const std::filesystem::path& path,
                         std::optional<std::filesystem::perms> mode = std::nullopt);

// As CreateNewFile, and never through a link, even one made between two
// calls (O_NOFOLLOW; FILE_FLAG_OPEN_REPARSE_POINT). On Windows the file may
// be removed while it is open, so that a TemporaryFilesGuard can take it
// away on Ctrl+C while it is being written.
std::FILE* CreatePlainFile(const std::filesystem::path& path);

// Flushes the C runtime's buffer of `file` and has the system write the
// file's data to the disk before it returns.
bool SyncFile(std::FILE* file);

// Puts `from` in the place of `to` in one step, replacing what `to` was, and
// makes the new name last a power cut: Linux syncs the folder after the
// rename, Windows writes the move through. Windows also retries for a moment
// while another program (a virus scanner, an indexer) holds either file.
bool MoveFileOver(const std::filesystem::path& from, const std::filesystem::path& to);

// As MoveFileOver, but on Linux the folder is left for one SyncFolder after
// many moves: a folder that takes a thousand new names is synced once.
bool MoveFileInto(const std::filesystem::path& from, const std::filesystem::path& to);

// Makes the names in `folder` (new, renamed, removed) last a power cut.
// Windows writes names through as they change; there it does nothing.
bool SyncFolder(const std::filesystem::path& folder);

// Whether `path` is a link (on Windows any reparse point: a symbolic link or
// a junction), which must be neither written through nor replaced blindly.
bool IsLink(const std::filesystem::path& path);

// The file that `path` names once every link on the way is followed, or
// nothing when it does not exist.
std::optional<std::filesystem::path> FinalPath(const std::filesystem::path& path);

// Whether an existing file may be replaced: it has a write permission bit
// that this process holds (root included: a file nobody may write is left
// alone, as an editor leaves it), and on Windows no read-only attribute.
bool MayReplaceFile(const std::filesystem::path& path);

// A reader only needs no save to be under way while it reads; a writer
// needs the file to itself from its read to its save.
enum class LockKind { kShared, kExclusive };

// A lock on an existing file among the programs that ask for it, held until
// it is destroyed; nothing is left on the disk by it. Linux locks the file
// itself (shared or exclusive) and makes sure that the name still leads to
// the file locked, since a save renames a new file over it; Windows takes a
// named mutex of the file's final path, which has no shared form: there a
// shared lock is exclusive too, and readers let it go as soon as they have
// read, so that they keep writers waiting no longer than a read.
class FileLock {
 public:
  // The lock on the file `path` leads to, waiting at most `wait` while
  // another program holds it; nothing when the wait ran out. A file that
  // does not exist or cannot be opened gives a lock that holds nothing: there
  // is nothing to keep whole, and reading it fails on its own.
  static std::optional<FileLock> Acquire(const std::filesystem::path& path,
                                         std::chrono::milliseconds wait,
                                         LockKind kind = LockKind::kExclusive);

  FileLock() = default;
  FileLock(FileLock&& other) noexcept;
  FileLock& operator=(FileLock&& other) noexcept;
  ~FileLock();
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  void Release();
#ifdef _WIN32
  void* mutex_ = nullptr;
#else
  int descriptor_ = -1;
#endif
};

// Whether a process with the id `id` runs now. True when that cannot be
// told, so that nothing of a running program is taken for a leftover.
bool ProcessRuns(std::int64_t id);

// Calls `on_request` once, from a thread of its own, when the system asks
// the program to end in a way it may answer: SIGTERM or SIGINT on Linux;
// Ctrl+C, Ctrl+Break or the closing of its console on Windows. The program
// then ends as it does normally, removing what it leaves behind; a second
// request ends it at once. Called once, at start.
void WatchEndRequests(std::function<void()> on_request);

// Temporary files that an interrupted program must not leave behind. While
// a guard lives, Ctrl+C or SIGTERM (on Windows Ctrl+C, Ctrl+Break or the
// console closed) first removes "<stem><i>.tmp" for every i below `count`,
// then ends the program as it would have ended. A few guards may live at once;
// when more are asked for, the last ones guard nothing.
class TemporaryFilesGuard {
 public:
  TemporaryFilesGuard(const std::filesystem::path& stem, std::size_t count);
  ~TemporaryFilesGuard();
  TemporaryFilesGuard(const TemporaryFilesGuard&) = delete;
  TemporaryFilesGuard& operator=(const TemporaryFilesGuard&) = delete;

  // The name of temporary file `index`.
  std::filesystem::path Name(std::size_t index) const;

 private:
  std::filesystem::path stem_;
  int slot_ = -1;
};

// Memory for a disk image's bytes. A block of 2 MiB or more is taken in huge
// pages where Linux offers them: a fresh 2 MiB buffer faulted in page by
// page cost more than reading the whole image file into it. Throws
// std::bad_alloc as operator new does; freed with the size it was asked for.
void* AllocateImageMemory(std::size_t bytes);
void FreeImageMemory(void* block, std::size_t bytes);

// Whether standard error goes to a terminal (a console on Windows), where
// a long command may show its progress.
bool ErrorsGoToTerminal();

// The program's arguments in UTF-8, whatever code page Windows runs in.
std::vector<std::string> Utf8Arguments(int argc, const char* const* argv);

// While it lives, standard output and error write the program's UTF-8 bytes
// as they are: a Windows console is told to show them as UTF-8, and nothing
// turns "\n" into "\r\n" on the way to a file or a pipe. The console gets its
// own code page back at the end, and on Ctrl+C or Ctrl+Break too, so that
// what runs in it next is not changed.
class Utf8Console {
 public:
  Utf8Console();
  ~Utf8Console();
  Utf8Console(const Utf8Console&) = delete;
  Utf8Console& operator=(const Utf8Console&) = delete;

 private:
#ifdef _WIN32
  unsigned previous_code_page_ = 0;  // 0 when there is no console
#endif
};

}  // namespace flashdisk::platform
