#include "updater/skin/skin_artwork.h"

#include <cairo.h>

#include <cmath>
#include <functional>
#include <numbers>

#include "outside/duilib/ui_render.h"

namespace skin {
namespace {

constexpr std::uint32_t kBlue = 0xFF1694FF;
constexpr std::uint32_t kBlueHot = 0xFF3AA6FF;
constexpr std::uint32_t kBluePushed = 0xFF0F78D6;
constexpr std::uint32_t kWhite = 0xFFFFFFFF;
constexpr std::uint32_t kText = 0xFF333333;
constexpr std::uint32_t kGrey = 0xFF9D9D9D;

enum class State { kNormal, kHot, kPushed };
constexpr State kStates[] = {State::kNormal, State::kHot, State::kPushed};
const char* StateLetter(State state) {
  return state == State::kNormal ? "n" : state == State::kHot ? "h" : "p";
}

void SetColor(cairo_t* cr, std::uint32_t argb) {
  cairo_set_source_rgba(cr, ((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0, (argb & 0xFF) / 255.0,
                        ((argb >> 24) & 0xFF) / 255.0);
}

void RoundedRect(cairo_t* cr, double x, double y, double w, double h, double r) {
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -std::numbers::pi / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, std::numbers::pi / 2);
  cairo_arc(cr, x + r, y + h - r, r, std::numbers::pi / 2, std::numbers::pi);
  cairo_arc(cr, x + r, y + r, r, std::numbers::pi, 3 * std::numbers::pi / 2);
  cairo_close_path(cr);
}

cairo_status_t AppendPng(void* closure, const unsigned char* data, unsigned int length) {
  static_cast<std::string*>(closure)->append(reinterpret_cast<const char*>(data), length);
  return CAIRO_STATUS_SUCCESS;
}

std::string Draw(int width, int height, const std::function<void(cairo_t*)>& paint) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  cairo_t* cr = cairo_create(surface);
  paint(cr);
  cairo_destroy(cr);
  std::string png;
  cairo_surface_write_to_png_stream(surface, &AppendPng, &png);
  cairo_surface_destroy(surface);
  return png;
}

void Caption(cairo_t* cr, int width, int height, const char16_t* text, std::uint32_t color, int size) {
  DuiLib::TFontInfo font;
  font.size = size;
  DuiLib::DrawText(cr, DuiLib::RECT{0, 0, width, height}, text, font, color,
                   DuiLib::DT_CENTER | DuiLib::DT_VCENTER | DuiLib::DT_SINGLELINE);
}

// A filled button: blue, lighter when hot, darker when pushed.
std::string FilledButton(int width, int height, State state, const char16_t* caption) {
  return Draw(width, height, [&](cairo_t* cr) {
    RoundedRect(cr, 0.5, 0.5, width - 1, height - 1, 3);
    SetColor(cr, state == State::kNormal ? kBlue : state == State::kHot ? kBlueHot : kBluePushed);
    cairo_fill(cr);
    if (caption != nullptr) Caption(cr, width, height, caption, kWhite, 12);
  });
}

// An outlined button: white with a grey edge; blue edge and text when hot.
std::string OutlinedButton(int width, int height, State state, const char16_t* caption) {
  return Draw(width, height, [&](cairo_t* cr) {
    RoundedRect(cr, 0.5, 0.5, width - 1, height - 1, 3);
    SetColor(cr, state == State::kPushed ? 0xFFE3F1FF : kWhite);
    cairo_fill_preserve(cr);
    SetColor(cr, state == State::kNormal ? 0xFFC8C8C8 : kBlue);
    cairo_set_line_width(cr, 1);
    cairo_stroke(cr);
    if (caption != nullptr) Caption(cr, width, height, caption, state == State::kNormal ? kText : kBlue, 12);
  });
}

// The blank button whose caption the code sets: light, then blue under the
// pointer, where the code turns its text white.
std::string CommonButton(int width, int height, State state) {
  if (state == State::kNormal) return OutlinedButton(width, height, state, nullptr);
  return FilledButton(width, height, state, nullptr);
}

// A white cross on the title band, on a faint disc when hot or pushed.
std::string CloseButton(State state) {
  return Draw(14, 14, [&](cairo_t* cr) {
    if (state != State::kNormal) {
      cairo_arc(cr, 7, 7, 7, 0, 2 * std::numbers::pi);
      SetColor(cr, state == State::kHot ? 0x40FFFFFF : 0x40000000);
      cairo_fill(cr);
    }
    SetColor(cr, kWhite);
    cairo_set_line_width(cr, 1.6);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_move_to(cr, 4, 4);
    cairo_line_to(cr, 10, 10);
    cairo_move_to(cr, 10, 4);
    cairo_line_to(cr, 4, 10);
    cairo_stroke(cr);
  });
}

// Grey glyphs drawn at twice their shown size (the layout shows them at 12 by 12).
std::string CardButton(const std::function<void(cairo_t*)>& glyph) {
  return Draw(24, 24, [&](cairo_t* cr) {
    SetColor(cr, kGrey);
    cairo_set_line_width(cr, 2.5);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    glyph(cr);
    cairo_stroke(cr);
  });
}

// The progress window's background at twice its shown size: a white rounded
// card with a soft shadow in a transparent margin and a pale blue head.
std::string CardBackground() {
  constexpr int kWidth = 884;
  constexpr int kHeight = 860;
  constexpr double kMargin = 20;
  constexpr double kRadius = 16;
  return Draw(kWidth, kHeight, [&](cairo_t* cr) {
    for (int i = 8; i > 0; --i) {
      RoundedRect(cr, kMargin - i, kMargin - i + 3, kWidth - 2 * (kMargin - i), kHeight - 2 * (kMargin - i),
                  kRadius + i);
      cairo_set_source_rgba(cr, 0, 0, 0, 0.018);
      cairo_fill(cr);
    }
    RoundedRect(cr, kMargin, kMargin, kWidth - 2 * kMargin, kHeight - 2 * kMargin, kRadius);
    cairo_set_source_rgb(cr, 1, 1, 1);
    cairo_fill_preserve(cr);
    cairo_save(cr);
    cairo_clip(cr);
    cairo_pattern_t* head = cairo_pattern_create_linear(0, kMargin, 0, kMargin + 240);
    cairo_pattern_add_color_stop_rgba(head, 0, 0x16 / 255.0, 0x94 / 255.0, 1, 0.16);
    cairo_pattern_add_color_stop_rgba(head, 1, 0x16 / 255.0, 0x94 / 255.0, 1, 0);
    cairo_set_source(cr, head);
    cairo_rectangle(cr, 0, kMargin, kWidth, 240);
    cairo_fill(cr);
    cairo_pattern_destroy(head);
    cairo_restore(cr);
  });
}

std::string ProgressBar(std::uint32_t argb) {
  return Draw(40, 2, [&](cairo_t* cr) {
    SetColor(cr, argb);
    cairo_paint(cr);
  });
}

struct Captions {
  const char16_t* cancel;
  const char16_t* confirm;
  const char16_t* launch;
  const char16_t* skip;
  const char16_t* install;
};
constexpr Captions kChinese{u"取消", u"确定", u"立即打开", u"跳过", u"立即安装"};
constexpr Captions kEnglish{u"Cancel", u"OK", u"Open now", u"Skip", u"Install"};

void AddButtons(std::vector<Artwork>& images, const std::string& suffix, const Captions& captions) {
  for (State state : kStates) {
    const std::string tail = std::string("_") + StateLetter(state) + suffix + ".png";
    images.push_back({"btn_close" + tail, CloseButton(state)});
    images.push_back({"btn_cancel" + tail, OutlinedButton(72, 24, state, captions.cancel)});
    images.push_back({"btn_confirm" + tail, FilledButton(72, 24, state, captions.confirm)});
    images.push_back({"btn_common" + tail, CommonButton(71, 26, state)});
    images.push_back({"btn_launch" + tail, FilledButton(71, 26, state, captions.launch)});
    images.push_back({"btn_skip" + tail, OutlinedButton(71, 26, state, captions.skip)});
    images.push_back({"btn_install" + tail, FilledButton(71, 26, state, captions.install)});
  }
  images.push_back({"progress_bg" + suffix + ".png", ProgressBar(0xFFE6E6E6)});
  images.push_back({"progress_fg" + suffix + ".png", ProgressBar(kBlue)});
}

}  // namespace

std::vector<Artwork> DrawSkinImages() {
  std::vector<Artwork> images;
  images.push_back({"UpdateBk.png", CardBackground()});
  images.push_back({"UpdateBkClose.png", CardButton([](cairo_t* cr) {
                      cairo_move_to(cr, 6, 6);
                      cairo_line_to(cr, 18, 18);
                      cairo_move_to(cr, 18, 6);
                      cairo_line_to(cr, 6, 18);
                    })});
  images.push_back({"UpdateBkMin.png", CardButton([](cairo_t* cr) {
                      cairo_move_to(cr, 5, 12);
                      cairo_line_to(cr, 19, 12);
                    })});
  images.push_back({"UpdateBkMax.png", CardButton([](cairo_t* cr) { cairo_rectangle(cr, 6, 6, 12, 12); })});
  AddButtons(images, "", kChinese);
  AddButtons(images, "_en", kEnglish);
  return images;
}

// A blue rounded square with a white arrow pointing up.
std::string DrawWindowIcon() {
  return Draw(64, 64, [](cairo_t* cr) {
    RoundedRect(cr, 2, 2, 60, 60, 12);
    SetColor(cr, kBlue);
    cairo_fill(cr);
    SetColor(cr, kWhite);
    cairo_move_to(cr, 32, 12);
    cairo_line_to(cr, 50, 32);
    cairo_line_to(cr, 39, 32);
    cairo_line_to(cr, 39, 50);
    cairo_line_to(cr, 25, 50);
    cairo_line_to(cr, 25, 32);
    cairo_line_to(cr, 14, 32);
    cairo_close_path(cr);
    cairo_fill(cr);
  });
}

}  // namespace skin
