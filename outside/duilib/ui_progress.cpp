#include "outside/duilib/ui_progress.h"

#include <algorithm>

#include "outside/duilib/ui_thread.h"

namespace DuiLib {

void CProgressUI::SetValue(int value) {
  UiThread::Run([&] {
    value_ = std::clamp(value, min_, std::max(min_, max_));
    Invalidate();
  });
}

int CProgressUI::GetValue() const {
  return UiThread::Call([&] { return value_; });
}

int CProgressUI::GetMinValue() const {
  return UiThread::Call([&] { return min_; });
}

int CProgressUI::GetMaxValue() const {
  return UiThread::Call([&] { return max_; });
}

bool CProgressUI::ApplyAttribute(std::u16string_view name, std::u16string_view value) {
  if (name == u"min") return ParseInt(value, min_);
  if (name == u"max") return ParseInt(value, max_);
  if (name == u"value") return ParseInt(value, value_);
  if (name == u"foreimage") {
    fore_image_ = value;
    return true;
  }
  return CLabelUI::ApplyAttribute(name, value);
}

void CProgressUI::PaintStatusImage(cairo_t* cr) {
  if (max_ <= min_) return;
  const int done = std::clamp(value_, min_, max_) - min_;
  const int width = static_cast<int>(static_cast<long long>(pos_.Width()) * done / (max_ - min_));
  if (width <= 0) return;
  if (const auto image = Image(fore_image_)) {
    DrawImage(cr, RECT{pos_.left, pos_.top, pos_.left + width, pos_.bottom}, *image);
  }
}

}  // namespace DuiLib
