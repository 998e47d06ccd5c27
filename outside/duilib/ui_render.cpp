#include "outside/duilib/ui_render.h"

#include <pango/pangocairo.h>

#include <atomic>
#include <cstdio>
#include <cstring>

#include "outside/duilib/font_aliases.h"
#include "platform/text.h"

namespace DuiLib {
namespace {

void SetColor(cairo_t* cr, DWORD argb, bool with_alpha) {
  const double a = with_alpha ? ((argb >> 24) & 0xFF) / 255.0 : 1.0;
  cairo_set_source_rgba(cr, ((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0, (argb & 0xFF) / 255.0, a);
}

struct PngReader {
  std::string_view rest;
};

cairo_status_t ReadPng(void* closure, unsigned char* data, unsigned int length) {
  auto& reader = *static_cast<PngReader*>(closure);
  if (reader.rest.size() < length) return CAIRO_STATUS_READ_ERROR;
  std::memcpy(data, reader.rest.data(), length);
  reader.rest.remove_prefix(length);
  return CAIRO_STATUS_SUCCESS;
}

using LayoutPtr = std::unique_ptr<PangoLayout, decltype(&g_object_unref)>;

bool IsSingleLine(UINT style) { return (style & DT_SINGLELINE) != 0 || (style & DT_WORDBREAK) == 0; }

LayoutPtr MakeLayout(cairo_t* cr, std::u16string_view text, const TFontInfo& font, int width, UINT style) {
  RegisterFontAliases();
  LayoutPtr layout(pango_cairo_create_layout(cr), &g_object_unref);
  PangoFontDescription* description = pango_font_description_new();
  pango_font_description_set_family(description, font.family.c_str());
  pango_font_description_set_absolute_size(description, font.size * PANGO_SCALE);
  pango_font_description_set_weight(description, font.bold ? PANGO_WEIGHT_BOLD : PANGO_WEIGHT_NORMAL);
  pango_font_description_set_style(description, font.italic ? PANGO_STYLE_ITALIC : PANGO_STYLE_NORMAL);
  pango_layout_set_font_description(layout.get(), description);
  pango_font_description_free(description);
  if (font.underline) {
    PangoAttrList* attributes = pango_attr_list_new();
    pango_attr_list_insert(attributes, pango_attr_underline_new(PANGO_UNDERLINE_SINGLE));
    pango_layout_set_attributes(layout.get(), attributes);
    pango_attr_list_unref(attributes);
  }
  const std::string utf8 = platform::Utf16ToUtf8(text);
  pango_layout_set_text(layout.get(), utf8.c_str(), static_cast<int>(utf8.size()));

  if (IsSingleLine(style)) {
    pango_layout_set_single_paragraph_mode(layout.get(), TRUE);
    if ((style & DT_END_ELLIPSIS) != 0 && width > 0) {
      pango_layout_set_width(layout.get(), width * PANGO_SCALE);
      pango_layout_set_ellipsize(layout.get(), PANGO_ELLIPSIZE_END);
    }
  } else if (width > 0) {
    pango_layout_set_width(layout.get(), width * PANGO_SCALE);
    pango_layout_set_wrap(layout.get(), PANGO_WRAP_WORD_CHAR);
  }
  const PangoAlignment alignment = (style & DT_CENTER) != 0  ? PANGO_ALIGN_CENTER
                                   : (style & DT_RIGHT) != 0 ? PANGO_ALIGN_RIGHT
                                                             : PANGO_ALIGN_LEFT;
  pango_layout_set_alignment(layout.get(), alignment);
  return layout;
}

// A cairo context on a tiny image, for measuring without a target.
struct MeasuringContext {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, 1, 1);
  cairo_t* cr = cairo_create(surface);
  ~MeasuringContext() {
    cairo_destroy(cr);
    cairo_surface_destroy(surface);
  }
};

void WarnOnceAboutMissingGlyphs(PangoLayout* layout, const TFontInfo& font) {
  static std::atomic<bool> warned{false};
  if (pango_layout_get_unknown_glyphs_count(layout) == 0 || warned.exchange(true)) return;
  std::fprintf(stderr, "duilib: no installed font shows all of \"%s\" in \"%s\"; boxes are drawn instead\n",
               pango_layout_get_text(layout), font.family.c_str());
}

}  // namespace

std::shared_ptr<CImage> CImage::FromPng(std::string_view png) {
  PngReader reader{png};
  cairo_surface_t* surface = cairo_image_surface_create_from_png_stream(&ReadPng, &reader);
  if (cairo_surface_status(surface) != CAIRO_STATUS_SUCCESS) {
    cairo_surface_destroy(surface);
    return nullptr;
  }
  return std::shared_ptr<CImage>(new CImage(surface));
}

std::shared_ptr<CImage> CImage::Adopt(cairo_surface_t* surface) {
  return std::shared_ptr<CImage>(new CImage(surface));
}

DWORD CImage::Pixel(int x, int y) const {
  if (x < 0 || y < 0 || x >= Width() || y >= Height()) return 0;
  cairo_surface_flush(surface_);
  const unsigned char* row = cairo_image_surface_get_data(surface_) + y * cairo_image_surface_get_stride(surface_);
  DWORD pixel = 0;
  std::memcpy(&pixel, row + x * 4, 4);
  if (cairo_image_surface_get_format(surface_) == CAIRO_FORMAT_RGB24) pixel |= 0xFF000000;
  return pixel;
}

bool CImage::SavePng(const std::string& path) const {
  return cairo_surface_write_to_png(surface_, path.c_str()) == CAIRO_STATUS_SUCCESS;
}

CImage::~CImage() { cairo_surface_destroy(surface_); }
int CImage::Width() const { return cairo_image_surface_get_width(surface_); }
int CImage::Height() const { return cairo_image_surface_get_height(surface_); }

void FillRect(cairo_t* cr, const RECT& rect, DWORD argb) {
  if ((argb >> 24) == 0 || rect.Width() <= 0 || rect.Height() <= 0) return;
  cairo_save(cr);
  SetColor(cr, argb, true);
  cairo_rectangle(cr, rect.left, rect.top, rect.Width(), rect.Height());
  cairo_fill(cr);
  cairo_restore(cr);
}

void StrokeRect(cairo_t* cr, const RECT& rect, DWORD argb, int width) {
  if ((argb >> 24) == 0 || width <= 0) return;
  cairo_save(cr);
  SetColor(cr, argb, true);
  cairo_set_line_width(cr, width);
  const double inset = width / 2.0;
  cairo_rectangle(cr, rect.left + inset, rect.top + inset, rect.Width() - width, rect.Height() - width);
  cairo_stroke(cr);
  cairo_restore(cr);
}

void DrawImage(cairo_t* cr, const RECT& rect, const CImage& image) {
  if (rect.Width() <= 0 || rect.Height() <= 0 || image.Width() <= 0 || image.Height() <= 0) return;
  cairo_save(cr);
  cairo_rectangle(cr, rect.left, rect.top, rect.Width(), rect.Height());
  cairo_clip(cr);
  cairo_translate(cr, rect.left, rect.top);
  cairo_scale(cr, static_cast<double>(rect.Width()) / image.Width(),
              static_cast<double>(rect.Height()) / image.Height());
  cairo_set_source_surface(cr, image.surface(), 0, 0);
  cairo_pattern_set_filter(cairo_get_source(cr), CAIRO_FILTER_GOOD);
  cairo_pattern_set_extend(cairo_get_source(cr), CAIRO_EXTEND_PAD);
  cairo_paint(cr);
  cairo_restore(cr);
}

void DrawText(cairo_t* cr, const RECT& rect, std::u16string_view text, const TFontInfo& font, DWORD color,
              UINT style) {
  if (text.empty() || rect.Width() <= 0 || rect.Height() <= 0) return;
  LayoutPtr layout = MakeLayout(cr, text, font, rect.Width(), style);
  WarnOnceAboutMissingGlyphs(layout.get(), font);
  int text_width = 0;
  int text_height = 0;
  pango_layout_get_pixel_size(layout.get(), &text_width, &text_height);
  if (text_height > rect.Height() && pango_layout_get_line_count(layout.get()) > 1) {
    // Lines that do not fit close up to the font's own height before any is cut.
    pango_layout_set_line_spacing(layout.get(), 1.0);
    pango_layout_get_pixel_size(layout.get(), &text_width, &text_height);
  }

  double x = rect.left;
  if (pango_layout_get_width(layout.get()) < 0) {  // one line, aligned by hand
    if ((style & DT_CENTER) != 0) x += (rect.Width() - text_width) / 2;
    if ((style & DT_RIGHT) != 0) x += rect.Width() - text_width;
  }
  // Text taller than its room starts at the top, so that its beginning shows.
  double y = rect.top;
  if (text_height < rect.Height()) {
    if ((style & DT_VCENTER) != 0) y += (rect.Height() - text_height) / 2;
    if ((style & DT_BOTTOM) != 0) y += rect.Height() - text_height;
  }

  cairo_save(cr);
  cairo_rectangle(cr, rect.left, rect.top, rect.Width(), rect.Height());
  cairo_clip(cr);
  SetColor(cr, color, false);
  cairo_move_to(cr, x, y);
  pango_cairo_show_layout(cr, layout.get());
  cairo_restore(cr);
}

int MeasureTextHeight(std::u16string_view text, const TFontInfo& font, int width, UINT style) {
  if (text.empty()) return 0;
  MeasuringContext measuring;
  LayoutPtr layout = MakeLayout(measuring.cr, text, font, width, style);
  int text_width = 0;
  int text_height = 0;
  pango_layout_get_pixel_size(layout.get(), &text_width, &text_height);
  return text_height;
}

int MissingGlyphCount(std::u16string_view text, const TFontInfo& font) {
  MeasuringContext measuring;
  LayoutPtr layout = MakeLayout(measuring.cr, text, font, -1, DT_SINGLELINE);
  return pango_layout_get_unknown_glyphs_count(layout.get());
}

}  // namespace DuiLib
