#include <filesystem>

#include "tests/cli/cli_test.h"

namespace flashdisk::testing {
namespace {

class ExtractCommandTest : public CliTest {
 protected:
  // A disk in its own folder "work", so that a name that tried to leave it
  // would land in the test's folder, where it can be seen.
  void SetUp() override {
    std::filesystem::create_directory(folder_ / "work");
    Succeed({"new", "work/disk.rom", "--size", "64k"});
    Write("work/prog.bin", data_);
    Succeed({"add", "work/disk.rom", "work/prog.bin", "--name", "PROG"});
  }

  ProgramRun RunInWork(const std::vector<std::string>& arguments) const {
    return RunFlashdisk(arguments, folder_ / "work");
  }

  const Bytes data_ = CountingBytes(700, 9);
};

TEST_F(ExtractCommandTest, WritesTheDataUnderTheEntrysNameOrTheGivenOne) {
  EXPECT_EQ(RunInWork({"extract", "disk.rom", "1"}).status, 0);
  EXPECT_EQ(FileBytes("work/PROG"), data_);
  EXPECT_EQ(RunInWork({"extract", "disk.rom", "1", "-o", "../copy.bin"}).status, 0);
  EXPECT_EQ(FileBytes("copy.bin"), data_);
}

TEST_F(ExtractCommandTest, NeverReplacesAFileWithoutForce) {
  Write("work/PROG", {1});
  const auto run = RunInWork({"extract", "disk.rom", "1"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(
      run.err,
      "flashdisk: disk.rom: PROG: Файл уже существует! Чтобы заменить его, укажите --force.\n");
  EXPECT_EQ(FileBytes("work/PROG"), Bytes{1});
  EXPECT_EQ(RunInWork({"extract", "disk.rom", "1", "--force"}).status, 0);
  EXPECT_EQ(FileBytes("work/PROG"), data_);
  // A name given with -o is kept just the same.
  Write("kept.bin", {2});
  EXPECT_EQ(RunInWork({"extract", "disk.rom", "1", "-o", "../kept.bin"}).status, 1);
  EXPECT_EQ(FileBytes("kept.bin"), Bytes{2});
}

TEST_F(ExtractCommandTest, RefusesEntryNamesThatNameNoFileOfTheFolder) {
  std::vector<std::string> names{"../evil", "/etc/x", "..", ".", "a\x01", "b\x7f", "c\xc2\x98"};
#ifdef _WIN32
  // Windows also separates with a backslash, a colon names a drive or a
  // stream, devices answer to their names in every folder, and a trailing
  // dot or space is dropped.
  names.insert(names.end(), {"..\\evil", "C:evil", "PROG:stream", "CON", "nul.txt", "COM1",
                             "lpt9.bin", "PROG.", "PROG ", "a<b", "a?b", "a*b", "a\"b", "a|b"});
#endif
  for (const auto& name : names) {
    Succeed({"set", "work/disk.rom", "1", "--name", name});
    const auto run = RunInWork({"extract", "disk.rom", "1"});
    EXPECT_EQ(run.status, 1) << name;
    EXPECT_EQ(run.err,
              "flashdisk: disk.rom: Имя записи не годится для имени файла! Укажите файл в -o.\n");
  }
  EXPECT_EQ(folder_.Names(), std::vector<std::string>{"work"});
  std::vector<std::string> work;
  for (const auto& item : std::filesystem::directory_iterator(folder_ / "work")) {
    work.push_back(item.path().filename().string());
  }
  std::sort(work.begin(), work.end());
  EXPECT_EQ(work, (std::vector<std::string>{"disk.rom", "prog.bin"}));
}

TEST_F(ExtractCommandTest, NeverWritesThroughALinkNamedLikeTheEntry) {
  Write("target.bin", {5});
  std::filesystem::create_directory(folder_ / "elsewhere");
  if (!MakeLink("../target.bin", folder_ / "work" / "PROG") &&
      !MakeFolderLink("../elsewhere", folder_ / "work" / "PROG")) {
    GTEST_SKIP() << "this system lets this user make no links";
  }
  const auto run = RunInWork({"extract", "disk.rom", "1", "--force"});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err,
            "flashdisk: disk.rom: PROG: Это ссылка, она не будет заменена! Укажите файл в -o.\n");
  EXPECT_EQ(FileBytes("target.bin"), Bytes{5});
}

TEST_F(ExtractCommandTest, NeverReadsPastTheEntrysTotalLength) {
  auto disk = FileBytes("work/disk.rom");
  disk[256 + 36] = 0x00;  // claims 65536 data bytes in a 768-byte entry
  disk[256 + 37] = 0x00;
  disk[256 + 38] = 0x01;
  Write("work/disk.rom", disk);
  EXPECT_EQ(RunInWork({"extract", "disk.rom", "1"}).status, 0);
  EXPECT_EQ(FileBytes("work/PROG"), Slice(disk, 256 + 44, 768 - 44));
}

TEST_F(ExtractCommandTest, ReportsAMissingEntryAndAFileThatCannotBeWritten) {
  const auto missing = RunInWork({"extract", "disk.rom", "2"});
  EXPECT_EQ(missing.status, 1);
  EXPECT_EQ(missing.err, "flashdisk: disk.rom: Нет записи с таким номером!\n");
  const auto unwritable = RunInWork({"extract", "disk.rom", "1", "-o", "absent/out.bin"});
  EXPECT_EQ(unwritable.status, 1);
  EXPECT_EQ(unwritable.err, "flashdisk: disk.rom: absent/out.bin: Ошибка записи файла!\n");
}

}  // namespace
}  // namespace flashdisk::testing
