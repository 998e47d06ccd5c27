#include "outside/duilib/window_impl_base.h"

#include <cstdio>
#include <map>
#include <utility>

#include "outside/duilib/layout_builder.h"
#include "outside/duilib/ui_thread.h"
#include "platform/module_resources.h"
#include "platform/text.h"

namespace DuiLib {
namespace {

constexpr char16_t kZipResourceType[] = u"ZIPRES";

// Skin archives are read once per module and id. UI thread only.
std::map<std::pair<platform::ModuleImage, UINT>, std::shared_ptr<const SkinFiles>>& OpenedArchives() {
  static auto* archives = new std::map<std::pair<platform::ModuleImage, UINT>, std::shared_ptr<const SkinFiles>>;
  return *archives;
}

}  // namespace

WindowImplBase::WindowImplBase() = default;

WindowImplBase::~WindowImplBase() {
  // While this part of the object still exists, so that the last messages
  // still find the window's own handling.
  DestroyOwnWindow();
}

void WindowImplBase::Notify(TNotifyUI& msg) {
  if (msg.sType == u"click") OnClick(msg);
}

LRESULT WindowImplBase::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM, bool&) {
  if (uMsg == WM_KEYDOWN && (wParam == VK_RETURN || wParam == VK_ESCAPE)) return ResponseDefaultKeyEvent(wParam);
  return 0;
}

LRESULT WindowImplBase::HandleMessage(UINT uMsg, WPARAM wParam, LPARAM lParam) {
  LRESULT result = 0;
  if (m_pm.FilterMessage(uMsg, wParam, lParam, result)) return result;

  bool handled = false;
  switch (uMsg) {
    case WM_CREATE: result = OnCreate(uMsg, wParam, lParam, handled); break;
    case WM_CLOSE: result = OnClose(uMsg, wParam, lParam, handled); break;
    case WM_DESTROY: result = OnDestroy(uMsg, wParam, lParam, handled); break;
    case WM_MOUSEWHEEL: result = OnMouseWheel(uMsg, wParam, lParam, handled); break;
    case WM_MOUSEHOVER: result = OnMouseHover(uMsg, wParam, lParam, handled); break;
    case WM_SIZE: result = OnSize(uMsg, wParam, lParam, handled); break;
    case WM_CHAR: result = OnChar(uMsg, wParam, lParam, handled); break;
    case WM_SYSCOMMAND: result = OnSysCommand(uMsg, wParam, lParam, handled); break;
    case WM_KEYDOWN: result = OnKeyDown(uMsg, wParam, lParam, handled); break;
    case WM_KILLFOCUS: result = OnKillFocus(uMsg, wParam, lParam, handled); break;
    case WM_SETFOCUS: result = OnSetFocus(uMsg, wParam, lParam, handled); break;
    case WM_LBUTTONDOWN: result = OnLButtonDown(uMsg, wParam, lParam, handled); break;
    case WM_LBUTTONUP: result = OnLButtonUp(uMsg, wParam, lParam, handled); break;
    case WM_MOUSEMOVE: result = OnMouseMove(uMsg, wParam, lParam, handled); break;
    default: break;
  }
  if (handled) return result;
  result = HandleCustomMessage(uMsg, wParam, lParam, handled);
  if (handled) return result;
  if (m_pm.MessageHandler(uMsg, wParam, lParam, result)) return result;
  return CWindowWnd::HandleMessage(uMsg, wParam, lParam);
}

LRESULT WindowImplBase::HandleCustomMessage(UINT, WPARAM, LPARAM, bool& bHandled) {
  bHandled = false;
  return 0;
}

void WindowImplBase::OnFinalMessage(HWND) {
  m_pm.RemoveMessageFilter(this);
  m_pm.RemoveNotifier(this);
  m_pm.Init(nullptr);
}

std::shared_ptr<const SkinFiles> WindowImplBase::LoadSkinFiles(std::string& error) {
  if (GetResourceType() == UILIB_FILE) {
    return SkinFiles::FromFolder(platform::Utf16ToUtf8(CPaintManagerUI::GetResourcePath().str()));
  }
  if (GetResourceType() != UILIB_ZIPRESOURCE) {
    error = "skins come from the resource folder (UILIB_FILE) or a zip archive resource (UILIB_ZIPRESOURCE)";
    return nullptr;
  }
  const platform::ModuleImage module = CPaintManagerUI::GetInstance();
  const UINT id = GetResourceID();
  auto& archives = OpenedArchives();
  if (const auto opened = archives.find({module, id}); opened != archives.end()) return opened->second;
  const auto zip = platform::FindModuleResource(module, kZipResourceType, static_cast<std::uint16_t>(id));
  if (!zip) {
    error = "the program has no resource ZIPRES " + std::to_string(id);
    return nullptr;
  }
  std::string why;
  std::shared_ptr<const SkinFiles> files = SkinFiles::FromZip(*zip, why);
  if (!files) {
    error = "resource ZIPRES " + std::to_string(id) + ": " + why;
    return nullptr;
  }
  archives[{module, id}] = files;
  return files;
}

LRESULT WindowImplBase::OnCreate(UINT, WPARAM, LPARAM, bool& bHandled) {
  bHandled = true;
  m_pm.Init(m_hWnd);
  m_pm.AddMessageFilter(this);
  const std::u16string skin_file = GetSkinFolder().str() + GetSkinFile().str();
  std::string error;
  std::optional<TWindowLayout> layout;
  const std::shared_ptr<const SkinFiles> files = LoadSkinFiles(error);
  if (files) {
    if (const auto xml = files->Read(platform::Utf16ToUtf8(skin_file))) {
      layout = CDialogBuilder::Build(*xml, this, error);
    } else {
      error = "no such file in the skin";
    }
  }
  if (!layout) {
    std::fprintf(stderr, "duilib: window %s: skin file %s: %s\n", platform::Utf16ToUtf8(GetWindowClassName()).c_str(),
                 platform::Utf16ToUtf8(skin_file).c_str(), error.c_str());
    return -1;
  }
  const SIZE size = layout->size;
  m_pm.AttachLayout(std::move(*layout), files);
  m_pm.AddNotifier(this);
  ResizeClient(size.cx, size.cy);
  InitWindow();
  return 0;
}

LRESULT WindowImplBase::OnClose(UINT, WPARAM, LPARAM, bool& bHandled) {
  bHandled = false;
  return 0;
}

LRESULT WindowImplBase::OnDestroy(UINT, WPARAM, LPARAM, bool& bHandled) {
  bHandled = false;
  return 0;
}

LRESULT WindowImplBase::OnMouseWheel(UINT, WPARAM, LPARAM, bool& bHandled) {
  bHandled = false;
  return 0;
}

LRESULT WindowImplBase::OnMouseHover(UINT, WPARAM, LPARAM, bool& bHandled) {
  bHandled = false;
  return 0;
}

LRESULT WindowImplBase::OnSize(UINT, WPARAM, LPARAM, bool& bHandled) {
  bHandled = false;
  return 0;
}

LRESULT WindowImplBase::OnChar(UINT, WPARAM, LPARAM, bool& bHandled) {
  bHandled = false;
  return 0;
}

LRESULT WindowImplBase::OnSysCommand(UINT, WPARAM, LPARAM, bool& bHandled) {
  bHandled = false;
  return 0;
}

LRESULT WindowImplBase::OnKeyDown(UINT, WPARAM, LPARAM, bool& bHandled) {
  bHandled = false;
  return 0;
}

LRESULT WindowImplBase::OnKillFocus(UINT, WPARAM, LPARAM, bool& bHandled) {
  bHandled = false;
  return 0;
}

LRESULT WindowImplBase::OnSetFocus(UINT, WPARAM, LPARAM, bool& bHandled) {
  bHandled = false;
  return 0;
}

LRESULT WindowImplBase::OnLButtonDown(UINT, WPARAM, LPARAM, bool& bHandled) {
  bHandled = false;
  return 0;
}

LRESULT WindowImplBase::OnLButtonUp(UINT, WPARAM, LPARAM, bool& bHandled) {
  bHandled = false;
  return 0;
}

LRESULT WindowImplBase::OnMouseMove(UINT, WPARAM, LPARAM, bool& bHandled) {
  bHandled = false;
  return 0;
}

}  // namespace DuiLib
