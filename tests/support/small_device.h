// A small file system of its own, to fill up: a tmpfs mounted over a folder
// in the calling process's own mount namespace, so that it vanishes with the
// process whatever happens. Use it only in a forked child (see
// child_process.h); mounting needs root.
#pragma once

#include <sched.h>
#include <sys/mount.h>
#include <sys/statvfs.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace flashdisk::testing {

// What a child reports when it cannot mount, so that the test can skip.
inline constexpr std::string_view kNoSmallDevice = "no small device can be mounted here";

// Mounts a tmpfs of `size` (as mount takes it, "128k") over `folder`.
inline bool MountSmallDevice(const std::filesystem::path& folder, std::string_view size) {
  const std::string options = "size=" + std::string(size);
  return unshare(CLONE_NEWNS) == 0 &&
         mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0 &&
         mount("tmpfs", folder.c_str(), "tmpfs", 0, options.c_str()) == 0;
}

// Fills the device under `folder` with the file `filler` until only about
// `room` bytes are left free.
inline bool FillDevice(const std::filesystem::path& folder, const std::filesystem::path& filler,
                       std::uint64_t room) {
  struct statvfs device {};
  if (statvfs(folder.c_str(), &device) != 0) {
    return false;
  }
  const std::uint64_t free_bytes = std::uint64_t{device.f_bavail} * device.f_frsize;
  if (free_bytes <= room) {
    return true;
  }
  std::ofstream stream(filler, std::ios::binary);
  const std::string block(free_bytes - room, 'F');
  stream << block;
  return static_cast<bool>(stream.flush());
}

}  // namespace flashdisk::testing
