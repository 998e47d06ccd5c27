// Runs RecurseRemoveDirectory over a tree that has another file system
// mounted inside it, in a mount namespace of its own so that nothing is
// mounted for anyone else.
//   kvt_mount_point_probe TOP MODE
// TOP gets a folder "mounted" with a tmpfs on it holding "inside.txt", and a
// file "outside.txt" beside it. Prints the result, then whether inside.txt
// and the mounted folder are still there ("result=0 inside=1 mounted=1").
// Exit 77 when no mount namespace can be made here.

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "kvt.h"
#include "platform/text.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: kvt_mount_point_probe TOP MODE\n");
    return 64;
  }
  const fs::path top = argv[1];
  const fs::path mounted = top / "mounted";
  fs::create_directories(mounted);
  std::ofstream(top / "outside.txt") << "x";
  if (unshare(CLONE_NEWNS) != 0 || mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
      mount("tmpfs", mounted.c_str(), "tmpfs", 0, "size=1m") != 0) {
    std::perror("mount namespace");
    return 77;
  }
  std::ofstream(mounted / "inside.txt") << "x";
  const bool result = RecurseRemoveDirectory(platform::Utf8ToUtf16(top.string()).c_str(), std::atoi(argv[2]));
  std::printf("result=%d inside=%d mounted=%d outside=%d\n", result ? 1 : 0, fs::exists(mounted / "inside.txt") ? 1 : 0,
              fs::is_directory(mounted) ? 1 : 0, fs::exists(top / "outside.txt") ? 1 : 0);
  umount(mounted.c_str());
  return 0;
}
