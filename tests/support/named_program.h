#pragma once
// Real processes running under a chosen executable name: the test sleeper (or
// any program) is copied into a folder under that name and started from there,
// so the process list shows exactly that name.

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

namespace veska_test {

// Copies `program` to folder/name (executable) and returns the new path.
std::filesystem::path InstallAs(const std::filesystem::path& program,
                                const std::filesystem::path& folder, const std::string& name);

// A started child; killed and reaped when the object goes.
class ChildProcess {
 public:
  ChildProcess(const std::filesystem::path& program, const std::vector<std::string>& args,
               const std::vector<std::string>& extra_env = {});
  ~ChildProcess();
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;
  ChildProcess(ChildProcess&& other) noexcept;

  int pid() const { return pid_; }
  // True once the child has ended (reaps it); its exit status is then kept.
  bool Exited();
  // Waits up to `limit`; returns the exit code (128 + signal for a signal
  // death) or -1 on time-out.
  int WaitExit(std::chrono::milliseconds limit = std::chrono::seconds(10));
  void Kill();

 private:
  int pid_ = -1;
  int status_ = -1;
  bool reaped_ = false;
};

// Sleeper started as `name` in `folder`.
ChildProcess StartSleeperAs(const std::filesystem::path& folder, const std::string& name);

}  // namespace veska_test
