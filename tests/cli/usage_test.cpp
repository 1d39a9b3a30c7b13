#include "tests/cli/cli_test.h"

namespace flashdisk::testing {
namespace {

using UsageTest = CliTest;

const std::vector<std::string> kCommands = {"new",   "info", "list",    "add",
                                            "label", "set",  "extract", "diff"};

// CLI11's own English words, each of which has a Russian label.
const std::vector<std::string> kEnglishWords = {
    "Usage",    "OPTIONS",  "Options", "Positionals", "SUBCOMMAND",     "Subcommands",
    "REQUIRED", "Excludes", "TEXT",    "UINT",        "Print this help"};

void ExpectRussianHelp(const ProgramRun& run, const std::string& what) {
  EXPECT_EQ(run.status, 0) << what;
  EXPECT_EQ(run.err, "") << what;
  EXPECT_NE(run.out.find("Вызов: flashdisk"), std::string::npos) << what;
  for (const auto& word : kEnglishWords) {
    EXPECT_EQ(run.out.find(word), std::string::npos) << what << ": " << word << "\n" << run.out;
  }
}

TEST_F(UsageTest, HelpIsInRussianForTheProgramAndEachCommand) {
  const auto program = Run({"--help"});
  ExpectRussianHelp(program, "flashdisk --help");
  for (const auto& command : kCommands) {
    EXPECT_NE(program.out.find("  " + command + " "), std::string::npos) << command;
    ExpectRussianHelp(Run({command, "--help"}), command + " --help");
  }
  const auto add = Run({"add", "--help"}).out;
  for (const auto& option : {"--name", "--rks", "--plain", "--big", "--no-big", "--exec",
                             "--no-exec", "--aligned", "--load", "--reserve"}) {
    EXPECT_NE(add.find(option), std::string::npos) << option;
  }
}

TEST_F(UsageTest, WrongUsageExitsWithStatus2AndARussianReason) {
  const std::vector<std::pair<std::vector<std::string>, std::string>> cases = {
      {{}, "flashdisk: не указана команда\nСправка: flashdisk --help\n"},
      {{"format", "disk.rom"},
       "flashdisk: неизвестная команда: format\nСправка: flashdisk --help\n"},
      {{"--verbose"}, "flashdisk: неизвестный параметр: --verbose\nСправка: flashdisk --help\n"},
      {{"info"},
       "flashdisk: не указан обязательный аргумент ОБРАЗ\nСправка: flashdisk info --help\n"},
      {{"list", "a.rom", "b.rom"},
       "flashdisk: лишние аргументы: b.rom\nСправка: flashdisk list --help\n"},
      {{"add", "disk.rom"},
       "flashdisk: не указан обязательный аргумент ФАЙЛ\nСправка: flashdisk add --help\n"},
      {{"add", "disk.rom", "a", "--reserve", "lots"},
       "flashdisk: недопустимое значение lots для --reserve\nСправка: flashdisk add --help\n"},
      {{"extract", "disk.rom", "1", "-o"},
       "flashdisk: неверное число значений у --output\nСправка: flashdisk extract --help\n"},
  };
  for (const auto& [arguments, message] : cases) {
    const auto run = Run(arguments);
    EXPECT_EQ(run.status, 2) << message;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, message);
  }
  EXPECT_TRUE(folder_.Names().empty());
}

}  // namespace
}  // namespace flashdisk::testing
