#include "launcher_install.h"

#include "support/files.h"

namespace veska_test {

namespace fs = std::filesystem;

LauncherInstall::LauncherInstall()
    : folder_(root_ / "install"),
      data_env_("XDG_DATA_HOME", (root_ / "data").string()),
      runtime_env_("XDG_RUNTIME_DIR", (root_ / "runtime").string()),
      machine_env_("VESKA_MACHINE_DIR", (root_ / "machine").string()),
      answer_env_("VESKA_PROMPT_ANSWER", "cancel") {
  fs::create_directories(root_ / "runtime");
  fs::permissions(root_ / "runtime", fs::perms::owner_all);
  InstallAs(VESKA_LAUNCHER, folder_, "VESKALaunch.exe");
  InstallAs(VESKA_CLIENT, folder_, "veskaroom.exe");
}

namespace {

const std::vector<std::string> kNoDisplay = {"DISPLAY=", "WAYLAND_DISPLAY="};

}  // namespace

std::vector<std::string> LauncherInstall::Arguments(const std::vector<std::string>& client_switches) const {
  std::vector<std::string> args{"-record=" + ClientRecord().string()};
  args.insert(args.end(), client_switches.begin(), client_switches.end());
  return args;
}

ChildProcess LauncherInstall::Start(const std::vector<std::string>& client_switches) const {
  return ChildProcess(folder_ / "VESKALaunch.exe", Arguments(client_switches), kNoDisplay);
}

ProgramRun LauncherInstall::Run(const std::vector<std::string>& client_switches,
                                std::chrono::milliseconds limit) const {
  return RunProgram(folder_ / "VESKALaunch.exe", Arguments(client_switches), kNoDisplay, limit);
}

std::vector<std::string> LauncherInstall::LogRecords() const {
  std::vector<std::string> records;
  for (const auto& file : FilesIn(root_ / "data/trvo/logs/zerozedev/veskalaunch")) {
    for (auto& line : SplitLines(ReadFile(file))) records.push_back(std::move(line));
  }
  return records;
}

std::vector<std::string> LauncherInstall::ClientEvents() const {
  if (!fs::exists(ClientRecord())) return {};
  return SplitLines(ReadFile(ClientRecord()));
}

std::vector<fs::path> LauncherInstall::CrashFiles(const std::string& extension) const {
  std::vector<fs::path> files;
  for (const auto& file : FilesIn(CrashFolder())) {
    if (file.extension() == extension) files.push_back(file);
  }
  return files;
}

}  // namespace veska_test
