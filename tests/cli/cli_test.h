// A fixture for tests of the flashdisk program: a fresh working folder, and
// runs of the program inside it.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "image/utf8_path.h"
#include "tests/cli/program_run.h"
#include "tests/support/temporary_folder.h"

namespace flashdisk::testing {

using Bytes = std::vector<std::uint8_t>;

class CliTest : public ::testing::Test {
 protected:
  ProgramRun Run(const std::vector<std::string>& arguments) const {
    return RunFlashdisk(arguments, folder_.path());
  }

  // A run that must succeed; its standard output.
  std::string Succeed(const std::vector<std::string>& arguments) const {
    const auto run = Run(arguments);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    return run.out;
  }

  // A run that must fail with `status`, say only `message` about `file`
  // ("flashdisk: file: message") and leave `image` byte for byte as it was.
  void Refuse(const std::vector<std::string>& arguments, int status, const std::string& file,
              const std::string& message, const std::string& image = "disk.rom") const {
    const auto before = FileBytes(image);
    const auto run = Run(arguments);
    EXPECT_EQ(run.status, status);
    EXPECT_EQ(run.err, "flashdisk: " + file + ": " + message + "\n");
    EXPECT_EQ(FileBytes(image), before);
  }

  // Names are UTF-8, as the program takes them.
  Bytes FileBytes(const std::string& name) const { return ReadBytes(folder_ / PathFromUtf8(name)); }

  std::string Write(const std::string& name, const Bytes& bytes) const {
    return Utf8FromPath(folder_.Write(PathFromUtf8(name), bytes));
  }

  // A fresh 64k image with 256-byte sectors under the name "disk.rom".
  void NewDisk(const std::vector<std::string>& options = {"--size", "64k"}) const {
    std::vector<std::string> arguments{"new", "disk.rom"};
    arguments.insert(arguments.end(), options.begin(), options.end());
    Succeed(arguments);
  }

  TemporaryFolder folder_;
};

// Makes `link` a link to `target`, as a user may; false where the system
// lets this user make none (Windows without the right to, Wine), so that a
// test of links can skip itself.
inline bool MakeLink(const std::filesystem::path& target, const std::filesystem::path& link) {
  std::error_code error;
  std::filesystem::create_symlink(target, link, error);
  return !error;
}

// Makes `link` a link to the folder `target` (relative to the link's own
// folder): a symbolic link, or where the user may make none on Windows a
// junction, which every user may make; false where neither can be made.
inline bool MakeFolderLink(const std::filesystem::path& target, const std::filesystem::path& link) {
  std::error_code error;
  std::filesystem::create_directory_symlink(target, link, error);
#ifdef _WIN32
  if (error) {
    const char* shell = std::getenv("COMSPEC");
    const auto absolute = (link.parent_path() / target).lexically_normal();
    try {
      const auto run = RunProgram(
          shell != nullptr ? shell : "C:\\Windows\\System32\\cmd.exe",
          {"/c", "mklink", "/J", Utf8FromPath(link), Utf8FromPath(absolute)}, link.parent_path());
      return run.status == 0 && std::filesystem::exists(link);
    } catch (const std::exception&) {
      return false;
    }
  }
#endif
  return !error;
}

// An RKS file: load address, end address, the data, two bytes that add
// does not read (the checksum's place). Laid out at its final size: growing
// a four-byte vector by insert trips GCC 12's -Warray-bounds in optimised
// builds.
inline Bytes RksFile(std::uint16_t load_address, const Bytes& data) {
  Bytes file(4 + data.size() + 2);
  const auto end_address = static_cast<std::uint16_t>(load_address + data.size() - 1);
  file[0] = static_cast<std::uint8_t>(load_address & 0xFF);
  file[1] = static_cast<std::uint8_t>(load_address >> 8);
  file[2] = static_cast<std::uint8_t>(end_address & 0xFF);
  file[3] = static_cast<std::uint8_t>(end_address >> 8);
  std::copy(data.begin(), data.end(), file.begin() + 4);
  file[file.size() - 2] = 0x33;
  file[file.size() - 1] = 0x44;
  return file;
}

// A sound 64k disk damaged only in its header and file: cut to 4,096 bytes,
// 1,000 bytes too long, and with a label without NUL.
inline std::vector<Bytes> HeaderOnlyDamages(const Bytes& sound) {
  Bytes cut(sound.begin(), sound.begin() + 4096);
  Bytes long_file = sound;
  long_file.resize(sound.size() + 1000, 0xFF);
  Bytes label = sound;
  std::fill_n(label.begin() + 8, 32, 'L');
  return {cut, long_file, label};
}

inline Bytes Slice(const Bytes& bytes, std::size_t from, std::size_t count) {
  return Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(from),
               bytes.begin() + static_cast<std::ptrdiff_t>(from + count));
}

}  // namespace flashdisk::testing
