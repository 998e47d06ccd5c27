#include "zerozedev/log/log_file.h"

#include <gtest/gtest.h>

#include "support/files.h"
#include "support/temp_dir.h"

namespace {

TEST(CreateLogFileTest, FilesOfOneSecondGetACounterAndNeverTruncateAnEarlierOne) {
  veska_test::TempDir dir;
  veska_test::WriteFile(dir / "1678871107.log", "earlier\n");

  std::vector<std::string> names;
  for (int i = 0; i < 3; ++i) {
    CreatedLogFile created = CreateLogFile(dir.str(), 1678871107);
    ASSERT_TRUE(created.file);
    std::fputs("new\n", created.file.get());
    names.push_back(std::filesystem::path(created.path).filename().string());
  }
  EXPECT_EQ(names, (std::vector<std::string>{"1678871107_1.log", "1678871107_2.log", "1678871107_3.log"}));
  EXPECT_EQ(veska_test::ReadFile(dir / "1678871107.log"), "earlier\n");
  EXPECT_EQ(veska_test::ReadFile(dir / "1678871107_1.log"), "new\n");
}

TEST(CreateLogFileTest, MissingFolderGivesNoFile) {
  veska_test::TempDir dir;
  CreatedLogFile created = CreateLogFile((dir / "missing").string(), 1678871107);
  EXPECT_FALSE(created.file);
  EXPECT_TRUE(veska_test::FilesIn(dir.path()).empty());
}

}  // namespace
