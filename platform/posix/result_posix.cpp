#include <string.h>
#include <unistd.h>

#include <cerrno>

#include "platform/result.h"
#include "platform/unique_fd.h"

namespace platform {

std::string Error::Describe() const {
  char buffer[256];
  // GNU strerror_r returns the text, which may not live in `buffer`.
  const char* text = strerror_r(code, buffer, sizeof buffer);
  return what + ": " + text;
}

Error LastError(std::string what) { return Error{errno, std::move(what)}; }

void UniqueFd::reset(int fd) {
  if (fd_ >= 0) ::close(fd_);
  fd_ = fd;
}

}  // namespace platform
