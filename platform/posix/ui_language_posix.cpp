#include <stdlib.h>

#include <array>
#include <string>
#include <string_view>

#include "platform/text.h"
#include "platform/ui_language.h"

namespace platform {
namespace {

constexpr std::uint16_t kEnglishUnitedStates = 0x0409;

struct LanguageId {
  std::string_view language;
  std::string_view region;  // territory or script; empty = any
  std::uint16_t id;
};

// Most specific entries first: the first entry whose language matches and
// whose region is empty or equal wins.
constexpr std::array<LanguageId, 44> kLanguageIds{{
    {"zh", "CN", 0x0804}, {"zh", "SG", 0x0804}, {"zh", "Hans", 0x0804},
    {"zh", "TW", 0x0404}, {"zh", "Hant", 0x0404}, {"zh", "HK", 0x0C04},
    {"zh", "MO", 0x1404}, {"zh", "", 0x0804},
    {"en", "GB", 0x0809}, {"en", "AU", 0x0C09}, {"en", "CA", 0x1009},
    {"en", "", 0x0409},
    {"pt", "BR", 0x0416}, {"pt", "", 0x0816},
    {"es", "MX", 0x080A}, {"es", "", 0x0C0A},
    {"fr", "CA", 0x0C0C}, {"fr", "", 0x040C},
    {"de", "", 0x0407}, {"it", "", 0x0410}, {"ja", "", 0x0411}, {"ko", "", 0x0412},
    {"ru", "", 0x0419}, {"nl", "", 0x0413}, {"pl", "", 0x0415}, {"tr", "", 0x041F},
    {"ar", "", 0x0401}, {"he", "", 0x040D}, {"th", "", 0x041E}, {"vi", "", 0x042A},
    {"id", "", 0x0421}, {"ms", "", 0x043E}, {"hi", "", 0x0439}, {"uk", "", 0x0422},
    {"cs", "", 0x0405}, {"sk", "", 0x041B}, {"hu", "", 0x040E}, {"ro", "", 0x0418},
    {"el", "", 0x0408}, {"sv", "", 0x041D}, {"da", "", 0x0406}, {"fi", "", 0x040B},
    {"nb", "", 0x0414}, {"no", "", 0x0414},
}};

// "C", "POSIX" and "C.<codeset>" name no language.
bool NamesALanguage(std::string_view locale) {
  return !locale.empty() && locale != "POSIX" && locale != "C" && !locale.starts_with("C.");
}

// The locale a user interface would take its language from: LANGUAGE is a
// list ("zh_CN:en"), whose first entry counts.
std::string_view UserLocale() {
  for (const char* name : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"}) {
    const char* value = getenv(name);
    if (value == nullptr) continue;
    std::string_view locale(value);
    locale = locale.substr(0, locale.find(':'));
    if (NamesALanguage(locale)) return locale;
  }
  return {};
}

}  // namespace

std::uint16_t UserDefaultUILanguage() {
  std::string_view locale = UserLocale();
  locale = locale.substr(0, locale.find_first_of(".@"));  // codeset and modifier
  const auto separator = locale.find_first_of("_-");
  const std::string_view language = locale.substr(0, separator);
  // zh_Hans_CN: the part after the language is the script, else the territory.
  const std::string_view region =
      separator == std::string_view::npos ? std::string_view() : locale.substr(separator + 1);
  const std::string_view first_region = region.substr(0, region.find_first_of("_-"));

  for (const LanguageId& entry : kLanguageIds) {
    if (!EqualsIgnoreAsciiCase(entry.language, language)) continue;
    if (entry.region.empty() || EqualsIgnoreAsciiCase(entry.region, first_region)) return entry.id;
  }
  return kEnglishUnitedStates;
}

}  // namespace platform
