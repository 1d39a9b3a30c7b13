// One CommandLine running command lines one after another in one process,
// as the fuzz target runs them: nothing of one line may reach the next.
#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "image/utf8_path.h"
#include "tests/support/temporary_folder.h"

namespace flashdisk::testing {
namespace {

TEST(CommandLine, TakesNothingOverFromTheLineBefore) {
  TemporaryFolder folder;
  cli::CommandLine command_line;
  const auto run = [&](std::vector<std::string> words) {
    std::vector<const char*> argv{"flashdisk"};
    for (const auto& word : words) {
      argv.push_back(word.c_str());
    }
    std::ostringstream out;
    std::ostringstream err;
    return command_line.Run(static_cast<int>(argv.size()), argv.data(), out, err);
  };
  const auto path = [&](const char* name) { return Utf8FromPath(folder / name); };
  folder.Write("kept.rom", std::vector<std::uint8_t>{1, 2, 3});
  ASSERT_EQ(run({"new", path("first.rom"), "--size", "128k", "--force"}), 0);
  EXPECT_EQ(run({"new", path("kept.rom")}), 1);  // --force was the line before's
  EXPECT_EQ(ReadBytes(folder / "kept.rom"), (std::vector<std::uint8_t>{1, 2, 3}));
  ASSERT_EQ(run({"new", path("second.rom")}), 0);
  EXPECT_EQ(std::filesystem::file_size(folder / "second.rom"), 524288u);  // the default size
}

}  // namespace
}  // namespace flashdisk::testing
