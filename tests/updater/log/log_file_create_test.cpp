#include "updater/log/log_file_create.h"

#include <cstdint>

#include <gtest/gtest.h>

#include "support/files.h"
#include "support/temp_dir.h"

namespace updater {
namespace {

TEST(CreateLogFile, TickPrintedAsSigned32BitNumber) {
  veska_test::TempDir folder;
  const struct {
    std::int64_t tick;
    const char* fileName;
  } cases[] = {
      {52371908, "qelUpdater_52371908.log"},
      {0xFFFFFFFFLL, "qelUpdater_-1.log"},
      {(std::int64_t{1} << 32) + 7, "qelUpdater_7.log"},
      {0x80000000LL, "qelUpdater_-2147483648.log"},
  };
  for (const auto& c : cases) {
    const CreatedLogFile created = CreateLogFile(folder.str(), "qelUpdater", c.tick);
    ASSERT_NE(created.file, nullptr) << c.fileName;
    std::fclose(created.file);
    EXPECT_EQ(created.path, (folder / c.fileName).string());
  }
}

TEST(CreateLogFile, SameTickNeverTruncatesAnEarlierFile) {
  veska_test::TempDir folder;
  const CreatedLogFile first = CreateLogFile(folder.str(), "qelUpdater", 5);
  ASSERT_NE(first.file, nullptr);
  std::fputs("first\n", first.file);
  std::fclose(first.file);

  const CreatedLogFile second = CreateLogFile(folder.str(), "qelUpdater", 5);
  const CreatedLogFile third = CreateLogFile(folder.str(), "qelUpdater", 5);
  ASSERT_NE(second.file, nullptr);
  ASSERT_NE(third.file, nullptr);
  std::fclose(second.file);
  std::fclose(third.file);

  EXPECT_EQ(second.path, (folder / "qelUpdater_5_1.log").string());
  EXPECT_EQ(third.path, (folder / "qelUpdater_5_2.log").string());
  EXPECT_EQ(veska_test::ReadFile(first.path), "first\n");
}

TEST(CreateLogFile, MissingFolderGivesNoFile) {
  veska_test::TempDir folder;
  const CreatedLogFile created = CreateLogFile((folder / "absent").string(), "qelUpdater", 1);
  EXPECT_EQ(created.file, nullptr);
  EXPECT_TRUE(created.path.empty());
}

}  // namespace
}  // namespace updater
