#include "support/named_program.h"

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <thread>

#include "support/spawn_args.h"

namespace veska_test {

std::filesystem::path InstallAs(const std::filesystem::path& program,
                                const std::filesystem::path& folder, const std::string& name) {
  std::filesystem::create_directories(folder);
  const auto target = folder / name;
  // Copy then rename: the target may be running already (a second process of
  // the same name), and a running executable cannot be overwritten in place.
  const auto staging = folder / ("." + name + ".staging");
  std::filesystem::copy_file(program, staging, std::filesystem::copy_options::overwrite_existing);
  std::filesystem::permissions(staging, std::filesystem::perms::owner_all |
                                            std::filesystem::perms::group_read |
                                            std::filesystem::perms::group_exec);
  std::filesystem::rename(staging, target);
  return target;
}

ChildProcess::ChildProcess(const std::filesystem::path& program,
                           const std::vector<std::string>& args,
                           const std::vector<std::string>& extra_env) {
  auto argv_strings = ArgvStrings(program, args);
  auto env_strings = MergedEnvironment(extra_env);
  auto argv = Pointers(argv_strings);
  auto envp = Pointers(env_strings);

  if (posix_spawn(&pid_, argv_strings[0].c_str(), nullptr, nullptr, argv.data(), envp.data()) != 0) {
    throw std::runtime_error("cannot start " + program.string());
  }
}

ChildProcess::ChildProcess(ChildProcess&& other) noexcept
    : pid_(other.pid_), status_(other.status_), reaped_(other.reaped_) {
  other.pid_ = -1;
}

ChildProcess::~ChildProcess() {
  if (pid_ > 0 && !reaped_) {
    kill(pid_, SIGKILL);
    waitpid(pid_, &status_, 0);
  }
}

bool ChildProcess::Exited() {
  if (reaped_) return true;
  if (waitpid(pid_, &status_, WNOHANG) == pid_) reaped_ = true;
  return reaped_;
}

int ChildProcess::WaitExit(std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!Exited()) {
    if (std::chrono::steady_clock::now() >= deadline) return -1;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  if (WIFEXITED(status_)) return WEXITSTATUS(status_);
  if (WIFSIGNALED(status_)) return 128 + WTERMSIG(status_);
  return -1;
}

void ChildProcess::Kill() {
  if (pid_ > 0 && !reaped_) kill(pid_, SIGKILL);
}

ChildProcess StartSleeperAs(const std::filesystem::path& folder, const std::string& name) {
  return ChildProcess(InstallAs(VESKA_TEST_SLEEPER, folder, name), {});
}

}  // namespace veska_test
