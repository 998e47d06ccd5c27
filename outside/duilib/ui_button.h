#pragma once
// A label that can be clicked: images and text colours for the normal, hot
// (pointer over it) and pushed (pressed) states, and a "click" notification
// when the press is released over it.

#include "outside/duilib/ui_label.h"

namespace DuiLib {

class CButtonUI : public CLabelUI {
 public:
  CButtonUI();
  LPCTSTR GetClass() const override { return u"Button"; }

  void SetHotTextColor(DWORD color);
  void SetPushedTextColor(DWORD color);
  DWORD GetHotTextColor() const;
  DWORD GetPushedTextColor() const;
  bool IsHot() const;
  bool IsPushed() const;

  bool ApplyAttribute(std::u16string_view name, std::u16string_view value) override;
  void DoEvent(TEventUI& event) override;
  bool TakesClicks() const override { return true; }

 protected:
  void PaintStatusImage(cairo_t* cr) override;
  void PaintText(cairo_t* cr) override;

 private:
  std::u16string normal_image_;
  std::u16string hot_image_;
  std::u16string pushed_image_;
  DWORD hot_text_color_ = 0;     // 0: the normal colour
  DWORD pushed_text_color_ = 0;  // 0: the normal colour
  bool hot_ = false;
  bool captured_ = false;
  bool pushed_ = false;
};

}  // namespace DuiLib
