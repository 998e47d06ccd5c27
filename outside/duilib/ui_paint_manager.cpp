#include "outside/duilib/ui_paint_manager.h"

#include <algorithm>
#include <atomic>
#include <mutex>

#include "outside/duilib/ui_container.h"
#include "outside/duilib/ui_thread.h"
#include "outside/duilib/window_system.h"
#include "platform/folders.h"
#include "platform/text.h"

namespace DuiLib {
namespace {

std::atomic<platform::ModuleImage> g_instance{nullptr};

std::mutex& ResourcePathMutex() {
  static std::mutex mutex;
  return mutex;
}
std::u16string& ResourcePath() {
  static std::u16string path;
  return path;
}

void AppendQuoted(std::string& out, const std::u16string& text) {
  out += '"';
  for (char c : platform::Utf16ToUtf8(text)) {
    if (c == '"' || c == '\\') {
      out += '\\';
      out += c;
    } else if (c == '\n') {
      out += "\\n";
    } else {
      out += c;
    }
  }
  out += '"';
}

}  // namespace

CPaintManagerUI::CPaintManagerUI() = default;

// Once the window is gone its controls are this object's alone, and any
// thread may let them go.
CPaintManagerUI::~CPaintManagerUI() {
  if (hwnd_ == nullptr) {
    root_.reset();
    return;
  }
  UiThread::Run([&] {
    if (hwnd_ != nullptr) native::DetachPainter(hwnd_, this);
    root_.reset();
  });
}

void CPaintManagerUI::SetInstance(platform::ModuleImage instance) {
  UiThread::IsCurrent();  // the thread that sets the toolkit up is its UI thread
  g_instance = instance;
}

platform::ModuleImage CPaintManagerUI::GetInstance() {
  const platform::ModuleImage instance = g_instance;
  return instance != nullptr ? instance : platform::ProgramModule();
}

CDuiString CPaintManagerUI::GetInstancePath() {
  const auto path = platform::ModulePathOf(GetInstance());
  if (!path) return CDuiString();
  std::u16string folder = platform::Utf8ToUtf16(*path);
  folder.erase(folder.find_last_of(u'/') + 1);
  return CDuiString(folder);
}

void CPaintManagerUI::SetResourcePath(LPCTSTR path) {
  std::lock_guard lock(ResourcePathMutex());
  ResourcePath() = path != nullptr ? path : u"";
}

CDuiString CPaintManagerUI::GetResourcePath() {
  std::lock_guard lock(ResourcePathMutex());
  return CDuiString(ResourcePath());
}

void CPaintManagerUI::MessageLoop() { native::RunMessageLoop(); }

void CPaintManagerUI::Init(HWND hwnd) {
  UiThread::Run([&] {
    if (hwnd_ != nullptr) native::DetachPainter(hwnd_, this);
    hwnd_ = hwnd;
    if (hwnd_ != nullptr) native::AttachPainter(hwnd_, this);
  });
}

void CPaintManagerUI::AttachLayout(TWindowLayout layout, std::shared_ptr<const SkinFiles> files) {
  UiThread::Run([&] {
    hot_ = captured_ = nullptr;
    files_ = std::move(files);
    images_.clear();
    fonts_ = std::move(layout.fonts);
    default_font_ = layout.default_font;
    init_size_ = layout.size;
    caption_height_ = layout.caption_height;
    layered_ = layout.layered;
    root_ = std::move(layout.root);
    root_->SetManager(this, nullptr);
    if (hwnd_ != nullptr) native::SetLayered(hwnd_, layered_);
    NeedUpdate();
  });
}

CControlUI* CPaintManagerUI::GetRoot() const {
  return UiThread::Call([&] { return root_.get(); });
}

SIZE CPaintManagerUI::GetInitSize() const {
  return UiThread::Call([&] { return init_size_; });
}

int CPaintManagerUI::GetCaptionHeight() const {
  return UiThread::Call([&] { return caption_height_; });
}

bool CPaintManagerUI::IsLayered() const {
  return UiThread::Call([&] { return layered_; });
}

CControlUI* CPaintManagerUI::FindControl(LPCTSTR name) const {
  const std::u16string wanted = name != nullptr ? name : u"";
  return UiThread::Call([&]() -> CControlUI* {
    if (!root_ || wanted.empty()) return nullptr;
    return root_->FindControl(wanted);
  });
}

TFontInfo CPaintManagerUI::GetFontInfo(int id) const {
  if (const auto found = fonts_.find(id); found != fonts_.end()) return found->second;
  if (const auto fallback = fonts_.find(default_font_); fallback != fonts_.end()) return fallback->second;
  return TFontInfo{};
}

std::shared_ptr<CImage> CPaintManagerUI::GetImage(const std::u16string& name) {
  return UiThread::Call([&] { return LoadImage(name); });
}

std::shared_ptr<CImage> CPaintManagerUI::LoadImage(const std::u16string& name) {
  if (const auto cached = images_.find(name); cached != images_.end()) return cached->second;
  std::shared_ptr<CImage> image;
  if (files_) {
    if (const auto png = files_->Read(platform::Utf16ToUtf8(name))) image = CImage::FromPng(*png);
  }
  if (!image) {
    std::fprintf(stderr, "duilib: image \"%s\" is missing from the skin or is no PNG image\n",
                 platform::Utf16ToUtf8(name).c_str());
  }
  images_[name] = image;  // a missing image is reported once
  return image;
}

void CPaintManagerUI::AddNotifier(INotifyUI* notifier) {
  UiThread::Run([&] {
    if (std::find(notifiers_.begin(), notifiers_.end(), notifier) == notifiers_.end()) {
      notifiers_.push_back(notifier);
    }
  });
}

void CPaintManagerUI::RemoveNotifier(INotifyUI* notifier) {
  UiThread::Run([&] { std::erase(notifiers_, notifier); });
}

void CPaintManagerUI::AddMessageFilter(IMessageFilterUI* filter) {
  UiThread::Run([&] {
    if (std::find(filters_.begin(), filters_.end(), filter) == filters_.end()) filters_.push_back(filter);
  });
}

void CPaintManagerUI::RemoveMessageFilter(IMessageFilterUI* filter) {
  UiThread::Run([&] { std::erase(filters_, filter); });
}

void CPaintManagerUI::SendNotify(CControlUI* control, LPCTSTR type, WPARAM wParam, LPARAM lParam) {
  TNotifyUI msg;
  msg.sType = type;
  msg.pSender = control;
  msg.wParam = wParam;
  msg.lParam = lParam;
  // A notifier may remove itself or others while being told.
  const std::vector<INotifyUI*> notifiers = notifiers_;
  for (INotifyUI* notifier : notifiers) {
    if (std::find(notifiers_.begin(), notifiers_.end(), notifier) != notifiers_.end()) notifier->Notify(msg);
  }
}

bool CPaintManagerUI::FilterMessage(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  const std::vector<IMessageFilterUI*> filters = filters_;
  for (IMessageFilterUI* filter : filters) {
    bool handled = false;
    const LRESULT filtered = filter->MessageHandler(uMsg, wParam, lParam, handled);
    if (handled) {
      result = filtered;
      return true;
    }
  }
  return false;
}

bool CPaintManagerUI::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  if (!root_) return false;
  const POINT point{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
  result = 0;
  switch (uMsg) {
    case WM_MOUSEMOVE: {
      EnsureLayout();
      if (captured_ != nullptr) {
        TEventUI event{UiEvent::kMouseMove, point};
        captured_->DoEvent(event);
      } else {
        TrackHot(point);
      }
      return true;
    }
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: {
      EnsureLayout();
      TrackHot(point);
      CControlUI* control = root_->FindControlAt(point);
      if (control != nullptr && control->TakesClicks()) {
        captured_ = control;
        TEventUI event{UiEvent::kButtonDown, point};
        control->DoEvent(event);
      } else if (point.y >= 0 && point.y < caption_height_) {
        native::BeginMoveDrag(hwnd_);
      }
      return true;
    }
    case WM_LBUTTONUP: {
      if (captured_ == nullptr) return true;
      CControlUI* control = captured_;
      captured_ = nullptr;
      TEventUI event{UiEvent::kButtonUp, point};
      control->DoEvent(event);  // may notify a click, which may close the window
      return true;
    }
    case WM_MOUSELEAVE:
      if (hot_ != nullptr && captured_ == nullptr) {
        TEventUI event{UiEvent::kMouseLeave, point};
        CControlUI* left = hot_;
        hot_ = nullptr;
        left->DoEvent(event);
        native::SetToolTip(hwnd_, u"");
      }
      return true;
    case WM_MOUSEWHEEL: {
      RECT window;
      if (!GetWindowRect(hwnd_, &window)) return false;
      const POINT inside{point.x - window.left, point.y - window.top};
      if (CControlUI* control = root_->FindControlAt(inside)) {
        TEventUI event{UiEvent::kScrollWheel, inside,
                       static_cast<std::int16_t>(static_cast<std::uint16_t>((wParam >> 16) & 0xFFFF))};
        control->DoEvent(event);
      }
      return true;
    }
    case WM_SIZE:
      NeedUpdate();
      return false;
    default:
      return false;
  }
}

void CPaintManagerUI::TrackHot(POINT point) {
  CControlUI* now = root_->FindControlAt(point);
  if (now == hot_) {
    if (hot_ != nullptr) {
      TEventUI event{UiEvent::kMouseMove, point};
      hot_->DoEvent(event);
    }
    return;
  }
  if (hot_ != nullptr) {
    TEventUI event{UiEvent::kMouseLeave, point};
    hot_->DoEvent(event);
  }
  hot_ = now;
  if (hot_ != nullptr) {
    TEventUI event{UiEvent::kMouseEnter, point};
    hot_->DoEvent(event);
  }
  native::SetToolTip(hwnd_, hot_ != nullptr ? hot_->GetToolTip().str() : std::u16string());
}

void CPaintManagerUI::Invalidate() {
  if (hwnd_ != nullptr) native::Invalidate(hwnd_);
}

void CPaintManagerUI::NeedUpdate() {
  need_layout_ = true;
  Invalidate();
}

void CPaintManagerUI::EnsureLayout() {
  if (!root_) return;
  RECT client{0, 0, init_size_.cx, init_size_.cy};
  if (hwnd_ != nullptr) GetClientRect(hwnd_, &client);
  if (!need_layout_ && client == laid_out_for_) return;
  need_layout_ = false;
  laid_out_for_ = client;
  root_->SetPos(client);
  // Laying out does not change what needs laying out.
  need_layout_ = false;
}

void CPaintManagerUI::Paint(cairo_t* cr) {
  UiThread::Run([&] {
    if (!root_) return;
    EnsureLayout();
    root_->DoPaint(cr);
  });
}

std::shared_ptr<CImage> CPaintManagerUI::Render() {
  return UiThread::Call([&]() -> std::shared_ptr<CImage> {
    RECT client{0, 0, init_size_.cx, init_size_.cy};
    if (hwnd_ != nullptr) GetClientRect(hwnd_, &client);
    cairo_surface_t* surface =
        cairo_image_surface_create(CAIRO_FORMAT_ARGB32, std::max(1, client.Width()), std::max(1, client.Height()));
    cairo_t* cr = cairo_create(surface);
    if (!layered_) {
      cairo_set_source_rgb(cr, 1, 1, 1);
      cairo_paint(cr);
    }
    Paint(cr);
    cairo_destroy(cr);
    return CImage::Adopt(surface);
  });
}

std::string CPaintManagerUI::DescribeTexts() const {
  std::string out;
  for (const std::string& item : DescribeTextItems()) {
    if (!out.empty()) out += ' ';
    out += item;
  }
  return out;
}

std::vector<std::string> CPaintManagerUI::DescribeTextItems() const {
  return UiThread::Call([&] {
    std::vector<std::string> items;
    if (root_) DescribeTexts(root_.get(), items);
    return items;
  });
}

void CPaintManagerUI::DescribeTexts(CControlUI* control, std::vector<std::string>& items) const {
  if (!control->IsVisible()) return;
  const std::u16string text = control->GetText().str();
  if (!text.empty()) {
    const std::u16string name = control->GetName().str();
    std::string item = platform::Utf16ToUtf8(name.empty() ? std::u16string(control->GetClass()) : name);
    item += '=';
    AppendQuoted(item, text);
    items.push_back(std::move(item));
  }
  if (auto* container = dynamic_cast<CContainerUI*>(control)) {
    for (int i = 0; i < container->GetCount(); ++i) DescribeTexts(container->GetItemAt(i), items);
  }
}

void CPaintManagerUI::ForgetControl(CControlUI* control) {
  if (hot_ == control) hot_ = nullptr;
  if (captured_ == control) captured_ = nullptr;
}

}  // namespace DuiLib
