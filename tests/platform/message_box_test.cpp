#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <array>
#include <filesystem>

#include <gtest/gtest.h>

#include "support/named_program.h"
#include "support/run_program.h"
#include "support/scoped_env.h"
#include "support/wait.h"

namespace {

using veska_test::ScopedEnv;

struct NoDisplay {
  ScopedEnv display{"DISPLAY", std::nullopt};
  ScopedEnv wayland{"WAYLAND_DISPLAY", std::nullopt};
};

TEST(MessageBoxTest, WithoutADisplayTheAnswerComesFromTheEnvironment) {
  NoDisplay no_display;
  const std::string text = "\xE6\xA3\x80\xE6\xB5\x8B 100% sure?";
  const struct {
    std::optional<std::string> answer;
    int expected_exit;  // 0 = OK, 1 = Cancel
    std::string expected_word;
  } cases[] = {
      {"ok", 0, "ok"},
      {"cancel", 1, "cancel"},
      {std::nullopt, 1, "cancel"},  // the safe answer
      {"yes", 1, "cancel"},
      {"", 1, "cancel"},
  };
  for (const auto& c : cases) {
    ScopedEnv answer("VESKA_PROMPT_ANSWER", c.answer);
    const auto run = veska_test::RunProgram(VESKA_PLATFORM_HELPER, {"ask", text, "Prompt"});
    EXPECT_EQ(run.exit_code, c.expected_exit) << c.answer.value_or("(unset)");
    EXPECT_EQ(run.err, "prompt: caption=Prompt text=" + text + " answer=" + c.expected_word + "\n");
  }
}

TEST(MessageBoxTest, ADisplayThatCannotBeOpenedCountsAsNone) {
  ScopedEnv display("DISPLAY", ":4093");
  ScopedEnv wayland("WAYLAND_DISPLAY", std::nullopt);
  ScopedEnv answer("VESKA_PROMPT_ANSWER", "ok");
  const auto run = veska_test::RunProgram(VESKA_PLATFORM_HELPER, {"ask", "Start?", "Prompt"},
                                          {}, std::chrono::seconds(20));
  EXPECT_EQ(run.exit_code, 0) << run.err;
  EXPECT_NE(run.err.find("prompt: caption=Prompt text=Start? answer=ok\n"), std::string::npos) << run.err;
}

// A virtual X server: the dialog must really appear, titled with the caption,
// and no automated answer may be taken.
TEST(MessageBoxTest, WithADisplayARealDialogIsShown) {
  if (!std::filesystem::exists("/usr/bin/Xvfb") || !std::filesystem::exists("/usr/bin/xwininfo")) {
    GTEST_SKIP() << "Xvfb or xwininfo missing";
  }
  std::array<int, 2> display_pipe{};
  ASSERT_EQ(pipe(display_pipe.data()), 0);
  veska_test::ChildProcess server("/usr/bin/Xvfb",
                                  {"-displayfd", std::to_string(display_pipe[1]), "-nolisten", "tcp",
                                   "-screen", "0", "800x600x24"});
  close(display_pipe[1]);
  std::string display_number;
  for (char c = 0; c != '\n';) {
    pollfd readable{display_pipe[0], POLLIN, 0};
    if (poll(&readable, 1, 10000) != 1 || read(display_pipe[0], &c, 1) != 1) break;
    if (c != '\n') display_number += c;
  }
  close(display_pipe[0]);
  ASSERT_FALSE(display_number.empty()) << "Xvfb did not start";
  const std::string display = ":" + display_number;

  NoDisplay no_display;
  ScopedEnv answer("VESKA_PROMPT_ANSWER", "ok");
  veska_test::ChildProcess asker(VESKA_PLATFORM_HELPER, {"ask", "Start a new one?", "Veska dialog probe"},
                                 {"DISPLAY=" + display});
  const bool shown = veska_test::WaitUntil([&] {
    const auto tree = veska_test::RunProgram("/usr/bin/xwininfo", {"-root", "-tree"}, {"DISPLAY=" + display});
    return tree.out.find("\"Veska dialog probe\"") != std::string::npos;
  }, std::chrono::seconds(20));
  EXPECT_TRUE(shown);
  EXPECT_FALSE(asker.Exited()) << "the dialog waits for the user, not for the environment";
  asker.Kill();
  asker.WaitExit();
  kill(server.pid(), SIGTERM);  // lets the server remove its lock and socket
  server.WaitExit();
}

}  // namespace
