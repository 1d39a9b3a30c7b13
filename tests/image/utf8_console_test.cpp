// A console that the command line switched to UTF-8 gets its code page back
// when the user presses Ctrl+C, not only when the program ends normally.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>

#include "image/platform_seam.h"

namespace flashdisk::platform {
namespace {

// What a handler registered before the program's own finds on Ctrl+C:
// handlers run last registered first.
std::atomic<UINT> code_page_seen{0};

BOOL WINAPI NoteCodePageAndCarryOn(DWORD) {
  code_page_seen = GetConsoleOutputCP();
  return TRUE;  // handled: the test goes on
}

TEST(Utf8ConsoleTest, GivesTheCodePageBackOnCtrlC) {
  // A console of the test's own, so that Ctrl+C reaches no other program.
  FreeConsole();
  if (!AllocConsole() || !SetConsoleOutputCP(866)) {
    GTEST_SKIP() << "no console can be made here (Wine makes one only on a display)";
  }
  ASSERT_TRUE(SetConsoleCtrlHandler(nullptr, FALSE));  // Ctrl+C is not ignored
  ASSERT_TRUE(SetConsoleCtrlHandler(NoteCodePageAndCarryOn, TRUE));
  {
    const Utf8Console console;
    ASSERT_EQ(GetConsoleOutputCP(), static_cast<UINT>(CP_UTF8));
    ASSERT_TRUE(GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0));
    // The handlers run on a thread of their own.
    for (int tries = 0; tries < 1000 && code_page_seen == 0; ++tries) {
      Sleep(10);
    }
    EXPECT_EQ(code_page_seen.load(), 866u);
  }
  EXPECT_EQ(GetConsoleOutputCP(), 866u);
  SetConsoleCtrlHandler(NoteCodePageAndCarryOn, FALSE);
  FreeConsole();
}

}  // namespace
}  // namespace flashdisk::platform
