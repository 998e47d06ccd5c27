#pragma once
// A horizontal progress bar: the background image over the whole bar, the
// fore image over the part that `value` fills between `min` and `max`.

#include "outside/duilib/ui_label.h"

namespace DuiLib {

class CProgressUI : public CLabelUI {
 public:
  LPCTSTR GetClass() const override { return u"Progress"; }

  // Clamped to the range.
  void SetValue(int value);
  int GetValue() const;
  int GetMinValue() const;
  int GetMaxValue() const;

  bool ApplyAttribute(std::u16string_view name, std::u16string_view value) override;

 protected:
  void PaintStatusImage(cairo_t* cr) override;

 private:
  int min_ = 0;
  int max_ = 100;
  int value_ = 0;
  std::u16string fore_image_;
};

}  // namespace DuiLib
