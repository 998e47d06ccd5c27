#include <string>

#include <gtest/gtest.h>

#include "outside/duilib/layout_builder.h"
#include "outside/duilib/ui_button.h"
#include "outside/duilib/window_system.h"
#include "tests/outside/duilib/fixture_window.h"

using namespace DuiLib;
using duilib_test::FixtureWindow;

namespace {

class LayoutTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { duilib_test::UseOffscreenToolkit(); }
  duilib_test::FixtureSkin skin_;
};

constexpr char kBoxLayout[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<Window size="200,100" caption="20">
  <Font id="0" name="微软雅黑" size="12"/>
  <VerticalLayout inset="2,2,2,2">
    <HorizontalLayout name="band" height="20">
      <Label name="title" text="标题"/>
      <Button name="close" width="14" height="14" padding="0,3,4,3"/>
    </HorizontalLayout>
    <Label name="body" padding="10,5,10,0"/>
    <Control name="extra" height="30" visible="false"/>
    <HorizontalLayout name="buttons" height="24" padding="0,0,0,6" childpadding="4">
      <Control name="spacer"/>
      <Button name="cancel" width="50"/>
      <Button name="ok" width="60"/>
    </HorizontalLayout>
  </VerticalLayout>
</Window>
)";

// Fixed sizes are kept, paddings kept around each control, and what is left
// along a layout's direction is shared by the controls without a size.
TEST_F(LayoutTest, FixedSizesPaddingsAndSharedSpacePlaceEveryControl) {
  skin_.AddLayout("box.xml", kBoxLayout);
  FixtureWindow window(u"box.xml");
  ASSERT_NE(window.GetHWND(), nullptr);
  RECT client;
  ASSERT_TRUE(GetClientRect(window.GetHWND(), &client));
  EXPECT_EQ(client, (RECT{0, 0, 200, 100})) << "the window takes the layout's size";

  const struct {
    const char16_t* name;
    RECT expected;
  } placed[] = {
      {u"band", {2, 2, 198, 22}},    {u"title", {2, 2, 180, 22}},   {u"close", {180, 5, 194, 19}},
      {u"body", {12, 27, 188, 68}},  {u"buttons", {2, 68, 198, 92}}, {u"spacer", {2, 68, 80, 92}},
      {u"cancel", {84, 68, 134, 92}}, {u"ok", {138, 68, 198, 92}},
  };
  for (const auto& p : placed) {
    ASSERT_NE(window.Find(p.name), nullptr);
    EXPECT_EQ(window.Find(p.name)->GetPos(), p.expected)
        << std::string(p.name, p.name + std::char_traits<char16_t>::length(p.name));
  }

  // A control that shows up takes its room from the shared space.
  window.Find(u"extra")->SetVisible(true);
  EXPECT_EQ(window.Find(u"body")->GetPos(), (RECT{12, 27, 188, 38}));
  EXPECT_EQ(window.Find(u"extra")->GetPos(), (RECT{2, 38, 198, 68}));
  EXPECT_EQ(window.Find(u"ok")->GetPos(), (RECT{138, 68, 198, 92}));
}

// As a window that widens to the left keeping its right edge: the controls
// follow the new size.
TEST_F(LayoutTest, ResizingAWindowPlacesItsControlsAgain) {
  skin_.AddLayout("box.xml", kBoxLayout);
  FixtureWindow window(u"box.xml");
  const HWND hwnd = window.GetHWND();
  ASSERT_TRUE(SetWindowPos(hwnd, nullptr, 400, 300, 0, 0, SWP_NOSIZE | SWP_NOZORDER));
  RECT before;
  ASSERT_TRUE(GetWindowRect(hwnd, &before));
  ASSERT_TRUE(SetWindowPos(hwnd, nullptr, before.right - 360, before.top, 360, before.Height(),
                           SWP_NOZORDER | SWP_NOACTIVATE));
  RECT after;
  ASSERT_TRUE(GetWindowRect(hwnd, &after));
  EXPECT_EQ(after, (RECT{240, 300, 600, 400}));
  EXPECT_EQ(window.Find(u"band")->GetPos(), (RECT{2, 2, 358, 22}));
  EXPECT_EQ(window.Find(u"ok")->GetPos(), (RECT{298, 68, 358, 92}));
  EXPECT_EQ(window.PaintManager().Render()->Width(), 360);

  window.SendMessage(WM_SYSCOMMAND, SC_MINIMIZE, 0);
  EXPECT_TRUE(IsIconic(hwnd));
}

TEST_F(LayoutTest, FindControlFindsNamesAndNothingElse) {
  skin_.AddLayout("box.xml", kBoxLayout);
  FixtureWindow window(u"box.xml");
  EXPECT_EQ(window.Find(u"title")->GetText(), u"标题");
  EXPECT_NE(window.Find<CButtonUI>(u"ok"), nullptr);
  EXPECT_EQ(window.PaintManager().FindControl(u"nothing"), nullptr);
  EXPECT_EQ(window.PaintManager().FindControl(u""), nullptr);
  EXPECT_EQ(window.PaintManager().FindControl(nullptr), nullptr);
}

// A mistake in a layout is reported where it is, not turned into a missing control.
TEST(LayoutBuilderTest, MalformedLayoutsAreRefusedWithTheReason) {
  const struct {
    const char* xml;
    const char* reason;
  } cases[] = {
      {R"(<Window size="10,10"><Bogus/></Window>)", "<Bogus> is no known control"},
      {R"(<Window size="10,10"><Label colour="#FF000000"/></Window>)", "colour=\"#FF000000\""},
      {R"(<Window size="10,10"><Label textcolor="#GG0000"/></Window>)", "textcolor=\"#GG0000\""},
      {R"(<Window size="10,10"><Label width="-3"/></Window>)", "width=\"-3\""},
      {R"(<Window size="10,10"><Label visible="yes"/></Window>)", "visible=\"yes\""},
      {R"(<Window size="10,10"><Label/><Label/></Window>)", "holds one control"},
      {R"(<Window size="10,10"><Label><Label/></Label></Window>)", "must be inside a layout"},
      {R"(<Window size="10,10"><Label>words</Label></Window>)", "text outside an attribute"},
      {R"(<Window size="10,10"><Font size="12"/><Label/></Window>)", "needs an id"},
      {R"(<Window size="10,10"/>)", "has no control"},
      {R"(<Window><Label/></Window>)", "needs a size"},
      {R"(<Label/>)", "must start with <Window>"},
      {"<Window size=\"10,10\">\n<Label>\n</Window>", "line 3"},
      // Found by fuzzing: an element after the closed window was added to
      // the layout stack's missing top.
      {R"(<Window size="10,10"/><Label/>)", "nothing may follow </Window>"},
      {R"(<Window size="10,10"><Label/></Window><Label/>)", "nothing may follow </Window>"},
      {R"(<Window size="10,10"><Label/></Window><Font id="1"/>)", "nothing may follow </Window>"},
  };
  for (const auto& c : cases) {
    std::string error;
    EXPECT_FALSE(CDialogBuilder::Build(c.xml, nullptr, error).has_value()) << c.xml;
    EXPECT_NE(error.find(c.reason), std::string::npos) << c.xml << " gave: " << error;
  }
}

TEST_F(LayoutTest, AWindowWhoseLayoutFailsIsNotCreated) {
  skin_.AddLayout("broken.xml", R"(<Window size="10,10"><Bogus/></Window>)");
  FixtureWindow broken(u"broken.xml");
  EXPECT_EQ(broken.GetHWND(), nullptr);
  EXPECT_EQ(broken.PaintManager().FindControl(u"anything"), nullptr);
  EXPECT_EQ(broken.ShowModal(), static_cast<UINT>(-1)) << "nothing to show, and no wait";

  FixtureWindow missing(u"no_such_layout.xml");
  EXPECT_EQ(missing.GetHWND(), nullptr);
}

}  // namespace
