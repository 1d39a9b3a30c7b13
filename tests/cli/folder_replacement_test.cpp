// `unpack --force` over an earlier unpack, stopped at every step of its
// writing, by a failure as of a full disk and (on Linux) by SIGTERM: the
// folder holds the old manifest with its old files, or none, or the new one
// with its new files, never a temporary file, and the user's file stays;
// the next run then gives the new folder exactly.
#include <gtest/gtest.h>

#include <map>
#include <sstream>

#include "cli/add_command.h"
#include "cli/unpack_command.h"
#include "disk_folder/folder_unpacking.h"
#include "image/image_format.h"
#include "image/utf8_path.h"
#include "tests/support/temporary_folder.h"

#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

namespace flashdisk::testing {
namespace {

namespace fs = std::filesystem;
using Files = std::map<std::string, std::vector<std::uint8_t>>;

Files FilesIn(const fs::path& folder) {
  Files files;
  for (const auto& name : SortedNames(folder)) {
    files[name] = ReadBytes(folder / PathFromUtf8(name));
  }
  return files;
}

class FolderReplacementTest : public ::testing::Test {
 protected:
  void SetUp() override {
    MakeImage("old.rom", {{"a.bin", 300}, {"b.bin", 20}, {"c.bin", 5}});
    MakeImage("new.rom", {{"a.bin", 400}, {"d.bin", 30}});
    old_files_ = Unpacked("old.rom", "old");
    // Over the old folder: a.bin by its name, d's data in b.bin by its place.
    EXPECT_EQ(Unpack("new.rom", "old", true), 0);
    new_files_ = FilesIn(folder_ / "old");
  }

  void MakeImage(const std::string& name, const std::map<std::string, std::size_t>& entries) {
    DiskImage image;
    ASSERT_TRUE(image.Format(0x10000, 256));
    image.List();
    for (const auto& [entry, size] : entries) {
      const auto file = folder_.Write(entry, CountingBytes(size, static_cast<std::uint8_t>(size)));
      ASSERT_EQ(cli::AddFile(image, file, {}), AddResult::kAdded);
    }
    ASSERT_TRUE(image.Save(folder_ / name));
  }

  int Unpack(const std::string& image, const std::string& folder, bool force,
             const FolderStepHook& hook = {}) const {
    std::ostringstream out;
    std::ostringstream err;
    return cli::RunUnpack({folder_ / image, folder_ / folder, force}, cli::Console{out, err}, hook);
  }

  Files Unpacked(const std::string& image, const std::string& folder) const {
    EXPECT_EQ(Unpack(image, folder, false), 0);
    return FilesIn(folder_ / folder);
  }

  // An earlier unpack of old.rom with the user's notes beside it.
  fs::path OldFolder(int run) const {
    const auto folder = "run" + std::to_string(run);
    EXPECT_EQ(Unpack("old.rom", folder, false), 0);
    folder_.Write(fs::path(folder) / "notes.txt", std::vector<std::uint8_t>{7});
    return folder_ / folder;
  }

  // Whole: the old or the new files under their manifest, or no manifest;
  // and the next run, which nothing stops, leaves the new files alone.
  void ExpectWholeOrWithoutManifest(const fs::path& folder, int step) const {
    auto files = FilesIn(folder);
    EXPECT_EQ(files["notes.txt"], std::vector<std::uint8_t>{7}) << "step " << step;
    files.erase("notes.txt");
    files.erase(".flashdisk-files");          // what a stopped run claimed
    files.erase(".flashdisk-old-disk.toml");  // the manifest it set aside
    for (const auto& [name, bytes] : files) {
      EXPECT_FALSE(name.starts_with(".flashdisk-")) << "step " << step << ": " << name;
    }
    if (files.contains("disk.toml")) {
      EXPECT_TRUE(files == old_files_ || files == new_files_) << "step " << step;
    }
    EXPECT_EQ(Unpack("new.rom", Utf8FromPath(folder.filename()), true), 0);
    files = FilesIn(folder);
    files.erase("notes.txt");
    EXPECT_EQ(files, new_files_) << "step " << step;
  }

  // Steps that a run which nothing stops takes.
  int StepCount() const {
    int steps = 0;
    const auto folder = OldFolder(-1);
    EXPECT_EQ(Unpack("new.rom", Utf8FromPath(folder.filename()), true,
                     [&steps](FolderStep) { return ++steps, true; }),
              0);
    auto files = FilesIn(folder);
    files.erase("notes.txt");
    EXPECT_EQ(files, new_files_);
    return steps;
  }

  TemporaryFolder folder_;
  Files old_files_;
  Files new_files_;
};

TEST_F(FolderReplacementTest, AFailureAtAnyStepLeavesAWholeFolderOrOneWithoutManifest) {
  const int steps = StepCount();
  EXPECT_EQ(steps,
            9);  // 3 written, manifest aside, 2 renamed, c removed, folder synced, manifest in
  for (int stop = 0; stop < steps; ++stop) {
    const auto folder = OldFolder(stop);
    int step = 0;
    EXPECT_EQ(Unpack("new.rom", Utf8FromPath(folder.filename()), true,
                     [&](FolderStep) { return step++ != stop; }),
              1);
    ExpectWholeOrWithoutManifest(folder, stop);
  }
}

// An update of a large folder in which one entry's data changed costs that
// file and the manifest, each written and synced once, and one sync of the
// folder: not a thousand.
TEST(FolderUpdateCostTest, OneChangedEntryOfAThousandWritesTwoFilesAndSyncsTheFolderOnce) {
  TemporaryFolder folder;
  DiskImage image;
  ASSERT_TRUE(image.Format(2048 * 1024, 1));
  image.List();
  for (int i = 0; i < 1000; ++i) {
    const auto file = folder.Write("f" + std::to_string(i) + ".bin",
                                   CountingBytes(100, static_cast<std::uint8_t>(i)));
    ASSERT_EQ(cli::AddFile(image, file, {}), AddResult::kAdded);
  }
  image.List();
  ASSERT_EQ(UnpackIntoFolder(image, folder / "disk"), std::nullopt);
  const auto changed = image.listing().entries[499].position + kEntryHeaderSize;
  image.EditDisk()[changed] ^= 0xFF;
  image.List();
  std::map<FolderStep, int> steps;
  FolderUnpackOptions options;
  options.force = true;
  options.hook = [&steps](FolderStep step) { return ++steps[step], true; };
  ASSERT_EQ(UnpackIntoFolder(image, folder / "disk", options), std::nullopt);
  EXPECT_EQ(steps[FolderStep::kFileWritten], 2);
  EXPECT_EQ(steps[FolderStep::kFileRenamed], 1);
  EXPECT_EQ(steps[FolderStep::kFolderSynced], 1);
  EXPECT_EQ(ReadBytes(folder / "disk" / "f499.bin")[0],
            static_cast<std::uint8_t>(499 % 256) ^ 0xFF);
}

#ifndef _WIN32
TEST_F(FolderReplacementTest, SigtermAtAnyStepLeavesAWholeFolderOrOneWithoutManifest) {
  const int steps = StepCount();
  for (int stop = 0; stop < steps; ++stop) {
    const auto folder = OldFolder(stop);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      int step = 0;
      Unpack("new.rom", Utf8FromPath(folder.filename()), true, [&](FolderStep) {
        if (step++ == stop) {
          std::raise(SIGTERM);
        }
        return true;
      });
      ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGTERM) << "step " << stop;
    ExpectWholeOrWithoutManifest(folder, stop);
  }
}
#endif

}  // namespace
}  // namespace flashdisk::testing
