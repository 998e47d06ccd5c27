// GetFileInfomationString through CKvtAPIFileInfo.

#include "file_information.h"

#include <cstdio>
#include <string>

#include "file_version.h"
#include "kvt.h"
#include "platform/ui_language.h"
#include "version_block.h"
#include "wide_text.h"

namespace kvt {
namespace {

constexpr std::uint16_t kNeutral = 0;
constexpr std::uint16_t kEnglish = 9;

std::optional<Translation> ByLanguage(const std::vector<Translation>& translations, std::uint16_t language) {
  for (const auto& t : translations) {
    if (t.language == language) return t;
  }
  for (const auto& t : translations) {
    if ((t.language & 0xFF) == (language & 0xFF)) return t;
  }
  return std::nullopt;
}

// A text that does not fit leaves the buffer empty (wcscpy_s would end the
// process instead).
bool CopyWhole(const std::u16string& text, char16_t* buffer, std::uint32_t count) {
  if (buffer == nullptr) return true;
  if (count == 0) return false;
  if (text.size() >= count) {
    buffer[0] = u'\0';
    return false;
  }
  text.copy(buffer, text.size());
  buffer[text.size()] = u'\0';
  return true;
}

class CKvtAPIFileInfo {
 public:
  bool Load(const std::string& path) {
    auto block = ReadVersionBlock(path);
    if (!block) return false;
    block_ = std::move(*block);
    return true;
  }

  // The string-table prefix "\StringFileInfo\llllcccc\" of the chosen
  // translation; empty when the block lists none.
  std::u16string StringTable(std::uint16_t user_language) const {
    const auto chosen = ChooseTranslation(Translations(), user_language);
    if (!chosen) return {};
    char name[16];
    std::snprintf(name, sizeof name, "%04X%04X", chosen->language, chosen->code_page);
    return u"\\StringFileInfo\\" + std::u16string(name, name + 8) + u"\\";
  }

  std::u16string Text(const std::u16string& table, std::u16string_view name) const {
    if (table.empty()) return {};
    return QueryVersionText(block_, table + std::u16string(name)).value_or(std::u16string());
  }

 private:
  std::vector<Translation> Translations() const {
    std::vector<Translation> translations;
    const auto list = QueryVersionValue(block_, u"\\VarFileInfo\\Translation");
    if (!list) return translations;
    for (std::size_t i = 0; i + 4 <= list->size(); i += 4) {
      const std::uint8_t* p = list->data() + i;
      translations.push_back({static_cast<std::uint16_t>(p[0] | (p[1] << 8)),
                              static_cast<std::uint16_t>(p[2] | (p[3] << 8))});
    }
    return translations;
  }

  std::vector<std::uint8_t> block_;
};

}  // namespace

std::optional<Translation> ChooseTranslation(const std::vector<Translation>& translations,
                                             std::uint16_t user_language) {
  if (translations.empty()) return std::nullopt;
  for (std::uint16_t language : {user_language, kNeutral, kEnglish}) {
    if (auto found = ByLanguage(translations, language)) return found;
  }
  return translations.front();
}

}  // namespace kvt

extern "C" bool GetFileInfomationString(const char16_t* path, char16_t* descriptionBuffer, uint32_t descriptionCount,
                                        char16_t* companyBuffer, uint32_t companyCount) {
  if (path == nullptr) return false;
  kvt::CKvtAPIFileInfo info;
  if (!info.Load(kvt::Utf8Arg(path))) return false;
  const std::u16string table = info.StringTable(platform::UserDefaultUILanguage());
  const bool description_fits = kvt::CopyWhole(info.Text(table, u"FileDescription"), descriptionBuffer, descriptionCount);
  const bool company_fits = kvt::CopyWhole(info.Text(table, u"CompanyName"), companyBuffer, companyCount);
  return description_fits && company_fits;
}
