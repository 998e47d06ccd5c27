#pragma once
// A text in a font and colour, aligned in its rectangle, on one line or
// wrapped over several.

#include "outside/duilib/ui_control.h"

namespace DuiLib {

class CLabelUI : public CControlUI {
 public:
  CLabelUI();
  LPCTSTR GetClass() const override { return u"Label"; }

  void SetTextColor(DWORD color);
  DWORD GetTextColor() const;
  // A font of the layout's font table by its id.
  void SetFont(int id);
  int GetFont() const;
  UINT GetTextStyle() const;

  bool ApplyAttribute(std::u16string_view name, std::u16string_view value) override;
  int NaturalHeight(int width) const override;

 protected:
  void PaintText(cairo_t* cr) override;
  TFontInfo FontInfo() const;
  RECT TextRect() const;
  void PaintTextIn(cairo_t* cr, DWORD color);

  DWORD text_color_ = 0xFF000000;
  int font_ = -1;  // the layout's default font
  UINT text_style_ = DT_VCENTER | DT_SINGLELINE;
  RECT text_padding_;
};

}  // namespace DuiLib
