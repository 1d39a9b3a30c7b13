#include "tests/cli/program_run.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <stdexcept>

extern char** environ;

namespace flashdisk::testing {

namespace {

struct Pipe {
  int read_end = -1;
  int write_end = -1;
  Pipe() {
    int ends[2];
    // Closed on exec: a program started at the same time by another thread
    // must not keep this one's pipes open.
    if (pipe2(ends, O_CLOEXEC) != 0) {
      throw std::runtime_error("pipe");
    }
    read_end = ends[0];
    write_end = ends[1];
  }
};

// Reads both pipes until both are closed, so that neither can fill up and
// stall the program.
void Drain(int out_fd, int err_fd, std::string& out, std::string& err) {
  std::array<pollfd, 2> fds{{{out_fd, POLLIN, 0}, {err_fd, POLLIN, 0}}};
  std::array<std::string*, 2> sinks{&out, &err};
  int open = 2;
  while (open > 0) {
    if (poll(fds.data(), fds.size(), -1) < 0) {
      throw std::runtime_error("poll");
    }
    for (std::size_t i = 0; i < fds.size(); ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) {
        continue;
      }
      char buffer[4096];
      const auto count = read(fds[i].fd, buffer, sizeof buffer);
      if (count > 0) {
        sinks[i]->append(buffer, static_cast<std::size_t>(count));
      } else {
        close(fds[i].fd);
        fds[i].fd = -1;
        --open;
      }
    }
  }
}

}  // namespace

ProgramRun RunProgram(const std::filesystem::path& program,
                      const std::vector<std::string>& arguments,
                      const std::filesystem::path& working_folder) {
  std::vector<std::string> words{program.string()};
  words.insert(words.end(), arguments.begin(), arguments.end());
  std::vector<char*> argv;
  for (auto& word : words) {
    argv.push_back(word.data());
  }
  argv.push_back(nullptr);

  Pipe out_pipe;
  Pipe err_pipe;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out_pipe.write_end, STDOUT_FILENO);
  posix_spawn_file_actions_adddup2(&actions, err_pipe.write_end, STDERR_FILENO);
  posix_spawn_file_actions_addclose(&actions, out_pipe.read_end);
  posix_spawn_file_actions_addclose(&actions, err_pipe.read_end);
  posix_spawn_file_actions_addchdir_np(&actions, working_folder.c_str());
  pid_t child = 0;
  const int spawned = posix_spawn(&child, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out_pipe.write_end);
  close(err_pipe.write_end);
  if (spawned != 0) {
    close(out_pipe.read_end);
    close(err_pipe.read_end);
    throw std::runtime_error("cannot start " + words.front());
  }

  ProgramRun run;
  Drain(out_pipe.read_end, err_pipe.read_end, run.out, run.err);
  int wait_status = 0;
  waitpid(child, &wait_status, 0);
  run.status = WIFEXITED(wait_status) ? WEXITSTATUS(wait_status) : -1;
  return run;
}

}  // namespace flashdisk::testing
