#include "tests/outside/duilib/fixture_window.h"

#include <cairo.h>

#include <mutex>

#include "outside/duilib/presentation.h"
#include "platform/module_resources.h"
#include "platform/text.h"
#include "support/files.h"

using namespace DuiLib;

namespace duilib_test {

void UseOffscreenToolkit() {
  static std::once_flag once;
  std::call_once(once, [] {
    UseOffscreenPresentation();
    CPaintManagerUI::SetInstance(platform::ProgramModule());
  });
}

FixtureSkin::FixtureSkin() { CPaintManagerUI::SetResourcePath(platform::Utf8ToUtf16(folder_.str()).c_str()); }

void FixtureSkin::AddLayout(const std::string& name, const std::string& xml) {
  veska_test::WriteFile(folder_ / name, xml);
}

void FixtureSkin::AddImage(const std::string& name, int width, int height, DWORD argb) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, width, height);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgba(cr, ((argb >> 16) & 0xFF) / 255.0, ((argb >> 8) & 0xFF) / 255.0, (argb & 0xFF) / 255.0,
                        ((argb >> 24) & 0xFF) / 255.0);
  cairo_paint(cr);
  cairo_destroy(cr);
  cairo_surface_write_to_png(surface, (folder_ / name).c_str());
  cairo_surface_destroy(surface);
}

FixtureWindow::FixtureWindow(std::u16string layout, HWND owner) : layout_(std::move(layout)) {
  Create(owner, u"fixture", WS_POPUP | WS_VISIBLE, 0);
}

FixtureWindow::~FixtureWindow() = default;

void FixtureWindow::Notify(TNotifyUI& msg) {
  if (msg.sType == u"click" && msg.pSender != nullptr) clicks.push_back(msg.pSender->GetName().str());
}

POINT Center(const RECT& rect) { return POINT{(rect.left + rect.right) / 2, (rect.top + rect.bottom) / 2}; }

void MoveMouse(CWindowWnd& window, POINT at) { window.SendMessage(WM_MOUSEMOVE, 0, MAKELPARAM(at.x, at.y)); }

void PressMouse(CWindowWnd& window, POINT at) { window.SendMessage(WM_LBUTTONDOWN, 0, MAKELPARAM(at.x, at.y)); }

void ReleaseMouse(CWindowWnd& window, POINT at) { window.SendMessage(WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y)); }

void ClickAt(CWindowWnd& window, POINT at) {
  MoveMouse(window, at);
  PressMouse(window, at);
  ReleaseMouse(window, at);
}

DWORD PixelAt(WindowImplBase& window, POINT at) {
  const auto image = window.PaintManager().Render();
  return image ? image->Pixel(at.x, at.y) : 0;
}

}  // namespace duilib_test
