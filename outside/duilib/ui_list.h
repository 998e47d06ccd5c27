#pragma once
// A list: its items stacked from the top, each as tall as its content (a
// wrapped label grows with its text), scrolled with the mouse wheel once the
// vertical scroll bar is enabled. Lists here have no header; "header" accepts
// only "hidden".

#include "outside/duilib/ui_container.h"

namespace DuiLib {

class CListUI : public CVerticalLayoutUI {
 public:
  CListUI() { stack_by_content_ = true; }
  LPCTSTR GetClass() const override { return u"List"; }

  bool ApplyAttribute(std::u16string_view name, std::u16string_view value) override {
    if (name == u"header") return value == u"hidden";
    return CVerticalLayoutUI::ApplyAttribute(name, value);
  }
};

}  // namespace DuiLib
