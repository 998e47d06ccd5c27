#include "safe_unzip/entry_path.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace safe_unzip {
namespace {

struct PathCase {
  std::string name;
  std::optional<std::string> expected;  // empty: refused
};

// Readable and stable test names.
void PrintTo(const PathCase& c, std::ostream* out) { *out << testing::PrintToString(c.name); }

class SafeRelativeEntryPathTest : public testing::TestWithParam<PathCase> {};

TEST_P(SafeRelativeEntryPathTest, KeepsEntriesInsideTheFolder) {
  const auto& c = GetParam();
  const auto path = SafeRelativeEntryPath(c.name);
  ASSERT_EQ(path.has_value(), c.expected.has_value()) << c.name;
  if (path) {
    EXPECT_EQ(path->generic_string(), *c.expected) << c.name;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SafeRelativeEntryPathTest,
    testing::Values(PathCase{"a.txt", "a.txt"}, PathCase{"bin/x.dll", "bin/x.dll"},
                    PathCase{"bin\\x.dll", "bin/x.dll"}, PathCase{"./a//b/", "a/b"},
                    PathCase{"..foo/bar..", "..foo/bar.."}, PathCase{"ab:c", "ab:c"},
                    PathCase{"../evil", std::nullopt}, PathCase{"..\\evil", std::nullopt},
                    PathCase{"a/../../evil", std::nullopt},
                    // Even a climb that would stay inside is refused.
                    PathCase{"a/../b", std::nullopt}, PathCase{"..", std::nullopt},
                    PathCase{"/tmp/evil", std::nullopt}, PathCase{"\\evil", std::nullopt},
                    PathCase{"C:/evil", std::nullopt}, PathCase{"c:evil", std::nullopt},
                    PathCase{"", std::nullopt}, PathCase{"./", std::nullopt},
                    PathCase{std::string("a\0b", 3), std::nullopt}));

}  // namespace
}  // namespace safe_unzip
