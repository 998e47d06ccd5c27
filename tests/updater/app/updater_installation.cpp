#include "updater_installation.h"

#include <stdlib.h>

#include "platform/process.h"
#include "support/files.h"
#include "support/named_program.h"

namespace updater_test {

namespace fs = std::filesystem;

namespace {

std::string AllFilesUnder(const fs::path& folder) {
  std::string text;
  if (!fs::exists(folder)) return text;
  for (const auto& entry : fs::recursive_directory_iterator(folder)) {
    if (entry.is_regular_file()) text += veska_test::ReadFile(entry.path());
  }
  return text;
}

std::string FileOrEmpty(const fs::path& file) { return fs::exists(file) ? veska_test::ReadFile(file) : ""; }

}  // namespace

UpdaterInstallation::UpdaterInstallation()
    : app_(root_ / "app"),
      data_(root_ / "data"),
      opener_(root_ / "opener"),
      data_env_("XDG_DATA_HOME", data_.string()),
      runtime_env_("XDG_RUNTIME_DIR", (root_ / "runtime").string()),
      machine_env_("VESKA_MACHINE_DIR", (root_ / "machine").string()) {
  fs::create_directories(root_ / "runtime");
  fs::permissions(root_ / "runtime", fs::perms::owner_all);
  veska_test::InstallAs(VESKA_LAUNCHER, app_, "VESKALaunch.exe");
  veska_test::InstallAs(VESKA_CLIENT, app_, "veskaroom.exe");
  veska_test::InstallAs(VESKA_UPDATER, app_ / "temp", "Updater.exe");
  fs::copy_file(VESKA_ARCHIVE_COMPONENT, app_ / "temp/zlib.dll");
  fs::copy_file(VESKA_INSTALLER_COMPONENT, app_ / "temp/InstallQelApp.dll");
  veska_test::WriteFile(opener_ / "xdg-open", "#!/bin/sh\necho \"$1\" >> \"$0.opened\"\n");
  fs::permissions(opener_ / "xdg-open", fs::perms::owner_all);
}

// A launcher the updater started, and the client it started, end with the
// test at the latest.
UpdaterInstallation::~UpdaterInstallation() {
  platform::TerminateProcessesNamed("VESKALaunch.exe");
  platform::TerminateProcessesNamed("veskaroom.exe");
}

std::vector<std::string> UpdaterInstallation::Environment(const std::string& answers) const {
  return {"DISPLAY=", "WAYLAND_DISPLAY=", "VESKA_WINDOW_ANSWER=" + answers, "VESKA_PROMPT_ANSWER=cancel",
          "LANGUAGE=en_US.UTF-8", "PATH=" + opener_.string() + ":" + getenv("PATH")};
}

veska_test::ProgramRun UpdaterInstallation::RunUpdater(const std::vector<std::string>& args,
                                                       const std::string& answers,
                                                       std::chrono::milliseconds limit) const {
  return veska_test::RunProgram(Updater(), args, Environment(answers), limit);
}

std::string UpdaterInstallation::UpdaterLog() const { return AllFilesUnder(data_ / "trvo/logs/Updater"); }

std::string UpdaterInstallation::Registrations() const {
  return FileOrEmpty(data_ / "trvo/installer_registrations.txt");
}

std::string UpdaterInstallation::OpenedPages() const { return FileOrEmpty(opener_ / "xdg-open.opened"); }

std::vector<std::string> UpdaterInstallation::ClientEvents() const {
  return veska_test::SplitLines(FileOrEmpty(ClientRecord()));
}

std::vector<std::string> WindowLines(const std::string& err) {
  std::vector<std::string> lines;
  for (auto& line : veska_test::SplitLines(err)) {
    if (line.rfind("window: ", 0) == 0) lines.push_back(std::move(line));
  }
  return lines;
}

}  // namespace updater_test
