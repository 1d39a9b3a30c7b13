// The flashdisk program on disks that fail under it: a folder that refuses
// writes, a device that fills up, an image that is a folder or cannot be
// read, a source that cannot be read. Each command fails with exit status 1
// and the system's message, keeps the old image file and leaves no temporary
// or half-written file behind.
//
// Tests run as root in CI, and root ignores permissions, so the runs that
// rely on them happen in a forked child that has dropped to an unprivileged
// user; the program it starts inherits that user.
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/cli/cli_test.h"
#include "tests/support/child_process.h"
#include "tests/support/small_device.h"

namespace flashdisk::testing {
namespace {

namespace fs = std::filesystem;

using Arguments = std::vector<std::string>;

const std::string kReadError = "Ошибка чтения файла!";
const std::string kWriteError = "Ошибка записи файла!";

std::string Joined(const Arguments& arguments) {
  std::string line = "flashdisk";
  for (const auto& argument : arguments) {
    line += " " + argument;
  }
  return line;
}

// Every command that saves its image, on the image `image`.
std::vector<Arguments> SavingCommands(const std::string& image) {
  return {{"new", image, "--size", "64k", "--force"},
          {"add", image, "source.bin"},
          {"label", image, "НОВАЯ"},
          {"set", image, "1", "--name", "NEW", "--set", "readonly"}};
}

// Every command that reads an image, on the image `image`.
std::vector<Arguments> ReadingCommands(const std::string& image) {
  return {{"info", image},
          {"list", image, "--json"},
          {"add", image, "source.bin"},
          {"label", image, "X"},
          {"set", image, "1", "--clear", "big"},
          {"extract", image, "1", "-o", "out.bin"}};
}

// A 64k image "disk.rom" holding "source.bin" as its one entry, in a folder
// that the unprivileged user may enter and read.
class CliFailingDiskTest : public CliTest {
 protected:
  void SetUp() override {
    fs::permissions(folder_.path(), kOpenFolder);
    NewDisk();
    Write("source.bin", source_);
    Succeed({"add", "disk.rom", "source.bin"});
    // The build folder may sit where only root can go (a checkout in root's
    // home, a mktemp -d folder): the unprivileged user runs a copy from here.
    fs::copy_file(FLASHDISK_PROGRAM, program_);
    fs::permissions(program_, kOpenFolder);
  }

  // Runs the program in `folder` and expects exit status 1 with the one line
  // "flashdisk: `about`: `message`" on standard error.
  void ExpectFailure(ChildChecks& checks, const Arguments& arguments, const fs::path& folder,
                     const std::string& about, const std::string& message) const {
    const auto run = RunProgram(program_, arguments, folder);
    const auto line = Joined(arguments);
    checks.Expect(run.status == 1, line + ": exit status " + std::to_string(run.status));
    checks.Expect(run.err == "flashdisk: " + about + ": " + message + "\n", line + ": " + run.err);
  }

  void ExpectSuccess(ChildChecks& checks, const Arguments& arguments,
                     const fs::path& folder) const {
    const auto run = RunProgram(program_, arguments, folder);
    checks.Expect(run.status == 0, Joined(arguments) + ": " + run.err);
  }

  // A folder of the unprivileged user, holding a copy of the image.
  fs::path FolderWithImage(const std::string& name) const {
    const auto folder = folder_ / name;
    fs::create_directory(folder);
    fs::permissions(folder, kOpenFolder);
    fs::copy_file(folder_ / "disk.rom", folder / "disk.rom");
    EXPECT_TRUE(GiveToUnprivilegedUser(folder));
    EXPECT_TRUE(GiveToUnprivilegedUser(folder / "disk.rom"));
    return folder;
  }

  // Runs the program with fsync replaced by the shim, told by `settings`
  // how to behave, under the usual umask.
  ProgramRun RunWithFsyncShim(const Arguments& settings, const Arguments& arguments) const {
    const char* asan = std::getenv("ASAN_OPTIONS");
    Arguments command{
        "-c", "umask 022 && exec /usr/bin/env \"$@\"", "sh",
        std::string("LD_PRELOAD=") + FSYNC_SHIM,
        // The sanitizers' runtime wants to come first; the shim
        // takes nothing from it.
        std::string("ASAN_OPTIONS=") + (asan ? asan : "") + ":verify_asan_link_order=0"};
    command.insert(command.end(), settings.begin(), settings.end());
    command.push_back(FLASHDISK_PROGRAM);
    command.insert(command.end(), arguments.begin(), arguments.end());
    return RunProgram("/bin/sh", command, folder_.path());
  }

  const Bytes source_ = CountingBytes(1000, 3);
  const fs::path program_ = folder_ / "flashdisk";
};

TEST_F(CliFailingDiskTest, SavingIntoAReadOnlyFolderKeepsTheImage) {
  const auto folder = FolderWithImage("locked");
  // While the folder is writable the unprivileged user saves into it: the
  // refusals below come from the permission alone.
  EXPECT_EQ(RunInChild([&](ChildChecks& checks) {
              checks.Expect(DropPrivileges(), "cannot drop root");
              ExpectSuccess(checks, {"label", "locked/disk.rom", "CONTROL"}, folder_.path());
            }),
            "");
  const auto before = ReadBytes(folder / "disk.rom");

  fs::permissions(folder, kReadOnlyFolder);
  EXPECT_EQ(RunInChild([&](ChildChecks& checks) {
              checks.Expect(DropPrivileges(), "cannot drop root");
              for (const auto& arguments : SavingCommands("locked/disk.rom")) {
                ExpectFailure(checks, arguments, folder_.path(), "locked/disk.rom", kWriteError);
              }
              ExpectFailure(checks, {"new", "locked/fresh.rom"}, folder_.path(), "locked/fresh.rom",
                            kWriteError);
            }),
            "");
  fs::permissions(folder, kOpenFolder);
  EXPECT_EQ(ReadBytes(folder / "disk.rom"), before);
  EXPECT_EQ(SortedNames(folder), std::vector<std::string>{"disk.rom"});
}

TEST_F(CliFailingDiskTest, SavingOntoAFullDeviceKeepsTheImage) {
  const auto device = folder_ / "device";
  fs::create_directory(device);
  const auto report = RunInChild([&](ChildChecks& checks) {
    if (!MountSmallDevice(device, "256k")) {
      checks.Expect(false, kNoSmallDevice);
      return;
    }
    fs::copy_file(folder_ / "disk.rom", device / "disk.rom");
    const auto before = ReadBytes(device / "disk.rom");
    // Less room than the 64 KiB image needs beside the old one.
    checks.Expect(FillDevice(device, device / "filler", 16 * 1024), "cannot fill the device");
    for (const auto& arguments : SavingCommands("device/disk.rom")) {
      ExpectFailure(checks, arguments, folder_.path(), "device/disk.rom", kWriteError);
      checks.Expect(ReadBytes(device / "disk.rom") == before, Joined(arguments) + ": changed");
    }
    ExpectFailure(checks, {"new", "device/fresh.rom", "--size", "64k"}, folder_.path(),
                  "device/fresh.rom", kWriteError);
    checks.Expect(SortedNames(device) == std::vector<std::string>{"disk.rom", "filler"},
                  "a temporary file was left behind");
    // With room again the same save goes through: the device was the cause.
    fs::remove(device / "filler");
    ExpectSuccess(checks, {"label", "device/disk.rom", "ROOM"}, folder_.path());
  });
  if (report == std::string(kNoSmallDevice) + "\n") {
    GTEST_SKIP() << "mounting a small tmpfs needs root";
  }
  EXPECT_EQ(report, "");
}

// A disk that reports a write error only when the data are synced: the
// save fails before the new file takes the image's name.
TEST_F(CliFailingDiskTest, ASyncThatFailsKeepsTheImage) {
  const auto before = FileBytes("disk.rom");
  for (const auto& arguments : SavingCommands("disk.rom")) {
    const auto run = RunWithFsyncShim({"FLASHDISK_FSYNC_FAILS=1"}, arguments);
    EXPECT_EQ(run.status, 1) << Joined(arguments);
    EXPECT_EQ(run.err, "flashdisk: disk.rom: " + kWriteError + "\n") << Joined(arguments);
    EXPECT_EQ(FileBytes("disk.rom"), before) << Joined(arguments);
  }
  const auto run =
      RunWithFsyncShim({"FLASHDISK_FSYNC_FAILS=1"}, {"extract", "disk.rom", "1", "--force"});
  EXPECT_EQ(run.err, "flashdisk: disk.rom: source.bin: " + kWriteError + "\n");
  EXPECT_EQ(FileBytes("source.bin"), source_);
  EXPECT_EQ(SortedNames(folder_.path()),
            (std::vector<std::string>{"disk.rom", "flashdisk", "source.bin"}));
}

// Each save's copy of an image only its owner may read has that mode from
// the start, under a umask that would give others reading.
TEST_F(CliFailingDiskTest, APrivateImagesCopyIsNeverReadableByOthers) {
  const auto owner_only = fs::perms::owner_read | fs::perms::owner_write;
  fs::permissions(folder_ / "disk.rom", owner_only);
  const auto log = folder_.path().parent_path() / (folder_.path().filename().string() + ".modes");
  for (const auto& arguments : SavingCommands("disk.rom")) {
    const auto run = RunWithFsyncShim({"FLASHDISK_FSYNC_MODES=" + log.string()}, arguments);
    EXPECT_EQ(run.status, 0) << Joined(arguments) << run.err;
  }
  const auto modes = ReadBytes(log);
  fs::remove(log);
  EXPECT_EQ(std::string(modes.begin(), modes.end()), "600\n600\n600\n600\n");
  EXPECT_EQ(fs::status(folder_ / "disk.rom").permissions() & fs::perms::all, owner_only);
}

TEST_F(CliFailingDiskTest, ExtractOntoAFullDeviceLeavesNoPartialFile) {
  const auto data = CountingBytes(100000, 5);
  Succeed({"new", "big.rom", "--size", "256k"});
  Write("big.bin", data);
  Succeed({"add", "big.rom", "big.bin"});
  const auto device = folder_ / "device";
  fs::create_directory(device);
  const auto report = RunInChild([&](ChildChecks& checks) {
    if (!MountSmallDevice(device, "128k")) {
      checks.Expect(false, kNoSmallDevice);
      return;
    }
    checks.Expect(FillDevice(device, device / "filler", 32 * 1024), "cannot fill the device");
    ExpectFailure(checks, {"extract", "big.rom", "1", "-o", "device/out.bin"}, folder_.path(),
                  "big.rom: device/out.bin", kWriteError);
    // Under the entry's own name, in the device as the working folder.
    ExpectFailure(checks, {"extract", "../big.rom", "1"}, device, "../big.rom: big.bin",
                  kWriteError);
    checks.Expect(SortedNames(device) == std::vector<std::string>{"filler"},
                  "a partial file was left behind");
    fs::remove(device / "filler");
    ExpectSuccess(checks, {"extract", "big.rom", "1", "-o", "device/out.bin"}, folder_.path());
    checks.Expect(ReadBytes(device / "out.bin") == data, "the extracted data differ");
  });
  if (report == std::string(kNoSmallDevice) + "\n") {
    GTEST_SKIP() << "mounting a small tmpfs needs root";
  }
  EXPECT_EQ(report, "");
}

TEST_F(CliFailingDiskTest, ExtractIntoAReadOnlyFolderLeavesNoFile) {
  const auto folder = folder_ / "locked";
  fs::create_directory(folder);
  fs::permissions(folder, kOpenFolder);
  ASSERT_TRUE(GiveToUnprivilegedUser(folder));
  EXPECT_EQ(
      RunInChild([&](ChildChecks& checks) {
        checks.Expect(DropPrivileges(), "cannot drop root");
        ExpectSuccess(checks, {"extract", "disk.rom", "1", "-o", "locked/out.bin"}, folder_.path());
      }),
      "");
  fs::remove(folder / "out.bin");

  fs::permissions(folder, kReadOnlyFolder);
  EXPECT_EQ(RunInChild([&](ChildChecks& checks) {
              checks.Expect(DropPrivileges(), "cannot drop root");
              ExpectFailure(checks, {"extract", "disk.rom", "1", "-o", "locked/out.bin"},
                            folder_.path(), "disk.rom: locked/out.bin", kWriteError);
              ExpectFailure(checks, {"extract", "../disk.rom", "1"}, folder,
                            "../disk.rom: source.bin", kWriteError);
            }),
            "");
  fs::permissions(folder, kOpenFolder);
  EXPECT_TRUE(SortedNames(folder).empty());
}

TEST_F(CliFailingDiskTest, ImageThatIsAFolderIsAReadError) {
  fs::create_directory(folder_ / "folder.rom");
  for (const auto& arguments : ReadingCommands("folder.rom")) {
    Refuse(arguments, 1, "folder.rom", kReadError);
  }
  EXPECT_EQ(folder_.Names(),
            (std::vector<std::string>{"disk.rom", "flashdisk", "folder.rom", "source.bin"}));
  EXPECT_TRUE(fs::is_empty(folder_ / "folder.rom"));
}

TEST_F(CliFailingDiskTest, UnreadableImageIsAReadError) {
  const auto folder = FolderWithImage("shared");
  fs::copy_file(folder_ / "source.bin", folder / "source.bin");
  EXPECT_EQ(RunInChild([&](ChildChecks& checks) {
              checks.Expect(DropPrivileges(), "cannot drop root");
              ExpectSuccess(checks, {"info", "disk.rom"}, folder);
            }),
            "");
  const auto before = ReadBytes(folder / "disk.rom");

  fs::permissions(folder / "disk.rom", fs::perms::none);
  EXPECT_EQ(RunInChild([&](ChildChecks& checks) {
              checks.Expect(DropPrivileges(), "cannot drop root");
              for (const auto& arguments : ReadingCommands("disk.rom")) {
                ExpectFailure(checks, arguments, folder, "disk.rom", kReadError);
              }
            }),
            "");
  EXPECT_EQ(ReadBytes(folder / "disk.rom"), before);
  EXPECT_EQ(SortedNames(folder), (std::vector<std::string>{"disk.rom", "source.bin"}));
}

TEST_F(CliFailingDiskTest, UnreadableSourceOfAddKeepsTheImage) {
  const auto folder = FolderWithImage("shared");
  Write("shared/readable.bin", CountingBytes(10));
  Write("shared/secret.bin", CountingBytes(20));
  EXPECT_EQ(RunInChild([&](ChildChecks& checks) {
              checks.Expect(DropPrivileges(), "cannot drop root");
              ExpectSuccess(checks, {"add", "disk.rom", "readable.bin"}, folder);
            }),
            "");
  const auto before = ReadBytes(folder / "disk.rom");

  fs::permissions(folder / "secret.bin", fs::perms::none);
  EXPECT_EQ(RunInChild([&](ChildChecks& checks) {
              checks.Expect(DropPrivileges(), "cannot drop root");
              ExpectFailure(checks, {"add", "disk.rom", "secret.bin"}, folder,
                            "disk.rom: secret.bin", kReadError);
              // All files or none: the readable one before it is not kept either.
              ExpectFailure(checks, {"add", "disk.rom", "readable.bin", "secret.bin"}, folder,
                            "disk.rom: secret.bin", kReadError);
            }),
            "");
  EXPECT_EQ(ReadBytes(folder / "disk.rom"), before);
  EXPECT_EQ(SortedNames(folder),
            (std::vector<std::string>{"disk.rom", "readable.bin", "secret.bin"}));
}

}  // namespace
}  // namespace flashdisk::testing
