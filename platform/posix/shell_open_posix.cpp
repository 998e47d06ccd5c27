#include "platform/shell_open.h"

#include <errno.h>
#include <sys/stat.h>
#include <unistd.h>

#include "platform/process.h"

namespace platform {
namespace {

constexpr const char* kDefaultHandler = "xdg-open";

// "https://...", "mailto:...": a scheme of two or more characters before a
// colon (one letter would be a drive).
bool HasScheme(const std::string& target) {
  const auto colon = target.find(':');
  if (colon == std::string::npos || colon < 2) return false;
  for (std::size_t i = 0; i < colon; ++i) {
    const char c = target[i];
    const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    if (!letter && (i == 0 || !((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.'))) return false;
  }
  return true;
}

bool IsProgramFile(const struct stat& info, const std::string& path) {
  return S_ISREG(info.st_mode) && access(path.c_str(), X_OK) == 0;
}

}  // namespace

std::string QuoteCommandLineArgument(const std::string& argument) {
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (const char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    // Backslashes count only before a quote.
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

Status ShellOpen(const std::string& target, const std::string& parameters) {
  std::string command_line;
  struct stat info {};
  if (!HasScheme(target) && stat(target.c_str(), &info) != 0) return LastError("open " + target);
  if (!HasScheme(target) && IsProgramFile(info, target)) {
    // The program's own name is read up to the next quote, with no escapes.
    if (target.find('"') != std::string::npos) return Error{EINVAL, "program path with a quote: " + target};
    // A bare name means the file here, not a program searched in PATH.
    command_line = "\"" + (target.find('/') == std::string::npos ? "./" + target : target) + "\"";
    if (!parameters.empty()) command_line += " " + parameters;
  } else {
    command_line = std::string(kDefaultHandler) + " " + QuoteCommandLineArgument(target);
  }
  auto started = Spawn(command_line);
  if (!started) return started.error();
  return Status::Ok();
}

}  // namespace platform
