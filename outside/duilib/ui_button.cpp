#include "outside/duilib/ui_button.h"

#include "outside/duilib/ui_paint_manager.h"
#include "outside/duilib/ui_thread.h"

namespace DuiLib {

CButtonUI::CButtonUI() { text_style_ = DT_CENTER | DT_VCENTER | DT_SINGLELINE; }

void CButtonUI::SetHotTextColor(DWORD color) {
  UiThread::Run([&] {
    hot_text_color_ = color;
    Invalidate();
  });
}

void CButtonUI::SetPushedTextColor(DWORD color) {
  UiThread::Run([&] {
    pushed_text_color_ = color;
    Invalidate();
  });
}

DWORD CButtonUI::GetHotTextColor() const {
  return UiThread::Call([&] { return hot_text_color_; });
}

DWORD CButtonUI::GetPushedTextColor() const {
  return UiThread::Call([&] { return pushed_text_color_; });
}

bool CButtonUI::IsHot() const {
  return UiThread::Call([&] { return hot_; });
}

bool CButtonUI::IsPushed() const {
  return UiThread::Call([&] { return pushed_; });
}

bool CButtonUI::ApplyAttribute(std::u16string_view name, std::u16string_view value) {
  if (name == u"normalimage") {
    normal_image_ = value;
  } else if (name == u"hotimage") {
    hot_image_ = value;
  } else if (name == u"pushedimage") {
    pushed_image_ = value;
  } else if (name == u"hottextcolor") {
    return ParseColor(value, hot_text_color_);
  } else if (name == u"pushedtextcolor") {
    return ParseColor(value, pushed_text_color_);
  } else {
    return CLabelUI::ApplyAttribute(name, value);
  }
  return true;
}

void CButtonUI::DoEvent(TEventUI& event) {
  const bool inside = pos_.Contains(event.ptMouse.x, event.ptMouse.y);
  switch (event.Type) {
    case UiEvent::kMouseEnter:
      hot_ = true;
      break;
    case UiEvent::kMouseLeave:
      hot_ = false;
      break;
    case UiEvent::kButtonDown:
      captured_ = true;
      pushed_ = true;
      break;
    case UiEvent::kMouseMove:
      if (captured_) pushed_ = inside;
      hot_ = inside;
      break;
    case UiEvent::kButtonUp:
      if (!captured_) return;
      captured_ = false;
      pushed_ = false;
      hot_ = inside;
      Invalidate();
      if (inside && manager_ != nullptr) manager_->SendNotify(this, u"click");
      return;
    case UiEvent::kScrollWheel:
      return;
  }
  Invalidate();
}

void CButtonUI::PaintStatusImage(cairo_t* cr) {
  const std::u16string* name = &normal_image_;
  if (pushed_ && !pushed_image_.empty()) {
    name = &pushed_image_;
  } else if ((hot_ || pushed_) && !hot_image_.empty()) {
    name = &hot_image_;
  }
  if (const auto image = Image(*name)) DrawImage(cr, pos_, *image);
}

void CButtonUI::PaintText(cairo_t* cr) {
  DWORD color = text_color_;
  if (pushed_ && pushed_text_color_ != 0) {
    color = pushed_text_color_;
  } else if ((hot_ || pushed_) && hot_text_color_ != 0) {
    color = hot_text_color_;
  }
  PaintTextIn(cr, color);
}

}  // namespace DuiLib
