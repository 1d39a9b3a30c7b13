#include "image/platform_seam.h"

#ifdef _WIN32
#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>
#endif

#include <atomic>
#include <system_error>

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

}  // namespace

std::FILE* CreateNewFile(const std::filesystem::path& path) {
  // CREATE_NEW fails on any existing name; Windows' C runtime would ignore
  // the "x" of fopen.
  const HANDLE handle = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
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

bool MoveFileOver(const std::filesystem::path& from, const std::filesystem::path& to) {
  return MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

bool IsLink(const std::filesystem::path& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
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

#else

std::FILE* CreateNewFile(const std::filesystem::path& path) {
  return std::fopen(path.c_str(), "wbx");
}

bool MoveFileOver(const std::filesystem::path& from, const std::filesystem::path& to) {
  std::error_code error;
  std::filesystem::rename(from, to, error);
  return !error;
}

bool IsLink(const std::filesystem::path& path) {
  std::error_code error;
  return std::filesystem::is_symlink(std::filesystem::symlink_status(path, error));
}

std::vector<std::string> Utf8Arguments(int argc, const char* const* argv) {
  return {argv, argv + argc};
}

Utf8Console::Utf8Console() = default;
Utf8Console::~Utf8Console() = default;

#endif

}  // namespace flashdisk::platform
