#include <fontconfig/fontconfig.h>

#include <string>

#include <gtest/gtest.h>

#include "outside/duilib/font_aliases.h"
#include "outside/duilib/ui_render.h"

namespace {

std::string MatchedFamily(const char* family) {
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family));
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  std::string matched;
  FcChar8* name = nullptr;
  if (match != nullptr && FcPatternGetString(match, FC_FAMILY, 0, &name) == FcResultMatch) {
    matched = reinterpret_cast<const char*>(name);
  }
  if (match != nullptr) FcPatternDestroy(match);
  FcPatternDestroy(pattern);
  return matched;
}

// The layouts' family is a Windows font; here it must land on an installed
// CJK font, not on whatever sans-serif font comes first.
TEST(FontAliasesTest, TheLayoutsFamilyLandsOnAnInstalledChineseFont) {
  DuiLib::RegisterFontAliases();
  for (const char* family : {"微软雅黑", "Microsoft YaHei"}) {
    const std::string matched = MatchedFamily(family);
    EXPECT_TRUE(matched == "WenQuanYi Micro Hei" || matched == "Noto Sans CJK SC") << family << " -> " << matched;
  }
  DuiLib::TFontInfo font;
  font.size = 15;
  EXPECT_EQ(DuiLib::MissingGlyphCount(u"升级完成，重新打开上课吧！Update", font), 0);
  EXPECT_GT(DuiLib::MissingGlyphCount(u"\U000E0100\U000F0000", font), 0) << "the count sees missing glyphs";
}

}  // namespace
