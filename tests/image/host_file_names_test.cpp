// The names files get from entries' names: which names a system takes as
// they are, how any name is made safe on Linux and Windows alike, and how
// names that a file system without letter case would confuse are told apart.
#include "image/host_file_names.h"

#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <utility>
#include <vector>

namespace flashdisk {
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

TEST(HostFileNamesTest, SafeNamesPassWindowsRulesAndKeepWhatAlreadyDid) {
  for (const auto& name : kAllowedEverywhere) {
    EXPECT_EQ(SafeFileName(name), name);
  }
  const std::vector<std::pair<std::string, std::string>> kMadeSafe{{"", "_"},
                                                                   {".", "_"},
                                                                   {"..", "._"},
                                                                   {"../evil", ".._evil"},
                                                                   {"CON", "CON_"},
                                                                   {"nul .txt", "nul _.txt"},
                                                                   {"COM1.TXT", "COM1_.TXT"},
                                                                   {"trail.", "trail_"},
                                                                   {"space ", "space_"},
                                                                   {"a/b:c", "a_b_c"},
                                                                   {"c\xc2\x98", "c_"},
                                                                   {"a\tb", "a_b"},
                                                                   {"C:\\x", "C__x"}};
  for (const auto& [name, safe] : kMadeSafe) {
    EXPECT_EQ(SafeFileName(name), safe) << name;
    EXPECT_TRUE(IsHostFileName(safe, FileNameRules::kWindows)) << safe;
  }
}

// Every capital and small letter pair of code page 1251, written out.
const std::vector<std::pair<std::string, std::string>> kLetterPairs{
    {"A", "a"}, {"B", "b"}, {"C", "c"}, {"D", "d"}, {"E", "e"}, {"F", "f"}, {"G", "g"}, {"H", "h"},
    {"I", "i"}, {"J", "j"}, {"K", "k"}, {"L", "l"}, {"M", "m"}, {"N", "n"}, {"O", "o"}, {"P", "p"},
    {"Q", "q"}, {"R", "r"}, {"S", "s"}, {"T", "t"}, {"U", "u"}, {"V", "v"}, {"W", "w"}, {"X", "x"},
    {"Y", "y"}, {"Z", "z"}, {"Ђ", "ђ"}, {"Ѓ", "ѓ"}, {"Љ", "љ"}, {"Њ", "њ"}, {"Ќ", "ќ"}, {"Ћ", "ћ"},
    {"Џ", "џ"}, {"Ў", "ў"}, {"Ј", "ј"}, {"Ґ", "ґ"}, {"Ё", "ё"}, {"Є", "є"}, {"Ї", "ї"}, {"І", "і"},
    {"Ѕ", "ѕ"}, {"А", "а"}, {"Б", "б"}, {"В", "в"}, {"Г", "г"}, {"Д", "д"}, {"Е", "е"}, {"Ж", "ж"},
    {"З", "з"}, {"И", "и"}, {"Й", "й"}, {"К", "к"}, {"Л", "л"}, {"М", "м"}, {"Н", "н"}, {"О", "о"},
    {"П", "п"}, {"Р", "р"}, {"С", "с"}, {"Т", "т"}, {"У", "у"}, {"Ф", "ф"}, {"Х", "х"}, {"Ц", "ц"},
    {"Ч", "ч"}, {"Ш", "ш"}, {"Щ", "щ"}, {"Ъ", "ъ"}, {"Ы", "ы"}, {"Ь", "ь"}, {"Э", "э"}, {"Ю", "ю"},
    {"Я", "я"}};

// Letters that only look alike, or are neighbours in the code page, stay
// apart: Latin and Cyrillic, Е and Ё, Г and Ґ, И and Й, Ь and Ъ.
const std::vector<std::pair<std::string, std::string>> kDistinctLetters{
    {"A", "А"}, {"a", "а"}, {"I", "І"}, {"S", "Ѕ"}, {"J", "Ј"}, {"Е", "Ё"},
    {"е", "ё"}, {"Г", "Ґ"}, {"г", "ґ"}, {"И", "Й"}, {"Ь", "Ъ"}, {"У", "Ў"}};

// A name already taken in the other letter case gets a copy number; one
// that differs in a letter keeps its own name.
TEST(HostFileNamesTest, NamesAlikeButForLetterCaseAreToldApart) {
  for (const auto& [capital, small] : kLetterPairs) {
    FileNamePicker picker;
    EXPECT_EQ(picker.Pick("x" + capital + ".bin"), "x" + capital + ".bin");
    EXPECT_EQ(picker.Pick("x" + small + ".bin"), "x" + small + "-2.bin") << capital << small;
    picker.Reserve(small + "y");
    EXPECT_EQ(picker.Pick(capital + "y"), capital + "y-2") << capital << small;
  }
  for (const auto& [first, second] : kDistinctLetters) {
    FileNamePicker picker;
    picker.Reserve(first);
    EXPECT_EQ(picker.Pick(second), second) << first << second;
  }
}

}  // namespace
}  // namespace flashdisk
