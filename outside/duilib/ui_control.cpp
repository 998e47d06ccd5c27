#include "outside/duilib/ui_control.h"

#include <charconv>
#include <cstdio>
#include <vector>

#include "outside/duilib/ui_paint_manager.h"
#include "outside/duilib/ui_thread.h"
#include "platform/text.h"

namespace DuiLib {

CControlUI::CControlUI() = default;
CControlUI::~CControlUI() {
  if (manager_ != nullptr) manager_->ForgetControl(this);
}

CDuiString CControlUI::GetName() const {
  return UiThread::Call([&] { return CDuiString(name_); });
}

void CControlUI::SetName(LPCTSTR name) {
  const std::u16string value = name != nullptr ? name : u"";
  UiThread::Run([&] { name_ = value; });
}

CDuiString CControlUI::GetText() const {
  return UiThread::Call([&] { return CDuiString(text_); });
}

void CControlUI::SetText(LPCTSTR text) {
  const std::u16string value = text != nullptr ? text : u"";
  UiThread::Run([&] {
    if (text_ == value) return;
    text_ = value;
    NeedParentUpdate();
  });
}

CDuiString CControlUI::GetToolTip() const {
  return UiThread::Call([&] { return CDuiString(tooltip_); });
}

void CControlUI::SetToolTip(LPCTSTR text) {
  const std::u16string value = text != nullptr ? text : u"";
  UiThread::Run([&] { tooltip_ = value; });
}

bool CControlUI::IsVisible() const {
  return UiThread::Call([&] { return visible_; });
}

void CControlUI::SetVisible(bool visible) {
  UiThread::Run([&] {
    if (visible_ == visible) return;
    visible_ = visible;
    NeedParentUpdate();
  });
}

bool CControlUI::IsShownInWindow() const {
  return UiThread::Call([&] {
    for (const CControlUI* control = this; control != nullptr; control = control->parent_) {
      if (!control->visible_) return false;
    }
    return true;
  });
}

void CControlUI::SetBkColor(DWORD argb) {
  UiThread::Run([&] {
    bk_color_ = argb;
    Invalidate();
  });
}

void CControlUI::SetBkImage(LPCTSTR name) {
  const std::u16string value = name != nullptr ? name : u"";
  UiThread::Run([&] {
    bk_image_ = value;
    Invalidate();
  });
}

void CControlUI::SetFixedWidth(int cx) {
  UiThread::Run([&] {
    fixed_.cx = cx < 0 ? 0 : cx;
    NeedParentUpdate();
  });
}

void CControlUI::SetFixedHeight(int cy) {
  UiThread::Run([&] {
    fixed_.cy = cy < 0 ? 0 : cy;
    NeedParentUpdate();
  });
}

void CControlUI::SetPadding(RECT padding) {
  UiThread::Run([&] {
    padding_ = padding;
    NeedParentUpdate();
  });
}

RECT CControlUI::GetPos() const {
  return UiThread::Call([&] {
    if (manager_ != nullptr) manager_->EnsureLayout();
    return pos_;
  });
}

void CControlUI::SetPos(RECT pos) {
  pos_ = pos;
  Invalidate();
}

void CControlUI::SetAttribute(LPCTSTR name, LPCTSTR value) {
  const std::u16string attribute = name != nullptr ? name : u"";
  const std::u16string text = value != nullptr ? value : u"";
  UiThread::Run([&] {
    if (!ApplyAttribute(attribute, text)) {
      std::fprintf(stderr, "duilib: %s: attribute %s=\"%s\" ignored\n", platform::Utf16ToUtf8(GetClass()).c_str(),
                   platform::Utf16ToUtf8(attribute).c_str(), platform::Utf16ToUtf8(text).c_str());
      return;
    }
    NeedParentUpdate();
  });
}

bool CControlUI::ApplyAttribute(std::u16string_view name, std::u16string_view value) {
  if (name == u"name") {
    name_ = value;
  } else if (name == u"text") {
    text_ = value;
  } else if (name == u"tooltip") {
    tooltip_ = value;
  } else if (name == u"visible") {
    return ParseBool(value, visible_);
  } else if (name == u"width") {
    return ParseInt(value, fixed_.cx) && fixed_.cx >= 0;
  } else if (name == u"height") {
    return ParseInt(value, fixed_.cy) && fixed_.cy >= 0;
  } else if (name == u"padding") {
    return ParseRect(value, padding_);
  } else if (name == u"bkcolor") {
    return ParseColor(value, bk_color_);
  } else if (name == u"bkimage") {
    bk_image_ = value;
  } else if (name == u"bordercolor") {
    return ParseColor(value, border_color_);
  } else if (name == u"bordersize") {
    return ParseInt(value, border_size_) && border_size_ >= 0;
  } else {
    return false;
  }
  return true;
}

int CControlUI::NaturalHeight(int) const { return fixed_.cy; }

void CControlUI::DoPaint(cairo_t* cr) {
  PaintBkColor(cr);
  PaintBkImage(cr);
  PaintStatusImage(cr);
  PaintText(cr);
  PaintBorder(cr);
}

void CControlUI::DoEvent(TEventUI& event) {
  // The wheel scrolls whatever holds the control.
  if (event.Type == UiEvent::kScrollWheel && parent_ != nullptr) parent_->DoEvent(event);
}

CControlUI* CControlUI::FindControl(std::u16string_view name) { return name_ == name ? this : nullptr; }

CControlUI* CControlUI::FindControlAt(POINT point) {
  return visible_ && pos_.Contains(point.x, point.y) ? this : nullptr;
}

void CControlUI::SetManager(CPaintManagerUI* manager, CControlUI* parent) {
  manager_ = manager;
  parent_ = parent;
}

void CControlUI::PaintBkColor(cairo_t* cr) { FillRect(cr, pos_, bk_color_); }

void CControlUI::PaintBkImage(cairo_t* cr) {
  if (const auto image = Image(bk_image_)) DrawImage(cr, pos_, *image);
}

void CControlUI::PaintBorder(cairo_t* cr) { StrokeRect(cr, pos_, border_color_, border_size_); }

std::shared_ptr<CImage> CControlUI::Image(const std::u16string& name) const {
  if (name.empty() || manager_ == nullptr) return nullptr;
  return manager_->GetImage(name);
}

void CControlUI::Invalidate() {
  if (manager_ != nullptr) manager_->Invalidate();
}

void CControlUI::NeedParentUpdate() {
  if (manager_ != nullptr) manager_->NeedUpdate();
}

namespace {

std::string Ascii(std::u16string_view text) {
  std::string ascii;
  for (char16_t c : text) {
    if (c > 0x7F) return {};
    ascii.push_back(static_cast<char>(c));
  }
  return ascii;
}

std::vector<std::string> CommaSeparated(std::u16string_view text) {
  std::vector<std::string> items;
  std::string all = Ascii(text);
  std::size_t start = 0;
  while (true) {
    const auto comma = all.find(',', start);
    std::string item = all.substr(start, comma - start);
    while (!item.empty() && item.front() == ' ') item.erase(0, 1);
    while (!item.empty() && item.back() == ' ') item.pop_back();
    items.push_back(item);
    if (comma == std::string::npos) return items;
    start = comma + 1;
  }
}

bool ParseIntText(const std::string& text, int& value) {
  int parsed = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (text.empty() || error != std::errc() || end != text.data() + text.size()) return false;
  value = parsed;
  return true;
}

}  // namespace

// "#AARRGGBB", or "#RRGGBB", which leaves alpha 0: the text colours of the
// layouts are written so and text ignores alpha. "0x" may stand for "#".
bool ParseColor(std::u16string_view text, DWORD& argb) {
  std::string digits = Ascii(text);
  if (digits.starts_with("#")) {
    digits.erase(0, 1);
  } else if (digits.starts_with("0x") || digits.starts_with("0X")) {
    digits.erase(0, 2);
  } else {
    return false;
  }
  if (digits.size() != 6 && digits.size() != 8) return false;
  DWORD parsed = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), parsed, 16);
  if (error != std::errc() || end != digits.data() + digits.size()) return false;
  argb = parsed;
  return true;
}

bool ParseInt(std::u16string_view text, int& value) { return ParseIntText(Ascii(text), value); }

bool ParseBool(std::u16string_view text, bool& value) {
  if (text == u"true") {
    value = true;
  } else if (text == u"false") {
    value = false;
  } else {
    return false;
  }
  return true;
}

bool ParseRect(std::u16string_view text, RECT& rect) {
  const auto items = CommaSeparated(text);
  RECT parsed;
  if (items.size() != 4 || !ParseIntText(items[0], parsed.left) || !ParseIntText(items[1], parsed.top) ||
      !ParseIntText(items[2], parsed.right) || !ParseIntText(items[3], parsed.bottom)) {
    return false;
  }
  rect = parsed;
  return true;
}

bool ParseSize(std::u16string_view text, SIZE& size) {
  const auto items = CommaSeparated(text);
  SIZE parsed;
  if (items.size() != 2 || !ParseIntText(items[0], parsed.cx) || !ParseIntText(items[1], parsed.cy) ||
      parsed.cx < 0 || parsed.cy < 0) {
    return false;
  }
  size = parsed;
  return true;
}

}  // namespace DuiLib
