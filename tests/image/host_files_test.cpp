#include "image/host_files.h"

#include <gtest/gtest.h>

#include <fstream>

#include "image/platform_seam.h"
#include "tests/support/temporary_folder.h"

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

namespace flashdisk {
namespace {

using testing::ReadBytes;
using testing::TemporaryFolder;
using Bytes = std::vector<std::uint8_t>;
namespace fs = std::filesystem;

[[maybe_unused]] constexpr auto kSharedWithGroup =
    fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::group_write;

TEST(HostFiles, FileReaderReadsOnWhereItStopped) {
  TemporaryFolder folder;
  FileReader reader;
  ASSERT_TRUE(reader.Open(folder.Write("f", Bytes{1, 2, 3, 4, 5})));
  EXPECT_EQ(reader.length(), 5u);
  Bytes first(2);
  Bytes rest(3);
  EXPECT_TRUE(reader.Read(first));
  EXPECT_TRUE(reader.Read(rest));
  EXPECT_EQ(first, (Bytes{1, 2}));
  EXPECT_EQ(rest, (Bytes{3, 4, 5}));
  EXPECT_FALSE(reader.Read(first));
  EXPECT_FALSE(FileReader().Open(folder.path()));
  EXPECT_FALSE(FileReader().Open(folder / "missing"));
}

TEST(HostFiles, ReadFileBytesNeedsAllOfThem) {
  TemporaryFolder folder;
  const auto file = folder.Write("f", Bytes{1, 2, 3, 4, 5});
  EXPECT_EQ(ReadFileBytes(file, 1, 3), (Bytes{2, 3, 4}));
  EXPECT_EQ(ReadFileBytes(file, 5, 0), Bytes{});
  EXPECT_FALSE(ReadFileBytes(file, 4, 2));
  EXPECT_FALSE(ReadFileBytes(folder / "missing", 0, 0));
}

TEST(HostFiles, AtomicWriteKeepsPermissionsAndFollowsLinks) {
  TemporaryFolder folder;
  const auto file = folder.Write("target", Bytes{9});
  std::error_code error;
  fs::create_symlink(file, folder / "link", error);
  if (error) {
    GTEST_SKIP() << "Windows lets only administrators and developers make links";
  }
#ifndef _WIN32
  // Group writing, which the usual umask of 022 would take from a new file.
  fs::permissions(file, kSharedWithGroup);
#endif
  ASSERT_TRUE(WriteFileAtomically(folder / "link", Bytes{1, 2}));
  EXPECT_TRUE(fs::is_symlink(folder / "link"));
  EXPECT_EQ(ReadBytes(file), (Bytes{1, 2}));
#ifndef _WIN32
  EXPECT_EQ(fs::status(file).permissions() & fs::perms::all, kSharedWithGroup);
#endif
  EXPECT_EQ(folder.Names().size(), 2u);
}

// Mode 0444 on Linux, even for root; the read-only attribute on Windows,
// which std::filesystem sets for a file without write permission.
TEST(HostFiles, AtomicWriteRefusesAReadOnlyFileAndKeepsIt) {
  TemporaryFolder folder;
  const auto file = folder.Write("disk.rom", Bytes{7, 7});
  const auto read_only = fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read;
  fs::permissions(file, read_only);
  EXPECT_FALSE(WriteFileAtomically(file, Bytes{1, 2, 3}));
  EXPECT_EQ(ReadBytes(file), (Bytes{7, 7}));
  const auto kept = fs::status(file).permissions();
#ifdef _WIN32
  EXPECT_EQ(kept & fs::perms::owner_write, fs::perms::none);
#else
  EXPECT_EQ(kept & fs::perms::all, read_only);
#endif
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"disk.rom"});
  fs::permissions(file, fs::perms::owner_all);  // Windows removes no read-only file
}

#ifdef _WIN32
// Windows refuses to replace a file that another program holds open; the
// save must then fail whole, as on a full disk.
TEST(HostFiles, AtomicWriteOverAFileHeldOpenKeepsItAndLeavesNoTemporary) {
  TemporaryFolder folder;
  const auto file = folder.Write("disk.rom", Bytes{7, 7});
  std::ifstream held(file, std::ios::binary);
  ASSERT_TRUE(held.is_open());
  EXPECT_FALSE(WriteFileAtomically(file, Bytes{1, 2, 3}));
  held.close();
  EXPECT_EQ(ReadBytes(file), (Bytes{7, 7}));
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"disk.rom"});
}
#endif

TEST(HostFiles, AtomicWriteRefusesWhatIsNotAFile) {
  TemporaryFolder folder;
  EXPECT_FALSE(WriteFileAtomically(folder.path(), Bytes{1}));
#ifndef _WIN32
  EXPECT_FALSE(WriteFileAtomically("/dev/null", Bytes{1}));
  EXPECT_TRUE(fs::is_character_file("/dev/null"));
#endif
  EXPECT_FALSE(WriteFileAtomically(folder / "missing" / "f", Bytes{1}));
  EXPECT_TRUE(folder.Names().empty());
}

#ifndef _WIN32
// A SIGTERM while the guard lives removes its temporaries, and only them,
// before the program ends as SIGTERM ends it.
TEST(HostFiles, SigtermRemovesTheGuardedTemporariesAndNothingElse) {
  TemporaryFolder folder;
  folder.Write("keep.tmp", Bytes{1});
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    const platform::TemporaryFilesGuard guard(folder / ".flashdisk-7-", 3);
    folder.Write(".flashdisk-7-0.tmp", Bytes{1});
    folder.Write(".flashdisk-7-2.tmp", Bytes{1});
    std::raise(SIGTERM);
    ::_exit(0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM);
  EXPECT_EQ(folder.Names(), std::vector<std::string>{"keep.tmp"});
}
#endif

}  // namespace
}  // namespace flashdisk
