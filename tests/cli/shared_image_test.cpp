// An image that other programs use at the same time: commands that change it
// together run one after the other and lose nothing, a command that cannot
// get its turn says so, and a read-only image is left alone.
#include <nlohmann/json.hpp>

#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <chrono>
#include <filesystem>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "image/platform_seam.h"
#include "tests/cli/cli_test.h"

namespace flashdisk::testing {
namespace {

namespace fs = std::filesystem;

const std::string kWriteError = "Ошибка записи файла!";

class SharedImageTest : public CliTest {};

// What `make -j` does with one rule per program.
TEST_F(SharedImageTest, SixteenAddsAtOnceAllLand) {
  constexpr int kAdds = 16;
  NewDisk();
  std::set<std::string> sources;
  for (int i = 1; i <= kAdds; ++i) {
    sources.insert("p" + std::to_string(i) + ".bin");
    Write("p" + std::to_string(i) + ".bin", CountingBytes(100, 7));
  }
  std::vector<ProgramRun> runs(kAdds);
  std::vector<std::thread> starters;
  for (int i = 0; i < kAdds; ++i) {
    starters.emplace_back([&, i] {
      runs[i] = Run({"add", "disk.rom", "p" + std::to_string(i + 1) + ".bin"});
    });
  }
  for (auto& starter : starters) {
    starter.join();
  }
  for (const auto& run : runs) {
    EXPECT_EQ(run.status, 0) << run.err;
  }
  const auto listing = nlohmann::json::parse(Succeed({"list", "disk.rom", "--json"}));
  std::set<std::string> names;
  for (const auto& entry : listing["entries"]) {
    names.insert(entry["name"].get<std::string>());
  }
  EXPECT_EQ(names, sources);
  EXPECT_EQ(folder_.Names().size(), kAdds + 1u);  // the sources and the image, nothing else
}

TEST_F(SharedImageTest, ACommandThatCannotGetItsTurnSaysSoAndChangesNothing) {
  NewDisk();
  Write("p.bin", CountingBytes(10));
  fs::create_directory(folder_ / "p");
  const std::string manifest = "[[entry]]\nfile = \"x\"\n";
  Write("p/disk.toml", Bytes(manifest.begin(), manifest.end()));
  Write("p/x", {1});
  const auto held = platform::FileLock::Acquire(folder_ / "disk.rom", std::chrono::milliseconds(0));
  ASSERT_TRUE(held);
  // A command that makes the image anew waits for its turn as well.
  for (const auto& arguments :
       std::vector<std::vector<std::string>>{{"add", "disk.rom", "p.bin"},
                                             {"new", "disk.rom", "--size", "128k", "--force"},
                                             {"pack", "p", "disk.rom", "--force"}}) {
    Refuse(arguments, 1, "disk.rom", "Образ занят другой программой!");
  }
  EXPECT_EQ(folder_.Names(), (std::vector<std::string>{"disk.rom", "p", "p.bin"}));
}

#ifndef _WIN32
// `flashdisk list big.rom | less` left at its first page: the listing stops
// once the pipe is full. The reader read the image before it printed, so an
// add has nothing to wait for. The same for a dump of a large entry.
TEST_F(SharedImageTest, AReaderStoppedMidwayKeepsNoWriterWaiting) {
  NewDisk({"--size", "2048k", "--sector", "128"});
  Write("p.bin", {1});
  Write("big.bin", CountingBytes(32768));  // 2,048 rows of bytes
  std::vector<std::string> add_many{"add", "disk.rom", "big.bin"};
  add_many.insert(add_many.end(), 1500, "p.bin");  // 1,500 lines: more than a pipe holds
  Succeed(add_many);
  for (const char* reading : {"list disk.rom", "dump disk.rom 1"}) {
    SCOPED_TRACE(reading);
    const auto pipe = folder_ / "pager";
    ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
    const int pager = open(pipe.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    ASSERT_GE(pager, 0);
    std::thread reader([this, reading] {
      RunProgram("/bin/sh",
                 {"-c", std::string("\"$0\" ") + reading + " > pager", FLASHDISK_PROGRAM},
                 folder_.path());
    });
    pollfd listing{pager, POLLIN, 0};
    EXPECT_EQ(poll(&listing, 1, 10000), 1);  // the reader has read the image and prints
    Succeed({"add", "disk.rom", "p.bin"});
    close(pager);  // the pager quits; the output ends on a broken pipe
    reader.join();
    fs::remove(pipe);
  }
}
#endif

// Mode 0444 on Linux, even for root; the read-only attribute on Windows.
TEST_F(SharedImageTest, EveryCommandThatSavesLeavesAReadOnlyImageAlone) {
  NewDisk();
  Write("p.bin", CountingBytes(10));
  Succeed({"add", "disk.rom", "p.bin"});
  const auto image = folder_ / "disk.rom";
  fs::permissions(image, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
  const auto mode = fs::status(image).permissions();
  for (const auto& arguments :
       std::vector<std::vector<std::string>>{{"new", "disk.rom", "--size", "128k", "--force"},
                                             {"add", "disk.rom", "p.bin"},
                                             {"label", "disk.rom", "X"},
                                             {"set", "disk.rom", "1", "--name", "Y"},
                                             {"replace", "disk.rom", "1", "p.bin"},
                                             {"remove", "disk.rom", "1"}}) {
    Refuse(arguments, 1, "disk.rom", kWriteError);
  }
  EXPECT_EQ(fs::status(image).permissions(), mode);
  EXPECT_EQ(folder_.Names(), (std::vector<std::string>{"disk.rom", "p.bin"}));
  fs::permissions(image, fs::perms::owner_all);  // Windows removes no read-only file
}

}  // namespace
}  // namespace flashdisk::testing
