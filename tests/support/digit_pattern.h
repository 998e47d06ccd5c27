#pragma once
#include <string_view>

namespace veska_test {

// True when `text` has the length of `pattern` and matches it character by
// character, where "#" in the pattern stands for any decimal digit:
// MatchesDigitPattern(stamp, "## ## #### ##:##:##").
bool MatchesDigitPattern(std::string_view text, std::string_view pattern);

// True when `text` is a decimal integer with an optional leading "-".
bool IsDecimalInteger(std::string_view text);

}  // namespace veska_test
