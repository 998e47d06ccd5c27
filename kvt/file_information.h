#pragma once
// The string table GetFileInfomationString reads, chosen by language.

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace kvt {

struct Translation {
  std::uint16_t language = 0;
  std::uint16_t code_page = 0;
};

// The first pair of the user's language; else of the same primary language
// (low byte); else the same for language 0 (neutral), then 9 (English);
// else the first pair. Nothing for an empty list.
std::optional<Translation> ChooseTranslation(const std::vector<Translation>& translations,
                                             std::uint16_t user_language);

}  // namespace kvt
