#pragma once
// Controls that hold controls: the vertical and horizontal layouts. A child
// with a fixed size along the layout's direction gets it; the others share
// what is left equally. Across the direction a child is as wide (or tall) as
// the layout, or its fixed size. Paddings are kept around each child.

#include <vector>

#include "outside/duilib/ui_control.h"

namespace DuiLib {

class CContainerUI : public CControlUI {
 public:
  ~CContainerUI() override;
  LPCTSTR GetClass() const override { return u"Container"; }

  // The container owns what it holds.
  bool Add(CControlUI* control);
  bool Remove(CControlUI* control);
  void RemoveAll();
  int GetCount() const;
  CControlUI* GetItemAt(int index) const;
  // A vertical scroll bar shows when the content is taller than the container;
  // the mouse wheel then scrolls it. There is no horizontal scrolling.
  void EnableScrollBar(bool enableVertical = true, bool enableHorizontal = false);
  int GetScrollPos() const;

  bool ApplyAttribute(std::u16string_view name, std::u16string_view value) override;
  void SetPos(RECT pos) override;
  void DoPaint(cairo_t* cr) override;
  void DoEvent(TEventUI& event) override;
  CControlUI* FindControl(std::u16string_view name) override;
  CControlUI* FindControlAt(POINT point) override;
  void SetManager(CPaintManagerUI* manager, CControlUI* parent) override;

 protected:
  RECT Inner() const;
  virtual void LayoutChildren(const RECT& inner) = 0;
  void PaintScrollBar(cairo_t* cr);
  void ClampScroll();

  std::vector<CControlUI*> items_;
  RECT inset_;
  int child_padding_ = 0;
  bool vertical_scroll_ = false;
  int scroll_y_ = 0;
  int content_height_ = 0;
};

class CVerticalLayoutUI : public CContainerUI {
 public:
  LPCTSTR GetClass() const override { return u"VerticalLayout"; }

 protected:
  void LayoutChildren(const RECT& inner) override;
  // Children without a fixed height take their natural height instead of a share.
  bool stack_by_content_ = false;
};

class CHorizontalLayoutUI : public CContainerUI {
 public:
  LPCTSTR GetClass() const override { return u"HorizontalLayout"; }

 protected:
  void LayoutChildren(const RECT& inner) override;
};

}  // namespace DuiLib
