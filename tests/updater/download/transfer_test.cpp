// The segmented transfer: the temporary file and its trailer, the ranges
// asked for, early ends, failures with and without ranges, stalls, Pause.

#include <algorithm>

#include "download_fixture.h"
#include "support/fast_clock.h"
#include "support/faulty_http_server.h"
#include "support/nginx_server.h"

namespace download_test {
namespace {

using veska_test::FastClock;
using veska_test::FaultyHttpServer;
using veska_test::NginxServer;

constexpr std::uint32_t kTwelveMiB = 12582912;

std::vector<std::string> SegmentRequestsInNginxLog(const std::vector<std::string>& access) {
  std::vector<std::string> ranges;
  for (const auto& line : access) {
    if (line.rfind("GET /pkg.zip bytes=", 0) == 0 && line.find("bytes=1-1024 ") == std::string::npos) {
      ranges.push_back(line.substr(0, line.find(" 206")));
    }
  }
  std::sort(ranges.begin(), ranges.end());
  return ranges;
}

TEST_F(DownloadTest, TwelveMebibytesGoThroughATrailedTemporaryFileInThreeRanges) {
  const std::string bytes = PackageBytes(kTwelveMiB);
  Serve("pkg.zip", bytes);
  NginxServer nginx(root_.path());
  CurlDownloader engine;
  ASSERT_TRUE(engine.Start(nginx.Url("/pkg.zip"), Target()));
  // The temporary file holds the package area and three records plus the size
  // until the end, whatever the workers have done so far.
  EXPECT_EQ(std::filesystem::file_size(TempPath()), kTwelveMiB + 40u);
  ASSERT_TRUE(RunToEnd(engine));
  EXPECT_FALSE(std::filesystem::exists(TempPath()));
  EXPECT_EQ(std::filesystem::file_size(Target()), kTwelveMiB);
  EXPECT_EQ(FileMd5(Target()), Md5Hex(bytes));
  EXPECT_EQ(engine.downloadedBytes(), kTwelveMiB);
  // Each range asks for one byte past its end (ranges are inclusive).
  ASSERT_TRUE(veska_test::WaitUntil([&] { return SegmentRequestsInNginxLog(nginx.AccessLog()).size() == 3; }));
  EXPECT_EQ(SegmentRequestsInNginxLog(nginx.AccessLog()),
            (std::vector<std::string>{"GET /pkg.zip bytes=0-4194304", "GET /pkg.zip bytes=4194304-8388608",
                                      "GET /pkg.zip bytes=8388608-12582912"}));
}

TEST_F(DownloadTest, APackageBelowOneBlockUsesOneRangeAndOneWorker) {
  const std::string bytes = PackageBytes(4000000);
  FaultyHttpServer server(VESKA_FAULTY_HTTP, Serve("pkg.zip", bytes));
  CurlDownloader engine;
  ASSERT_TRUE(engine.Start(server.Url("/file"), Target()));
  EXPECT_EQ(engine.segmentCount(), 1u);
  ASSERT_TRUE(RunToEnd(engine));
  EXPECT_EQ(FileMd5(Target()), Md5Hex(bytes));
  EXPECT_EQ(DataRequests(server.Requests()),
            (std::vector<std::string>{"GET /file -", "GET /file bytes=1-1024", "GET /file bytes=0-4000000"}));
}

TEST_F(DownloadTest, WithoutRangesAFailedRequestStartsAgainFromTheFirstByte) {
  FastClock clock;
  const std::string bytes = PackageBytes(3000000);
  // The size probe's answer and the first download are cut after 1 MB.
  FaultyHttpServer server(VESKA_FAULTY_HTTP, Serve("pkg.zip", bytes),
                          {"--ignore-ranges", "--drop-after", "1000000", "--drop-count", "2"});
  CurlDownloader engine;
  ASSERT_TRUE(engine.Start(server.Url("/file"), Target()));
  ASSERT_TRUE(RunToEnd(engine));
  EXPECT_EQ(FileMd5(Target()), Md5Hex(bytes));
  EXPECT_EQ(DataRequests(server.Requests()),
            (std::vector<std::string>{"GET /file -", "GET /file -", "GET /file -"}));
  // The progress went back to 0 before the retry; the first wait is 1 s.
  EXPECT_TRUE(log_.WaitFor("下载进度:0.000000%, 线程0下载数据失败，lastHttpCode: 200, CURLcode: 18, 尝试第1次重试"));
  EXPECT_EQ(clock.totalSleptMs(), 1000u);
}

TEST_F(DownloadTest, ARequestThatEndsEarlyIsContinuedWithoutARetry) {
  FastClock clock;
  const std::string bytes = PackageBytes(3000000);
  FaultyHttpServer server(VESKA_FAULTY_HTTP, Serve("pkg.zip", bytes), {"--short-ranges", "1200000"});
  CurlDownloader engine;
  ASSERT_TRUE(engine.Start(server.Url("/file"), Target()));
  ASSERT_TRUE(RunToEnd(engine));
  EXPECT_EQ(FileMd5(Target()), Md5Hex(bytes));
  EXPECT_EQ(DataRequests(server.Requests()),
            (std::vector<std::string>{"GET /file -", "GET /file bytes=1-1024", "GET /file bytes=0-3000000",
                                      "GET /file bytes=1200000-3000000", "GET /file bytes=2400000-3000000"}));
  EXPECT_EQ(clock.totalSleptMs(), 0u);
  EXPECT_EQ(log_.Count("尝试第"), 0);
}

// Segments that start inside a page, and requests that end inside one: the
// bytes held back to the next page boundary reach the file when a request
// ends, so each continuation starts exactly where the last one stopped.
TEST_F(DownloadTest, RangesThatStartAndEndInsidePagesLoseAndRepeatNothing) {
  FastClock clock;
  constexpr std::uint32_t kSize = 15000001;  // three segments from 0, 5000000 and 10000000
  constexpr std::uint32_t kPiece = 1000003;
  const std::string bytes = PackageBytes(kSize);
  FaultyHttpServer server(VESKA_FAULTY_HTTP, Serve("pkg.zip", bytes), {"--short-ranges", std::to_string(kPiece)});
  CurlDownloader engine;
  ASSERT_TRUE(engine.Start(server.Url("/file"), Target()));
  ASSERT_EQ(engine.segmentCount(), 3u);
  ASSERT_TRUE(RunToEnd(engine));
  EXPECT_EQ(FileMd5(Target()), Md5Hex(bytes));

  std::vector<std::string> expected;
  for (const auto& [start, end] : {std::pair{0u, 5000000u}, {5000000u, 10000000u}, {10000000u, kSize}}) {
    for (std::uint32_t from = start; from < end; from += kPiece) {
      expected.push_back("GET /file bytes=" + std::to_string(from) + "-" + std::to_string(end));
    }
  }
  std::vector<std::string> asked;
  for (const auto& line : DataRequests(server.Requests())) {
    if (line != "GET /file -" && line != "GET /file bytes=1-1024") asked.push_back(line);
  }
  std::sort(expected.begin(), expected.end());
  std::sort(asked.begin(), asked.end());
  EXPECT_EQ(asked, expected);
  EXPECT_EQ(log_.Count("尝试第"), 0);
}

TEST_F(DownloadTest, ASuccessThatDeliversNothingIsAFailure) {
  FastClock clock;
  FaultyHttpServer server(VESKA_FAULTY_HTTP, Serve("pkg.zip", PackageBytes(3000000)), {"--short-ranges", "0"});
  CurlDownloader engine(FewRetries(2));
  ASSERT_TRUE(engine.Start(server.Url("/file"), Target()));
  EXPECT_FALSE(RunToEnd(engine));
  EXPECT_TRUE(log_.WaitFor("线程0重试下载失败"));
  EXPECT_EQ(log_.Count("线程0下载数据失败"), 2);
  EXPECT_EQ(clock.totalSleptMs(), 1000u + 2000u);
  // Not complete: the temporary file stays for a later run, the target is not made.
  EXPECT_TRUE(std::filesystem::exists(TempPath()));
  EXPECT_FALSE(std::filesystem::exists(Target()));
}

TEST_F(DownloadTest, AStalledTransferIsAbortedAndRetried) {
  FastClock clock;
  const std::string bytes = PackageBytes(3000000);
  // The size probe's answer and the first download stall after 500 kB.
  FaultyHttpServer server(VESKA_FAULTY_HTTP, Serve("pkg.zip", bytes),
                          {"--stall-after", "500000", "--stall-count", "2"});
  DownloadSettings settings;
  settings.stallSeconds = 1;
  CurlDownloader engine(settings);
  ASSERT_TRUE(engine.Start(server.Url("/file"), Target()));
  ASSERT_TRUE(RunToEnd(engine));
  EXPECT_EQ(FileMd5(Target()), Md5Hex(bytes));
  EXPECT_TRUE(log_.WaitFor("CURLcode: 28, 尝试第1次重试"));
  const auto data = DataRequests(server.Requests());
  ASSERT_FALSE(data.empty());
  EXPECT_EQ(data.back(), "GET /file bytes=500000-3000000");
}

TEST_F(DownloadTest, AnErrorPageForARangeIsNeverWrittenIntoThePackage) {
  FastClock clock;
  const std::string bytes = PackageBytes(3000000);
  // After the three probes, the range is refused twice before it is served.
  FaultyHttpServer server(VESKA_FAULTY_HTTP, Serve("pkg.zip", bytes),
                          {"--fail-skip", "3", "--fail-first", "2", "--fail-status", "500"});
  CurlDownloader engine;
  ASSERT_TRUE(engine.Start(server.Url("/file"), Target()));
  ASSERT_TRUE(RunToEnd(engine));
  EXPECT_EQ(FileMd5(Target()), Md5Hex(bytes));
  EXPECT_EQ(DataRequests(server.Requests()),
            (std::vector<std::string>{"GET /file -", "GET /file bytes=1-1024", "GET /file bytes=0-3000000",
                                      "GET /file bytes=0-3000000", "GET /file bytes=0-3000000"}));
  EXPECT_TRUE(log_.WaitFor("lastHttpCode: 500, CURLcode: 22, 尝试第2次重试"));
  EXPECT_EQ(clock.totalSleptMs(), 1000u + 2000u);
}

TEST_F(DownloadTest, AWorkerBetweenRetriesStillCountsAsRunning) {
  FastClock clock(100000);
  const std::string bytes = PackageBytes(3000000);
  // Many quick refusals: each one rebuilds the worker's handle.
  FaultyHttpServer server(VESKA_FAULTY_HTTP, Serve("pkg.zip", bytes),
                          {"--fail-skip", "3", "--fail-first", "12", "--fail-status", "500"});
  CurlDownloader engine;
  ASSERT_TRUE(engine.Start(server.Url("/file"), Target()));
  // A caller that stops waiting once nothing runs must never see that mid-retry.
  bool stopped = false;
  bool finished = false;
  const auto limit = std::chrono::steady_clock::now() + std::chrono::seconds(60);
  while (!(finished = engine.IsFinished(&stopped)) && !stopped && std::chrono::steady_clock::now() < limit) {
  }
  EXPECT_TRUE(finished);
  EXPECT_FALSE(!finished && stopped) << "seen as stopped while a retry was under way";
  engine.WaitAndFinish();
  EXPECT_EQ(FileMd5(Target()), Md5Hex(bytes));
}

TEST_F(DownloadTest, PauseStopsEveryWorkerAndKeepsTheirProgress) {
  const std::string bytes = PackageBytes(kTwelveMiB);
  FaultyHttpServer server(VESKA_FAULTY_HTTP, Serve("pkg.zip", bytes), {"--rate", "4000000"});
  CurlDownloader engine;
  ASSERT_TRUE(engine.Start(server.Url("/file"), Target()));
  ASSERT_TRUE(veska_test::WaitUntil([&] { return engine.downloadedBytes() > 1000000; }));
  EXPECT_TRUE(engine.Pause());
  bool stopped = false;
  EXPECT_FALSE(engine.IsFinished(&stopped));
  EXPECT_TRUE(stopped);
  const std::uint32_t downloaded = engine.downloadedBytes();
  EXPECT_LT(downloaded, kTwelveMiB);
  // The records on disk account for every byte the engine counted.
  EXPECT_EQ(DoneBytesInTempFile(TempPath(), kTwelveMiB), std::optional<std::uint64_t>(downloaded));
}

TEST_F(DownloadTest, AnEmptyTableIsNeverFinishedAndHasNothingRunning) {
  CurlDownloader engine;
  bool stopped = false;
  EXPECT_FALSE(engine.IsFinished(&stopped));
  EXPECT_TRUE(stopped);
  EXPECT_TRUE(engine.Pause());
}

}  // namespace
}  // namespace download_test
