// A console that the command line switched to UTF-8 gets its code page back
// when the user presses Ctrl+C, not only when the program ends normally.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>

#include "image/platform_seam.h"

namespace flashdisk::platform {
namespace {

// The code page a later handler finds when Ctrl+C reaches it; handlers run
// last registered first, so this one runs after the program's.
std::atomic<UINT> code_page_seen{0};
HANDLE interrupt_seen = nullptr;

BOOL WINAPI NoteCodePageAndCarryOn(DWORD event) {
  if (event != CTRL_C_EVENT) {
    return FALSE;
  }
  code_page_seen = GetConsoleOutputCP();
  SetEvent(interrupt_seen);
  return TRUE;  // handled: the test goes on
}

TEST(Utf8ConsoleTest, GivesTheCodePageBackOnCtrlC) {
  // A console of the test's own, so that Ctrl+C reaches no other program.
  FreeConsole();
  if (!AllocConsole() || !SetConsoleOutputCP(866)) {
    GTEST_SKIP() << "no console can be made here (Wine makes one only on a display)";
  }
  interrupt_seen = CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_TRUE(SetConsoleCtrlHandler(nullptr, FALSE));  // Ctrl+C is not ignored
  ASSERT_TRUE(SetConsoleCtrlHandler(NoteCodePageAndCarryOn, TRUE));
  {
    const Utf8Console console;
    ASSERT_EQ(GetConsoleOutputCP(), static_cast<UINT>(CP_UTF8));
    ASSERT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
    ASSERT_EQ(WaitForSingleObject(interrupt_seen, 10000), WAIT_OBJECT_0);
    EXPECT_EQ(code_page_seen.load(), 866u);
  }
  EXPECT_EQ(GetConsoleOutputCP(), 866u);
  SetConsoleCtrlHandler(NoteCodePageAndCarryOn, FALSE);
  CloseHandle(interrupt_seen);
  FreeConsole();
}

}  // namespace
}  // namespace flashdisk::platform
