// The update job end to end: the worker thread, progress, verification,
// component registration, the network monitor's reports and the ways a job
// that cannot complete ends.

#include <atomic>
#include <mutex>

#include "download_fixture.h"
#include "platform/network_state.h"
#include "support/fast_clock.h"
#include "support/faulty_http_server.h"
#include "support/nginx_server.h"
#include "support/scoped_env.h"
#include "updater/download/downloader.h"
#include "updater/verify/register_component.h"

namespace download_test {
namespace {

using veska_test::FastClock;
using veska_test::FaultyHttpServer;
using veska_test::NginxServer;

class CountingThread : public ThreadBase {
 public:
  void Run() override { ++runs; }
  std::atomic<int> runs{0};
};

TEST(ThreadBase, StartingTwiceRunsOnceAndEndsIdle) {
  auto thread = std::make_shared<CountingThread>();
  EXPECT_TRUE(thread->IsIdle());
  ASSERT_TRUE(thread->StartThread());
  ASSERT_TRUE(thread->WaitIdle(std::chrono::seconds(10)));
  ASSERT_TRUE(thread->StartThread());
  EXPECT_TRUE(thread->WaitIdle(std::chrono::seconds(10)));
  EXPECT_EQ(thread->runs, 1);
}

class TestJob : public Downloader {
 public:
  using Downloader::Downloader;
  void DoInstall() override {}
};

// Replaces the network state for one test: `up` decides, every call is counted.
class ScriptedNetwork {
 public:
  explicit ScriptedNetwork(bool up) : up(up) {
    platform::SetNetworkAliveForTesting([this] {
      ++checks;
      return this->up.load();
    });
  }
  ~ScriptedNetwork() { platform::SetNetworkAliveForTesting(nullptr); }
  std::atomic<bool> up;
  std::atomic<int> checks{0};
};

class UpdateJobTest : public DownloadTest {
 protected:
  void SetUp() override {
    std::filesystem::copy_file(VESKA_TEST_INSTALLER_COMPONENT, program_ / kInstallerComponentName);
  }
  // The monitor runs detached and calls into this fixture: it has to be gone
  // before the fixture and the fast clock are.
  void TearDown() override {
    for (const auto& job : jobs_) {
      EXPECT_TRUE(job->WaitIdle(std::chrono::seconds(60)));
      EXPECT_TRUE(veska_test::WaitUntil([&] { return !job->networkMonitorRunning(); }, std::chrono::seconds(20)));
    }
  }

  std::shared_ptr<TestJob> MakeJob(const std::string& url, const std::string& md5,
                                   DownloadSettings settings = {}) {
    UpdateOrder order;
    order.url = url;
    order.md5 = md5;
    order.killClientFirst = true;
    order.packagePath = Target();
    order.programFolder = program_.str() + "/";
    auto job = std::make_shared<TestJob>(order, settings);
    job->killClientAndWait = [this] {
      ++clientKills_;
      return true;
    };
    job->retryCallback = [this](unsigned n) { Record("R" + std::to_string(n)); };
    job->failureCallback = [this] { Record("F"); };
    jobs_.push_back(job);
    return job;
  }

  void Record(const std::string& event) {
    std::lock_guard guard(mutex_);
    events_.push_back(event);
  }
  std::vector<std::string> Events() {
    std::lock_guard guard(mutex_);
    return events_;
  }
  bool WaitForEvents(std::size_t count) {
    return veska_test::WaitUntil([&] { return Events().size() >= count; }, std::chrono::seconds(20));
  }
  std::string Marks() const {
    return std::filesystem::exists(program_ / "marks") ? veska_test::ReadFile(program_ / "marks") : "";
  }
  static std::vector<std::string> Retries(unsigned from, unsigned to) {
    std::vector<std::string> events;
    for (unsigned n = from; n <= to; ++n) events.push_back("R" + std::to_string(n));
    return events;
  }

  FastClock clock_;
  veska_test::TempDir program_;
  veska_test::ScopedEnv mark_{"VESKA_TEST_REGISTER_MARK", (program_ / "marks").string()};
  std::atomic<int> clientKills_{0};
  std::mutex mutex_;
  std::vector<std::string> events_;
  std::vector<std::shared_ptr<TestJob>> jobs_;
};

TEST_F(UpdateJobTest, AVerifiedPackageIsRegisteredAndReportedAsSucceeded) {
  ScriptedNetwork network(true);
  const std::string bytes = PackageBytes(6000000);
  Serve("pkg.zip", bytes);
  NginxServer nginx(root_.path());
  std::string upper = Md5Hex(bytes);
  for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  auto job = MakeJob(nginx.Url("/pkg.zip"), upper);
  ASSERT_TRUE(job->StartThread());
  ASSERT_TRUE(job->WaitIdle(std::chrono::seconds(60)));

  EXPECT_TRUE(job->succeeded());
  const TaskInfo info = job->GetTaskInfo();
  EXPECT_EQ(info.md5, upper);
  EXPECT_EQ(info.totalBytes, 6000000);
  EXPECT_EQ(info.downloadedBytes, 6000000);
  EXPECT_EQ(FileMd5(Target()), Md5Hex(bytes));
  EXPECT_EQ(Marks(), "register\n");
  EXPECT_EQ(clientKills_, 1);
  // The monitor has seen the package complete and stopped asking.
  ASSERT_TRUE(veska_test::WaitUntil([&] { return !job->networkMonitorRunning(); }));
  const int checks = network.checks;
  std::this_thread::sleep_for(std::chrono::milliseconds(100));  // some 30 monitor periods
  EXPECT_EQ(network.checks, checks);
  EXPECT_TRUE(Events().empty());
}

TEST_F(UpdateJobTest, AWrongDigestDeletesThePackageAndZeroesTheProgress) {
  ScriptedNetwork network(true);
  std::string bytes = PackageBytes(300000);
  const std::string expected = Md5Hex(bytes);
  bytes.back() = static_cast<char>(bytes.back() ^ 1);
  Serve("pkg.zip", bytes);
  NginxServer nginx(root_.path());
  auto job = MakeJob(nginx.Url("/pkg.zip"), expected);
  ASSERT_TRUE(job->StartThread());
  ASSERT_TRUE(job->WaitIdle(std::chrono::seconds(60)));
  ASSERT_TRUE(WaitForEvents(1));
  EXPECT_EQ(Events(), std::vector<std::string>{"F"});
  EXPECT_FALSE(job->succeeded());
  EXPECT_EQ(job->GetTaskInfo().downloadedBytes, 0);
  EXPECT_EQ(job->GetTaskInfo().totalBytes, 300000);
  EXPECT_FALSE(std::filesystem::exists(Target()));
  EXPECT_EQ(Marks(), "");
}

TEST_F(UpdateJobTest, AMissingInstallerComponentStillSucceeds) {
  ScriptedNetwork network(true);
  std::filesystem::remove(program_ / kInstallerComponentName);
  const std::string bytes = PackageBytes(1000);
  Serve("pkg.zip", bytes);
  NginxServer nginx(root_.path());
  auto job = MakeJob(nginx.Url("/pkg.zip"), Md5Hex(bytes));
  ASSERT_TRUE(job->StartThread());
  ASSERT_TRUE(job->WaitIdle(std::chrono::seconds(60)));
  EXPECT_TRUE(job->succeeded());
}

TEST_F(UpdateJobTest, ANetworkDownFromTheStartIsReportedOnceThenAfterTenChecks) {
  ScriptedNetwork network(false);
  const std::string bytes = PackageBytes(2000000);
  FaultyHttpServer server(VESKA_FAULTY_HTTP, Serve("pkg.zip", bytes), {"--rate", "2000000"});
  auto job = MakeJob(server.Url("/file"), Md5Hex(bytes));
  ASSERT_TRUE(job->StartThread());
  ASSERT_TRUE(WaitForEvents(12));
  std::vector<std::string> expected{"F"};
  for (const auto& r : Retries(0, 9)) expected.push_back(r);
  expected.push_back("F");
  EXPECT_EQ(Events(), expected);
  // The loopback download itself goes on and completes.
  ASSERT_TRUE(job->WaitIdle(std::chrono::seconds(60)));
  EXPECT_TRUE(job->succeeded());
  EXPECT_EQ(Events().size(), 12u);
}

TEST_F(UpdateJobTest, ANetworkThatComesBackRestartsTheCount) {
  ScriptedNetwork network(false);
  const std::string bytes = PackageBytes(2000000);
  FaultyHttpServer server(VESKA_FAULTY_HTTP, Serve("pkg.zip", bytes), {"--rate", "1000000"});
  auto job = MakeJob(server.Url("/file"), Md5Hex(bytes));
  job->retryCallback = [this, &network](unsigned n) {
    Record("R" + std::to_string(n));
    if (n == 3 && Events().size() == 5) network.up = true;
  };
  ASSERT_TRUE(job->StartThread());
  ASSERT_TRUE(WaitForEvents(6));
  network.up = false;
  ASSERT_TRUE(WaitForEvents(17));
  std::vector<std::string> expected{"F", "R0", "R1", "R2", "R3", "R0"};
  for (const auto& r : Retries(0, 9)) expected.push_back(r);
  expected.push_back("F");
  EXPECT_EQ(Events(), expected);
  ASSERT_TRUE(job->WaitIdle(std::chrono::seconds(60)));
}

TEST_F(UpdateJobTest, WhenEveryWorkerGivesUpTheJobEndsAndKeepsTheTemporaryFile) {
  ScriptedNetwork network(true);
  // The server announces more bytes than it has: every answer ends short.
  FaultyHttpServer server(VESKA_FAULTY_HTTP, Serve("pkg.zip", PackageBytes(3000000)),
                          {"--claim-size", "3000100"});
  auto job = MakeJob(server.Url("/file"), "00000000000000000000000000000000", FewRetries(1));
  ASSERT_TRUE(job->StartThread());
  ASSERT_TRUE(job->WaitIdle(std::chrono::seconds(60)));
  ASSERT_TRUE(WaitForEvents(1));
  EXPECT_EQ(Events(), std::vector<std::string>{"F"});
  EXPECT_FALSE(job->succeeded());
  EXPECT_EQ(job->GetTaskInfo().totalBytes, 3000100);
  EXPECT_TRUE(std::filesystem::exists(TempPath()));
  EXPECT_FALSE(std::filesystem::exists(Target()));
}

TEST_F(UpdateJobTest, AFailedProbeLeavesTheTotalAtZeroAndEndsTheJob) {
  ScriptedNetwork network(true);
  NginxServer nginx(root_.path());
  auto job = MakeJob(nginx.Url("/absent.zip"), "00000000000000000000000000000000");
  ASSERT_TRUE(job->StartThread());
  ASSERT_TRUE(job->WaitIdle(std::chrono::seconds(60)));
  ASSERT_TRUE(WaitForEvents(1));
  EXPECT_EQ(Events(), std::vector<std::string>{"F"});
  EXPECT_EQ(job->GetTaskInfo().totalBytes, 0);
  EXPECT_EQ(job->GetTaskInfo().downloadedBytes, 0);
}

}  // namespace
}  // namespace download_test
