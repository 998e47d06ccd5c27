#pragma once
// Processes: start from a command line, open by id, wait, terminate.

#include <chrono>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "platform/result.h"

namespace platform {

struct SpawnOptions;

enum class WaitOutcome { kExited, kTimeout, kFailed };

// Handle of one process. A process started by Spawn is reaped by its handle
// (when waited on, or in the background once the handle is dropped), so no
// child of ours stays a zombie.
class Process {
 public:
  Process(Process&&) noexcept;
  Process& operator=(Process&&) noexcept;
  ~Process();

  // Opens the running process `pid` (for waiting and terminating).
  static Result<Process> Open(int pid);

  int pid() const;
  // Ends the process at once (the exit code is advisory on POSIX: the
  // process dies by SIGKILL).
  Status Terminate(int exit_code = 0);
  // Waits until the process has ended or `timeout` has passed.
  WaitOutcome Wait(std::chrono::milliseconds timeout);
  WaitOutcome WaitForever();
  // Exit code once the process has ended and was our child: the exit status,
  // or 128 + signal number for a process killed by a signal. Empty while
  // running or for processes that are not our children.
  std::optional<int> ExitCode() const;
  bool IsRunning();

  struct State;  // backend-defined
  explicit Process(std::unique_ptr<State> state);

 private:
  std::unique_ptr<State> state_;
};

struct SpawnOptions {
  // Folders searched for a program named without a folder, before PATH.
  std::vector<std::string> search_folders;
  // Working directory of the child; empty keeps ours.
  std::string working_directory;
  // Extra "NAME=value" entries added to (or replacing in) our environment.
  std::vector<std::string> extra_environment;
  // The file to run, as CreateProcessW's application name: taken as it is
  // (relative to our folder), never searched. The whole command line,
  // program name included, then becomes the argv.
  std::string program;
};

// Starts a program from one command-line text (UTF-8). The text is split into
// argv by the Windows rules (SplitCommandLine); argv[0] names the program.
// As without handle inheritance, the child gets none of our descriptors beyond
// standard input, output and error, and starts with default signal handling.
Result<Process> Spawn(const std::string& command_line, const SpawnOptions& options = {});

// The program a command line's first argument names: a name with a folder is
// taken as it is (made absolute), a bare name is looked for in
// `first_folders`, then in PATH. ENOENT when no executable file is there.
Result<std::string> FindProgram(const std::string& name, const std::vector<std::string>& first_folders = {});

// CommandLineToArgvW's rules: blanks and tabs separate arguments; double quotes
// group; 2n backslashes before a quote give n backslashes and the quote acts;
// 2n+1 give n backslashes and a literal quote; "" inside quotes is a literal
// quote (and ends the quoted part); backslashes elsewhere are literal. The
// first argument, the program, is read apart: when quoted it ends at the next
// quote, else at the next blank, and backslashes in it are plain characters.
// Leading blanks are skipped; an empty or blank line gives no arguments.
std::vector<std::string> SplitCommandLine(std::string_view command_line);

// Kills every process whose executable name equals `exe_name` exactly; no wait.
// Returns how many were signalled.
int TerminateProcessesNamed(const std::string& exe_name);

}  // namespace platform
