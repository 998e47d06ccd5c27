#include <gtest/gtest.h>

#include "platform/process.h"

namespace {

using Args = std::vector<std::string>;

TEST(SplitCommandLineTest, FollowsTheWindowsRules) {
  const struct {
    std::string_view line;
    Args expected;
  } cases[] = {
      {"", {}},
      {" \t ", {}},
      {"prog", {"prog"}},
      {"  prog  a\tb \t c  ", {"prog", "a", "b", "c"}},              // blanks and tabs
      {"prog \"a b\" c", {"prog", "a b", "c"}},
      {"prog \"\" x", {"prog", "", "x"}},                            // quoted empty argument
      {"prog a\"b c\"d", {"prog", "ab cd"}},                          // quotes inside a word
      {"prog a\\b\\\\c", {"prog", "a\\b\\\\c"}},                     // backslashes alone are literal
      {"prog a\\\\\"b c\"", {"prog", "a\\b c"}},                     // 2n + quote: n, quote acts
      {"prog a\\\\\\\"b c", {"prog", "a\\\"b", "c"}},                 // 2n+1 + quote: n, literal quote
      {"prog \"a\\\\\" b", {"prog", "a\\", "b"}},                    // closing after 2 backslashes
      {"prog a\\", {"prog", "a\\"}},                                 // trailing backslash
      {"prog \"a\"\"b c\"", {"prog", "a\"b", "c"}},                   // "" in quotes: literal, closes
      {"prog \"\"\"a\"\"\"", {"prog", "\"a\""}},                      // triple quotes
      {"prog \"open to the end", {"prog", "open to the end"}},
      {"\"C:\\Program Files\\app.exe\" -x", {"C:\\Program Files\\app.exe", "-x"}},
      {"\"dir\\\" arg", {"dir\\", "arg"}},                            // program name: backslash is plain
      {"\"unterminated program", {"unterminated program"}},
      {"veskaroom.exe -host=a -url=veska://r?id=1&k=\"v w\"", {"veskaroom.exe", "-host=a", "-url=veska://r?id=1&k=v w"}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(platform::SplitCommandLine(c.line), c.expected) << c.line;
  }
}

}  // namespace
