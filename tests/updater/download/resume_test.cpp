// Resuming from the temporary file of an earlier run: trusted and untrusted
// records, a package whose size changed, a server without ranges, and
// temporary files that another process holds open.

#include <algorithm>

#include "download_fixture.h"
#include "support/faulty_http_server.h"
#include "support/nginx_server.h"

namespace download_test {
namespace {

using veska_test::FaultyHttpServer;
using veska_test::NginxServer;

constexpr std::uint32_t kSize = 12582912;
constexpr std::uint32_t kThird = 4194304;

std::vector<std::string> SegmentRanges(const std::vector<std::string>& requests) {
  std::vector<std::string> ranges;
  for (const auto& line : DataRequests(requests)) {
    if (line != "GET /file -" && line != "GET /file bytes=1-1024") ranges.push_back(line.substr(10));
  }
  std::sort(ranges.begin(), ranges.end());
  return ranges;
}

// Records of an even split into `count` segments, none begun.
std::vector<TrailerRecord> EvenRecords(std::uint32_t count) {
  std::vector<TrailerRecord> records;
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint32_t start = kSize / count * i;
    records.push_back({start, i + 1 == count ? kSize - start : kSize / count, 0});
  }
  return records;
}

TEST_F(DownloadTest, ResumeTrustsGoodRecordsAndRestartsOnlyWhatItCannotTrust) {
  const std::string bytes = PackageBytes(kSize);
  const std::vector<std::string> freshRanges = {"bytes=0-4194304", "bytes=4194304-8388608",
                                                "bytes=8388608-12582912"};
  const struct {
    const char* why;
    std::vector<TrailerRecord> records;
    std::uint32_t storedSize;
    std::size_t extraTail;  // bytes cut from the trailer's front
    std::vector<std::string> ranges;
    std::vector<std::string> logs;
  } cases[] = {
      {"progress is kept",
       {{0, kThird, 1000}, {kThird, kThird, kThird}, {2 * kThird, kThird, 5}},
       kSize,
       0,
       {"bytes=1000-4194304", "bytes=8388613-12582912"},
       {"断点续传开始，上一次已下载百分比33."}},
      {"done past its length restarts that segment alone",
       {{0, kThird, 1000}, {kThird, kThird, kThird + 1}, {2 * kThird, kThird, 5}},
       kSize,
       0,
       {"bytes=1000-4194304", "bytes=4194304-8388608", "bytes=8388613-12582912"},
       {"断点续传第1块信息有误，从新下载此块数据"}},
      {"the package changed size on the server",
       {{0, kThird, 1000}, {kThird, kThird, kThird}, {2 * kThird, kThird - 1, 5}},
       kSize - 1,
       0,
       {"bytes=0-4194304", "bytes=4194304-8388608", "bytes=8388608-12582912"},
       {"临时文件有问题，重新开始下载"}},
      {"no whole record", {{0, kSize, kSize / 2}}, kSize, 5, freshRanges, {"临时文件有问题，重新开始下载"}},
      // The engine writes one to five records: a trailer that claims more is
      // damaged, and each claimed segment would cost a thread and a connection.
      {"six records", EvenRecords(6), kSize, 0, freshRanges, {"临时文件有问题，重新开始下载"}},
      {"three hundred records", EvenRecords(300), kSize, 0, freshRanges, {"临时文件有问题，重新开始下载"}},
  };
  FaultyHttpServer server(VESKA_FAULTY_HTTP, Serve("pkg.zip", bytes));
  for (const auto& c : cases) {
    const LogWindow window;
    const std::size_t before = server.Requests().size();
    std::string temp = TempFileBytes(bytes.substr(0, c.storedSize), c.records, c.storedSize);
    temp.erase(c.storedSize, c.extraTail);
    veska_test::WriteFile(TempPath(), temp);

    CurlDownloader engine;
    ASSERT_TRUE(engine.Start(server.Url("/file"), Target())) << c.why;
    ASSERT_TRUE(RunToEnd(engine)) << c.why;
    EXPECT_EQ(FileMd5(Target()), Md5Hex(bytes)) << c.why;
    const auto requests = server.Requests();
    EXPECT_EQ(SegmentRanges({requests.begin() + static_cast<long>(before), requests.end()}), c.ranges) << c.why;
    for (const auto& text : c.logs) EXPECT_TRUE(window.WaitFor(text)) << c.why << ": " << text;
  }
}

TEST_F(DownloadTest, AfterAPauseANewEngineFetchesOnlyWhatIsMissing) {
  const std::string bytes = PackageBytes(kSize);
  FaultyHttpServer server(VESKA_FAULTY_HTTP, Serve("pkg.zip", bytes), {"--rate", "8000000"});
  std::uint64_t doneBefore = 0;
  {
    CurlDownloader first;
    ASSERT_TRUE(first.Start(server.Url("/file"), Target()));
    ASSERT_TRUE(veska_test::WaitUntil([&] { return first.downloadedBytes() > 2000000; }));
    ASSERT_TRUE(first.Pause());
    doneBefore = DoneBytesInTempFile(TempPath(), kSize).value_or(0);
  }
  ASSERT_GT(doneBefore, 2000000u);
  const std::size_t before = server.Requests().size();
  CurlDownloader second;
  ASSERT_TRUE(second.Start(server.Url("/file"), Target()));
  ASSERT_TRUE(RunToEnd(second));
  EXPECT_EQ(FileMd5(Target()), Md5Hex(bytes));
  // Three ranges asked again, each from where the records said it stood
  // (the extra byte past each range's end not counted).
  std::uint64_t asked = 0;
  const auto requests = server.Requests();
  for (const auto& range : SegmentRanges({requests.begin() + static_cast<long>(before), requests.end()})) {
    unsigned long first = 0, last = 0;
    ASSERT_EQ(std::sscanf(range.c_str(), "bytes=%lu-%lu", &first, &last), 2) << range;
    asked += std::min<unsigned long>(last, kSize) - first;
  }
  EXPECT_EQ(asked, kSize - doneBefore);
}

TEST_F(DownloadTest, WithoutRangesAResumeStartsOneSegmentFromTheFirstByte) {
  const std::string bytes = PackageBytes(kSize);
  FaultyHttpServer server(VESKA_FAULTY_HTTP, Serve("pkg.zip", bytes), {"--ignore-ranges"});
  const std::vector<TrailerRecord> trailers[] = {
      {{0, kSize, kSize / 2}},
      // Records of a ranged run: continuing them without ranges would put the
      // package's first bytes into every segment.
      {{0, kThird, 1000}, {kThird, kThird, 2000}, {2 * kThird, kThird, 3000}},
  };
  for (const auto& records : trailers) {
    const LogWindow window;
    veska_test::WriteFile(TempPath(), TempFileBytes(bytes, records, kSize));
    CurlDownloader engine;
    ASSERT_TRUE(engine.Start(server.Url("/file"), Target()));
    EXPECT_EQ(engine.segmentCount(), 1u);
    ASSERT_TRUE(RunToEnd(engine));
    EXPECT_EQ(FileMd5(Target()), Md5Hex(bytes)) << records.size() << " records";
    EXPECT_TRUE(window.WaitFor("单线程不支持断点续传，直接重新开始"));
    // Nothing of the earlier run counts (logged before the worker starts; by
    // the time Start returns it may have fetched some bytes already).
    EXPECT_TRUE(window.WaitFor("断点续传开始，上一次已下载百分比0.000000%"));
  }
}

TEST_F(DownloadTest, ATemporaryFileHeldAtResumeIsLeftAloneUnderABackupName) {
  const std::string bytes = PackageBytes(kSize);
  FaultyHttpServer server(VESKA_FAULTY_HTTP, Serve("pkg.zip", bytes));
  const std::string held = TempFileBytes(bytes, {{0, kSize, 77}}, kSize);
  veska_test::WriteFile(TempPath(), held);
  HeldFile holder(TempPath(), work_.path());

  CurlDownloader engine;
  ASSERT_TRUE(engine.Start(server.Url("/file"), Target()));
  EXPECT_EQ(engine.targetPath(), Target() + "~bk0");
  EXPECT_TRUE(std::filesystem::exists(Target() + "~bk0.dltmp"));
  ASSERT_TRUE(RunToEnd(engine));
  EXPECT_EQ(engine.targetPath(), Target());
  EXPECT_EQ(FileMd5(Target()), Md5Hex(bytes));
  EXPECT_FALSE(std::filesystem::exists(Target() + "~bk0"));
  EXPECT_EQ(veska_test::ReadFile(TempPath()), held);
  EXPECT_TRUE(log_.WaitFor("临时文件被占用无法删除，更改下载目标文件名为" + Target() + "~bk0"));
  EXPECT_TRUE(log_.WaitFor("临时文件被占用而更改过，现在还原为" + Target() + "\n"));
}

TEST_F(DownloadTest, ATemporaryFileHeldAtTheEndIsFinishedThroughACopy) {
  const std::string bytes = PackageBytes(kSize);
  Serve("pkg.zip", bytes);
  NginxServer nginx(root_.path());
  CurlDownloader engine;
  ASSERT_TRUE(engine.Start(nginx.Url("/pkg.zip"), Target()));
  ASSERT_TRUE(veska_test::WaitUntil([&] { return engine.IsFinished(nullptr); }));
  // Shared for writing, as a scanner would: it can open beside the engine.
  HeldFile holder(TempPath(), work_.path(), true);
  engine.WaitAndFinish();
  EXPECT_EQ(FileMd5(Target()), Md5Hex(bytes));
  EXPECT_EQ(std::filesystem::file_size(TempPath()), kSize + 40u);
  EXPECT_FALSE(std::filesystem::exists(TempPath() + ".bk"));
  EXPECT_TRUE(log_.WaitFor("临时文件被占用，拷贝之!"));
  EXPECT_TRUE(log_.WaitFor("临时文件拷贝成功!"));
}

}  // namespace
}  // namespace download_test
