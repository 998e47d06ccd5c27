#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <memory>
#include <string>

#include "exe_link.h"
#include "platform/unique_fd.h"
#include "proc_entry.h"

namespace platform {
namespace posix {
namespace {

std::optional<std::string> ReadProcFile(const std::string& path) {
  UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd) return std::nullopt;
  std::string content;
  char buffer[4096];
  for (;;) {
    const ssize_t n = read(fd.get(), buffer, sizeof buffer);
    if (n < 0) return std::nullopt;
    if (n == 0) return content;
    content.append(buffer, static_cast<size_t>(n));
  }
}

std::string BaseName(const std::string& path) { return path.substr(path.rfind('/') + 1); }

// The exe link is the truth; a process of another user (link unreadable)
// still shows its argv[0]; a kernel thread has only its comm.
std::string ExeNameOf(int pid, const std::string& comm) {
  const std::string folder = "/proc/" + std::to_string(pid);
  if (auto target = ReadExeLink(folder + "/exe")) return BaseName(*target);
  if (auto cmdline = ReadProcFile(folder + "/cmdline")) {
    const std::string argv0 = cmdline->substr(0, cmdline->find('\0'));
    if (!argv0.empty()) return BaseName(argv0);
  }
  return comm;
}

}  // namespace

std::optional<ProcessEntry> ReadProcessEntry(int pid) {
  // "pid (comm) state ppid ...": comm may hold blanks and ")", so the last
  // ")" ends it.
  const auto stat = ReadProcFile("/proc/" + std::to_string(pid) + "/stat");
  if (!stat) return std::nullopt;
  const auto open = stat->find('(');
  const auto close = stat->rfind(')');
  if (open == std::string::npos || close == std::string::npos || close + 4 >= stat->size()) {
    return std::nullopt;
  }
  const char state = (*stat)[close + 2];
  if (state == 'Z' || state == 'X') return std::nullopt;

  ProcessEntry entry;
  entry.pid = pid;
  entry.parent_pid = std::atoi(stat->c_str() + close + 4);
  entry.exe_name = ExeNameOf(pid, stat->substr(open + 1, close - open - 1));
  return entry;
}

}  // namespace posix

Result<std::vector<ProcessEntry>> SnapshotProcesses() {
  struct CloseDir {
    void operator()(DIR* dir) const { closedir(dir); }
  };
  std::unique_ptr<DIR, CloseDir> proc(opendir("/proc"));
  if (!proc) return LastError("opendir /proc");
  std::vector<ProcessEntry> entries;
  while (const dirent* item = readdir(proc.get())) {
    char* end = nullptr;
    const long pid = std::strtol(item->d_name, &end, 10);
    if (pid <= 0 || *end != '\0') continue;
    // A process that ended since the folder was listed is simply not there.
    if (auto entry = posix::ReadProcessEntry(static_cast<int>(pid))) entries.push_back(std::move(*entry));
  }
  return entries;
}

}  // namespace platform
