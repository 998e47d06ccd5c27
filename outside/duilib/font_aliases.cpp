#include "outside/duilib/font_aliases.h"

#include <fontconfig/fontconfig.h>

#include <cstdio>
#include <mutex>

namespace DuiLib {
namespace {

// Either family name a layout may use, preferring the CJK sans-serif fonts of
// fonts-wqy-microhei and fonts-noto-cjk.
constexpr char kRules[] = R"(<?xml version="1.0"?>
<fontconfig>
  <alias binding="strong">
    <family>微软雅黑</family>
    <prefer><family>WenQuanYi Micro Hei</family><family>Noto Sans CJK SC</family></prefer>
  </alias>
  <alias binding="strong">
    <family>Microsoft YaHei</family>
    <prefer><family>WenQuanYi Micro Hei</family><family>Noto Sans CJK SC</family></prefer>
  </alias>
</fontconfig>
)";

}  // namespace

void RegisterFontAliases() {
  static std::once_flag once;
  std::call_once(once, [] {
    FcConfig* config = FcConfigGetCurrent();
    if (config == nullptr ||
        !FcConfigParseAndLoadFromMemory(config, reinterpret_cast<const FcChar8*>(kRules), FcTrue)) {
      std::fputs("duilib: the font rule for \"微软雅黑\" could not be added\n", stderr);
    }
  });
}

}  // namespace DuiLib
