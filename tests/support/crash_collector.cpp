#include "support/crash_collector.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <stdexcept>

#include "support/files.h"

extern char** environ;

namespace veska_test {
namespace {

std::string Unescape(const std::string& text) {
  std::string plain;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '%' && i + 2 < text.size()) {
      plain += static_cast<char>(std::strtol(text.substr(i + 1, 2).c_str(), nullptr, 16));
      i += 2;
    } else {
      plain += text[i];
    }
  }
  return plain;
}

CrashCollector::Upload ReadUpload(const std::filesystem::path& folder) {
  CrashCollector::Upload upload;
  for (const std::string& line : SplitLines(ReadFile(folder / "request.txt"))) {
    if (line.rfind("path ", 0) == 0) {
      upload.path = line.substr(5);
    } else if (line.rfind("file ", 0) == 0) {
      const auto space = line.find(' ', 5);
      const std::string part = Unescape(line.substr(5, space - 5));
      upload.file_names[part] = Unescape(line.substr(space + 1));
      upload.files[part] = folder / "files" / part;
    }
  }
  for (const std::string& line : SplitLines(ReadFile(folder / "fields.txt"))) {
    const auto equals = line.find('=');
    upload.fields[Unescape(line.substr(0, equals))] = Unescape(line.substr(equals + 1));
  }
  return upload;
}

}  // namespace

CrashCollector::CrashCollector(const std::filesystem::path& program, const std::vector<std::string>& options) {
  std::vector<std::string> args{program.string(), "--store=" + store_.str(), "--lifetime=300"};
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
    throw std::runtime_error("crash_collector printed no port: " + text);
  }
}

CrashCollector::~CrashCollector() {
  if (pid_ > 0) {
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
  }
}

std::string CrashCollector::Url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<CrashCollector::Upload> CrashCollector::Uploads() const {
  std::vector<std::filesystem::path> folders;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(store_.path(), ec)) {
    // Whole uploads only: a folder still being written ends in ".partial".
    if (entry.is_directory() && entry.path().extension().empty()) folders.push_back(entry.path());
  }
  std::sort(folders.begin(), folders.end());
  std::vector<Upload> uploads;
  for (const auto& folder : folders) uploads.push_back(ReadUpload(folder));
  return uploads;
}

std::vector<std::string> CrashCollector::Rejected() const {
  const auto file = store_.path() / "rejected.txt";
  if (!std::filesystem::exists(file)) return {};
  return SplitLines(ReadFile(file));
}

}  // namespace veska_test
