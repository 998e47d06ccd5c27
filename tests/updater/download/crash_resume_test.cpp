// A download in a process of its own, killed with SIGKILL at ten random
// moments and resumed each time by a new process: the package comes out
// whole, and no resume fetches again more than a little per segment of what
// an earlier run had recorded.

#include <signal.h>

#include <random>

#include "download_fixture.h"
#include "support/faulty_http_server.h"
#include "support/named_program.h"

namespace download_test {
namespace {

using veska_test::ChildProcess;
using veska_test::FaultyHttpServer;

constexpr std::uint32_t kSize = 24 * 1024 * 1024;
constexpr int kSegments = 5;
// The most one request can have fetched past its last record: a record
// follows its bytes within 20 ms (at 1 MB/s some 20 KB, plus a chunk and less
// than a page carried), well within one receive buffer
// (DownloadSettings::receiveBufferBytes), and the extra byte of its range.
constexpr std::uint64_t kChunkAllowance = 512 * 1024 + 1;

// Bytes asked for by the data requests among `requests` (inclusive ranges,
// held at the package's end).
std::uint64_t RequestedBytes(const std::vector<std::string>& requests) {
  std::uint64_t asked = 0;
  for (const auto& line : DataRequests(requests)) {
    unsigned long first = 0, last = 0;
    if (line == "GET /file bytes=1-1024") continue;
    if (std::sscanf(line.c_str(), "GET /file bytes=%lu-%lu", &first, &last) != 2) continue;
    asked += std::min<unsigned long>(last, kSize - 1) - first + 1;
  }
  return asked;
}

TEST_F(DownloadTest, KilledTenTimesTheDownloadStillEndsWithTheRightPackage) {
  const std::string bytes = PackageBytes(kSize, 7);
  // About 5 s for the whole package over five connections, so that ten
  // short runs cannot finish it.
  FaultyHttpServer server(VESKA_FAULTY_HTTP, Serve("pkg.zip", bytes), {"--rate", "1000000"});
  const unsigned seed = std::random_device{}();
  std::mt19937 random(seed);
  // Counted from the run's first request, so that slow process start-up (as
  // under sanitizers) does not eat the moments: they fall among the probes,
  // the file's creation and the transfer.
  std::uniform_int_distribution<int> moment(0, 250);
  SCOPED_TRACE("seed " + std::to_string(seed));

  auto runOnce = [&](bool kill) {
    const std::uint64_t remaining = kSize - DoneBytesInTempFile(TempPath(), kSize).value_or(0);
    const std::size_t before = server.Requests().size();
    ChildProcess driver(VESKA_DOWNLOAD_DRIVER, {"download", server.Url("/file"), Target()});
    if (kill) {
      ASSERT_TRUE(veska_test::WaitUntil([&] { return server.Requests().size() > before; }));
      std::this_thread::sleep_for(std::chrono::milliseconds(moment(random)));
      ::kill(driver.pid(), SIGKILL);
      EXPECT_EQ(driver.WaitExit(), 128 + SIGKILL);
    } else {
      EXPECT_EQ(driver.WaitExit(std::chrono::seconds(60)), 0);
    }
    const auto requests = server.Requests();
    const std::uint64_t asked = RequestedBytes({requests.begin() + static_cast<long>(before), requests.end()});
    EXPECT_LE(asked, remaining + kSegments * kChunkAllowance) << "remaining " << remaining;
  };

  for (int run = 0; run < 10; ++run) {
    SCOPED_TRACE("killed run " + std::to_string(run));
    runOnce(true);
    ASSERT_FALSE(std::filesystem::exists(Target())) << "finished before it was killed";
  }
  EXPECT_GT(DoneBytesInTempFile(TempPath(), kSize).value_or(0), 0u);
  runOnce(false);
  EXPECT_EQ(FileMd5(Target()), Md5Hex(bytes));
  EXPECT_FALSE(std::filesystem::exists(TempPath()));
}

}  // namespace
}  // namespace download_test
