#pragma once
// What the updater's three windows share: their skin comes from the zip
// archive in the program's resources (ZIPRES 102) with the layouts at its
// root, their window class redraws on resize and takes double clicks, and
// Esc closes them with 2, Enter with 1.

#include "outside/duilib/window_impl_base.h"

// Resource ids of the program's own resources.
inline constexpr DuiLib::UINT kSkinArchiveResourceId = 102;
inline constexpr DuiLib::UINT kWindowIconResourceId = 101;
// Captions of the updater's framed windows.
inline constexpr char16_t kUpdaterCaptionChinese[] = u"升级程序";
inline constexpr char16_t kUpdaterCaptionEnglish[] = u"Update Program";

class CQelWndBase : public DuiLib::WindowImplBase {
 public:
  DuiLib::UINT GetClassStyle() const override;
  DuiLib::CDuiString GetSkinFolder() override;
  DuiLib::UILIB_RESOURCETYPE GetResourceType() const override;
  DuiLib::UINT GetResourceID() const override;
  // Esc closes the window with 2 and Enter with 1; either returns 1 without
  // taking the message, so the window's own handling still sees it.
  DuiLib::LRESULT MessageHandler(DuiLib::UINT uMsg, DuiLib::WPARAM wParam, DuiLib::LPARAM lParam,
                                 bool& bHandled) override;

 protected:
  // "<base>.xml" for Chinese, "<base>_en.xml" otherwise, by the language rule
  // at the moment of asking.
  static DuiLib::CDuiString LayoutFor(const char16_t* base);
  // "升级程序" or "Update Program".
  static const char16_t* UpdaterCaption();
};
