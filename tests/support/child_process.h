// Runs part of a test in a forked child, for what must not touch the test
// process itself: dropping root, limiting file sizes, mounting a small file
// system. The child reports its failed checks back through a pipe.
#pragma once

#include <grp.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace flashdisk::testing {

// The checks of a child: each one that fails adds a line to the report.
class ChildChecks {
 public:
  void Expect(bool holds, std::string_view what) {
    if (!holds) {
      failures_ += what;
      failures_ += '\n';
    }
  }
  const std::string& failures() const { return failures_; }

 private:
  std::string failures_;
};

// Runs `body` in a forked child and gives back its report: empty when every
// check passed, otherwise the failed checks or how the child ended early.
inline std::string RunInChild(const std::function<void(ChildChecks&)>& body) {
  int pipe_ends[2];
  if (pipe(pipe_ends) != 0) {
    return "cannot make a pipe to the child";
  }
  std::fflush(nullptr);
  const pid_t child = fork();
  if (child < 0) {
    close(pipe_ends[0]);
    close(pipe_ends[1]);
    return "cannot fork a child";
  }
  if (child == 0) {
    close(pipe_ends[0]);
    ChildChecks checks;
    try {
      body(checks);
    } catch (const std::exception& error) {
      checks.Expect(false, std::string("exception in the child: ") + error.what());
    }
    const auto& report = checks.failures();
    std::size_t sent = 0;
    while (sent < report.size()) {
      const auto count = write(pipe_ends[1], report.data() + sent, report.size() - sent);
      if (count <= 0) {
        break;
      }
      sent += static_cast<std::size_t>(count);
    }
    _exit(0);  // no test framework teardown in the child
  }
  close(pipe_ends[1]);
  std::string report;
  char chunk[256];
  ssize_t count = 0;
  while ((count = read(pipe_ends[0], chunk, sizeof chunk)) > 0) {
    report.append(chunk, static_cast<std::size_t>(count));
  }
  close(pipe_ends[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
    report += "the child ended abnormally, status " + std::to_string(status) + "\n";
  }
  return report;
}

// The user and group "nobody" has on Debian.
inline constexpr uid_t kUnprivilegedId = 65534;

// Makes the calling process an unprivileged user, so file permissions apply
// to it: as root it becomes kUnprivilegedId for good; any other user is
// unprivileged already. Use it only in a child. False when root stays root.
inline bool DropPrivileges() {
  if (geteuid() != 0) {
    return true;
  }
  return setgroups(0, nullptr) == 0 && setgid(kUnprivilegedId) == 0 &&
         setuid(kUnprivilegedId) == 0 && geteuid() != 0;
}

// Folder permissions: open to everyone, and the same without the owner's write.
inline constexpr std::filesystem::perms kOpenFolder =
    std::filesystem::perms::owner_all | std::filesystem::perms::group_read |
    std::filesystem::perms::group_exec | std::filesystem::perms::others_read |
    std::filesystem::perms::others_exec;
inline constexpr std::filesystem::perms kReadOnlyFolder =
    kOpenFolder & ~std::filesystem::perms::owner_write;

// Hands a file or folder to the unprivileged user, so that only its
// permission bits decide what that user may do with it. Nothing to do when
// the tests do not run as root.
inline bool GiveToUnprivilegedUser(const std::filesystem::path& path) {
  return geteuid() != 0 || chown(path.c_str(), kUnprivilegedId, kUnprivilegedId) == 0;
}

}  // namespace flashdisk::testing
