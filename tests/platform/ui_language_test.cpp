#include <gtest/gtest.h>

#include "platform/ui_language.h"
#include "support/scoped_env.h"

namespace {

using veska_test::ScopedEnv;

struct LocaleCase {
  const char* language;
  const char* lc_all;
  const char* lc_messages;
  const char* lang;
  std::uint16_t expected;
};

std::optional<std::string> Value(const char* text) {
  return text ? std::optional<std::string>(text) : std::nullopt;
}

TEST(UiLanguageTest, FirstLocaleThatNamesALanguageDecides) {
  const LocaleCase cases[] = {
      {nullptr, nullptr, nullptr, nullptr, 0x0409},
      {nullptr, nullptr, nullptr, "zh_CN.UTF-8", 0x0804},
      {nullptr, nullptr, nullptr, "zh_SG", 0x0804},
      {nullptr, nullptr, nullptr, "zh_Hans_CN.UTF-8", 0x0804},
      {nullptr, nullptr, nullptr, "zh-Hans", 0x0804},
      {nullptr, nullptr, nullptr, "zh_TW.UTF-8", 0x0404},
      {nullptr, nullptr, nullptr, "zh_HK.Big5-HKSCS", 0x0C04},
      {nullptr, nullptr, nullptr, "en_US.UTF-8", 0x0409},
      {nullptr, nullptr, nullptr, "en_GB", 0x0809},
      {nullptr, nullptr, nullptr, "de_DE.UTF-8@euro", 0x0407},
      {nullptr, nullptr, nullptr, "ja_JP.eucJP", 0x0411},
      {nullptr, nullptr, nullptr, "xx_YY", 0x0409},          // unknown language
      {nullptr, nullptr, nullptr, "C", 0x0409},
      {nullptr, nullptr, nullptr, "C.UTF-8", 0x0409},
      {nullptr, "POSIX", nullptr, "zh_CN.UTF-8", 0x0804},     // C and POSIX name no language
      {"zh_TW:zh_CN", nullptr, nullptr, "en_US.UTF-8", 0x0404},  // LANGUAGE is a list
      {"", nullptr, nullptr, "zh_CN.UTF-8", 0x0804},          // empty means unset
      {nullptr, "fr_FR.UTF-8", "zh_CN.UTF-8", "zh_CN.UTF-8", 0x040C},
      {nullptr, nullptr, "ko_KR.UTF-8", "zh_CN.UTF-8", 0x0412},
  };
  for (const auto& c : cases) {
    ScopedEnv language("LANGUAGE", Value(c.language));
    ScopedEnv lc_all("LC_ALL", Value(c.lc_all));
    ScopedEnv lc_messages("LC_MESSAGES", Value(c.lc_messages));
    ScopedEnv lang("LANG", Value(c.lang));
    EXPECT_EQ(platform::UserDefaultUILanguage(), c.expected)
        << "LANGUAGE=" << Value(c.language).value_or("-") << " LC_ALL=" << Value(c.lc_all).value_or("-")
        << " LC_MESSAGES=" << Value(c.lc_messages).value_or("-") << " LANG=" << Value(c.lang).value_or("-");
  }
}

}  // namespace
