// Before every include: the false warning is reported inside library headers.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"

#include "support/regex_match.h"

#include <regex>

namespace veska_test {

bool RegexMatch(std::string_view text, const std::string& pattern) {
  return std::regex_match(text.begin(), text.end(), std::regex(pattern));
}

bool RegexSearch(std::string_view text, const std::string& pattern) {
  return std::regex_search(text.begin(), text.end(), std::regex(pattern));
}

std::optional<std::vector<std::string>> RegexGroups(std::string_view text, const std::string& pattern) {
  std::match_results<std::string_view::const_iterator> match;
  if (!std::regex_match(text.begin(), text.end(), match, std::regex(pattern))) return std::nullopt;
  std::vector<std::string> groups;
  for (const auto& group : match) groups.push_back(group.str());
  return groups;
}

}  // namespace veska_test
