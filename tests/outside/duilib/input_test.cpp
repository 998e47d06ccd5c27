#include <gtest/gtest.h>

#include "outside/duilib/ui_button.h"
#include "outside/duilib/window_system.h"
#include "tests/outside/duilib/fixture_window.h"

using namespace DuiLib;
using namespace duilib_test;

namespace {

constexpr char kButtonsLayout[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<Window size="200,80" caption="30">
  <VerticalLayout bkcolor="#FFFFFFFF">
    <HorizontalLayout height="30" bkcolor="#FF1694FF">
      <Label name="title" text="Band"/>
      <Button name="close" width="20" height="20" padding="0,5,5,5"
              normalimage="n.png" hotimage="h.png" pushedimage="p.png"/>
    </HorizontalLayout>
    <HorizontalLayout>
      <Button name="ok" width="80" height="30" padding="10,10,0,0"
              normalimage="n.png" hotimage="h.png" pushedimage="p.png"/>
      <Button name="plain" width="80" height="30" padding="10,10,0,0" text="plain"/>
    </HorizontalLayout>
  </VerticalLayout>
</Window>
)";

class InputTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { UseOffscreenToolkit(); }
  void SetUp() override {
    skin_.AddLayout("buttons.xml", kButtonsLayout);
    skin_.AddImage("n.png", 8, 8, kNormalColor);
    skin_.AddImage("h.png", 8, 8, kHotColor);
    skin_.AddImage("p.png", 8, 8, kPushedColor);
  }
  FixtureSkin skin_;
};

TEST_F(InputTest, TheButtonImageFollowsThePointerAndThePress) {
  FixtureWindow window(u"buttons.xml");
  auto* ok = window.Find<CButtonUI>(u"ok");
  ASSERT_NE(ok, nullptr);
  const POINT on = Center(ok->GetPos());
  const POINT off{150, 70};

  EXPECT_EQ(PixelAt(window, on), kNormalColor);
  MoveMouse(window, on);
  EXPECT_TRUE(ok->IsHot());
  EXPECT_EQ(PixelAt(window, on), kHotColor);
  PressMouse(window, on);
  EXPECT_TRUE(ok->IsPushed());
  EXPECT_EQ(PixelAt(window, on), kPushedColor);
  // Held down and dragged off, the button lets go of its pushed look.
  MoveMouse(window, off);
  EXPECT_FALSE(ok->IsPushed());
  EXPECT_EQ(PixelAt(window, on), kNormalColor);
  ReleaseMouse(window, off);
  EXPECT_TRUE(window.clicks.empty()) << "released elsewhere: no click";

  MoveMouse(window, on);
  MoveMouse(window, off);
  EXPECT_FALSE(ok->IsHot());
  EXPECT_EQ(PixelAt(window, on), kNormalColor);
}

TEST_F(InputTest, AClickIsAPressAndAReleaseOnTheSameButton) {
  FixtureWindow window(u"buttons.xml");
  const POINT ok = Center(window.Find(u"ok")->GetPos());
  const POINT plain = Center(window.Find(u"plain")->GetPos());
  const POINT close = Center(window.Find(u"close")->GetPos());

  ClickAt(window, ok);
  ClickAt(window, close);
  ClickAt(window, plain);
  // Pressed on one button, released on another: neither is clicked.
  PressMouse(window, ok);
  MoveMouse(window, plain);
  ReleaseMouse(window, plain);
  // A press on the band's label starts a window drag, not a click.
  ClickAt(window, Center(window.Find(u"title")->GetPos()));
  // A press on nothing in particular.
  ClickAt(window, POINT{190, 75});

  EXPECT_EQ(window.clicks, (std::vector<std::u16string>{u"ok", u"close", u"plain"}));
}

TEST_F(InputTest, TheHotTextColourShowsOnlyUnderThePointer) {
  FixtureWindow window(u"buttons.xml");
  auto* plain = window.Find<CButtonUI>(u"plain");
  plain->SetText(u"\u2588\u2588\u2588\u2588");  // full blocks: the text colour fills them
  plain->SetTextColor(0x000000);
  plain->SetHotTextColor(0xFFFFFF);
  plain->SetPushedTextColor(0xB2C3CC);
  const POINT on = Center(plain->GetPos());

  EXPECT_EQ(PixelAt(window, on) & 0xFFFFFF, 0x000000u) << "text colours ignore alpha";
  MoveMouse(window, on);
  EXPECT_EQ(PixelAt(window, on) & 0xFFFFFF, 0xFFFFFFu);
  PressMouse(window, on);
  EXPECT_EQ(PixelAt(window, on) & 0xFFFFFF, 0xB2C3CCu);
  ReleaseMouse(window, on);
}

}  // namespace
