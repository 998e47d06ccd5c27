#pragma once
// A scratch installation for the updater's process-level tests: the launcher
// and the substitute client in app/, the updater with its two components in
// app/temp/, private data, runtime and machine folders, windows answered by
// automation, and a page opener in PATH that notes what it was asked to open.

#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "support/run_program.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace updater_test {

class UpdaterInstallation {
 public:
  UpdaterInstallation();
  ~UpdaterInstallation();

  const std::filesystem::path& app() const { return app_; }
  std::filesystem::path Updater() const { return app_ / "temp/Updater.exe"; }
  std::filesystem::path Package() const { return app_ / "temp/update.zip"; }
  std::filesystem::path ClientRecord() const { return root_ / "client.rec"; }

  // Runs the updater to its end with `args` and the automation answers.
  veska_test::ProgramRun RunUpdater(const std::vector<std::string>& args, const std::string& answers = "1",
                                    std::chrono::milliseconds limit = std::chrono::seconds(60)) const;
  // The environment the programs get besides ours.
  std::vector<std::string> Environment(const std::string& answers = "1") const;

  // Every line of the updater's log files.
  std::string UpdaterLog() const;
  std::string Registrations() const;
  // What the page opener was asked to open, one line each.
  std::string OpenedPages() const;
  std::vector<std::string> ClientEvents() const;

 private:
  veska_test::TempDir root_;
  std::filesystem::path app_;
  std::filesystem::path data_;
  std::filesystem::path opener_;
  veska_test::ScopedEnv data_env_;
  veska_test::ScopedEnv runtime_env_;
  veska_test::ScopedEnv machine_env_;
};

// The "window: ..." lines of an automated run's standard error.
std::vector<std::string> WindowLines(const std::string& err);

}  // namespace updater_test
