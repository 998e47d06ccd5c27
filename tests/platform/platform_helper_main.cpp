// Test program for the platform suites. It takes a role on its command line:
//   own-paths                 prints its own path, folder and module path
//   own-paths-after-delete    the same after removing its own file
//   syslog-capture TEXT       serves /dev/log in a private mount namespace,
//                             sends TEXT as debug output and prints what came
//                             (exit 77 when the namespace cannot be made)
//   ask TEXT CAPTION          asks OK/Cancel; exit 0 for OK, 1 for Cancel
//   record FILE FD ARGS...    writes ARGS, its folder, VESKA_PROBE, PATH,
//                             whether descriptor FD is open and how SIGPIPE
//                             is handled into FILE
//   mutex-hold NAME MODE RESULT [START]
//                             waits for the file START (when given), then
//                             opens NAME (MODE: create, create-owned, open),
//                             writes created/existed/opened/failed to RESULT
//                             and keeps the handle until killed (60 s at most)
//   mutex-wait NAME MS        creates NAME and waits MS for it; exit 0 owned,
//                             1 abandoned, 2 timeout, 3 failed
//   as-user UID ROLE ARGS...  plays ROLE under the user and group UID
//   registry-read KEY NAME    prints the size of HKEY_LOCAL_MACHINE's value
//                             KEY NAME; exit 1 with the error when it fails
#include <fcntl.h>
#include <grp.h>
#include <poll.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/debug_output.h"
#include "platform/folders.h"
#include "platform/message_box.h"
#include "platform/named_mutex.h"
#include "platform/registry_store.h"

namespace {

constexpr int kUsage = 64;
constexpr int kCannotIsolate = 77;

void PrintOwnPaths() {
  std::printf("%s\n", platform::OwnExecutablePath()->c_str());
  std::printf("%s\n", platform::OwnExecutableFolder()->c_str());
  std::printf("%s\n", platform::ModulePathOf(reinterpret_cast<const void*>(&PrintOwnPaths))->c_str());
}

int OwnPaths(const std::vector<std::string>&) {
  PrintOwnPaths();
  return 0;
}

int OwnPathsAfterDelete(const std::vector<std::string>&) {
  if (unlink(platform::OwnExecutablePath()->c_str()) != 0) return 1;
  PrintOwnPaths();
  return 0;
}

int SyslogCapture(const std::vector<std::string>& args) {
  if (args.size() != 1) return kUsage;
  if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
      mount("tmpfs", "/dev", "tmpfs", 0, "mode=0755") != 0) {
    return kCannotIsolate;
  }
  const int log = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  std::strcpy(address.sun_path, "/dev/log");
  if (log < 0 || bind(log, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) return 1;

  platform::OutputDebugText(args[0]);

  pollfd ready{log, POLLIN, 0};
  if (poll(&ready, 1, 5000) != 1) return 2;
  char buffer[65536];
  const ssize_t n = recv(log, buffer, sizeof buffer, 0);
  if (n < 0) return 3;
  std::fwrite(buffer, 1, static_cast<size_t>(n), stdout);
  return 0;
}

int Ask(const std::vector<std::string>& args) {
  if (args.size() != 2) return kUsage;
  return platform::AskOkCancel(args[0], args[1]) == platform::PromptAnswer::kOk ? 0 : 1;
}

int Record(const std::vector<std::string>& args) {
  if (args.size() < 2) return kUsage;
  // Looked at before anything is opened here, which could reuse the number.
  const bool descriptor_open = fcntl(std::atoi(args[1].c_str()), F_GETFD) != -1;
  std::ofstream out(args[0]);
  for (size_t i = 2; i < args.size(); ++i) out << "arg=" << args[i] << "\n";
  out << "cwd=" << std::filesystem::current_path().string() << "\n";
  for (const char* name : {"VESKA_PROBE", "PATH"}) {
    const char* value = std::getenv(name);
    out << name << "=" << (value ? value : "(unset)") << "\n";
  }
  out << "descriptor=" << (descriptor_open ? "open" : "closed") << "\n";
  struct sigaction pipe_action {};
  sigaction(SIGPIPE, nullptr, &pipe_action);
  out << "SIGPIPE=" << (pipe_action.sa_handler == SIG_DFL ? "default" : "changed") << "\n";
  return out ? 0 : 1;
}

// Written under a temporary name and renamed, so a reader never sees half.
void WriteResult(const std::string& path, const std::string& result) {
  const std::string temporary = path + ".tmp";
  std::ofstream(temporary) << result;
  std::filesystem::rename(temporary, path);
}

int MutexHold(const std::vector<std::string>& args) {
  if (args.size() < 3) return kUsage;
  const std::string& name = args[0];
  const std::string& mode = args[1];
  if (args.size() > 3) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!std::filesystem::exists(args[3])) {
      if (std::chrono::steady_clock::now() > deadline) return 2;
      std::this_thread::yield();
    }
  }
  std::optional<platform::NamedMutex> held;
  std::string result = "failed";
  if (mode == "open") {
    if (auto opened = platform::NamedMutex::Open(name)) {
      held.emplace(std::move(*opened));
      result = "opened";
    }
  } else {
    if (auto created = platform::NamedMutex::Create(name, mode == "create-owned")) {
      result = created->already_existed ? "existed" : "created";
      held.emplace(std::move(created->mutex));
    }
  }
  WriteResult(args[2], result);
  std::this_thread::sleep_for(std::chrono::seconds(60));
  return 0;
}

int MutexWait(const std::vector<std::string>& args) {
  if (args.size() != 2) return kUsage;
  auto created = platform::NamedMutex::Create(args[0], false);
  if (!created) {
    std::fprintf(stderr, "%s\n", created.error().Describe().c_str());
    return 3;
  }
  switch (created->mutex.Wait(std::chrono::milliseconds(std::atoi(args[1].c_str())))) {
    case platform::MutexWait::kOwned: return 0;
    case platform::MutexWait::kAbandoned: return 1;
    case platform::MutexWait::kTimeout: return 2;
    case platform::MutexWait::kFailed: return 3;
  }
  return 3;
}

int RegistryRead(const std::vector<std::string>& args) {
  if (args.size() != 2) return kUsage;
  const auto value =
      platform::RegistryGetValue(platform::RegistryRoot::kLocalMachine, args[0], args[1]);
  if (!value) {
    std::fprintf(stderr, "%s\n", value.error().Describe().c_str());
    return 1;
  }
  std::printf("%zu\n", value->data.size());
  return 0;
}

using Role = std::function<int(const std::vector<std::string>&)>;
const std::map<std::string, Role>& Roles();

int AsUser(const std::vector<std::string>& args) {
  if (args.size() < 2 || !Roles().contains(args[1])) return kUsage;
  const auto id = static_cast<unsigned>(std::atoi(args[0].c_str()));
  if (setgroups(0, nullptr) != 0 || setresgid(id, id, id) != 0 || setresuid(id, id, id) != 0) return 4;
  return Roles().at(args[1])(std::vector<std::string>(args.begin() + 2, args.end()));
}

const std::map<std::string, Role>& Roles() {
  static const std::map<std::string, Role> roles = {
      {"own-paths", OwnPaths},
      {"own-paths-after-delete", OwnPathsAfterDelete},
      {"syslog-capture", SyslogCapture},
      {"ask", Ask},
      {"record", Record},
      {"mutex-hold", MutexHold},
      {"mutex-wait", MutexWait},
      {"as-user", AsUser},
      {"registry-read", RegistryRead},
  };
  return roles;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2 || !Roles().contains(argv[1])) {
    std::fprintf(stderr, "usage: %s ROLE [ARGS...]\n", argv[0]);
    return kUsage;
  }
  return Roles().at(argv[1])(std::vector<std::string>(argv + 2, argv + argc));
}
