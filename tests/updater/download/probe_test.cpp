// Probing a real server: size, range support, the range test, redirects,
// missing files, answers without a length and oversized packages.

#include <algorithm>
#include <cstdio>

#include "download_fixture.h"
#include "support/fast_clock.h"
#include "support/faulty_http_server.h"
#include "support/nginx_server.h"

namespace download_test {
namespace {

using veska_test::FastClock;
using veska_test::FaultyHttpServer;
using veska_test::NginxServer;

bool HasLineStartingWith(const std::vector<std::string>& lines, const std::string& start) {
  return std::any_of(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(start, 0) == 0; });
}

TEST_F(DownloadTest, RangeTestAsksForHalfASmallPackageAndAKibibyteOfALargeOne) {
  const struct {
    std::size_t size;
    const char* rangeTest;
    std::size_t segments;
  } cases[] = {{1000, "GET /pkg.zip bytes=1-500 206 500", 1},
               {1024, "GET /pkg.zip bytes=1-512 206 512", 1},
               {1500, "GET /pkg.zip bytes=1-1024 206 1024", 1},
               {12582912, "GET /pkg.zip bytes=1-1024 206 1024", 3}};
  for (const auto& c : cases) {
    const std::string bytes = PackageBytes(c.size);
    Serve("pkg.zip", bytes);
    NginxServer nginx(root_.path());
    CurlDownloader engine;
    ASSERT_TRUE(engine.Start(nginx.Url("/pkg.zip"), Target()));
    EXPECT_TRUE(engine.rangeSupported());
    EXPECT_EQ(engine.fileSize(), c.size);
    EXPECT_EQ(engine.segmentCount(), c.segments);
    ASSERT_TRUE(RunToEnd(engine));
    EXPECT_EQ(FileMd5(Target()), Md5Hex(bytes));
    ASSERT_TRUE(veska_test::WaitUntil([&] { return HasLineStartingWith(nginx.AccessLog(), c.rangeTest); }))
        << c.rangeTest << " not in\n" << testing::PrintToString(nginx.AccessLog());
    // The range probe asks for everything from the first byte, headers only.
    EXPECT_TRUE(HasLineStartingWith(nginx.AccessLog(), "HEAD /pkg.zip bytes=0- 206 0"));
  }
}

TEST_F(DownloadTest, AServerThatSendsTheWholeFileForTheRangeTestGetsOneSegment) {
  const std::string bytes = PackageBytes(12582912);
  FaultyHttpServer server(VESKA_FAULTY_HTTP, Serve("pkg.zip", bytes), {"--ranges-on-head-only"});
  CurlDownloader engine;
  ASSERT_TRUE(engine.Start(server.Url("/file"), Target()));
  EXPECT_FALSE(engine.rangeSupported());
  EXPECT_EQ(engine.segmentCount(), 1u);
  ASSERT_TRUE(RunToEnd(engine));
  EXPECT_EQ(FileMd5(Target()), Md5Hex(bytes));
  // Size probe, range probe, range test, then one request without a range.
  EXPECT_EQ(server.Requests(), (std::vector<std::string>{"GET /file -", "HEAD /file bytes=0-", "GET /file bytes=1-1024",
                                                         "GET /file -"}));
}

TEST_F(DownloadTest, RedirectsAreFollowedByTheProbeAndItsTargetIsKept) {
  const std::string bytes = PackageBytes(300000);
  Serve("pkg.zip", bytes);
  NginxServer nginx(root_.path(), "location = /found { return 302 /pkg.zip; }\n"
                                  "location = /moved { return 301 /pkg.zip; }");
  for (const char* path : {"/found", "/moved"}) {
    CurlDownloader engine;
    ASSERT_TRUE(engine.Start(nginx.Url(path), Target())) << path;
    EXPECT_EQ(engine.url(), nginx.Url("/pkg.zip"));
    ASSERT_TRUE(RunToEnd(engine));
    EXPECT_EQ(FileMd5(Target()), Md5Hex(bytes));
  }
  EXPECT_TRUE(log_.WaitFor("遇到重定向，RedirectUrl: " + nginx.Url("/pkg.zip")));
  // Only the probe saw the redirect: every later request went to the target.
  const auto access = nginx.AccessLog();
  EXPECT_EQ(std::count_if(access.begin(), access.end(),
                          [](const std::string& l) { return l.rfind("GET /found", 0) == 0; }),
            1);
}

TEST_F(DownloadTest, RedirectChainsLoopsAndMissingTargets) {
  FastClock clock;
  const std::string bytes = PackageBytes(5000);
  FaultyHttpServer server(VESKA_FAULTY_HTTP, Serve("pkg.zip", bytes));
  const struct {
    const char* path;
    bool starts;
    std::size_t redirectRequests;  // requests to the redirecting paths
  } cases[] = {
      {"/redirect/3", true, 3},
      // 20 redirects are followed, the 21st ends the attempt; two attempts.
      {"/loop", false, 2 * 21},
      {"/redirect-empty", false, 2},
  };
  for (const auto& c : cases) {
    const std::size_t before = server.Requests().size();
    CurlDownloader engine(FewRetries(1));
    EXPECT_EQ(engine.Start(server.Url(c.path), Target()), c.starts) << c.path;
    const auto requests = server.Requests();
    const auto redirects = std::count_if(requests.begin() + static_cast<long>(before), requests.end(),
                                         [](const std::string& l) { return l.find(" /file ") == std::string::npos; });
    EXPECT_EQ(static_cast<std::size_t>(redirects), c.redirectRequests) << c.path;
    if (c.starts) {
      EXPECT_EQ(engine.url(), server.Url("/file"));
      ASSERT_TRUE(RunToEnd(engine));
      EXPECT_EQ(FileMd5(Target()), Md5Hex(bytes));
    }
  }
  EXPECT_TRUE(log_.WaitFor("redirect not followed"));
}

// Real servers and proxies often send a redirect's body after its head; the
// next hop must not take those bytes for its own answer.
TEST_F(DownloadTest, RedirectsWhoseBodyArrivesAfterTheHeadAreFollowed) {
  FastClock clock;
  const std::string bytes = PackageBytes(5000);
  FaultyHttpServer server(VESKA_FAULTY_HTTP, Serve("pkg.zip", bytes));
  for (const char* path : {"/redirect-late-body/1", "/redirect-late-body/4"}) {
    const LogWindow window;
    CurlDownloader engine(FewRetries(1));
    ASSERT_TRUE(engine.Start(server.Url(path), Target())) << path;
    EXPECT_EQ(engine.url(), server.Url("/file"));
    EXPECT_EQ(window.Count("获取文件长度失败"), 0) << path;
    ASSERT_TRUE(RunToEnd(engine));
    EXPECT_EQ(FileMd5(Target()), Md5Hex(bytes));
  }
}

// A handle without a write token of its own hands the transfer library's
// default to the body callback: the process's standard output structure.
TEST_F(DownloadTest, EveryHandleHasAWriteTokenOfItsOwn) {
  FastClock clock;
  const std::string bytes = PackageBytes(300000);
  Serve("pkg.zip", bytes);
  NginxServer nginx(root_.path());
  // Standard output whose first bytes read as a range-test token that takes
  // no byte at all.
  long long counter = 0;
  char lookalike[64];
  std::snprintf(lookalike, sizeof lookalike, "RangeTest##%p##0", static_cast<void*>(&counter));
  CurlDownloader engine(FewRetries(1));
  std::FILE* const standardOutput = stdout;
  stdout = reinterpret_cast<std::FILE*>(lookalike);
  const bool started = engine.Start(nginx.Url("/pkg.zip"), Target());
  stdout = standardOutput;
  ASSERT_TRUE(started);
  EXPECT_EQ(counter, 0);
  EXPECT_TRUE(engine.rangeSupported());
  ASSERT_TRUE(RunToEnd(engine));
  EXPECT_EQ(FileMd5(Target()), Md5Hex(bytes));
}

TEST_F(DownloadTest, AMissingPackageFailsAtOnceWithoutRetries) {
  FastClock clock;
  NginxServer nginx(root_.path());
  CurlDownloader engine;
  EXPECT_FALSE(engine.Start(nginx.Url("/absent.zip"), Target()));
  EXPECT_EQ(clock.totalSleptMs(), 0u);
  ASSERT_TRUE(veska_test::WaitUntil([&] { return !nginx.AccessLog().empty(); }));
  const auto access = nginx.AccessLog();
  ASSERT_EQ(access.size(), 1u);
  EXPECT_EQ(access[0].rfind("GET /absent.zip - 404 ", 0), 0u) << access[0];
  EXPECT_FALSE(std::filesystem::exists(TempPath()));
  bool stopped = false;
  EXPECT_FALSE(engine.IsFinished(&stopped));
  EXPECT_TRUE(stopped);
}

TEST_F(DownloadTest, AnAnswerWithoutLengthIsRetriedWithDoublingWaitsThenGivenUp) {
  FastClock clock;
  FaultyHttpServer server(VESKA_FAULTY_HTTP, Serve("pkg.zip", PackageBytes(5000)), {"--no-length"});
  CurlDownloader engine(FewRetries(4));
  EXPECT_FALSE(engine.Start(server.Url("/file"), Target()));
  // Waits of 2, 4, 8 and 16 seconds before the four retries.
  EXPECT_EQ(clock.totalSleptMs(), 30000u);
  EXPECT_EQ(server.Requests().size(), 5u);
  ASSERT_TRUE(log_.WaitFor("重试获取文件长度失败, LastHttpCode:200"));
  for (int retry = 1; retry <= 4; ++retry) {
    EXPECT_EQ(log_.Count("获取文件长度失败, lastHttpCode:200, CURLcode:0, 尝试第" + std::to_string(retry) + "次重试"), 1)
        << retry;
  }
  EXPECT_EQ(engine.fileSize(), 0u);
}

TEST_F(DownloadTest, ServerErrorsBeforeTheSizeAreRetriedUntilItAnswers) {
  FastClock clock;
  const std::string bytes = PackageBytes(70000);
  FaultyHttpServer server(VESKA_FAULTY_HTTP, Serve("pkg.zip", bytes), {"--fail-first", "2"});
  CurlDownloader engine;
  ASSERT_TRUE(engine.Start(server.Url("/file"), Target()));
  ASSERT_TRUE(RunToEnd(engine));
  EXPECT_EQ(FileMd5(Target()), Md5Hex(bytes));
  EXPECT_EQ(clock.totalSleptMs(), 2000u + 4000u);
  EXPECT_TRUE(log_.WaitFor("获取文件长度成功，重试次数：2"));
}

TEST_F(DownloadTest, APackageOfFourGibibytesIsRefusedNotTruncated) {
  FastClock clock;
  FaultyHttpServer server(VESKA_FAULTY_HTTP, Serve("pkg.zip", PackageBytes(1000)),
                          {"--claim-size", "4294967296"});
  CurlDownloader engine;
  EXPECT_FALSE(engine.Start(server.Url("/file"), Target()));
  EXPECT_EQ(engine.fileSize(), 0u);
  EXPECT_EQ(server.Requests().size(), 1u);
  EXPECT_TRUE(log_.WaitFor("package of 4294967296 bytes refused"));
}

TEST_F(DownloadTest, HttpsNeedsTheConfiguredClientFilesBesideTheProgram) {
  NginxServer nginx(root_.path());
  Serve("pkg.zip", PackageBytes(2000));
  DownloadSettings settings;
  settings.certFile = "client-cert-that-is-absent.pem";
  const struct {
    std::string url;
    bool refusedForCertificate;
  } cases[] = {
      {"https://127.0.0.1:1/pkg.zip", true},
      {"HTTPS://127.0.0.1:1/pkg.zip", true},
      {nginx.Url("/pkg.zip"), false},
  };
  for (const auto& c : cases) {
    const LogWindow window;
    CurlDownloader engine(settings);
    EXPECT_EQ(engine.Start(c.url, Target()), !c.refusedForCertificate) << c.url;
    if (c.refusedForCertificate) {
      EXPECT_TRUE(window.WaitFor("|CurlDownloader::CheckSSL|client-cert-that-is-absent.pem is not exist!\n")) << c.url;
    } else {
      ASSERT_TRUE(RunToEnd(engine));
    }
  }
}

// HTTP/2 sends header names in lower case; ranges must still be found. Also
// the https path of every request through a real TLS server.
TEST_F(DownloadTest, RangesOverHttpsAndHttp2AreFoundWhateverTheHeaderCase) {
  const std::string bytes = PackageBytes(12582912);
  Serve("pkg.zip", bytes);
  const veska_test::TempDir tlsFolder;
  NginxServer nginx(root_.path(), "", veska_test::MakeLoopbackTls(tlsFolder.path()));
  CurlDownloader engine;
  ASSERT_TRUE(engine.Start(nginx.Url("/pkg.zip"), Target()));
  EXPECT_TRUE(engine.rangeSupported());
  EXPECT_EQ(engine.segmentCount(), 3u);
  ASSERT_TRUE(RunToEnd(engine));
  EXPECT_EQ(FileMd5(Target()), Md5Hex(bytes));
  ASSERT_TRUE(veska_test::WaitUntil([&] { return nginx.AccessLog().size() >= 6; }));
  for (const auto& line : nginx.AccessLog()) EXPECT_NE(line.find(" HTTP/2.0"), std::string::npos) << line;
}

}  // namespace
}  // namespace download_test
