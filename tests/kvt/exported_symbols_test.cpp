// libkvt.so exports exactly the rows of the table in kvt/README.md.

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <string>

#include "support/files.h"
#include "support/regex_match.h"
#include "support/run_program.h"

namespace {

std::set<std::string> TableExports() {
  std::set<std::string> names;
  for (const auto& line : veska_test::SplitLines(veska_test::ReadFile(VESKA_KVT_README))) {
    if (auto groups = veska_test::RegexGroups(line, R"(\| `([A-Za-z_][A-Za-z0-9_]*)` \|.*)")) {
      names.insert((*groups)[1]);
    }
  }
  return names;
}

std::set<std::string> DynamicExports() {
  const auto run = veska_test::RunProgram("/usr/bin/nm", {"-D", "--defined-only", VESKA_KVT_LIBRARY});
  EXPECT_EQ(run.exit_code, 0) << run.err;
  std::set<std::string> names;
  std::istringstream lines(run.out);
  std::string address, type, name;
  while (lines >> address >> type >> name) names.insert(name);
  return names;
}

TEST(ExportedSymbolsTest, LibraryExportsExactlyTheDocumentedTable) {
  const auto documented = TableExports();
  ASSERT_FALSE(documented.empty());
  EXPECT_EQ(DynamicExports(), documented);
}

}  // namespace
