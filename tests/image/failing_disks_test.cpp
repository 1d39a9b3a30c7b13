// Disks and files that fail under the image: a folder that refuses writes, a
// device that fills up, a file size limit, sources and images that cannot be
// read. A failed save keeps the old file and leaves no temporary behind; a
// failed read changes nothing in the image.
//
// Tests run as root in CI, and root ignores permissions, so the parts that
// rely on them run in a forked child that has dropped to an unprivileged user.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <csignal>
#include <string>
#include <vector>

#include "image/disk_image.h"
#include "image/entry_plan.h"
#include "tests/support/child_process.h"
#include "tests/support/small_device.h"
#include "tests/support/temporary_folder.h"

namespace flashdisk {
namespace {

namespace fs = std::filesystem;
using testing::ChildChecks;
using testing::CountingBytes;
using testing::DropPrivileges;
using testing::GiveToUnprivilegedUser;
using testing::kNoSmallDevice;
using testing::kOpenFolder;
using testing::kReadOnlyFolder;
using testing::ReadBytes;
using testing::RunInChild;
using testing::SortedNames;
using testing::TemporaryFolder;
using Bytes = std::vector<std::uint8_t>;

class FailingDiskTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // The unprivileged child must reach everything below the folder.
    fs::permissions(folder_.path(), kOpenFolder);
    ASSERT_TRUE(image_.Format(65536, 256));
    image_.SetLabel("NEW");
    image_.List();
  }

  Bytes Disk() const { return Bytes(image_.disk().begin(), image_.disk().end()); }

  const Bytes old_bytes_{'O', 'L', 'D'};
  TemporaryFolder folder_;
  DiskImage image_;
};

TEST_F(FailingDiskTest, SaveIntoAReadOnlyFolderKeepsTheOldFile) {
  const auto folder = folder_ / "read-only";
  fs::create_directory(folder);
  fs::permissions(folder, kOpenFolder);
  ASSERT_TRUE(GiveToUnprivilegedUser(folder));
  const auto target = folder / "disk.rom";
  std::ofstream(target, std::ios::binary) << "OLD";

  // While the folder is writable, the unprivileged user saves into it: the
  // refusal below comes from the permission alone.
  EXPECT_EQ(RunInChild([&](ChildChecks& checks) {
              checks.Expect(DropPrivileges(), "cannot drop root");
              checks.Expect(image_.Save(folder / "control.rom"), "a save into a writable folder");
            }),
            "");
  fs::remove(folder / "control.rom");

  fs::permissions(folder, kReadOnlyFolder);
  EXPECT_EQ(RunInChild([&](ChildChecks& checks) {
              checks.Expect(DropPrivileges(), "cannot drop root");
              checks.Expect(!image_.Save(target), "a save into a read-only folder succeeded");
            }),
            "");
  fs::permissions(folder, kOpenFolder);
  EXPECT_EQ(ReadBytes(target), old_bytes_);
  EXPECT_EQ(SortedNames(folder), std::vector<std::string>{"disk.rom"});
}

TEST_F(FailingDiskTest, SaveOntoAFullDeviceKeepsTheOldFile) {
  // A 128 KiB tmpfs, mounted in the child's own mount namespace so that it
  // vanishes with the child whatever happens.
  const auto device = folder_ / "device";
  fs::create_directory(device);
  const auto report = RunInChild([&](ChildChecks& checks) {
    if (!testing::MountSmallDevice(device, "128k")) {
      checks.Expect(false, kNoSmallDevice);
      return;
    }
    const auto target = device / "disk.rom";
    std::ofstream(target, std::ios::binary) << "OLD";
    // Leaves less room than the 64 KiB image needs.
    const auto filler = device / "filler";
    std::ofstream(filler, std::ios::binary) << std::string(70000, 'F');
    checks.Expect(!image_.Save(target), "a save onto a full device succeeded");
    checks.Expect(ReadBytes(target) == old_bytes_, "the old file changed");
    checks.Expect(SortedNames(device) == std::vector<std::string>{"disk.rom", "filler"},
                  "a temporary file was left behind");
    // With room again the same save goes through: the device was the cause.
    fs::remove(filler);
    checks.Expect(image_.Save(target), "a save with room failed");
    checks.Expect(ReadBytes(target) == Disk(), "the saved file is not the disk");
  });
  if (report == std::string(kNoSmallDevice) + "\n") {
    GTEST_SKIP() << "mounting a small tmpfs needs root; SaveBeyondTheFileSizeLimit still covers "
                    "writes that fail for want of room";
  }
  EXPECT_EQ(report, "");
}

TEST_F(FailingDiskTest, SaveBeyondTheFileSizeLimitKeepsTheOldFile) {
  const auto target = folder_ / "disk.rom";
  std::ofstream(target, std::ios::binary) << "OLD";
  EXPECT_EQ(RunInChild([&](ChildChecks& checks) {
              // Past the limit a write fails with EFBIG instead of raising SIGXFSZ.
              std::signal(SIGXFSZ, SIG_IGN);
              rlimit limit{};
              getrlimit(RLIMIT_FSIZE, &limit);
              const auto unlimited = limit.rlim_cur;
              limit.rlim_cur = 4096;
              checks.Expect(setrlimit(RLIMIT_FSIZE, &limit) == 0, "cannot limit file sizes");
              checks.Expect(!image_.Save(target), "a save beyond the limit succeeded");
              limit.rlim_cur = unlimited;
              checks.Expect(setrlimit(RLIMIT_FSIZE, &limit) == 0, "cannot lift the limit");
              checks.Expect(image_.Save(folder_ / "control.rom"), "a save without limit failed");
            }),
            "");
  EXPECT_EQ(ReadBytes(target), old_bytes_);
  EXPECT_EQ(SortedNames(folder_.path()), (std::vector<std::string>{"control.rom", "disk.rom"}));
}

TEST_F(FailingDiskTest, SaveUnderTheLongestFileName) {
  const std::string name = std::string(251, 'a') + ".rom";  // 255 bytes, the longest allowed
  ASSERT_TRUE(image_.Save(folder_ / name));
  EXPECT_EQ(ReadBytes(folder_ / name), Disk());
  ASSERT_TRUE(image_.Save(folder_ / name));  // and over the file it made
  EXPECT_EQ(SortedNames(folder_.path()), std::vector<std::string>{name});
}

TEST_F(FailingDiskTest, SourceThatBecameUnreadableIsAReadError) {
  const auto path = folder_.Write("source.bin", CountingBytes(100));
  const SourceFile source{path, *LookUpSource(path)};
  const EntryChoices choices{.name = "SOURCE"};
  const auto plan = PlanEntry(source.size, false, false, 0, image_.sector_size());

  EXPECT_EQ(RunInChild([&](ChildChecks& checks) {
              checks.Expect(DropPrivileges(), "cannot drop root");
              checks.Expect(AddEntry(image_, source, choices, plan) == AddResult::kAdded,
                            "a readable source was not added");
            }),
            "");

  fs::permissions(path, fs::perms::none);
  EXPECT_EQ(RunInChild([&](ChildChecks& checks) {
              checks.Expect(DropPrivileges(), "cannot drop root");
              const auto before = Disk();
              checks.Expect(AddEntry(image_, source, choices, plan) == AddResult::kReadError,
                            "an unreadable source was not a read error");
              checks.Expect(Disk() == before, "the image changed");
              const auto listing = image_.List();
              checks.Expect(listing.entries.empty() && listing.free_space == 65536 - 256,
                            "the listing changed");
            }),
            "");
}

TEST_F(FailingDiskTest, UnreadableImageFileKeepsTheCurrentImage) {
  DiskImage other;
  ASSERT_TRUE(other.Format(131072, 512));
  const auto file = folder_ / "other.rom";
  ASSERT_TRUE(other.Save(file));

  EXPECT_EQ(RunInChild([&](ChildChecks& checks) {
              checks.Expect(DropPrivileges(), "cannot drop root");
              checks.Expect(image_.Load(file), "a readable image file did not load");
            }),
            "");

  fs::permissions(file, fs::perms::none);
  EXPECT_EQ(RunInChild([&](ChildChecks& checks) {
              checks.Expect(DropPrivileges(), "cannot drop root");
              const auto before = Disk();
              checks.Expect(!image_.Load(file), "an unreadable image file loaded");
              checks.Expect(Disk() == before, "the image changed");
              checks.Expect(image_.disk_size() == 65536 && image_.sector_size() == 256 &&
                                image_.free_space() == 65536 - 256,
                            "the sizes or the free space changed");
            }),
            "");
}

}  // namespace
}  // namespace flashdisk
