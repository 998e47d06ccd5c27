#include "outside/duilib/ui_label.h"

#include "outside/duilib/ui_paint_manager.h"
#include "outside/duilib/ui_thread.h"

namespace DuiLib {

CLabelUI::CLabelUI() = default;

void CLabelUI::SetTextColor(DWORD color) {
  UiThread::Run([&] {
    text_color_ = color;
    Invalidate();
  });
}

DWORD CLabelUI::GetTextColor() const {
  return UiThread::Call([&] { return text_color_; });
}

void CLabelUI::SetFont(int id) {
  UiThread::Run([&] {
    font_ = id;
    NeedParentUpdate();
  });
}

int CLabelUI::GetFont() const {
  return UiThread::Call([&] { return font_; });
}

UINT CLabelUI::GetTextStyle() const {
  return UiThread::Call([&] { return text_style_; });
}

bool CLabelUI::ApplyAttribute(std::u16string_view name, std::u16string_view value) {
  if (name == u"textcolor") return ParseColor(value, text_color_);
  if (name == u"font") return ParseInt(value, font_);
  if (name == u"textpadding") return ParseRect(value, text_padding_);
  if (name == u"align") {
    text_style_ &= ~(DT_CENTER | DT_RIGHT);
    if (value == u"center") {
      text_style_ |= DT_CENTER;
    } else if (value == u"right") {
      text_style_ |= DT_RIGHT;
    } else if (value != u"left") {
      return false;
    }
    return true;
  }
  if (name == u"valign") {
    text_style_ &= ~(DT_VCENTER | DT_BOTTOM);
    if (value == u"vcenter" || value == u"center") {
      text_style_ |= DT_VCENTER;
    } else if (value == u"bottom") {
      text_style_ |= DT_BOTTOM;
    } else if (value != u"top") {
      return false;
    }
    return true;
  }
  bool flag = false;
  if (name == u"multiline") {
    if (!ParseBool(value, flag)) return false;
    text_style_ = flag ? (text_style_ & ~DT_SINGLELINE) | DT_WORDBREAK : (text_style_ | DT_SINGLELINE) & ~DT_WORDBREAK;
    return true;
  }
  if (name == u"wordbreak") {
    if (!ParseBool(value, flag)) return false;
    text_style_ = flag ? text_style_ | DT_WORDBREAK : text_style_ & ~DT_WORDBREAK;
    return true;
  }
  if (name == u"endellipsis") {
    if (!ParseBool(value, flag)) return false;
    text_style_ = flag ? text_style_ | DT_END_ELLIPSIS : text_style_ & ~DT_END_ELLIPSIS;
    return true;
  }
  return CControlUI::ApplyAttribute(name, value);
}

int CLabelUI::NaturalHeight(int width) const {
  if (fixed_.cy > 0) return fixed_.cy;
  const int text_width = (fixed_.cx > 0 ? fixed_.cx : width) - text_padding_.left - text_padding_.right;
  return MeasureTextHeight(text_, FontInfo(), text_width, text_style_) + text_padding_.top + text_padding_.bottom;
}

void CLabelUI::PaintText(cairo_t* cr) { PaintTextIn(cr, text_color_); }

TFontInfo CLabelUI::FontInfo() const { return manager_ != nullptr ? manager_->GetFontInfo(font_) : TFontInfo{}; }

RECT CLabelUI::TextRect() const {
  return RECT{pos_.left + text_padding_.left, pos_.top + text_padding_.top, pos_.right - text_padding_.right,
              pos_.bottom - text_padding_.bottom};
}

void CLabelUI::PaintTextIn(cairo_t* cr, DWORD color) {
  DrawText(cr, TextRect(), text_, FontInfo(), color, text_style_);
}

}  // namespace DuiLib
