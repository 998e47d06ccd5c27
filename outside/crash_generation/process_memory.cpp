#include "outside/crash_generation/process_memory.h"

#include <fcntl.h>
#include <sys/uio.h>
#include <unistd.h>

#include <cerrno>

#include "platform/unique_fd.h"

namespace google_breakpad {

size_t ReadProcessMemory(int pid, uint64_t address, void* buffer, size_t size) {
  size_t done = 0;
  while (done < size) {
    iovec local{static_cast<char*>(buffer) + done, size - done};
    iovec remote{reinterpret_cast<void*>(static_cast<uintptr_t>(address + done)), size - done};
    const ssize_t n = process_vm_readv(pid, &local, 1, &remote, 1, 0);
    if (n < 0 && errno == EINTR) continue;
    // The kernel copies page by page and stops at the first page it cannot
    // read, so a short count marks the end of the readable part.
    if (n <= 0) break;
    done += static_cast<size_t>(n);
  }
  return done;
}

bool ReadProcessMemoryExact(int pid, uint64_t address, void* buffer, size_t size) {
  return ReadProcessMemory(pid, address, buffer, size) == size;
}

std::string ReadProcFile(int pid, const char* name) {
  const std::string path = "/proc/" + std::to_string(pid) + "/" + name;
  platform::UniqueFd fd(open(path.c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd) return {};
  std::string text;
  char chunk[4096];
  for (;;) {
    const ssize_t n = read(fd.get(), chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    text.append(chunk, static_cast<size_t>(n));
  }
  return text;
}

}  // namespace google_breakpad
