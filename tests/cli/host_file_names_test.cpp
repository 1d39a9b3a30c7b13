// The names `extract` may give a file, under each system's rules: on
// Windows a name that the system reserves or changes would open a device or
// write another file than the one named.
#include "cli/host_file_names.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

namespace flashdisk::cli {
namespace {

const std::vector<std::string> kRefusedEverywhere{
    "", ".", "..", "../evil", "/etc/x", "a\x01", "b\x7f", "c\xc2\x98", "tab\tname"};

// "COM¹" is COM followed by U+00B9, which Windows reserves like COM1.
const std::vector<std::string> kRefusedOnWindowsOnly{
    "CON",   "con",      "PRN",  "AUX.bin",  "NUL.tar.gz",  "nul .txt", "COM1",
    "com9",  "COM0.dat", "LPT1", "lpt9.txt", "COM\xc2\xb9", "CONIN$",   "conout$.x",
    "PROG.", "PROG ",    "...",  "a<b",      "a>b",         "a:b",      "a\"b",
    "a|b",   "a?b",      "a*b",  "..\\evil", "C:evil"};

const std::vector<std::string> kAllowedEverywhere{
    "PROG",      "prog.bin", "ИГРА.РКС", "CONSOLE", "COM10", "LPT",  "NULL.txt",
    "AUXILIARY", "xCON",     ".hidden",  "a b",     "CON_1", "COMA", "a.b.c"};

// Each list under both rules: Linux refuses only the first.
TEST(HostFileNamesTest, WindowsAlsoRefusesReservedNamesCharactersAndTrailingDotsOrSpaces) {
  for (const auto& [names, on_linux, on_windows] : {std::tuple{kRefusedEverywhere, false, false},
                                                    std::tuple{kRefusedOnWindowsOnly, true, false},
                                                    std::tuple{kAllowedEverywhere, true, true}}) {
    for (const auto& name : names) {
      EXPECT_EQ(IsHostFileName(name, FileNameRules::kLinux), on_linux) << name;
      EXPECT_EQ(IsHostFileName(name, FileNameRules::kWindows), on_windows) << name;
    }
  }
}

}  // namespace
}  // namespace flashdisk::cli
