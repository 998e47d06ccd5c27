// The engine's pure rules: the segment plan, the retry waits, the trailer
// records and their trust rules, and the backup names.

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <tuple>
#include <vector>

#include "support/files.h"
#include "support/temp_dir.h"
#include "updater/download/backup_name.h"
#include "updater/download/curl_downloader.h"
#include "updater/download/response_headers.h"
#include "updater/download/retry_wait.h"
#include "updater/download/segment_plan.h"
#include "updater/download/temp_trailer.h"

namespace {

constexpr std::uint32_t kBlock = 5242880;

TEST(SegmentPlan, SplitsByStartedBlocksUpToTheThreadCount) {
  const struct {
    std::uint32_t size;
    bool ranges;
    int threads;
    std::vector<PlannedRange> plan;
  } cases[] = {
      {26214400, false, 5, {{0, 26214400}}},
      {3000000, true, 5, {{0, 3000000}}},
      {kBlock, true, 5, {{0, kBlock}}},
      {kBlock + 1, true, 5, {{0, 2621440}, {2621440, 2621441}}},
      {12582912, true, 5, {{0, 4194304}, {4194304, 4194304}, {8388608, 4194304}}},
      {26214400, true, 5, {{0, kBlock}, {kBlock, kBlock}, {2 * kBlock, kBlock}, {3 * kBlock, kBlock}, {4 * kBlock, kBlock}}},
      {26214401, true, 5,
       {{0, kBlock}, {kBlock, kBlock}, {2 * kBlock, kBlock}, {3 * kBlock, kBlock}, {4 * kBlock, kBlock + 1}}},
      {100000000, true, 5,
       {{0, 20000000}, {20000000, 20000000}, {40000000, 20000000}, {60000000, 20000000}, {80000000, 20000000}}},
      {100000000, true, 2, {{0, 50000000}, {50000000, 50000000}}},
      {4294967295u, true, 5,
       {{0, 858993459}, {858993459, 858993459}, {1717986918, 858993459}, {2576980377, 858993459},
        {3435973836, 858993459}}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(PlanSegments(c.size, c.ranges, c.threads, kBlock), c.plan)
        << "size " << c.size << " ranges " << c.ranges << " threads " << c.threads;
  }
}

TEST(SegmentPlan, NeverMoreThanFiveSegments) {
  EXPECT_EQ(PlanSegments(100000000, true, 8, kBlock).size(), kMaxSegments);
  EXPECT_EQ(PlanSegments(100000000, true, 0, kBlock).size(), 1u);
}

TEST(ResponseHeaders, ByteRangesAreFoundWhateverTheCaseOfTheFieldName) {
  const struct {
    const char* headers;
    bool ranges;
  } cases[] = {
      {"HTTP/1.1 206 Partial Content\r\nContent-Range: bytes 0-9/10\r\n\r\n", true},
      {"HTTP/2 206\r\ncontent-range: bytes 0-9/10\r\n\r\n", true},
      {"HTTP/1.1 206 Partial Content\r\nCONTENT-RANGE:BYTES 0-9/10\r\n\r\n", true},
      {"HTTP/1.1 206 Partial Content\r\ncontent-range:\tbytes 0-9/10\r\n\r\n", true},
      {"HTTP/1.1 416 Range Not Satisfiable\r\nContent-Range: bytes */10\r\n\r\n", true},
      {"HTTP/1.1 200 OK\r\nContent-Length: 10\r\nAccept-Ranges: bytes\r\n\r\n", false},
      {"HTTP/1.1 206 Partial Content\r\nX-Content-Range: bytes 0-9/10\r\n\r\n", false},
      {"HTTP/1.1 206 Partial Content\r\nContent-Range: bytesx 0-9/10\r\n\r\n", false},
      {"HTTP/1.1 206 Partial Content\r\nContent-Range: pages 1-2/3\r\n\r\n", false},
      {"", false},
  };
  for (const auto& c : cases) EXPECT_EQ(HasByteContentRange(c.headers), c.ranges) << c.headers;
}

TEST(RetryWait, DoublesFromOneSecondAndSaturatesAt32Bits) {
  const struct {
    int retry;
    std::uint32_t ms;
  } cases[] = {{0, 1000},       {1, 2000},       {2, 4000},       {3, 8000},
               {22, 4194304000}, {23, std::numeric_limits<std::uint32_t>::max()},
               {500, std::numeric_limits<std::uint32_t>::max()}};
  for (const auto& c : cases) EXPECT_EQ(RetryWaitMs(c.retry), c.ms) << "retry " << c.retry;
}

TEST(TempTrailer, RecordsAreLittleEndianTriples) {
  const auto bytes = EncodeRecord({0x01020304, 0x0A0B0C0D, 0xFFFFFFFE});
  const unsigned char expected[12] = {4, 3, 2, 1, 0x0D, 0x0C, 0x0B, 0x0A, 0xFE, 0xFF, 0xFF, 0xFF};
  EXPECT_TRUE(std::equal(bytes.begin(), bytes.end(), expected));
  const TrailerRecord back = DecodeRecord(bytes.data());
  EXPECT_EQ(back.start, 0x01020304u);
  EXPECT_EQ(back.length, 0x0A0B0C0Du);
  EXPECT_EQ(back.done, 0xFFFFFFFEu);
  EXPECT_EQ(TrailerBytes(3), 40u);
}

TEST(TempTrailer, TrustRulesForResumedRecords) {
  constexpr std::uint32_t kSize = 1000;
  const struct {
    const char* why;
    TrailerRecord record;
    std::uint32_t index;
    std::uint64_t previousEnd;
    bool trusted;
  } cases[] = {
      {"first segment, half done", {0, 400, 200}, 0, 0, true},
      {"complete segment", {400, 600, 600}, 1, 400, true},
      {"first segment not at 0", {1, 400, 0}, 0, 0, false},
      {"gap after the previous", {401, 599, 0}, 1, 400, false},
      {"overlap with the previous", {399, 601, 0}, 1, 400, false},
      {"done beyond length", {0, 400, 401}, 0, 0, false},
      {"length zero", {0, 0, 0}, 0, 0, false},
      {"start at the size", {1000, 0, 0}, 1, 1000, false},
      {"length beyond the size", {0, 1001, 0}, 0, 0, false},
      {"done beyond the size", {0, 1000, 1001}, 0, 0, false},
      {"all bits set", {0, 400, 0xFFFFFFFF}, 0, 0, false},
      // Found by fuzzing: its worker would have written into the trailer.
      {"runs past the size", {600, 401, 0}, 1, 600, false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(RecordIsTrusted(c.record, kSize, c.index, c.previousEnd), c.trusted) << c.why;
  }
}

std::string Trailer(const std::vector<TrailerRecord>& records, std::uint32_t packageSize) {
  std::string bytes;
  for (const TrailerRecord& record : records) {
    const auto encoded = EncodeRecord(record);
    bytes.append(encoded.begin(), encoded.end());
  }
  const auto size = EncodeU32(packageSize);
  return bytes.append(size.begin(), size.end());
}

using Triple = std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>;

std::vector<Triple> Triples(const std::vector<TrailerRecord>& records) {
  std::vector<Triple> triples;
  for (const TrailerRecord& record : records) triples.emplace_back(record.start, record.length, record.done);
  return triples;
}

// Found by fuzzing (the inputs are in fuzz/corpus/download_resume/): files a
// resume took as they stood, and then wrote where it should not.
TEST(ResumeRead, TrailersThatWouldMisplaceWritesAreNotTakenAsTheyStand) {
  veska_test::TempDir temp;
  const std::string target = (temp / "update.zip").string();
  const std::string package(100, 'p');

  veska_test::WriteFile(target + ".dltmp", package + Trailer({{0, 50, 20}, {50, 50, 50}}, 100));
  auto plan = CurlDownloader::ReadResumePlan(target, 100, true);
  ASSERT_TRUE(plan.has_value());
  EXPECT_EQ(Triples(plan->segments), (std::vector<Triple>{{0, 50, 20}, {50, 50, 50}}));
  EXPECT_EQ(plan->downloadedBytes, 70u);

  // One byte to spare before the records: they would be rewritten one byte
  // further on, and the byte would stay in the package.
  veska_test::WriteFile(target + ".dltmp", package + "x" + Trailer({{0, 50, 20}, {50, 50, 50}}, 100));
  EXPECT_FALSE(CurlDownloader::ReadResumePlan(target, 100, true).has_value());

  // A segment running two bytes past the package restarts as an even split.
  veska_test::WriteFile(target + ".dltmp", package + Trailer({{0, 50, 50}, {50, 52, 0}}, 100));
  plan = CurlDownloader::ReadResumePlan(target, 100, true);
  ASSERT_TRUE(plan.has_value());
  EXPECT_EQ(Triples(plan->segments), (std::vector<Triple>{{0, 50, 50}, {50, 50, 0}}));
}

TEST(BackupName, NextFreeSuffixFromZero) {
  veska_test::TempDir dir;
  const std::string target = (dir / "update.zip").string();
  EXPECT_EQ(NextBackupName(target), target + "~bk0");
  veska_test::WriteFile(target + "~bk0", "x");
  veska_test::WriteFile(target + "~bk1", "x");
  EXPECT_EQ(NextBackupName(target), target + "~bk2");
}

TEST(BackupName, OnlyTheFileNameLosesItsSuffix) {
  const struct {
    std::string path;
    std::optional<std::string> restored;
  } cases[] = {
      {"/a/temp/update.zip~bk0", "/a/temp/update.zip"},
      {"/a/temp/update.zip~bk12", "/a/temp/update.zip"},
      {"/a/temp/update.zip", std::nullopt},
      {"/a/temp/update.zip~bk", std::nullopt},
      {"/a/x~bk3/update.zip", std::nullopt},
      {"/a/x~bk3/", std::nullopt},
      {"~bk7", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(WithoutBackupSuffix(c.path), c.restored) << c.path;
}

}  // namespace
