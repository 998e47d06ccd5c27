#include <dlfcn.h>
#include <errno.h>
#include <link.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <memory>

#include "env_path.h"
#include "exe_link.h"
#include "make_folders.h"
#include "platform/folders.h"

namespace platform {
namespace {

Result<std::string> HomeFolder() {
  if (auto home = posix::AbsolutePathFromEnv("HOME")) return *home;
  const passwd* user = getpwuid(geteuid());
  if (user == nullptr || user->pw_dir == nullptr || user->pw_dir[0] != '/') {
    return Error{ENOENT, "home folder of uid " + std::to_string(geteuid())};
  }
  return std::string(user->pw_dir);
}

std::string ParentFolder(const std::string& path) {
  const auto slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// Sticky and open to everyone, like /tmp: each user may add lock files but
// nobody can remove another user's.
constexpr mode_t kSharedFolderMode = 01777;

Status CreateSharedFolder(const std::string& path) {
  if (mkdir(path.c_str(), 0700) == 0) {
    if (chmod(path.c_str(), kSharedFolderMode) != 0) return LastError("chmod " + path);
    return Status::Ok();
  }
  if (errno == EEXIST) return Status::Ok();
  if (errno != ENOENT) return LastError("create folder " + path);
  if (auto parent = posix::MakeFolders(ParentFolder(path), 0755); !parent) return parent;
  return CreateSharedFolder(path);
}

}  // namespace

Result<std::string> LocalAppDataFolder() {
  std::string folder;
  if (auto data_home = posix::AbsolutePathFromEnv("XDG_DATA_HOME")) {
    folder = *data_home;
  } else {
    auto home = HomeFolder();
    if (!home) return home.error();
    folder = (*home == "/" ? "" : *home) + "/.local/share";
  }
  if (auto made = posix::MakeFolders(folder, 0700); !made) return made.error();
  return folder;
}

Result<std::string> MachineWideFolder() {
  const std::string folder =
      posix::AbsolutePathFromEnv("VESKA_MACHINE_DIR").value_or("/tmp/veska-machine");
  if (auto made = CreateSharedFolder(folder); !made) return made.error();
  // A link or a folder others may empty would let another user redirect or
  // remove the names kept here.
  struct stat info {};
  if (lstat(folder.c_str(), &info) != 0) return LastError("stat " + folder);
  if (!S_ISDIR(info.st_mode)) return Error{ENOTDIR, "machine-wide folder " + folder};
  if ((info.st_mode & S_IWOTH) != 0 && (info.st_mode & S_ISVTX) == 0) {
    return Error{EPERM, "machine-wide folder " + folder + " is open to others without the sticky bit"};
  }
  return folder;
}

Result<std::string> OwnExecutablePath() { return posix::ReadExeLink("/proc/self/exe"); }

Result<std::string> OwnExecutableFolder() {
  auto path = OwnExecutablePath();
  if (!path) return path.error();
  return ParentFolder(*path);
}

Result<std::string> ModulePathOf(const void* address_in_module) {
  Dl_info info{};
  link_map* module = nullptr;
  if (dladdr1(address_in_module, &info, reinterpret_cast<void**>(&module), RTLD_DL_LINKMAP) == 0 ||
      module == nullptr) {
    return Error{EINVAL, "no module contains the address"};
  }
  // The loader names the main program "" (and dli_fname would be argv[0]).
  if (module->l_name == nullptr || module->l_name[0] == '\0') return OwnExecutablePath();
  if (module->l_name[0] == '/') return std::string(module->l_name);
  std::unique_ptr<char, decltype(&free)> absolute(realpath(module->l_name, nullptr), &free);
  if (!absolute) return LastError(std::string("realpath ") + module->l_name);
  return std::string(absolute.get());
}

Result<std::string> CurrentDirectory() {
  std::unique_ptr<char, decltype(&free)> path(getcwd(nullptr, 0), &free);
  if (!path) return LastError("getcwd");
  return std::string(path.get());
}

Status SetCurrentDirectory(const std::string& path) {
  if (chdir(path.c_str()) != 0) return LastError("chdir " + path);
  return Status::Ok();
}

}  // namespace platform
