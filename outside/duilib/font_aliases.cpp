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

// LeakSanitizer reads this at start-up. Pango keeps fontconfig's font sets and
// patterns in caches for the life of the process, and GTK's start-up keeps the
// accessibility bridge's bus connection; neither is ever released, so both are
// reported at exit. They are not the toolkit's: it owns no object of these
// libraries.
extern "C" __attribute__((visibility("default"), used)) const char* __lsan_default_suppressions() {
  return "leak:libfontconfig.so\n"
         "leak:libatk-bridge-2.0.so\n"
         "leak:libatspi.so\n"
         "leak:libdbus-1.so\n";
}
