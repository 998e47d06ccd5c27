#include "updater/ui/qel_wnd_base.h"

#include "updater/ui/language_rule.h"

using namespace DuiLib;

UINT CQelWndBase::GetClassStyle() const { return CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS; }

CDuiString CQelWndBase::GetSkinFolder() { return CDuiString(u""); }

UILIB_RESOURCETYPE CQelWndBase::GetResourceType() const { return UILIB_ZIPRESOURCE; }

UINT CQelWndBase::GetResourceID() const { return kSkinArchiveResourceId; }

LRESULT CQelWndBase::MessageHandler(UINT uMsg, WPARAM wParam, LPARAM, bool&) {
  if (uMsg != WM_KEYDOWN) return 0;
  if (wParam == VK_ESCAPE) {
    Close(IDCANCEL);
    return 1;
  }
  if (wParam == VK_RETURN) {
    Close(IDOK);
    return 1;
  }
  return 0;
}

CDuiString CQelWndBase::LayoutFor(const char16_t* base) {
  return CDuiString(std::u16string(base) + (UsesChineseTexts() ? u".xml" : u"_en.xml"));
}

const char16_t* CQelWndBase::UpdaterCaption() {
  return UsesChineseTexts() ? kUpdaterCaptionChinese : kUpdaterCaptionEnglish;
}
