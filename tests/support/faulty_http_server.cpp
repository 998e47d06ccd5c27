#include "support/faulty_http_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <stdexcept>

#include "support/files.h"

extern char** environ;

namespace veska_test {

FaultyHttpServer::FaultyHttpServer(const std::filesystem::path& program, const std::filesystem::path& file,
                                   const std::vector<std::string>& options) {
  std::vector<std::string> args{program.string(), "--file", file.string(), "--log",
                                (folder_ / "requests.log").string(), "--lifetime", "300"};
  args.insert(args.end(), options.begin(), options.end());
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  int out[2];
  if (pipe2(out, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
  const int spawned = posix_spawn(&pid_, args[0].c_str(), &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  if (spawned != 0) {
    close(out[0]);
    throw std::runtime_error("cannot start " + args[0]);
  }
  std::string text;
  while (text.find('\n') == std::string::npos) {
    pollfd waiting{out[0], POLLIN, 0};
    char buffer[64];
    if (poll(&waiting, 1, 10000) <= 0) break;
    const ssize_t n = read(out[0], buffer, sizeof buffer);
    if (n <= 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  close(out[0]);
  if (std::sscanf(text.c_str(), "port %d", &port_) != 1) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    throw std::runtime_error("faulty_http printed no port: " + text);
  }
}

FaultyHttpServer::~FaultyHttpServer() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

std::string FaultyHttpServer::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<std::string> FaultyHttpServer::Requests() const {
  const auto log = folder_ / "requests.log";
  if (!std::filesystem::exists(log)) return {};
  return SplitLines(ReadFile(log));
}

}  // namespace veska_test
