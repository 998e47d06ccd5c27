#pragma once
// std::regex behind one translation unit. GCC 12 reports a false
// "may be used uninitialized" inside <regex> when it optimizes with the
// sanitizers on (GCC bug 105616), which -Werror turns into a failed build;
// tests call these instead of including <regex>. ECMAScript syntax.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace veska_test {

// True when the whole of `text` matches `pattern`.
bool RegexMatch(std::string_view text, const std::string& pattern);
// True when some part of `text` matches `pattern`.
bool RegexSearch(std::string_view text, const std::string& pattern);
// The groups of a whole-text match (element 0 is the whole text), or nullopt.
std::optional<std::vector<std::string>> RegexGroups(std::string_view text, const std::string& pattern);

}  // namespace veska_test
