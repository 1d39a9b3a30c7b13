#include "image/platform_seam.h"

#ifdef _WIN32
#include <windows.h>

#include <mutex>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstring>
#endif

#include <array>
#include <atomic>
#include <csignal>
#include <cstdint>
#include <limits>
#include <new>
#include <system_error>
#include <thread>
#include <utility>

namespace flashdisk::platform {

#ifdef _WIN32

namespace {

std::string Utf8FromWide(const wchar_t* wide) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) {
    return {};
  }
  std::string utf8(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8.data(), size, nullptr, nullptr);
  utf8.pop_back();  // the terminating zero
  return utf8;
}

// How long a replace is retried while another program holds a file.
constexpr DWORD kMoveRetryMilliseconds = 1500;
constexpr DWORD kMoveRetryInterval = 50;

// The absolute form with the "\\?\" prefix, which lifts the old limit of
// 260 characters from every call that takes it: a temporary name beside an
// image deep in folders must fit as well as the image's own name did.
std::wstring LongForm(const std::filesystem::path& path) {
  const std::wstring given = path.wstring();
  if (given.starts_with(L"\\\\?\\")) {
    return given;
  }
  const DWORD size = GetFullPathNameW(given.c_str(), 0, nullptr, nullptr);
  std::wstring full(size, L'\0');
  const DWORD length = GetFullPathNameW(given.c_str(), size, full.data(), nullptr);
  if (length == 0 || length >= size) {
    return given;
  }
  full.resize(length);
  if (full.starts_with(L"\\\\")) {
    return L"\\\\?\\UNC\\" + full.substr(2);  // \\server\share\...
  }
  return L"\\\\?\\" + full;
}

// Another program has the file open for a moment: a virus scanner reading a
// new file, an indexer, a backup.
bool IsTransient(DWORD error) {
  return error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED ||
         error == ERROR_LOCK_VIOLATION;
}

// FNV-1a: the same name of a mutex for the same path in every build.
std::uint64_t StableHash(const std::wstring& text) {
  std::uint64_t hash = 14695981039346656037ULL;
  for (const wchar_t character : text) {
    hash = (hash ^ static_cast<std::uint16_t>(character)) * 1099511628211ULL;
  }
  return hash;
}

std::wstring MutexNameFor(std::wstring final_path) {
  // NTFS compares names without case.
  CharUpperBuffW(final_path.data(), static_cast<DWORD>(final_path.size()));
  const auto hash = StableHash(final_path);
  std::wstring name = L"Local\\flashdisk-image-";
  for (int shift = 60; shift >= 0; shift -= 4) {
    name += L"0123456789abcdef"[(hash >> shift) & 0xF];
  }
  return name;
}

// A C stream for writing over a handle just created; the stream owns the
// handle from then on.
std::FILE* StreamOf(HANDLE handle) {
  if (handle == INVALID_HANDLE_VALUE) {
    return nullptr;
  }
  const int descriptor = _open_osfhandle(reinterpret_cast<intptr_t>(handle), _O_BINARY);
  if (descriptor < 0) {
    CloseHandle(handle);
    return nullptr;
  }
  std::FILE* file = _fdopen(descriptor, "wb");
  if (file == nullptr) {
    _close(descriptor);
  }
  return file;
}

}  // namespace

std::FILE* CreateNewFile(const std::filesystem::path& path, std::optional<std::filesystem::perms>) {
  // CREATE_NEW fails on any existing name; Windows' C runtime would ignore
  // the "x" of fopen. Shared for deletion, so that Ctrl+C can remove it
  // while it is still open.
  const HANDLE handle = CreateFileW(LongForm(path).c_str(), GENERIC_WRITE, FILE_SHARE_DELETE,
                                    nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  return StreamOf(handle);
}

bool SyncFile(std::FILE* file) {
  const auto handle = reinterpret_cast<HANDLE>(_get_osfhandle(_fileno(file)));
  return std::fflush(file) == 0 && FlushFileBuffers(handle);
}

bool MoveFileOver(const std::filesystem::path& from, const std::filesystem::path& to) {
  const std::wstring source = LongForm(from);
  const std::wstring target = LongForm(to);
  const ULONGLONG start = GetTickCount64();
  while (!MoveFileExW(source.c_str(), target.c_str(),
                      MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    if (!IsTransient(GetLastError()) || GetTickCount64() - start > kMoveRetryMilliseconds) {
      return false;
    }
    Sleep(kMoveRetryInterval);
  }
  return true;
}

bool IsLink(const std::filesystem::path& path) {
  const DWORD attributes = GetFileAttributesW(LongForm(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// MinGW's std::filesystem does not follow reparse points; the system does,
// when it opens the file.
std::optional<std::filesystem::path> FinalPath(const std::filesystem::path& path) {
  const HANDLE handle =
      CreateFileW(LongForm(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    return std::nullopt;
  }
  std::wstring final_path(MAX_PATH, L'\0');
  DWORD length = GetFinalPathNameByHandleW(
      handle, final_path.data(), static_cast<DWORD>(final_path.size()), FILE_NAME_NORMALIZED);
  if (length >= final_path.size()) {
    final_path.resize(length);
    length = GetFinalPathNameByHandleW(handle, final_path.data(),
                                       static_cast<DWORD>(final_path.size()), FILE_NAME_NORMALIZED);
  }
  CloseHandle(handle);
  if (length == 0 || length >= final_path.size()) {
    return std::nullopt;
  }
  final_path.resize(length);
  return std::filesystem::path(final_path);
}

bool MayReplaceFile(const std::filesystem::path& path) {
  const DWORD attributes = GetFileAttributesW(LongForm(path).c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) == 0;
}

std::optional<FileLock> FileLock::Acquire(const std::filesystem::path& path,
                                          std::chrono::milliseconds wait, LockKind) {
  FileLock lock;
  const auto final_path = FinalPath(path);
  if (!final_path) {
    return lock;
  }
  lock.mutex_ = CreateMutexW(nullptr, FALSE, MutexNameFor(final_path->wstring()).c_str());
  if (lock.mutex_ == nullptr) {
    return lock;  // no named objects: the save works as before
  }
  // An abandoned mutex is owned all the same: its holder died, and the image
  // it held is whole, since only a finished save replaces it.
  const DWORD waited = WaitForSingleObject(lock.mutex_, static_cast<DWORD>(wait.count()));
  if (waited != WAIT_OBJECT_0 && waited != WAIT_ABANDONED) {
    CloseHandle(lock.mutex_);
    lock.mutex_ = nullptr;
    return std::nullopt;
  }
  return lock;
}

void FileLock::Release() {
  if (mutex_ != nullptr) {
    ReleaseMutex(mutex_);
    CloseHandle(mutex_);
    mutex_ = nullptr;
  }
}

FileLock::FileLock(FileLock&& other) noexcept : mutex_(std::exchange(other.mutex_, nullptr)) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    Release();
    mutex_ = std::exchange(other.mutex_, nullptr);
  }
  return *this;
}

bool ProcessRuns(std::int64_t id) {
  HANDLE process = OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(id));
  if (process == nullptr) {
    return GetLastError() == ERROR_ACCESS_DENIED;
  }
  const bool runs = WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  CloseHandle(process);
  return runs;
}

std::FILE* CreatePlainFile(const std::filesystem::path& path) {
  const HANDLE handle =
      CreateFileW(LongForm(path).c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr, CREATE_NEW,
                  FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  return StreamOf(handle);
}

bool MoveFileInto(const std::filesystem::path& from, const std::filesystem::path& to) {
  return MoveFileOver(from, to);  // written through already
}

bool SyncFolder(const std::filesystem::path&) {
  return true;
}

namespace {

// Windows calls a console's control handlers on a thread of its own and
// hands them no context: the request's answer waits here.
std::function<void()> answer_to_end_request;
std::atomic<bool> end_requested{false};

BOOL WINAPI AnswerEndRequest(DWORD event) {
  if (end_requested.exchange(true)) {
    return FALSE;  // the second request: Windows' own handler ends the program
  }
  answer_to_end_request();
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) {
    // Windows ends the process once this returns: the program's normal end
    // comes first and takes this thread with it.
    Sleep(INFINITE);
  }
  return TRUE;
}

constexpr std::size_t kGuardSlots = 4;

// The temporary files of the living guards. Windows calls a console's
// control handlers on a thread of their own, so a lock keeps them whole.
struct GuardedFiles {
  std::mutex lock;
  std::array<std::wstring, kGuardSlots> stems;
  std::array<std::size_t, kGuardSlots> counts{};
  bool handler_installed = false;
};

GuardedFiles& guarded_files() {
  static GuardedFiles files;
  return files;
}

BOOL WINAPI RemoveGuardedFilesOnInterrupt(DWORD) {
  auto& files = guarded_files();
  const std::lock_guard hold(files.lock);
  for (std::size_t slot = 0; slot < kGuardSlots; ++slot) {
    for (std::size_t i = 0; i < files.counts[slot]; ++i) {
      DeleteFileW((files.stems[slot] + std::to_wstring(i) + L".tmp").c_str());
    }
  }
  return FALSE;  // the next handler ends the program
}

}  // namespace

void WatchEndRequests(std::function<void()> on_request) {
  answer_to_end_request = std::move(on_request);
  SetConsoleCtrlHandler(AnswerEndRequest, TRUE);
}

TemporaryFilesGuard::TemporaryFilesGuard(const std::filesystem::path& stem, std::size_t count)
    : stem_(stem) {
  auto& files = guarded_files();
  const std::lock_guard hold(files.lock);
  if (!files.handler_installed) {
    files.handler_installed = SetConsoleCtrlHandler(RemoveGuardedFilesOnInterrupt, TRUE) != 0;
  }
  for (std::size_t slot = 0; slot < kGuardSlots; ++slot) {
    if (files.counts[slot] == 0) {
      files.stems[slot] = LongForm(stem);
      files.counts[slot] = count;
      slot_ = static_cast<int>(slot);
      return;
    }
  }
}

TemporaryFilesGuard::~TemporaryFilesGuard() {
  if (slot_ >= 0) {
    auto& files = guarded_files();
    const std::lock_guard hold(files.lock);
    files.counts[static_cast<std::size_t>(slot_)] = 0;
  }
}

bool ErrorsGoToTerminal() {
  return _isatty(_fileno(stderr)) != 0;
}

std::vector<std::string> Utf8Arguments(int argc, const char* const* argv) {
  int count = 0;
  wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
  if (wide == nullptr || count != argc) {
    LocalFree(wide);
    return {argv, argv + argc};
  }
  std::vector<std::string> arguments;
  for (int i = 0; i < count; ++i) {
    arguments.push_back(Utf8FromWide(wide[i]));
  }
  LocalFree(wide);
  return arguments;
}

namespace {

// Windows calls a console's control handlers on a thread of its own and
// hands them no context, so the code page to give back on Ctrl+C or
// Ctrl+Break waits here, the one place a handler can find it.
std::atomic<UINT> code_page_after_interrupt{0};

BOOL WINAPI GiveCodePageBackOnInterrupt(DWORD) {
  const UINT code_page = code_page_after_interrupt.load();
  if (code_page != 0) {
    SetConsoleOutputCP(code_page);
  }
  return FALSE;  // the next handler, in the end Windows' own, ends the program
}

}  // namespace

Utf8Console::Utf8Console() : previous_code_page_(GetConsoleOutputCP()) {
  if (previous_code_page_ != 0) {
    code_page_after_interrupt = previous_code_page_;
    SetConsoleCtrlHandler(GiveCodePageBackOnInterrupt, TRUE);
    SetConsoleOutputCP(CP_UTF8);
  }
  _setmode(_fileno(stdout), _O_BINARY);
  _setmode(_fileno(stderr), _O_BINARY);
}

Utf8Console::~Utf8Console() {
  std::fflush(nullptr);
  if (previous_code_page_ != 0) {
    SetConsoleOutputCP(previous_code_page_);
    SetConsoleCtrlHandler(GiveCodePageBackOnInterrupt, FALSE);
    code_page_after_interrupt = 0;
  }
}

void* AllocateImageMemory(std::size_t bytes) {
  return ::operator new(bytes);
}

void FreeImageMemory(void* block, std::size_t) {
  ::operator delete(block);
}

#else

namespace {

// How long a waiting lock sleeps between two tries.
constexpr auto kLockPollInterval = std::chrono::milliseconds(5);

// A new name is on the disk only once its folder is. A folder that cannot be
// opened or that the file system does not sync is let pass: the rename is
// done by then, and calling it a failure would report a change as not made.
bool SyncFolderOf(const std::filesystem::path& file) {
  const auto parent = file.parent_path();
  const int folder =
      ::open(parent.empty() ? "." : parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (folder < 0) {
    return true;
  }
  const bool synced = ::fsync(folder) == 0 || errno == EINVAL;
  ::close(folder);
  return synced;
}

bool SameFile(const struct stat& one, const struct stat& other) {
  return one.st_dev == other.st_dev && one.st_ino == other.st_ino;
}

// Whether the lock taken on `descriptor` still guards `path`: a save that
// finished while this one waited has put a new file under the name.
bool StillNamedBy(int descriptor, const std::filesystem::path& path) {
  struct stat locked {};
  struct stat named {};
  return ::fstat(descriptor, &locked) == 0 && ::stat(path.c_str(), &named) == 0 &&
         SameFile(locked, named);
}

enum class LockTry { kTaken, kBusy, kUnsupported };

LockTry TryLock(int descriptor, LockKind kind) {
  const int operation = kind == LockKind::kShared ? LOCK_SH : LOCK_EX;
  while (::flock(descriptor, operation | LOCK_NB) != 0) {
    if (errno == EWOULDBLOCK) {
      return LockTry::kBusy;
    }
    if (errno != EINTR) {
      return LockTry::kUnsupported;
    }
  }
  return LockTry::kTaken;
}

}  // namespace

std::FILE* CreateNewFile(const std::filesystem::path& path,
                         std::optional<std::filesystem::perms> mode) {
  const auto bits = mode ? static_cast<mode_t>(*mode & std::filesystem::perms::mask) : mode_t{0666};
  const int descriptor = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, bits);
  if (descriptor < 0) {
    return nullptr;
  }
  // The umask may have taken bits away, never added any: the mode asked for
  // comes back before a byte is written. Should that fail, the file stays
  // the more private.
  if (mode) {
    (void)::fchmod(descriptor, bits);
  }
  std::FILE* file = ::fdopen(descriptor, "wb");
  if (file == nullptr) {
    ::close(descriptor);
    ::unlink(path.c_str());
  }
  return file;
}

bool SyncFile(std::FILE* file) {
  return std::fflush(file) == 0 && ::fsync(::fileno(file)) == 0;
}

bool MoveFileOver(const std::filesystem::path& from, const std::filesystem::path& to) {
  std::error_code error;
  std::filesystem::rename(from, to, error);
  return !error && SyncFolderOf(to);
}

bool IsLink(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::is_symlink(std::filesystem::symlink_status(path, error));
}

std::optional<std::filesystem::path> FinalPath(const std::filesystem::path& path) {
  std::error_code error;
  auto final_path = std::filesystem::canonical(path, error);
  if (error) {
    return std::nullopt;
  }
  return final_path;
}

bool MayReplaceFile(const std::filesystem::path& path) {
  struct stat status {};
  return ::stat(path.c_str(), &status) == 0 &&
         (status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0 && ::access(path.c_str(), W_OK) == 0;
}

std::optional<FileLock> FileLock::Acquire(const std::filesystem::path& path,
                                          std::chrono::milliseconds wait, LockKind kind) {
  const auto deadline = std::chrono::steady_clock::now() + wait;
  FileLock lock;
  for (;;) {
    // Not blocking: a pipe under the image's name must not hold the program.
    lock.descriptor_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat status {};
    if (lock.descriptor_ < 0 || ::fstat(lock.descriptor_, &status) != 0 ||
        !S_ISREG(status.st_mode)) {
      lock.Release();
      return lock;
    }
    auto result = TryLock(lock.descriptor_, kind);
    while (result == LockTry::kBusy && std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(kLockPollInterval);
      result = TryLock(lock.descriptor_, kind);
    }
    if (result == LockTry::kBusy) {
      return std::nullopt;
    }
    // A file system without locks (some network shares) works as before.
    if (result == LockTry::kUnsupported || StillNamedBy(lock.descriptor_, path)) {
      return lock;
    }
    lock.Release();  // the file was replaced meanwhile: lock the new one
  }
}

void FileLock::Release() {
  if (descriptor_ >= 0) {
    ::close(descriptor_);  // closing the last descriptor of the file unlocks it
    descriptor_ = -1;
  }
}

FileLock::FileLock(FileLock&& other) noexcept : descriptor_(std::exchange(other.descriptor_, -1)) {}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
  if (this != &other) {
    Release();
    descriptor_ = std::exchange(other.descriptor_, -1);
  }
  return *this;
}

bool ProcessRuns(std::int64_t id) {
  if (id <= 0 || id > std::numeric_limits<pid_t>::max()) {
    return false;
  }
  return kill(static_cast<pid_t>(id), 0) == 0 || errno == EPERM;
}

std::FILE* CreatePlainFile(const std::filesystem::path& path) {
  const int descriptor =
      ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (descriptor < 0) {
    return nullptr;
  }
  std::FILE* file = ::fdopen(descriptor, "wb");
  if (file == nullptr) {
    ::close(descriptor);
  }
  return file;
}

bool MoveFileInto(const std::filesystem::path& from, const std::filesystem::path& to) {
  std::error_code error;
  std::filesystem::rename(from, to, error);
  return !error;
}

bool SyncFolder(const std::filesystem::path& folder) {
  return SyncFolderOf(folder / ".");
}

namespace {

// A signal handler may only do what is safe at any moment: it writes a byte
// into this pipe, and the watch's thread reads it and does the rest.
int end_request_pipe[2] = {-1, -1};

void WriteEndRequest(int) {
  const int saved_errno = errno;
  const char byte = 1;
  [[maybe_unused]] const auto written = write(end_request_pipe[1], &byte, 1);
  errno = saved_errno;
}

constexpr std::size_t kGuardSlots = 4;
enum GuardSlotState : int { kSlotFree, kSlotFilling, kSlotReady };

// What a signal handler may read: plain bytes, published by an atomic state.
struct GuardSlot {
  std::atomic<int> state{kSlotFree};
  char stem[PATH_MAX] = {};
  std::size_t count = 0;
};

// The temporary files of the living guards: a signal handler is handed no
// context, so they wait here, the one place it can find them.
std::array<GuardSlot, kGuardSlots> guard_slots;

// Only calls a signal handler may make: unlink, signal, raise.
void RemoveGuardedFilesOnSignal(int signal_number) {
  for (auto& slot : guard_slots) {
    if (slot.state.load() != kSlotReady) {
      continue;
    }
    char name[PATH_MAX + 32];
    const std::size_t stem_length = std::strlen(slot.stem);
    std::memcpy(name, slot.stem, stem_length);
    for (std::size_t i = 0; i < slot.count; ++i) {
      char digits[24];
      int length = 0;
      std::size_t rest = i;
      do {
        digits[length++] = static_cast<char>('0' + rest % 10);
        rest /= 10;
      } while (rest != 0);
      std::size_t at = stem_length;
      while (length > 0) {
        name[at++] = digits[--length];
      }
      std::memcpy(name + at, ".tmp", 5);
      ::unlink(name);
    }
  }
  ::signal(signal_number, SIG_DFL);
  ::raise(signal_number);
}

void InstallGuardHandlerOnce() {
  static const bool installed = [] {
    struct sigaction action {};
    action.sa_handler = RemoveGuardedFilesOnSignal;
    sigemptyset(&action.sa_mask);
    // A signal the program was told to ignore (nohup) or handles itself
    // stays as it is.
    for (const int signal_number : {SIGINT, SIGTERM, SIGHUP}) {
      struct sigaction current {};
      if (::sigaction(signal_number, nullptr, &current) == 0 && current.sa_handler == SIG_DFL) {
        ::sigaction(signal_number, &action, nullptr);
      }
    }
    return true;
  }();
  (void)installed;
}

}  // namespace

void WatchEndRequests(std::function<void()> on_request) {
  if (pipe(end_request_pipe) != 0) {
    return;
  }
  std::thread([on_request = std::move(on_request)] {
    char byte = 0;
    while (read(end_request_pipe[0], &byte, 1) < 0 && errno == EINTR) {
    }
    std::signal(SIGTERM, SIG_DFL);
    std::signal(SIGINT, SIG_DFL);
    on_request();
  }).detach();
  struct sigaction action = {};
  action.sa_handler = WriteEndRequest;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
}

TemporaryFilesGuard::TemporaryFilesGuard(const std::filesystem::path& stem, std::size_t count)
    : stem_(stem) {
  const std::string& text = stem.native();
  if (text.size() >= PATH_MAX) {
    return;
  }
  InstallGuardHandlerOnce();
  for (std::size_t slot = 0; slot < kGuardSlots; ++slot) {
    int free = kSlotFree;
    if (guard_slots[slot].state.compare_exchange_strong(free, kSlotFilling)) {
      std::memcpy(guard_slots[slot].stem, text.c_str(), text.size() + 1);
      guard_slots[slot].count = count;
      guard_slots[slot].state = kSlotReady;
      slot_ = static_cast<int>(slot);
      return;
    }
  }
}

TemporaryFilesGuard::~TemporaryFilesGuard() {
  if (slot_ >= 0) {
    guard_slots[static_cast<std::size_t>(slot_)].state = kSlotFree;
  }
}

bool ErrorsGoToTerminal() {
  return ::isatty(STDERR_FILENO) != 0;
}

std::vector<std::string> Utf8Arguments(int argc, const char* const* argv) {
  return {argv, argv + argc};
}

Utf8Console::Utf8Console() = default;
Utf8Console::~Utf8Console() = default;

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

std::size_t InHugePages(std::size_t bytes) {
  return (bytes + kHugePage - 1) / kHugePage * kHugePage;
}

}  // namespace

void* AllocateImageMemory(std::size_t bytes) {
  if (bytes < kHugePage) {
    return ::operator new(bytes);
  }
  // A huge page must start at a multiple of its size: ask for one more and
  // give back what lies before and after the aligned block.
  const auto length = InHugePages(bytes);
  void* const mapped = ::mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE,
                              MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (mapped == MAP_FAILED) {
    throw std::bad_alloc();
  }
  const auto start = reinterpret_cast<std::uintptr_t>(mapped);
  const auto aligned = (start + kHugePage - 1) / kHugePage * kHugePage;
  if (aligned > start) {
    ::munmap(mapped, aligned - start);
  }
  if (const auto tail = start + kHugePage - aligned; tail > 0) {
    ::munmap(reinterpret_cast<void*>(aligned + length), tail);
  }
  auto* const block = reinterpret_cast<void*>(aligned);
  // Only advice: where huge pages are off, the block is taken page by page.
  ::madvise(block, length, MADV_HUGEPAGE);
  return block;
}

void FreeImageMemory(void* block, std::size_t bytes) {
  if (bytes < kHugePage) {
    ::operator delete(block);
    return;
  }
  ::munmap(block, InHugePages(bytes));
}

#endif

std::filesystem::path TemporaryFilesGuard::Name(std::size_t index) const {
  auto name = stem_;
  name += std::to_string(index) + ".tmp";
  return name;
}

FileLock::~FileLock() {
  Release();
}

}  // namespace flashdisk::platform
