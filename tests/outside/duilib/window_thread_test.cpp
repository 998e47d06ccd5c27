#include <atomic>
#include <functional>
#include <thread>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "outside/duilib/ui_thread.h"
#include "outside/duilib/window_system.h"
#include "tests/outside/duilib/fixture_window.h"

using namespace DuiLib;
using namespace duilib_test;

namespace {

constexpr char kPlainLayout[] = R"(<Window size="100,50"><Control bkcolor="#FFFFFFFF"/></Window>)";
constexpr UINT kWatchdogTimer = 99;

// Records what reaches it and on which thread; answers WM_USER messages with
// twice their wParam.
class RecordingWindow : public FixtureWindow {
 public:
  RecordingWindow() : FixtureWindow(u"plain.xml") {}
  ~RecordingWindow() override { DestroyOwnWindow(); }

  std::vector<std::pair<UINT, std::thread::id>> seen;
  std::vector<UINT> ticks;
  std::function<void(UINT)> on_timer;

  LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override {
    if (uMsg >= WM_USER) {
      seen.emplace_back(uMsg, std::this_thread::get_id());
      return static_cast<LRESULT>(wParam * 2);
    }
    if (uMsg == WM_TIMER) {
      ticks.push_back(static_cast<UINT>(wParam));
      if (on_timer) on_timer(static_cast<UINT>(wParam));
    }
    return FixtureWindow::HandleMessage(uMsg, wParam, lParam);
  }
};

class WindowThreadTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { UseOffscreenToolkit(); }
  void SetUp() override {
    skin_.AddLayout("plain.xml", kPlainLayout);
    ASSERT_TRUE(UiThread::IsCurrent()) << "the tests' own thread is the UI thread";
  }

  // Runs the message loop; a watchdog ends it if the test's own quit never comes.
  bool RunLoop(RecordingWindow& window, UINT limitMs = 10000) {
    bool timed_out = false;
    auto previous = window.on_timer;
    window.on_timer = [&, previous](UINT id) {
      if (id == kWatchdogTimer) {
        timed_out = true;
        PostQuitMessage(0);
      } else if (previous) {
        previous(id);
      }
    };
    SetTimer(window.GetHWND(), kWatchdogTimer, limitMs);
    CPaintManagerUI::MessageLoop();
    KillTimer(window.GetHWND(), kWatchdogTimer);
    window.on_timer = previous;
    return !timed_out;
  }

  FixtureSkin skin_;
};

TEST_F(WindowThreadTest, SendMessageFromAnotherThreadRunsOnTheUiThreadAndReturnsItsResult) {
  RecordingWindow window;
  LRESULT answer = 0;
  std::thread sender([&] {
    answer = SendMessage(window.GetHWND(), WM_USER + 1, 21, 0);
    PostQuitMessage(0);
  });
  EXPECT_TRUE(RunLoop(window));
  sender.join();
  EXPECT_EQ(answer, 42);
  ASSERT_EQ(window.seen.size(), 1u);
  EXPECT_EQ(window.seen[0].second, std::this_thread::get_id());
}

TEST_F(WindowThreadTest, PostedMessagesArriveInTheirOrder) {
  RecordingWindow window;
  std::thread poster([&] {
    for (UINT i = 1; i <= 5; ++i) EXPECT_TRUE(PostMessage(window.GetHWND(), WM_USER + i, i, 0));
    PostQuitMessage(0);
  });
  EXPECT_TRUE(RunLoop(window));
  poster.join();
  ASSERT_EQ(window.seen.size(), 5u);
  for (UINT i = 0; i < 5; ++i) EXPECT_EQ(window.seen[i].first, WM_USER + 1 + i);
}

TEST_F(WindowThreadTest, ATimerTicksUntilItIsKilled) {
  RecordingWindow window;
  int fast_ticks = 0;
  window.on_timer = [&](UINT id) {
    if (id == 7 && ++fast_ticks == 3) {
      KillTimer(window.GetHWND(), 7);
      SetTimer(window.GetHWND(), 8, 60);  // long enough for a stray tick of 7 to show
    } else if (id == 8) {
      PostQuitMessage(0);
    }
  };
  SetTimer(window.GetHWND(), 7, 5);
  EXPECT_TRUE(RunLoop(window));
  EXPECT_EQ(fast_ticks, 3);
  EXPECT_FALSE(KillTimer(window.GetHWND(), 7)) << "already gone";
}

TEST_F(WindowThreadTest, AQuitPostedBeforeTheLoopEndsItAtOnce) {
  RecordingWindow window;
  PostQuitMessage(0);
  EXPECT_TRUE(RunLoop(window));
}

TEST_F(WindowThreadTest, ShowModalOnTheUiThreadRunsItsOwnLoopUntilClosed) {
  RecordingWindow window;
  window.on_timer = [&](UINT id) {
    if (id == 3) window.Close(5);
  };
  SetTimer(window.GetHWND(), 3, 10);
  EXPECT_EQ(window.ShowModal(), 5u);
  EXPECT_EQ(window.GetHWND(), nullptr) << "closing destroyed the window";
  EXPECT_EQ(window.ShowModal(), 5u) << "a closed window answers with its close code at once";
}

TEST_F(WindowThreadTest, AWindowThatIsGoneTakesNoMessages) {
  RecordingWindow window;
  const HWND hwnd = window.GetHWND();
  ASSERT_TRUE(IsWindow(hwnd));
  ASSERT_TRUE(DestroyWindow(hwnd));
  EXPECT_FALSE(IsWindow(hwnd));
  EXPECT_FALSE(PostMessage(hwnd, WM_USER + 1, 1, 0));
  EXPECT_EQ(SendMessage(hwnd, WM_USER + 1, 1, 0), 0);
  EXPECT_FALSE(SetTimer(hwnd, 1, 10));
  EXPECT_TRUE(window.seen.empty());
}

// A window asked for from another thread is made and run on the UI thread;
// the asking thread waits for its close code while the UI thread goes on.
TEST_F(WindowThreadTest, AModalWindowOfAnotherThreadBlocksOnlyThatThread) {
  RecordingWindow clock;
  std::atomic<HWND> asked{nullptr};
  std::atomic<bool> returned{false};
  UINT code = 0;
  std::thread::id created_on;
  std::thread asker([&] {
    {
      RecordingWindow modal;
      modal.SendMessage(WM_USER + 9, 0, 0);
      created_on = modal.seen.back().second;
      asked = modal.GetHWND();
      code = modal.ShowModal();
      returned = true;
    }
    PostQuitMessage(0);
  });
  int ticks_while_blocked = 0;
  clock.on_timer = [&](UINT id) {
    if (id != 1 || asked.load() == nullptr || ticks_while_blocked == 3) return;
    EXPECT_FALSE(returned.load());
    if (++ticks_while_blocked == 3) DuiLib::PostMessage(asked.load(), WM_CLOSE, 6, 0);
  };
  SetTimer(clock.GetHWND(), 1, 5);
  EXPECT_TRUE(RunLoop(clock));
  asker.join();
  EXPECT_EQ(code, 6u);
  EXPECT_EQ(ticks_while_blocked, 3);
  EXPECT_EQ(created_on, std::this_thread::get_id()) << "its messages ran on the UI thread";
}

}  // namespace
