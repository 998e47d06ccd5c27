#pragma once
#include <cstdint>

namespace platform {

// GetUserDefaultUILanguage: from LANGUAGE, LC_ALL, LC_MESSAGES, LANG (first
// set and not "C"/"POSIX"): zh_CN, zh_SG, zh_Hans -> 0x0804, zh_TW 0x0404,
// zh_HK 0x0C04, other languages their usual ids; none 0x0409.
std::uint16_t UserDefaultUILanguage();

}  // namespace platform
