#include "support/run_program.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <stdexcept>
#include <thread>

#include "support/files.h"
#include "support/spawn_args.h"
#include "support/temp_dir.h"

namespace veska_test {
ProgramRun RunProgram(const std::filesystem::path& program, const std::vector<std::string>& args,
                      const std::vector<std::string>& extra_env, std::chrono::milliseconds limit) {
  TempDir capture;
  const std::string out_path = (capture / "out").string();
  const std::string err_path = (capture / "err").string();

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
  posix_spawn_file_actions_addopen(&actions, 2, err_path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);

  auto argv_strings = ArgvStrings(program, args);
  auto env_strings = MergedEnvironment(extra_env);
  auto argv = Pointers(argv_strings);
  auto envp = Pointers(env_strings);

  pid_t pid = -1;
  const int rc = posix_spawn(&pid, argv_strings[0].c_str(), &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (rc != 0) throw std::runtime_error("cannot start " + program.string());

  ProgramRun run;
  int status = 0;
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    if (waitpid(pid, &status, WNOHANG) == pid) {
      if (WIFEXITED(status)) run.exit_code = WEXITSTATUS(status);
      if (WIFSIGNALED(status)) run.exit_code = 128 + WTERMSIG(status);
      break;
    }
    if (std::chrono::steady_clock::now() >= deadline) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      run.exit_code = -1;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  run.out = ReadFile(out_path);
  run.err = ReadFile(err_path);
  return run;
}

}  // namespace veska_test
