#pragma once
// Which language the updater speaks: Chinese when the user's interface
// language is 0x0804 (Chinese as used in the PRC), English for every other.

#include "platform/ui_language.h"

inline constexpr std::uint16_t kSimplifiedChineseLanguage = 0x0804;

inline bool UsesChineseTexts() { return platform::UserDefaultUILanguage() == kSimplifiedChineseLanguage; }
