#pragma once
// A skinned window built from a layout the test writes, with images drawn in
// plain colours, in a scratch folder that is the toolkit's resource folder
// (UILIB_FILE). Windows are painted offscreen; input comes from the test
// through the window's messages, the path a screen's input takes too.

#include <ostream>
#include <string>
#include <vector>

#include "outside/duilib/ui_control.h"
#include "outside/duilib/window_impl_base.h"
#include "support/temp_dir.h"

namespace DuiLib {
// For readable test failures.
inline void PrintTo(const RECT& rect, std::ostream* out) {
  *out << "{" << rect.left << "," << rect.top << "," << rect.right << "," << rect.bottom << "}";
}
}  // namespace DuiLib

namespace duilib_test {

// Colours of the fixture's button images.
inline constexpr DuiLib::DWORD kNormalColor = 0xFFC00000;
inline constexpr DuiLib::DWORD kHotColor = 0xFF00A000;
inline constexpr DuiLib::DWORD kPushedColor = 0xFF0000C0;

// Sets the toolkit up once per process: offscreen, with this thread as its UI thread.
void UseOffscreenToolkit();

class FixtureSkin {
 public:
  FixtureSkin();
  // Writes `xml` as the layout `name` in the skin folder.
  void AddLayout(const std::string& name, const std::string& xml);
  // A PNG image of one colour.
  void AddImage(const std::string& name, int width, int height, DuiLib::DWORD argb);

 private:
  veska_test::TempDir folder_;
};

class FixtureWindow : public DuiLib::WindowImplBase {
 public:
  explicit FixtureWindow(std::u16string layout, DuiLib::HWND owner = nullptr);
  ~FixtureWindow() override;

  // Names of the controls that sent "click", in order.
  std::vector<std::u16string> clicks;
  template <class T = DuiLib::CControlUI>
  T* Find(const char16_t* name) {
    return dynamic_cast<T*>(m_pm.FindControl(name));
  }
  void Notify(DuiLib::TNotifyUI& msg) override;

 protected:
  DuiLib::LPCTSTR GetWindowClassName() const override { return u"fixture_wnd"; }
  DuiLib::CDuiString GetSkinFolder() override { return DuiLib::CDuiString(); }
  DuiLib::CDuiString GetSkinFile() override { return DuiLib::CDuiString(layout_); }
  DuiLib::UILIB_RESOURCETYPE GetResourceType() const override { return DuiLib::UILIB_FILE; }

 private:
  std::u16string layout_;
};

DuiLib::POINT Center(const DuiLib::RECT& rect);
// Pointer input as the screen gives it, sent to the window.
void MoveMouse(DuiLib::CWindowWnd& window, DuiLib::POINT at);
void PressMouse(DuiLib::CWindowWnd& window, DuiLib::POINT at);
void ReleaseMouse(DuiLib::CWindowWnd& window, DuiLib::POINT at);
void ClickAt(DuiLib::CWindowWnd& window, DuiLib::POINT at);
// The rendered colour at a point of the window.
DuiLib::DWORD PixelAt(DuiLib::WindowImplBase& window, DuiLib::POINT at);

}  // namespace duilib_test
