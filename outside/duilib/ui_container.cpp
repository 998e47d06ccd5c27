#include "outside/duilib/ui_container.h"

#include <algorithm>

#include "outside/duilib/ui_paint_manager.h"
#include "outside/duilib/ui_thread.h"

namespace DuiLib {
namespace {

constexpr int kScrollBarWidth = 6;
constexpr DWORD kScrollThumbColor = 0xFFC8C8C8;
constexpr int kPixelsPerWheelNotch = 40;

}  // namespace

CContainerUI::~CContainerUI() {
  for (CControlUI* item : items_) delete item;
}

bool CContainerUI::Add(CControlUI* control) {
  if (control == nullptr) return false;
  UiThread::Run([&] {
    control->SetManager(manager_, this);
    items_.push_back(control);
    NeedParentUpdate();
  });
  return true;
}

bool CContainerUI::Remove(CControlUI* control) {
  return UiThread::Call([&] {
    const auto found = std::find(items_.begin(), items_.end(), control);
    if (found == items_.end()) return false;
    items_.erase(found);
    delete control;
    NeedParentUpdate();
    return true;
  });
}

void CContainerUI::RemoveAll() {
  UiThread::Run([&] {
    for (CControlUI* item : items_) delete item;
    items_.clear();
    scroll_y_ = 0;
    NeedParentUpdate();
  });
}

int CContainerUI::GetCount() const {
  return UiThread::Call([&] { return static_cast<int>(items_.size()); });
}

CControlUI* CContainerUI::GetItemAt(int index) const {
  return UiThread::Call([&]() -> CControlUI* {
    return index >= 0 && index < static_cast<int>(items_.size()) ? items_[index] : nullptr;
  });
}

void CContainerUI::EnableScrollBar(bool enableVertical, bool) {
  UiThread::Run([&] {
    vertical_scroll_ = enableVertical;
    if (!vertical_scroll_) scroll_y_ = 0;
    NeedParentUpdate();
  });
}

int CContainerUI::GetScrollPos() const {
  return UiThread::Call([&] { return scroll_y_; });
}

bool CContainerUI::ApplyAttribute(std::u16string_view name, std::u16string_view value) {
  if (name == u"inset") return ParseRect(value, inset_);
  if (name == u"childpadding") return ParseInt(value, child_padding_);
  if (name == u"vscrollbar") return ParseBool(value, vertical_scroll_);
  return CControlUI::ApplyAttribute(name, value);
}

RECT CContainerUI::Inner() const {
  return RECT{pos_.left + inset_.left, pos_.top + inset_.top, pos_.right - inset_.right,
              pos_.bottom - inset_.bottom};
}

void CContainerUI::SetPos(RECT pos) {
  CControlUI::SetPos(pos);
  LayoutChildren(Inner());
  if (vertical_scroll_ && content_height_ > Inner().Height()) {
    // Scrolled past the end after the content shrank: lay out again in range.
    const int before = scroll_y_;
    ClampScroll();
    if (before != scroll_y_) LayoutChildren(Inner());
  } else if (scroll_y_ != 0) {
    scroll_y_ = 0;
    LayoutChildren(Inner());
  }
}

void CContainerUI::ClampScroll() {
  const int range = std::max(0, content_height_ - Inner().Height());
  scroll_y_ = std::clamp(scroll_y_, 0, range);
}

// The border goes over the children, so that a band reaching the edge keeps it.
void CContainerUI::DoPaint(cairo_t* cr) {
  PaintBkColor(cr);
  PaintBkImage(cr);
  PaintStatusImage(cr);
  PaintText(cr);
  const RECT inner = Inner();
  cairo_save(cr);
  cairo_rectangle(cr, inner.left, inner.top, inner.Width(), inner.Height());
  cairo_clip(cr);
  for (CControlUI* item : items_) {
    const RECT at = item->GetPos();
    if (!item->IsVisible() || at.bottom <= inner.top || at.top >= inner.bottom) continue;
    item->DoPaint(cr);
  }
  cairo_restore(cr);
  PaintBorder(cr);
  PaintScrollBar(cr);
}

void CContainerUI::PaintScrollBar(cairo_t* cr) {
  const RECT inner = Inner();
  if (!vertical_scroll_ || content_height_ <= inner.Height() || inner.Height() <= 0) return;
  const int thumb = std::max(kScrollBarWidth * 2, inner.Height() * inner.Height() / content_height_);
  const int travel = inner.Height() - thumb;
  const int top = inner.top + travel * scroll_y_ / (content_height_ - inner.Height());
  FillRect(cr, RECT{inner.right - kScrollBarWidth, top, inner.right, top + thumb}, kScrollThumbColor);
}

void CContainerUI::DoEvent(TEventUI& event) {
  if (event.Type != UiEvent::kScrollWheel) return;
  if (!vertical_scroll_ || content_height_ <= Inner().Height()) {
    if (parent_ != nullptr) parent_->DoEvent(event);
    return;
  }
  scroll_y_ -= event.wheelDelta * kPixelsPerWheelNotch / WHEEL_DELTA;
  ClampScroll();
  LayoutChildren(Inner());
  Invalidate();
}

CControlUI* CContainerUI::FindControl(std::u16string_view name) {
  if (CControlUI* self = CControlUI::FindControl(name)) return self;
  for (CControlUI* item : items_) {
    if (CControlUI* found = item->FindControl(name)) return found;
  }
  return nullptr;
}

CControlUI* CContainerUI::FindControlAt(POINT point) {
  if (!visible_ || !pos_.Contains(point.x, point.y)) return nullptr;
  if (Inner().Contains(point.x, point.y)) {
    for (auto item = items_.rbegin(); item != items_.rend(); ++item) {
      if (CControlUI* found = (*item)->FindControlAt(point)) return found;
    }
  }
  return this;
}

void CContainerUI::SetManager(CPaintManagerUI* manager, CControlUI* parent) {
  CControlUI::SetManager(manager, parent);
  for (CControlUI* item : items_) item->SetManager(manager, this);
}

void CVerticalLayoutUI::LayoutChildren(const RECT& inner) {
  int fixed_total = 0;
  int shared_count = 0;
  int visible_count = 0;
  for (CControlUI* item : items_) {
    if (!item->IsVisible()) continue;
    ++visible_count;
    const RECT padding = item->GetPadding();
    fixed_total += padding.top + padding.bottom;
    const int wanted = stack_by_content_ ? item->NaturalHeight(inner.Width() - padding.left - padding.right)
                                         : item->GetFixedHeight();
    if (wanted > 0) {
      fixed_total += wanted;
    } else if (!stack_by_content_) {
      ++shared_count;
    }
  }
  if (visible_count > 1) fixed_total += child_padding_ * (visible_count - 1);
  const int left_over = std::max(0, inner.Height() - fixed_total);
  int shares_left = shared_count;
  int space_left = left_over;

  int y = inner.top - scroll_y_;
  for (CControlUI* item : items_) {
    if (!item->IsVisible()) continue;
    const RECT padding = item->GetPadding();
    const int width = item->GetFixedWidth() > 0 ? item->GetFixedWidth()
                                                : std::max(0, inner.Width() - padding.left - padding.right);
    int height = stack_by_content_ ? item->NaturalHeight(inner.Width() - padding.left - padding.right)
                                   : item->GetFixedHeight();
    if (height <= 0 && !stack_by_content_) {
      height = shares_left == 1 ? space_left : left_over / shared_count;
      --shares_left;
      space_left -= height;
    }
    y += padding.top;
    const int x = inner.left + padding.left;
    item->SetPos(RECT{x, y, x + width, y + height});
    y += height + padding.bottom + child_padding_;
  }
  if (visible_count > 0) y -= child_padding_;
  content_height_ = y + scroll_y_ - inner.top;
}

void CHorizontalLayoutUI::LayoutChildren(const RECT& inner) {
  int fixed_total = 0;
  int shared_count = 0;
  int visible_count = 0;
  for (CControlUI* item : items_) {
    if (!item->IsVisible()) continue;
    ++visible_count;
    const RECT padding = item->GetPadding();
    fixed_total += padding.left + padding.right + item->GetFixedWidth();
    if (item->GetFixedWidth() == 0) ++shared_count;
  }
  if (visible_count > 1) fixed_total += child_padding_ * (visible_count - 1);
  const int left_over = std::max(0, inner.Width() - fixed_total);
  int shares_left = shared_count;
  int space_left = left_over;

  int x = inner.left;
  for (CControlUI* item : items_) {
    if (!item->IsVisible()) continue;
    const RECT padding = item->GetPadding();
    const int height = item->GetFixedHeight() > 0 ? item->GetFixedHeight()
                                                  : std::max(0, inner.Height() - padding.top - padding.bottom);
    int width = item->GetFixedWidth();
    if (width == 0) {
      width = shares_left == 1 ? space_left : left_over / shared_count;
      --shares_left;
      space_left -= width;
    }
    x += padding.left;
    const int y = inner.top + padding.top;
    item->SetPos(RECT{x, y, x + width, y + height});
    x += width + padding.right + child_padding_;
  }
  content_height_ = inner.Height();
}

}  // namespace DuiLib
