// A save reaches the disk before it takes the target's name: this program
// stands in for the system's fsync, notes what each call synced and what the
// target held at that moment, then syncs for real.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "image/disk_image.h"
#include "tests/support/temporary_folder.h"

namespace {

struct SyncSeen {
  std::filesystem::path file;
  std::uintmax_t size = 0;
  std::vector<std::uint8_t> target_then;
};

// Set by the test before it saves; read by the fsync below.
std::filesystem::path watched_target;
std::vector<SyncSeen> syncs_seen;

}  // namespace

extern "C" int fsync(int fd) {
  SyncSeen seen;
  std::error_code error;
  seen.file = std::filesystem::read_symlink("/proc/self/fd/" + std::to_string(fd), error);
  struct stat status {};
  if (fstat(fd, &status) == 0) {
    seen.size = static_cast<std::uintmax_t>(status.st_size);
  }
  seen.target_then = flashdisk::testing::ReadBytes(watched_target);
  syncs_seen.push_back(seen);
  return static_cast<int>(syscall(SYS_fsync, fd));
}

namespace flashdisk {
namespace {

TEST(SaveSyncTest, SyncsTheWholeNewFileBeforeItTakesTheTargetsName) {
  const testing::TemporaryFolder folder;
  const std::vector<std::uint8_t> old_bytes{'O', 'L', 'D'};
  watched_target = folder.Write("disk.rom", old_bytes);
  DiskImage image;
  ASSERT_TRUE(image.Format(65536, 256));
  syncs_seen.clear();

  ASSERT_TRUE(image.Save(watched_target));
  ASSERT_EQ(syncs_seen.size(), 1u);
  EXPECT_EQ(syncs_seen[0].file.parent_path(), folder.path());
  EXPECT_NE(syncs_seen[0].file, watched_target);
  EXPECT_EQ(syncs_seen[0].size, 65536u);
  EXPECT_EQ(syncs_seen[0].target_then, old_bytes);
  EXPECT_EQ(testing::ReadBytes(watched_target).size(), 65536u);
}

}  // namespace
}  // namespace flashdisk
