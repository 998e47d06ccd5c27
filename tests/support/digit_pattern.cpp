#include "support/digit_pattern.h"

namespace veska_test {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

}  // namespace

bool MatchesDigitPattern(std::string_view text, std::string_view pattern) {
  if (text.size() != pattern.size()) return false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (pattern[i] == '#' ? !IsDigit(text[i]) : text[i] != pattern[i]) return false;
  }
  return true;
}

bool IsDecimalInteger(std::string_view text) {
  if (text.starts_with('-')) text.remove_prefix(1);
  if (text.empty()) return false;
  for (char c : text) {
    if (!IsDigit(c)) return false;
  }
  return true;
}

}  // namespace veska_test
