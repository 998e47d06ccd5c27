#include <errno.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include "env_path.h"
#include "platform/pipe_path.h"
#include "platform/text.h"

namespace platform {
namespace {

constexpr std::string_view kPipePrefix = "\\\\.\\pipe\\";

Status MakePrivateFolder(const std::string& path) {
  if (mkdir(path.c_str(), 0700) != 0 && errno != EEXIST) return LastError("create folder " + path);
  return CheckPrivateFolder(path);
}

}  // namespace

Status CheckPrivateFolder(const std::string& path) {
  struct stat info {};
  // lstat: a link planted in a shared folder must not lead us elsewhere.
  if (lstat(path.c_str(), &info) != 0) return LastError("stat " + path);
  if (!S_ISDIR(info.st_mode)) return Error{ENOTDIR, "runtime folder " + path + " is not a folder"};
  if (info.st_uid != geteuid()) {
    return Error{EPERM, "runtime folder " + path + " is owned by uid " + std::to_string(info.st_uid)};
  }
  if ((info.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
    return Error{EPERM, "runtime folder " + path + " is open to group or others"};
  }
  return Status::Ok();
}

Result<std::string> PrivateRuntimeFolder() {
  std::string folder;
  if (auto runtime = posix::AbsolutePathFromEnv("XDG_RUNTIME_DIR")) {
    folder = (*runtime == "/" ? "" : *runtime) + "/veska";
  } else {
    folder = "/tmp/veska-" + std::to_string(geteuid());
  }
  if (auto made = MakePrivateFolder(folder); !made) return made.error();
  return folder;
}

Result<std::string> PipeSocketPath(std::string_view pipe_name) {
  if (pipe_name.size() < kPipePrefix.size() ||
      !EqualsIgnoreAsciiCase(pipe_name.substr(0, kPipePrefix.size()), kPipePrefix)) {
    return Error{EINVAL, "not a pipe name: " + std::string(pipe_name)};
  }
  const std::string_view name = pipe_name.substr(kPipePrefix.size());
  if (name.empty() || name == "." || name.find('/') != std::string_view::npos ||
      name.find("..") != std::string_view::npos || name.find('\0') != std::string_view::npos) {
    return Error{EINVAL, "pipe name not usable as a file name: " + std::string(pipe_name)};
  }
  auto runtime = PrivateRuntimeFolder();
  if (!runtime) return runtime.error();
  const std::string folder = *runtime + "/pipe";
  if (auto made = MakePrivateFolder(folder); !made) return made.error();

  std::string path = folder + "/" + std::string(name);
  if (path.size() >= sizeof(sockaddr_un::sun_path)) {
    return Error{ENAMETOOLONG, "socket path of " + std::string(pipe_name) + ": " + path};
  }
  return path;
}

}  // namespace platform
