#include "safe_unzip/extract_archive.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <utility>
#include <vector>

#include "safe_unzip/zip_fixture.h"
#include "support/files.h"
#include "support/temp_dir.h"

namespace safe_unzip {
namespace {

namespace fs = std::filesystem;
using veska_test::ReadFile;
using veska_test::WriteFile;
using veska_test::WriteZip;

TEST(ExtractArchiveTest, ReportsEveryEntryAndWritesOnlyTheGoodOnes) {
  veska_test::TempDir dir;
  const fs::path out = dir / "out";
  fs::create_directories(out);
  WriteFile(out / "kept.txt", "old");
  WriteZip(dir / "a.zip", {{.name = "sub/"},
                           {.name = "sub/a.txt", .content = "A"},
                           {.name = "../evil.txt", .content = "E"},
                           {.name = "kept.txt", .content = "new", .broken_crc = true},
                           {.name = "link", .content = "a.txt", .unix_mode = 0120777}});

  std::vector<std::pair<EntryOutcome, std::string>> reports;
  ExtractOptions options;
  options.on_entry = [&](const EntryReport& r) { reports.emplace_back(r.outcome, r.name); };
  ExtractSummary summary;
  ASSERT_TRUE(ExtractArchive(dir / "a.zip", out, options, &summary));

  const std::vector<std::pair<EntryOutcome, std::string>> expected = {
      {EntryOutcome::kFolderMade, "sub/"},
      {EntryOutcome::kFileWritten, "sub/a.txt"},
      {EntryOutcome::kOutsideFolder, "../evil.txt"},
      {EntryOutcome::kFileFailed, "kept.txt"},
      {EntryOutcome::kLinkSkipped, "link"}};
  EXPECT_EQ(reports, expected);
  EXPECT_EQ(summary.entries, 5u);
  EXPECT_EQ(summary.failed, 3u);
  EXPECT_EQ(ReadFile(out / "sub" / "a.txt"), "A");
  EXPECT_EQ(ReadFile(out / "kept.txt"), "old");
  EXPECT_FALSE(fs::exists(dir / "evil.txt"));
  EXPECT_FALSE(fs::exists(fs::symlink_status(out / "link")));
  EXPECT_FALSE(fs::exists(out / "kept.txt.part"));
}

TEST(ExtractArchiveTest, FileThatIsNoZipIsRefusedWithoutWriting) {
  veska_test::TempDir dir;
  WriteFile(dir / "a.zip", "not a zip");
  fs::create_directories(dir / "out");
  EXPECT_FALSE(ExtractArchive(dir / "a.zip", dir / "out", {}));
  EXPECT_FALSE(ExtractArchive(dir / "missing.zip", dir / "out", {}));
  EXPECT_TRUE(fs::is_empty(dir / "out"));
}

}  // namespace
}  // namespace safe_unzip
