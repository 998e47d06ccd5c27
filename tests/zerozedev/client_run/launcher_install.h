#pragma once
// A scratch installation: the launcher as "VESKALaunch.exe" with the
// substitute client beside it, and private data, runtime and machine folders
// for everything they make.

#include <filesystem>
#include <string>
#include <vector>

#include "support/named_program.h"
#include "support/run_program.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace veska_test {

class LauncherInstall {
 public:
  LauncherInstall();

  const std::filesystem::path& folder() const { return folder_; }
  std::filesystem::path CrashFolder() const { return root_ / "data/trvo/crash"; }
  std::filesystem::path ClientRecord() const { return root_ / "client.rec"; }
  std::filesystem::path RuntimeFolder() const { return root_ / "runtime"; }

  // Starts the launcher with the client's script switches (which the launcher
  // hands on to the client) and a record file for the client.
  ChildProcess Start(const std::vector<std::string>& client_switches) const;
  // The same, run to its end with its output captured.
  ProgramRun Run(const std::vector<std::string>& client_switches, std::chrono::milliseconds limit) const;
  // The launcher's log records, in order (one log file is expected).
  std::vector<std::string> LogRecords() const;
  std::vector<std::string> ClientEvents() const;
  // Files in the crash folder with this extension.
  std::vector<std::filesystem::path> CrashFiles(const std::string& extension) const;

 private:
  std::vector<std::string> Arguments(const std::vector<std::string>& client_switches) const;

  TempDir root_;
  std::filesystem::path folder_;
  ScopedEnv data_env_;
  ScopedEnv runtime_env_;
  ScopedEnv machine_env_;
  ScopedEnv answer_env_;
};

}  // namespace veska_test
