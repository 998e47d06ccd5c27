#include <chrono>
#include <filesystem>
#include <string>

#include <gtest/gtest.h>

#include "outside/duilib/presentation.h"
#include "outside/duilib/ui_button.h"
#include "platform/module_resources.h"
#include "support/files.h"
#include "support/named_program.h"
#include "support/run_program.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/wait.h"
#include "support/xvfb_server.h"
#include "updater/ui/tips_box_wnd.h"

using veska_test::RunProgram;
using veska_test::ScopedEnv;

namespace {

constexpr int kRefused = 255;  // ShowModal's -1 as an exit status

struct NoDisplay {
  ScopedEnv display{"DISPLAY", std::nullopt};
  ScopedEnv wayland{"WAYLAND_DISPLAY", std::nullopt};
};

TEST(WindowProcessTest, AnAnswerForAutomationRecordsTheWindowAndClosesItWithTheCode) {
  NoDisplay no_display;
  ScopedEnv answer("VESKA_WINDOW_ANSWER", "1");
  ScopedEnv language("LANGUAGE", "zh_CN.UTF-8");
  const auto run = RunProgram(VESKA_WINDOW_PROBE, {"tips", "2", "升级出问题了,请下载完整安装包~", "前往下载"});
  EXPECT_EQ(run.exit_code, 1) << run.err;
  EXPECT_EQ(run.err,
            "window: class=qel_updater_tips_wnd_class_name caption=parvolesk提示 titleLabel=\"提示\" "
            "tipsLabel=\"升级出问题了,请下载完整安装包~\" confirmButton=\"前往下载\" answer=1\n");
}

TEST(WindowProcessTest, EachModalWindowTakesTheNextAnswerAndTheLastOneRepeats) {
  NoDisplay no_display;
  ScopedEnv language("LANGUAGE", "en_US.UTF-8");
  {
    ScopedEnv answer("VESKA_WINDOW_ANSWER", "2, 1");
    const auto run = RunProgram(VESKA_WINDOW_PROBE, {"notice-then-launch"});
    EXPECT_EQ(run.exit_code, 0) << run.err;
    EXPECT_EQ(run.out, "notice=2 launch=1\n");
    EXPECT_EQ(run.err,
              "window: class=qel_updater_tips_wnd_class_name caption=parvolesk提示 titleLabel=\"Tips\" "
              "tipsLabel=\"Your client version is too low. We will update it to the latest version!\" "
              "confirmButton=\"确定\" answer=2\n"
              "window: class=qel_updater_launch_wnd_class_name caption=Update Program titleLabel=\"Update\" "
              "tipsLabel=\"Update Complete, open it now!\" answer=1\n");
  }
  {
    ScopedEnv answer("VESKA_WINDOW_ANSWER", "2");
    const auto run = RunProgram(VESKA_WINDOW_PROBE, {"notice-then-launch"});
    EXPECT_EQ(run.out, "notice=2 launch=2\n");
  }
}

// Nothing can be shown and no one answers: the program is told at once.
TEST(WindowProcessTest, WithoutDisplayOrAnswerShowingIsRefusedAtOnce) {
  NoDisplay no_display;
  const struct {
    std::optional<std::string> answer;
    std::string reason;
  } cases[] = {
      {std::nullopt, "no display (DISPLAY or WAYLAND_DISPLAY) and no VESKA_WINDOW_ANSWER"},
      {"yes", "no display, and VESKA_WINDOW_ANSWER=\"yes\" is not a list of close codes such as 1 or 2,1"},
      {"", "no display, and VESKA_WINDOW_ANSWER=\"\" is not a list of close codes such as 1 or 2,1"},
      {"1,", "no display, and VESKA_WINDOW_ANSWER=\"1,\" is not a list of close codes such as 1 or 2,1"},
  };
  for (const auto& c : cases) {
    ScopedEnv answer("VESKA_WINDOW_ANSWER", c.answer);
    const auto run = RunProgram(VESKA_WINDOW_PROBE, {"tips", "0", "text"}, {}, std::chrono::seconds(20));
    EXPECT_EQ(run.exit_code, kRefused) << c.answer.value_or("(unset)");
    EXPECT_EQ(run.err, "duilib: cannot show the window \"parvolesk提示\": " + c.reason + "\n");
  }
}

TEST(WindowProcessTest, ADisplayThatCannotBeOpenedCountsAsNone) {
  ScopedEnv display("DISPLAY", ":4093");
  ScopedEnv wayland("WAYLAND_DISPLAY", std::nullopt);
  ScopedEnv answer("VESKA_WINDOW_ANSWER", "2");
  const auto run = RunProgram(VESKA_WINDOW_PROBE, {"launch"}, {}, std::chrono::seconds(20));
  EXPECT_EQ(run.exit_code, 2) << run.err;
  EXPECT_NE(run.err.find("window: class=qel_updater_launch_wnd_class_name"), std::string::npos) << run.err;
}

// The skin travels inside the program: a copy alone in a folder, started from
// another, shows its windows all the same.
TEST(WindowProcessTest, TheProgramNeedsNoSkinFilesBesideIt) {
  NoDisplay no_display;
  ScopedEnv answer("VESKA_WINDOW_ANSWER", "1");
  veska_test::TempDir alone;
  veska_test::TempDir elsewhere;
  const auto copy = veska_test::InstallAs(VESKA_WINDOW_PROBE, alone.path(), "Updater.exe");
  const auto here = std::filesystem::current_path();
  std::filesystem::current_path(elsewhere.path());
  const auto run = RunProgram(copy, {"launch"});
  std::filesystem::current_path(here);
  EXPECT_EQ(run.exit_code, 1) << run.err;
  EXPECT_NE(run.err.find("titleLabel="), std::string::npos) << run.err;
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(alone.path()), {}), 1);
}

// Real windows on a virtual X server, driven with real keys and clicks.
class RealInputTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!veska_test::XvfbServer::Available()) GTEST_SKIP() << "Xvfb or xdotool missing";
    server_ = std::make_unique<veska_test::XvfbServer>(kScreenWidth, kScreenHeight);
  }

  // No accessibility bus runs beside a virtual X server; GTK's bridge to it
  // would only wait for it and keep what it allocated.
  std::vector<std::string> Env() const {
    return {"DISPLAY=" + server_->display(), "LANGUAGE=zh_CN.UTF-8", "NO_AT_BRIDGE=1"};
  }

  static constexpr int kScreenWidth = 800;
  static constexpr int kScreenHeight = 600;
  std::unique_ptr<veska_test::XvfbServer> server_;
};

TEST_F(RealInputTest, EscOnARealTipsBoxClosesItWithTwo) {
  veska_test::ChildProcess box(VESKA_WINDOW_PROBE, {"tips", "0", "您的客户端版本太低，将更新至最新版本!"}, Env());
  const std::string window = server_->WaitForWindow("qel_updater_tips_wnd_class_name");
  ASSERT_FALSE(window.empty()) << "the tips box did not appear";

  // Without an owner it sits in the middle of the screen.
  const auto geometry = server_->Geometry(window);
  EXPECT_EQ(geometry.at("X"), (kScreenWidth - 310) / 2);
  EXPECT_EQ(geometry.at("Y"), (kScreenHeight - 100) / 2);
  EXPECT_EQ(geometry.at("WIDTH"), 310);
  EXPECT_EQ(geometry.at("HEIGHT"), 100);

  EXPECT_TRUE(server_->PressKey(window, "Escape"));
  EXPECT_EQ(box.WaitExit(std::chrono::seconds(20)), 2);
}

TEST_F(RealInputTest, AClickOnTheConfirmButtonClosesARealTipsBoxWithOne) {
  // Where the button is, from the same layout laid out here.
  DuiLib::UseOffscreenPresentation();
  DuiLib::CPaintManagerUI::SetInstance(platform::ProgramModule());
  DuiLib::RECT confirm;
  {
    ScopedEnv language("LANGUAGE", "zh_CN.UTF-8");
    CTipsBoxWnd layout(nullptr, u"升级出问题了,请下载完整安装包~", 2);
    confirm = layout.ConfirmButton()->GetPos();
  }

  veska_test::ChildProcess box(VESKA_WINDOW_PROBE, {"tips", "2", "升级出问题了,请下载完整安装包~", "前往下载"}, Env());
  const std::string window = server_->WaitForWindow("qel_updater_tips_wnd_class_name");
  ASSERT_FALSE(window.empty()) << "the tips box did not appear";
  const auto geometry = server_->Geometry(window);
  const int x = geometry.at("X") + (confirm.left + confirm.right) / 2;
  const int y = geometry.at("Y") + (confirm.top + confirm.bottom) / 2;
  EXPECT_EQ(server_->XdoTool({"mousemove", "--sync", std::to_string(x), std::to_string(y)}).exit_code, 0);
  EXPECT_EQ(server_->XdoTool({"click", "1"}).exit_code, 0);
  EXPECT_EQ(box.WaitExit(std::chrono::seconds(20)), 1);
}

}  // namespace
