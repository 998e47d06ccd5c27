#include "shell_execute.h"

#include <chrono>
#include <optional>

#include "command_line_quote.h"
#include "platform/file_system.h"
#include "platform/folders.h"

namespace kvt {
namespace {

constexpr const char* kOpener = "xdg-open";
constexpr const char* kElevator = "pkexec";

// "scheme:..." as an address names it (RFC 3986: a letter, then letters,
// digits, "+", "-" or ".").
bool IsAddress(const std::string& text) {
  const auto colon = text.find(':');
  if (colon == std::string::npos || colon < 2) return false;
  auto is_letter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  if (!is_letter(text[0])) return false;
  for (std::size_t i = 1; i < colon; ++i) {
    const char c = text[i];
    if (!is_letter(c) && !(c >= '0' && c <= '9') && c != '+' && c != '-' && c != '.') return false;
  }
  return true;
}

// ShellExecuteExW looks for a bare program name in the current folder, then
// on PATH.
std::optional<std::string> ProgramNamed(const std::string& file) {
  std::vector<std::string> first;
  if (auto current = platform::CurrentDirectory()) first.push_back(*current);
  auto program = platform::FindProgram(file, first);
  if (!program) return std::nullopt;
  return *program;
}

std::string WithParameters(std::string line, const std::string& parameters) {
  if (!parameters.empty()) line += " " + parameters;
  return line;
}

}  // namespace

void WaitForProcess(platform::Process& process, std::uint32_t wait_ms) {
  if (wait_ms == 0) return;
  if (wait_ms == kInfinite) {
    process.WaitForever();
  } else {
    process.Wait(std::chrono::milliseconds(wait_ms));
  }
}

bool ShellExecute(ShellVerb verb, const std::string& file, const std::string& parameters, std::uint32_t wait_ms) {
  if (file.empty()) return false;
  // A file that is there is never taken for an address.
  const bool exists = platform::PathExists(file);
  const bool address = !exists && IsAddress(file);
  const auto program = address ? std::nullopt : ProgramNamed(file);
  std::string line;
  platform::SpawnOptions options;
  if (verb == ShellVerb::kRunAs) {
    // Windows registers "runas" for programs only.
    if (!program) return false;
    line = WithParameters(std::string(kElevator) + " " + QuoteArgument(*program), parameters);
  } else if (program) {
    const auto quoted = QuoteProgram(file);
    if (!quoted) return false;
    options.program = *program;
    line = WithParameters(*quoted, parameters);
  } else {
    if (!address && !exists) return false;
    line = std::string(kOpener) + " " + QuoteArgument(file);
  }
  auto process = platform::Spawn(line, options);
  if (!process) return false;
  WaitForProcess(*process, wait_ms);
  return true;
}

}  // namespace kvt
