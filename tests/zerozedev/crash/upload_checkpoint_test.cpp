#include "zerozedev/crash/upload_checkpoint.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <limits>

#include "support/files.h"
#include "support/temp_dir.h"

namespace google_breakpad {
namespace {

TEST(UploadCheckpointTest, ParsesWhatTheCheckpointRecords) {
  struct Case {
    const char* text;
    UploadCounters counters;
  };
  const Case cases[] = {
      {"GBP1\n20230314\n3\n", {20230314, 3}},
      {"GBP1\n20230314\n3", {20230314, 3}},
      {"GBP1\n  20230314 \n\n 3 \n", {20230314, 3}},
      {"GBP1\n20230314\n", {20230314, 0}},
      {"GBP1\n20230314\nthree\n", {20230314, 0}},
      {"GBP1\n+20230314\n+3\n", {20230314, 3}},
      // Nothing recorded.
      {"", {-1, 0}},
      {"GBP1", {-1, 0}},
      {"GBP2\n20230314\n3\n", {-1, 0}},
      {"gbp1\n20230314\n3\n", {-1, 0}},
      {" GBP1\n20230314\n3\n", {-1, 0}},
      {"GBP1 \n20230314\n3\n", {-1, 0}},
      {"GBP1\n\n", {-1, 0}},
      {"GBP1\nyesterday\n3\n", {-1, 0}},
      // Numbers past an int cannot be read.
      {"GBP1\n99999999999\n3\n", {-1, 0}},
      {"GBP1\n20230314\n99999999999\n", {20230314, 0}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ParseCheckpoint(c.text), c.counters) << c.text;
  }
}

TEST(UploadCheckpointTest, CountsUploadsPerDay) {
  EXPECT_EQ(CountUpload({20230314, 3}, 20230315), (UploadCounters{20230315, 1}));
  EXPECT_EQ(CountUpload({20230315, 3}, 20230315), (UploadCounters{20230315, 4}));
  EXPECT_EQ(CountUpload({}, 20230315), (UploadCounters{20230315, 1}));
  // A clock set back starts a new count as well.
  EXPECT_EQ(CountUpload({20230316, 9}, 20230315), (UploadCounters{20230315, 1}));
  EXPECT_EQ(DateNumber({2023, 3, 15, 23, 59, 59}), 20230315);
}

TEST(UploadCheckpointTest, CountAtTheIntLimitStaysThere) {
  // Found by fuzzing: a file claiming the largest int as today's count made
  // the next successful upload overflow it.
  const UploadCounters read = ParseCheckpoint("GBP1\n20230315\n2147483647\n");
  EXPECT_EQ(CountUpload(read, 20230315), (UploadCounters{20230315, std::numeric_limits<int>::max()}));
}

TEST(UploadCheckpointTest, WrittenCheckpointReadsBack) {
  veska_test::TempDir temp;
  const auto path = temp / kCheckpointFileName;
  EXPECT_EQ(ReadCheckpoint(path.string()), UploadCounters{});

  veska_test::WriteFile(path, "GBP1\n20230314\n3\n");
  ASSERT_TRUE(WriteCheckpoint(path.string(), {20230315, 12}));
  EXPECT_EQ(veska_test::ReadFile(path), "GBP1\n20230315\n12\n");
  EXPECT_EQ(ReadCheckpoint(path.string()), (UploadCounters{20230315, 12}));
  EXPECT_EQ(veska_test::FilesIn(temp.path()).size(), 1u) << "no temporary file left behind";
}

TEST(UploadCheckpointTest, UnwritableFolderKeepsTheOldCheckpoint) {
  veska_test::TempDir temp;
  const auto path = temp / kCheckpointFileName;
  veska_test::WriteFile(path, "GBP1\n20230314\n3\n");
  // The file beside it cannot be created where a folder of that name stands.
  std::filesystem::create_directory(path.string() + ".new");
  EXPECT_FALSE(WriteCheckpoint(path.string(), {20230315, 1}));
  EXPECT_EQ(veska_test::ReadFile(path), "GBP1\n20230314\n3\n");
}

}  // namespace
}  // namespace google_breakpad
