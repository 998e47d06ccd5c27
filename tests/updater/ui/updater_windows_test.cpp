#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "outside/duilib/presentation.h"
#include "outside/duilib/ui_button.h"
#include "outside/duilib/ui_label.h"
#include "outside/duilib/ui_list.h"
#include "outside/duilib/ui_progress.h"
#include "outside/duilib/ui_render.h"
#include "outside/duilib/window_system.h"
#include "platform/module_resources.h"
#include "support/scoped_env.h"
#include "updater/ui/launch_wnd.h"
#include "updater/ui/qel_wnd_base.h"
#include "updater/ui/tips_box_wnd.h"

using namespace DuiLib;
using veska_test::ScopedEnv;

namespace {

// The progress window's layouts, in a window of the updater's kind.
class ProgressLayoutWnd : public CQelWndBase {
 public:
  ProgressLayoutWnd() { Create(nullptr, UpdaterCaption(), WS_OVERLAPPEDWINDOW, WS_EX_WINDOWEDGE); }

 protected:
  LPCTSTR GetWindowClassName() const override { return u"qel_updater_wnd_class_name"; }
  CDuiString GetSkinFile() override { return LayoutFor(u"UpdaterWnd"); }
};

// A tips box that also notes which keys its own handling saw and on which
// thread its messages ran.
class WatchedTipsBox : public CTipsBoxWnd {
 public:
  using CTipsBoxWnd::CTipsBoxWnd;
  std::vector<WPARAM> keys_seen;
  std::vector<std::thread::id> threads;

  LRESULT HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) override {
    threads.push_back(std::this_thread::get_id());
    return CTipsBoxWnd::HandleMessage(uMsg, wParam, lParam);
  }

 protected:
  LRESULT OnKeyDown(UINT, WPARAM wParam, LPARAM, bool& bHandled) override {
    keys_seen.push_back(wParam);
    bHandled = false;
    return 0;
  }
};

std::string Utf8(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

POINT Center(const RECT& rect) { return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}; }

// Input as the screen delivers it: into the window's queue, handled in turn by
// whatever loop runs (here the modal loop of ShowModal).
void PostClick(CWindowWnd& window, CControlUI* control) {
  const POINT at = Center(control->GetPos());
  window.PostMessage(WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y));
  window.PostMessage(WM_LBUTTONDOWN, 0, MAKELPARAM(at.x, at.y));
  window.PostMessage(WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
}

void PostKey(CWindowWnd& window, WPARAM key) { window.PostMessage(WM_KEYDOWN, key, 0); }

RECT WindowRect(CWindowWnd& window) {
  RECT rect;
  EXPECT_TRUE(GetWindowRect(window.GetHWND(), &rect));
  return rect;
}

class UpdaterWindowsTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    UseOffscreenPresentation();
    CPaintManagerUI::SetInstance(platform::ProgramModule());
  }
  ScopedEnv language_{"LANGUAGE", "zh_CN.UTF-8"};
};

TEST_F(UpdaterWindowsTest, EveryLayoutLoadsFromTheProgramsOwnArchiveWithTheNamesTheWindowsUse) {
  enum Kind { kTips, kLaunch, kProgress };
  const struct {
    const char* locale;
    Kind kind;
    const char16_t* file;
    std::vector<const char16_t*> present;
    std::vector<const char16_t*> absent;
  } layouts[] = {
      {"zh_CN", kTips, u"TipsBoxWnd.xml", {u"titleLabel", u"closeButton", u"tipsLabel", u"cancelButton", u"confirmButton"}, {}},
      {"en_US", kTips, u"TipsBoxWnd_en.xml", {u"titleLabel", u"closeButton", u"tipsLabel", u"cancelButton", u"confirmButton"}, {}},
      {"zh_CN", kLaunch, u"LaunchWnd.xml", {u"titleLabel", u"closeButton", u"tipsLabel", u"launchButton"}, {}},
      {"en_US", kLaunch, u"LaunchWnd_en.xml", {u"titleLabel", u"closeButton", u"tipsLabel", u"launchButton"}, {}},
      {"zh_CN", kProgress, u"UpdaterWnd.xml",
       {u"ListContainer", u"tipsLabel", u"title", u"version", u"closeButton", u"minButton", u"buttonLayout",
        u"progressLayout", u"downloadProgress"},
       {u"installButton"}},
      {"en_US", kProgress, u"UpdaterWnd_en.xml",
       {u"tipsLabel", u"closeButton", u"buttonLayout", u"progressLayout", u"downloadProgress", u"skipButton"},
       {u"title", u"version", u"ListContainer", u"minButton", u"installButton"}},
  };
  for (const auto& layout : layouts) {
    ScopedEnv locale("LANGUAGE", layout.locale);
    std::unique_ptr<CQelWndBase> window;
    if (layout.kind == kTips) window = std::make_unique<CTipsBoxWnd>(nullptr, u"text", 1);
    if (layout.kind == kLaunch) window = std::make_unique<CLaunchWnd>();
    if (layout.kind == kProgress) window = std::make_unique<ProgressLayoutWnd>();
    const std::string file = Utf8(layout.file);
    EXPECT_EQ(window->SkinFile(), layout.file) << file;
    ASSERT_NE(window->GetHWND(), nullptr) << file << " did not load";
    for (const char16_t* name : layout.present) {
      EXPECT_NE(window->PaintManager().FindControl(name), nullptr) << file << " lacks " << Utf8(name);
    }
    for (const char16_t* name : layout.absent) {
      EXPECT_EQ(window->PaintManager().FindControl(name), nullptr) << file << " has " << Utf8(name);
    }
    EXPECT_EQ(window->PaintManager().FindControl(u"noSuchControl"), nullptr) << file;
  }
}

// The controls the code fills in have the kinds and defaults it expects.
TEST_F(UpdaterWindowsTest, TheProgressLayoutsCarryTheirDefaults) {
  {
    ProgressLayoutWnd chinese;
    auto& pm = chinese.PaintManager();
    EXPECT_EQ(pm.GetInitSize().cx, 442);
    EXPECT_EQ(pm.GetInitSize().cy, 433);
    EXPECT_EQ(pm.GetCaptionHeight(), 58);
    EXPECT_TRUE(pm.IsLayered());
    auto* title = dynamic_cast<CLabelUI*>(pm.FindControl(u"title"));
    ASSERT_NE(title, nullptr);
    EXPECT_EQ(title->GetText(), u"正在下载最新版本");
    EXPECT_EQ(title->GetTextColor() & 0xFFFFFF, 0xFF6C00u);
    EXPECT_EQ(pm.GetFontInfo(title->GetFont()).size, 24);
    EXPECT_TRUE(pm.GetFontInfo(title->GetFont()).bold);
    EXPECT_EQ(pm.FindControl(u"version")->GetText(), u"获取版本ing....");
    EXPECT_EQ(pm.FindControl(u"tipsLabel")->GetText(), u"努力连接ing......");
    EXPECT_EQ(pm.GetFontInfo(2).size, 14) << "font 2 is the change-log lines'";
    auto* list = dynamic_cast<CListUI*>(pm.FindControl(u"ListContainer"));
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->GetCount(), 0);
    EXPECT_EQ(list->GetPos().Width(), 280);
    EXPECT_EQ(list->GetPos().Height(), 140);
    auto* progress = dynamic_cast<CProgressUI*>(pm.FindControl(u"downloadProgress"));
    ASSERT_NE(progress, nullptr);
    EXPECT_EQ(progress->GetPos().Width(), 318);
    EXPECT_EQ(progress->GetPos().Height(), 4);
    EXPECT_EQ(progress->GetMinValue(), 0);
    EXPECT_EQ(progress->GetMaxValue(), 100);
    EXPECT_EQ(progress->GetValue(), 0);
    EXPECT_TRUE(pm.FindControl(u"buttonLayout")->IsVisible());
    EXPECT_NE(dynamic_cast<CContainerUI*>(pm.FindControl(u"progressLayout")), nullptr);
  }
  {
    ScopedEnv english("LANGUAGE", "en_US");
    ProgressLayoutWnd english_window;
    auto& pm = english_window.PaintManager();
    EXPECT_EQ(pm.GetInitSize().cx, 310);
    EXPECT_EQ(pm.GetInitSize().cy, 100);
    EXPECT_FALSE(pm.FindControl(u"closeButton")->IsVisible());
    auto* buttons = dynamic_cast<CContainerUI*>(pm.FindControl(u"buttonLayout"));
    ASSERT_NE(buttons, nullptr);
    EXPECT_FALSE(buttons->IsVisible());
    EXPECT_EQ(buttons->GetCount(), 0);
    EXPECT_EQ(pm.FindControl(u"tipsLabel")->GetText(), u"");
    EXPECT_EQ(pm.FindControl(u"downloadProgress")->GetPos().Width(), 160);
    EXPECT_NE(pm.DescribeTexts().find("Label=\"Update Assistant\""), std::string::npos) << pm.DescribeTexts();
  }
}

// Chinese for 0x0804 only, decided again at each creation.
TEST_F(UpdaterWindowsTest, TheLanguageRuleChoosesTheLayoutAtEachCreation) {
  const struct {
    std::optional<std::string> locale;
    std::u16string layout;
    std::u16string title;
  } cases[] = {
      {"zh_CN.UTF-8", u"TipsBoxWnd.xml", u"提示"},     // 0x0804
      {"zh_TW.UTF-8", u"TipsBoxWnd_en.xml", u"Tips"},  // 0x0404
      {"en_US.UTF-8", u"TipsBoxWnd_en.xml", u"Tips"},  // 0x0409
      {"zh_SG.UTF-8", u"TipsBoxWnd.xml", u"提示"},     // 0x0804 too
      {std::nullopt, u"TipsBoxWnd_en.xml", u"Tips"},   // no language: 0x0409
  };
  ScopedEnv no_all("LC_ALL", std::nullopt);
  ScopedEnv no_messages("LC_MESSAGES", std::nullopt);
  ScopedEnv no_lang("LANG", std::nullopt);
  for (const auto& c : cases) {
    ScopedEnv locale("LANGUAGE", c.locale);
    CTipsBoxWnd box(nullptr, u"text", 0);
    EXPECT_EQ(box.SkinFile(), c.layout) << c.locale.value_or("(none)");
    ASSERT_NE(box.PaintManager().FindControl(u"titleLabel"), nullptr);
    EXPECT_EQ(box.PaintManager().FindControl(u"titleLabel")->GetText(), c.title) << c.locale.value_or("(none)");
  }
}

TEST_F(UpdaterWindowsTest, TheTipsBoxModeDecidesTheCancelButtonAndTheConfirmCaption) {
  const struct {
    const char* locale;
    int mode;
    bool cancel_shown;
    std::u16string confirm;
  } cases[] = {
      {"zh_CN", 0, false, u"确定"}, {"zh_CN", 1, true, u"确定"}, {"zh_CN", 2, false, u""},
      {"zh_CN", 3, true, u"确定"},  {"en_US", 0, false, u"确定"}, {"en_US", 2, false, u""},
  };
  for (const auto& c : cases) {
    ScopedEnv locale("LANGUAGE", c.locale);
    CTipsBoxWnd box(nullptr, u"您的客户端版本太低，将更新至最新版本!", c.mode);
    auto& pm = box.PaintManager();
    const std::string label = std::string(c.locale) + " mode " + std::to_string(c.mode);
    EXPECT_EQ(pm.FindControl(u"cancelButton")->IsVisible(), c.cancel_shown) << label;
    CButtonUI* confirm = box.ConfirmButton();
    ASSERT_NE(confirm, nullptr);
    EXPECT_EQ(confirm, pm.FindControl(u"confirmButton"));
    EXPECT_EQ(confirm->GetText(), c.confirm) << label;
    EXPECT_EQ(confirm->GetTextColor(), 0x000000u);
    EXPECT_EQ(confirm->GetHotTextColor(), 0xFFFFFFu);
    EXPECT_EQ(confirm->GetPushedTextColor(), 0xB2C3CCu);
    EXPECT_EQ(pm.FindControl(u"tipsLabel")->GetText(), u"您的客户端版本太低，将更新至最新版本!") << label;
  }
}

// Clicks and keys go into the window's queue as a screen's would and are
// handled by the modal loop.
TEST_F(UpdaterWindowsTest, TheTipsBoxClosesWithOneForConfirmAndTwoForCloseCancelAndEsc) {
  const struct {
    const char* what;
    std::function<void(WatchedTipsBox&)> act;
    UINT code;
  } cases[] = {
      {"confirm button", [](WatchedTipsBox& box) { PostClick(box, box.ConfirmButton()); }, IDOK},
      {"close button", [](WatchedTipsBox& box) { PostClick(box, box.PaintManager().FindControl(u"closeButton")); },
       IDCANCEL},
      {"cancel button", [](WatchedTipsBox& box) { PostClick(box, box.PaintManager().FindControl(u"cancelButton")); },
       IDCANCEL},
      {"Esc", [](WatchedTipsBox& box) { PostKey(box, VK_ESCAPE); }, IDCANCEL},
      {"Enter", [](WatchedTipsBox& box) { PostKey(box, VK_RETURN); }, IDOK},
      {"space, then Esc",
       [](WatchedTipsBox& box) {
         PostKey(box, VK_SPACE);
         PostKey(box, VK_ESCAPE);
       },
       IDCANCEL},
  };
  for (const auto& c : cases) {
    WatchedTipsBox box(nullptr, u"升级出问题了,请下载完整安装包~", 1);
    c.act(box);
    EXPECT_EQ(box.ShowModal(), c.code) << c.what;
    EXPECT_EQ(box.GetHWND(), nullptr) << c.what;
  }
}

// Esc and Enter close the window yet are not taken from it: its own handling
// still sees them.
TEST_F(UpdaterWindowsTest, TheKeysThatCloseAWindowStillReachItsOwnHandling) {
  WatchedTipsBox box(nullptr, u"text", 0);
  PostKey(box, VK_RETURN);
  EXPECT_EQ(box.ShowModal(), IDOK);
  EXPECT_EQ(box.keys_seen, std::vector<WPARAM>{VK_RETURN});
}

TEST_F(UpdaterWindowsTest, TheLaunchWindowClosesWithOneForBothButtonsAndTwoForEsc) {
  const struct {
    const char* what;
    std::function<void(CLaunchWnd&)> act;
    UINT code;
  } cases[] = {
      {"launch button", [](CLaunchWnd& w) { PostClick(w, w.PaintManager().FindControl(u"launchButton")); }, IDOK},
      {"close button", [](CLaunchWnd& w) { PostClick(w, w.PaintManager().FindControl(u"closeButton")); }, IDOK},
      {"Esc", [](CLaunchWnd& w) { PostKey(w, VK_ESCAPE); }, IDCANCEL},
      {"Enter", [](CLaunchWnd& w) { PostKey(w, VK_RETURN); }, IDOK},
  };
  for (const auto& c : cases) {
    CLaunchWnd launch;
    c.act(launch);
    EXPECT_EQ(launch.ShowModal(), c.code) << c.what;
  }
}

TEST_F(UpdaterWindowsTest, CaptionsAndClassNamesFollowTheLanguageWhereTheyShould) {
  for (const char* locale : {"zh_CN", "en_US"}) {
    ScopedEnv language(("LANGUAGE"), locale);
    const bool chinese = std::string(locale) == "zh_CN";
    CLaunchWnd launch;
    CTipsBoxWnd box(nullptr, u"text", 0);
    EXPECT_EQ(GetWindowText(launch.GetHWND()), chinese ? u"升级程序" : u"Update Program");
    EXPECT_EQ(GetClassName(launch.GetHWND()), u"qel_updater_launch_wnd_class_name");
    EXPECT_EQ(GetWindowText(box.GetHWND()), u"parvolesk提示");
    EXPECT_EQ(GetClassName(box.GetHWND()), u"qel_updater_tips_wnd_class_name");
  }
}

TEST_F(UpdaterWindowsTest, TheTipsBoxIsCentredOnItsOwnerOrOnTheScreen) {
  const RECT screen = ScreenWorkArea();
  {
    CTipsBoxWnd alone(nullptr, u"text", 0);
    const RECT at = WindowRect(alone);
    EXPECT_EQ(at.Width(), 310);
    EXPECT_EQ(at.Height(), 100);
    EXPECT_EQ(at.left, screen.left + (screen.Width() - 310) / 2);
    EXPECT_EQ(at.top, screen.top + (screen.Height() - 100) / 2);
  }
  CLaunchWnd owner;
  SetWindowPos(owner.GetHWND(), nullptr, 100, 60, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  {
    CTipsBoxWnd owned(owner.GetHWND(), u"text", 0);
    const RECT at = WindowRect(owned);
    EXPECT_EQ(at.left, 100 + (420 - 310) / 2);
    EXPECT_EQ(at.top, 60 + (210 - 100) / 2);
  }
  // An owner partly off the screen: the box stays on it.
  SetWindowPos(owner.GetHWND(), nullptr, screen.right - 100, screen.bottom - 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  {
    CTipsBoxWnd owned(owner.GetHWND(), u"text", 0);
    const RECT at = WindowRect(owned);
    EXPECT_EQ(at.right, screen.right);
    EXPECT_EQ(at.bottom, screen.bottom);
  }
}

TEST_F(UpdaterWindowsTest, ARenderedTipsBoxShowsTheBandTheBodyAndChineseGlyphs) {
  const std::u16string text = u"升级出问题了,请下载完整安装包~";
  CTipsBoxWnd box(nullptr, text, 0);
  const auto image = box.PaintManager().Render();
  ASSERT_NE(image, nullptr);
  ASSERT_EQ(image->Width(), 310);
  EXPECT_EQ(image->Pixel(200, 10), 0xFF1694FFu) << "title band";
  EXPECT_EQ(image->Pixel(4, 60), 0xFFF8F8F8u) << "body";
  EXPECT_EQ(image->Pixel(305, 60), 0xFFF8F8F8u) << "body";

  auto* label = dynamic_cast<CLabelUI*>(box.PaintManager().FindControl(u"tipsLabel"));
  const TFontInfo font = box.PaintManager().GetFontInfo(label->GetFont());
  EXPECT_EQ(font.family, "微软雅黑");
  EXPECT_EQ(font.size, 15);
  EXPECT_EQ(MissingGlyphCount(text, font), 0) << "a font for Chinese is mapped to the layouts' family";
  EXPECT_EQ(MissingGlyphCount(u"提示确定前往下载", box.PaintManager().GetFontInfo(0)), 0);

  // The text is drawn: dark ink in the label, as much as a line of text has.
  const RECT room = label->GetPos();
  int ink = 0;
  for (int y = room.top; y < room.bottom; ++y) {
    for (int x = room.left; x < room.right; ++x) {
      const DWORD pixel = image->Pixel(x, y);
      if (((pixel >> 8) & 0xFF) < 0x90) ++ink;
    }
  }
  EXPECT_GT(ink, 300);
}

TEST_F(UpdaterWindowsTest, TheConfirmButtonChangesItsImageUnderThePointerAndWhenPressed) {
  CTipsBoxWnd box(nullptr, u"text", 0);
  CButtonUI* confirm = box.ConfirmButton();
  const RECT at = confirm->GetPos();
  // A point of the button away from its caption.
  const POINT probe{at.left + 5, (at.top + at.bottom) / 2};
  auto color = [&] { return box.PaintManager().Render()->Pixel(probe.x, probe.y); };
  auto image_color = [&](const char16_t* name) {
    const auto image = box.PaintManager().GetImage(name);
    EXPECT_NE(image, nullptr);
    return image ? image->Pixel(5 * image->Width() / at.Width(), image->Height() / 2) : 0;
  };

  EXPECT_EQ(color(), image_color(u"btn_common_n.png"));
  box.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(probe.x, probe.y));
  EXPECT_EQ(color(), image_color(u"btn_common_h.png"));
  box.SendMessage(WM_LBUTTONDOWN, 0, MAKELPARAM(probe.x, probe.y));
  EXPECT_EQ(color(), image_color(u"btn_common_p.png"));
  EXPECT_NE(image_color(u"btn_common_n.png"), image_color(u"btn_common_h.png"));
  EXPECT_NE(image_color(u"btn_common_h.png"), image_color(u"btn_common_p.png"));
}

// The failure notice's way: a tips box made, captioned and run by another
// thread, which waits for it while the main loop goes on.
TEST_F(UpdaterWindowsTest, ATipsBoxOfAnotherThreadBlocksItAndReturnsItsCode) {
  CLaunchWnd clock;  // a window of the main thread, for its timer
  std::atomic<HWND> box_window{nullptr};
  std::atomic<bool> returned{false};
  UINT code = 0;
  std::u16string caption;
  std::vector<std::thread::id> threads;
  std::thread installer([&] {
    {
      WatchedTipsBox box(nullptr, u"网络已断开，请检查网络环境后重试~", 2);
      box.ConfirmButton()->SetText(u"关闭");
      caption = box.ConfirmButton()->GetText().str();
      box_window = box.GetHWND();
      code = box.ShowModal();
      returned = true;
      threads = box.threads;
    }
    PostQuitMessage(0);
  });

  int ticks_while_blocked = 0;
  bool watchdog = false;
  // The launch window's timer: count ticks while the installer waits, then
  // press Esc in the tips box as a person would.
  struct TimerHook : IMessageFilterUI {
    std::function<void(WPARAM)> tick;
    LRESULT MessageHandler(UINT uMsg, WPARAM wParam, LPARAM, bool&) override {
      if (uMsg == WM_TIMER) tick(wParam);
      return 0;
    }
  } hook;
  hook.tick = [&](WPARAM id) {
    if (id == 2) {
      watchdog = true;
      PostQuitMessage(0);
      return;
    }
    if (box_window.load() == nullptr || ticks_while_blocked == 3) return;
    EXPECT_FALSE(returned.load());
    if (++ticks_while_blocked == 3) PostMessage(box_window.load(), WM_KEYDOWN, VK_ESCAPE, 0);
  };
  clock.PaintManager().AddMessageFilter(&hook);
  SetTimer(clock.GetHWND(), 1, 10);
  SetTimer(clock.GetHWND(), 2, 10000);
  CPaintManagerUI::MessageLoop();
  installer.join();
  clock.PaintManager().RemoveMessageFilter(&hook);

  EXPECT_FALSE(watchdog);
  EXPECT_EQ(code, IDCANCEL);
  EXPECT_EQ(caption, u"关闭");
  EXPECT_EQ(ticks_while_blocked, 3);
  ASSERT_FALSE(threads.empty());
  for (const auto& id : threads) EXPECT_EQ(id, std::this_thread::get_id()) << "the box lived on the main thread";
}

}  // namespace
