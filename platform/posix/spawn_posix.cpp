#include <errno.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/folders.h"
#include "platform/process.h"
#include "pidfd.h"
#include "process_state.h"

extern char** environ;

namespace platform {
namespace {

constexpr const char* kDefaultPath = "/usr/local/bin:/usr/bin:/bin";

bool IsExecutableFile(const std::string& path) {
  struct stat info {};
  return stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

std::vector<std::string> SplitPath(const std::string& path_list) {
  std::vector<std::string> folders;
  for (size_t start = 0;;) {
    const size_t colon = path_list.find(':', start);
    const std::string folder = path_list.substr(start, colon - start);
    folders.push_back(folder.empty() ? "." : folder);
    if (colon == std::string::npos) return folders;
    start = colon + 1;
  }
}

// Made absolute against our folder, since the child may start elsewhere.
std::string Absolute(const std::string& path) {
  if (path.front() == '/') return path;
  auto current = CurrentDirectory();
  return current ? *current + "/" + path : path;
}

}  // namespace

Result<std::string> FindProgram(const std::string& name, const std::vector<std::string>& first_folders) {
  if (name.find('/') != std::string::npos) {
    if (!IsExecutableFile(name)) return Error{ENOENT, "no program " + name};
    return Absolute(name);
  }
  std::vector<std::string> folders = first_folders;
  const char* path = getenv("PATH");
  for (auto& folder : SplitPath(path != nullptr ? path : kDefaultPath)) folders.push_back(std::move(folder));
  for (const auto& folder : folders) {
    const std::string candidate = (folder.ends_with('/') ? folder : folder + "/") + name;
    if (IsExecutableFile(candidate)) return Absolute(candidate);
  }
  return Error{ENOENT, "program " + name + " not found"};
}

namespace {

std::vector<std::string> ChildEnvironment(const std::vector<std::string>& extra) {
  std::vector<std::string> environment;
  for (char** entry = environ; *entry != nullptr; ++entry) environment.emplace_back(*entry);
  for (const auto& setting : extra) {
    const std::string key = setting.substr(0, setting.find('=') + 1);
    std::erase_if(environment, [&](const std::string& e) { return e.starts_with(key); });
    environment.push_back(setting);
  }
  return environment;
}

std::vector<char*> Pointers(std::vector<std::string>& strings) {
  std::vector<char*> pointers;
  for (auto& s : strings) pointers.push_back(s.data());
  pointers.push_back(nullptr);
  return pointers;
}

// The child starts like a fresh program: no handles of ours (descriptors
// from 3 on are closed), default signal dispositions, nothing blocked.
class SpawnSetup {
 public:
  SpawnSetup() {
    posix_spawn_file_actions_init(&actions_);
    posix_spawnattr_init(&attributes_);
  }
  ~SpawnSetup() {
    posix_spawn_file_actions_destroy(&actions_);
    posix_spawnattr_destroy(&attributes_);
  }
  SpawnSetup(const SpawnSetup&) = delete;
  SpawnSetup& operator=(const SpawnSetup&) = delete;

  int Prepare(const std::string& working_directory) {
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    int rc = posix_spawnattr_setsigmask(&attributes_, &none);
    if (rc == 0) rc = posix_spawnattr_setsigdefault(&attributes_, &all);
    if (rc == 0) rc = posix_spawnattr_setflags(&attributes_, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    if (rc == 0) rc = posix_spawn_file_actions_addclosefrom_np(&actions_, 3);
    if (rc == 0 && !working_directory.empty()) {
      rc = posix_spawn_file_actions_addchdir_np(&actions_, working_directory.c_str());
    }
    return rc;
  }

  const posix_spawn_file_actions_t* actions() const { return &actions_; }
  const posix_spawnattr_t* attributes() const { return &attributes_; }

 private:
  posix_spawn_file_actions_t actions_;
  posix_spawnattr_t attributes_;
};

}  // namespace

Result<Process> Spawn(const std::string& command_line, const SpawnOptions& options) {
  std::vector<std::string> args = SplitCommandLine(command_line);
  if (!options.program.empty()) {
    if (!IsExecutableFile(options.program)) return Error{ENOENT, "no program " + options.program};
    if (args.empty()) args.push_back(options.program);
  }
  if (args.empty() || args.front().empty()) return Error{EINVAL, "start: empty command line"};
  auto program = options.program.empty() ? FindProgram(args.front(), options.search_folders)
                                         : Result<std::string>(Absolute(options.program));
  if (!program) return program.error();

  SpawnSetup setup;
  if (const int rc = setup.Prepare(options.working_directory); rc != 0) {
    return Error{rc, "start " + *program + ": prepare"};
  }
  std::vector<std::string> environment = ChildEnvironment(options.extra_environment);
  auto argv = Pointers(args);
  auto envp = Pointers(environment);
  pid_t pid = -1;
  if (const int rc = posix_spawn(&pid, program->c_str(), setup.actions(), setup.attributes(),
                                 argv.data(), envp.data());
      rc != 0) {
    return Error{rc, "start " + *program};
  }
  auto state = std::make_unique<Process::State>();
  state->pid = pid;
  state->is_child = true;
  state->pidfd = posix::OpenPidfd(pid);  // the child is not reaped yet, so the id is still its
  return Process(std::move(state));
}

}  // namespace platform
