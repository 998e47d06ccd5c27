#pragma once
// The base of every control: a windowless rectangle inside a window, placed by
// its container's layout and painted by the window's paint manager.

#include <cairo.h>

#include <memory>
#include <string>

#include "outside/duilib/dui_string.h"
#include "outside/duilib/ui_render.h"
#include "outside/duilib/win_defs.h"

namespace DuiLib {

class CPaintManagerUI;

// Mouse events a control receives from its paint manager.
enum class UiEvent { kMouseEnter, kMouseLeave, kButtonDown, kButtonUp, kMouseMove, kScrollWheel };
struct TEventUI {
  UiEvent Type = UiEvent::kMouseMove;
  POINT ptMouse;
  int wheelDelta = 0;  // WHEEL_DELTA per notch, positive away from the user
};

class CControlUI {
 public:
  CControlUI();
  virtual ~CControlUI();
  CControlUI(const CControlUI&) = delete;
  CControlUI& operator=(const CControlUI&) = delete;

  virtual LPCTSTR GetClass() const { return u"Control"; }

  CDuiString GetName() const;
  void SetName(LPCTSTR name);
  virtual CDuiString GetText() const;
  virtual void SetText(LPCTSTR text);
  CDuiString GetToolTip() const;
  void SetToolTip(LPCTSTR text);

  bool IsVisible() const;
  virtual void SetVisible(bool visible = true);
  // Visible, and so is every container it is in.
  bool IsShownInWindow() const;

  void SetBkColor(DWORD argb);
  void SetBkImage(LPCTSTR name);
  void SetFixedWidth(int cx);
  void SetFixedHeight(int cy);
  int GetFixedWidth() const { return fixed_.cx; }
  int GetFixedHeight() const { return fixed_.cy; }
  RECT GetPadding() const { return padding_; }
  void SetPadding(RECT padding);
  // Where the control is in the window, after any pending layout.
  RECT GetPos() const;
  virtual void SetPos(RECT pos);

  // Sets one layout attribute by its layout name ("width", "text" ...). An
  // unknown name or a malformed value is reported on standard error and ignored.
  void SetAttribute(LPCTSTR name, LPCTSTR value);
  // The same without the report: false for an unknown name or a bad value.
  virtual bool ApplyAttribute(std::u16string_view name, std::u16string_view value);

  // Height wanted when `width` pixels wide, for layouts that stack by content
  // (a list); 0 means "as tall as the layout gives".
  virtual int NaturalHeight(int width) const;

  virtual void DoPaint(cairo_t* cr);
  virtual void DoEvent(TEventUI& event);
  // Whether presses on the control belong to it (a button) rather than to the
  // window under it (the caption band's drag).
  virtual bool TakesClicks() const { return false; }

  virtual CControlUI* FindControl(std::u16string_view name);
  // The deepest visible control at the point, or null.
  virtual CControlUI* FindControlAt(POINT point);

  virtual void SetManager(CPaintManagerUI* manager, CControlUI* parent);
  CPaintManagerUI* GetManager() const { return manager_; }
  CControlUI* GetParent() const { return parent_; }

 protected:
  virtual void PaintBkColor(cairo_t* cr);
  virtual void PaintBkImage(cairo_t* cr);
  virtual void PaintStatusImage(cairo_t*) {}
  virtual void PaintText(cairo_t*) {}
  virtual void PaintBorder(cairo_t* cr);
  // An image of the skin by name, or null (an empty name is no image).
  std::shared_ptr<CImage> Image(const std::u16string& name) const;
  // After a change of what is drawn, or of the size wanted.
  void Invalidate();
  void NeedParentUpdate();

  CPaintManagerUI* manager_ = nullptr;
  CControlUI* parent_ = nullptr;
  std::u16string name_;
  std::u16string text_;
  std::u16string tooltip_;
  bool visible_ = true;
  DWORD bk_color_ = 0;
  std::u16string bk_image_;
  DWORD border_color_ = 0;
  int border_size_ = 0;
  SIZE fixed_;
  RECT padding_;
  RECT pos_;
};

// Attribute value parsing shared by the controls; false for a malformed value.
bool ParseColor(std::u16string_view text, DWORD& argb);
bool ParseInt(std::u16string_view text, int& value);
bool ParseBool(std::u16string_view text, bool& value);
bool ParseRect(std::u16string_view text, RECT& rect);
bool ParseSize(std::u16string_view text, SIZE& size);

}  // namespace DuiLib
