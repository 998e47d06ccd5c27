#pragma once
// Drawing primitives of the controls: colours, images and text on cairo, text
// laid out by pango. Colours are ARGB values as the layouts write them
// (#AARRGGBB); a background of alpha 0 is no background. Text ignores alpha,
// as text drawn by Windows (GDI) does, so 0x5D5D5D is an opaque grey.

#include <cairo.h>

#include <memory>
#include <string>
#include <string_view>

#include "outside/duilib/win_defs.h"

namespace DuiLib {

struct TFontInfo {
  std::string family = "微软雅黑";  // UTF-8; mapped by fontconfig (font_aliases.h)
  int size = 12;                    // pixel height
  bool bold = false;
  bool underline = false;
  bool italic = false;
};

// Text styles, with the values of the Windows DrawText flags.
constexpr UINT DT_LEFT = 0x0000;
constexpr UINT DT_TOP = 0x0000;
constexpr UINT DT_CENTER = 0x0001;
constexpr UINT DT_RIGHT = 0x0002;
constexpr UINT DT_VCENTER = 0x0004;
constexpr UINT DT_BOTTOM = 0x0008;
constexpr UINT DT_WORDBREAK = 0x0010;
constexpr UINT DT_SINGLELINE = 0x0020;
constexpr UINT DT_END_ELLIPSIS = 0x8000;

// A decoded image, shared by every control that shows it.
class CImage {
 public:
  // Empty when `png` is not a PNG image.
  static std::shared_ptr<CImage> FromPng(std::string_view png);
  // Takes over `surface`, an image surface.
  static std::shared_ptr<CImage> Adopt(cairo_surface_t* surface);
  ~CImage();
  CImage(const CImage&) = delete;
  CImage& operator=(const CImage&) = delete;

  int Width() const;
  int Height() const;
  // ARGB of one pixel as stored (colour premultiplied by alpha); 0 outside.
  DWORD Pixel(int x, int y) const;
  bool SavePng(const std::string& path) const;
  cairo_surface_t* surface() const { return surface_; }

 private:
  explicit CImage(cairo_surface_t* surface) : surface_(surface) {}
  cairo_surface_t* surface_;
};

void FillRect(cairo_t* cr, const RECT& rect, DWORD argb);
void StrokeRect(cairo_t* cr, const RECT& rect, DWORD argb, int width);
// Stretched to fill `rect`.
void DrawImage(cairo_t* cr, const RECT& rect, const CImage& image);
void DrawText(cairo_t* cr, const RECT& rect, std::u16string_view text, const TFontInfo& font, DWORD color,
              UINT style);
// Height the text takes when laid out `width` pixels wide with `style`.
int MeasureTextHeight(std::u16string_view text, const TFontInfo& font, int width, UINT style);
// Characters of `text` that no installed font can show with `font` (they would
// be drawn as boxes).
int MissingGlyphCount(std::u16string_view text, const TFontInfo& font);

}  // namespace DuiLib
