#include "updater/install/install_failure_notice.h"

#include "updater/ui/download_page.h"
#include "updater/ui/language_rule.h"
#include "updater/ui/tips_box_wnd.h"

namespace {

constexpr int kCaptionFromCreator = 2;

}  // namespace

InstallFailureTexts InstallFailureTextsNow() {
  if (UsesChineseTexts()) return {u"升级出问题了,请下载完整安装包~", u"前往下载"};
  return {u"There are some problems in Updating, Please download full installer from website~",
          u"Go Downloading Page"};
}

void ShowInstallFailureNotice() {
  const InstallFailureTexts texts = InstallFailureTextsNow();
  CTipsBoxWnd box(nullptr, texts.text, kCaptionFromCreator);
  if (box.ConfirmButton() != nullptr) box.ConfirmButton()->SetText(texts.button.c_str());
  if (box.ShowModal() == DuiLib::IDOK) OpenDownloadPage();
}
