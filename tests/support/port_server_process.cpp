#include "support/port_server_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>

#include "support/spawn_args.h"

extern char** environ;

namespace veska_test {
namespace {

std::string ReadFirstLine(int fd) {
  std::string text;
  while (text.find('\n') == std::string::npos) {
    pollfd waiting{fd, POLLIN, 0};
    char buffer[64];
    if (poll(&waiting, 1, 10000) <= 0) break;
    const ssize_t n = read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  return text;
}

}  // namespace

PortServerProcess::PortServerProcess(const std::filesystem::path& program,
                                     const std::vector<std::string>& args) {
  auto all = ArgvStrings(program, args);
  auto argv = Pointers(all);

  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  const int spawned = posix_spawn(&pid_, all[0].c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (spawned != 0) {
    close(out[0]);
    pid_ = -1;
    throw std::runtime_error("cannot start " + all[0]);
  }
  const std::string text = ReadFirstLine(out[0]);
  close(out[0]);
  if (std::sscanf(text.c_str(), "port %d", &port_) != 1) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    throw std::runtime_error(program.filename().string() + " printed no port: " + text);
  }
}

PortServerProcess::~PortServerProcess() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

std::string PortServerProcess::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

}  // namespace veska_test
