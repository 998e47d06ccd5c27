#include <gtest/gtest.h>

#include "outside/duilib/ui_label.h"
#include "outside/duilib/ui_list.h"
#include "outside/duilib/window_system.h"
#include "tests/outside/duilib/fixture_window.h"

using namespace DuiLib;
using namespace duilib_test;

namespace {

constexpr char kListLayout[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<Window size="300,200">
  <Font id="0" name="微软雅黑" size="12"/>
  <Font id="2" name="微软雅黑" size="14"/>
  <VerticalLayout>
    <List name="list" width="280" height="140" padding="10,10,0,0" bkcolor="#FFFFFFFF" header="hidden"/>
  </VerticalLayout>
</Window>
)";

CLabelUI* Line(const char16_t* text) {
  auto* label = new CLabelUI;
  label->SetAttribute(u"width", u"260");
  label->SetAttribute(u"multiline", u"true");
  label->SetAttribute(u"wordbreak", u"true");
  label->SetFont(2);
  label->SetTextColor(0x5D5D5D);
  label->SetText(text);
  return label;
}

// Turns the wheel over the list; the wheel's position is on the screen.
void Wheel(FixtureWindow& window, POINT at, int notches) {
  RECT placed;
  GetWindowRect(window.GetHWND(), &placed);
  const WPARAM turn = static_cast<WPARAM>(static_cast<std::uint16_t>(static_cast<std::int16_t>(notches * WHEEL_DELTA)))
                      << 16;
  window.SendMessage(WM_MOUSEWHEEL, turn, MAKELPARAM(placed.left + at.x, placed.top + at.y));
}

class ListTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { UseOffscreenToolkit(); }
  void SetUp() override { skin_.AddLayout("list.xml", kListLayout); }
  FixtureSkin skin_;
};

// Each line is as tall as its wrapped text, stacked from the top.
TEST_F(ListTest, LinesStackByTheirWrappedHeight) {
  FixtureWindow window(u"list.xml");
  auto* list = window.Find<CListUI>(u"list");
  ASSERT_NE(list, nullptr);
  list->Add(Line(u"一行"));
  list->Add(Line(u""));
  list->Add(Line(u"这一行很长，长到在二百六十个像素的宽度里必须折成两行甚至三行才能放得下。"));
  ASSERT_EQ(list->GetCount(), 3);

  const RECT first = list->GetItemAt(0)->GetPos();
  const RECT empty = list->GetItemAt(1)->GetPos();
  const RECT long_line = list->GetItemAt(2)->GetPos();
  EXPECT_EQ(first.top, 10);
  EXPECT_EQ(first.Width(), 260);
  EXPECT_GT(first.Height(), 10);
  EXPECT_EQ(empty.top, first.bottom);
  EXPECT_EQ(empty.Height(), 0) << "an empty line takes no room";
  EXPECT_EQ(long_line.top, empty.bottom);
  EXPECT_GE(long_line.Height(), 2 * first.Height()) << "wrapped over several lines";
}

TEST_F(ListTest, TheWheelScrollsOnlyWithTheScrollBarEnabledAndWithinTheContent) {
  FixtureWindow window(u"list.xml");
  auto* list = window.Find<CListUI>(u"list");
  for (int i = 0; i < 20; ++i) list->Add(Line(u"第几行都一样"));
  const POINT over = Center(list->GetPos());
  const int first_top = list->GetItemAt(0)->GetPos().top;

  Wheel(window, over, -1);
  EXPECT_EQ(list->GetScrollPos(), 0) << "no scroll bar, no scrolling";

  list->EnableScrollBar(true, false);
  Wheel(window, over, -1);
  EXPECT_GT(list->GetScrollPos(), 0);
  EXPECT_EQ(list->GetItemAt(0)->GetPos().top, first_top - list->GetScrollPos());
  Wheel(window, over, -100);
  const int end = list->GetScrollPos();
  const RECT last = list->GetItemAt(19)->GetPos();
  EXPECT_EQ(last.bottom, list->GetPos().bottom) << "scrolled to the end, no further";
  Wheel(window, over, +100);
  EXPECT_EQ(list->GetScrollPos(), 0);
  EXPECT_GT(end, 0);

  Wheel(window, over, -1);
  list->RemoveAll();
  EXPECT_EQ(list->GetCount(), 0);
  EXPECT_EQ(list->GetScrollPos(), 0);
}

}  // namespace
