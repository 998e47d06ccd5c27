#include <chrono>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "platform/process_list.h"
#include "platform/text.h"
#include "support/files.h"
#include "support/named_program.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/wait.h"
#include "updater/log/updater_log.h"
#include "updater/process/client_termination.h"
#include "updater/process/find_process.h"

namespace {

using veska_test::ChildProcess;
using veska_test::WaitUntil;
using std::chrono::milliseconds;

constexpr int kKilledBySigkill = 128 + 9;

bool IsListed(int pid) {
  const auto processes = platform::SnapshotProcesses();
  if (!processes) return false;
  for (const auto& entry : *processes) {
    if (entry.pid == pid) return true;
  }
  return false;
}

bool IsClientName(const std::string& name) {
  return platform::EqualsIgnoreAsciiCase(name, kClientProgram) ||
         platform::EqualsIgnoreAsciiCase(name, kClientHelperProgram);
}

// The updater log is open for the whole suite, as in the updater.
class ClientProcessTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    data_ = new veska_test::TempDir;
    dataHome_ = new veska_test::ScopedEnv("XDG_DATA_HOME", data_->str());
    UpdaterLog::Instance().Open("qelUpdater");
    UpdaterLog::Instance().SetExactLevel(-1);
    UpdaterLog::Instance().SetMaxLevel(0);
  }
  static void TearDownTestSuite() {
    UpdaterLog::Instance().Shutdown();
    delete dataHome_;
    delete data_;
  }

  void SetUp() override {
    // A client program of someone else's would be found and killed.
    ASSERT_EQ(FindProcess_ByName(kClientProgram), 0u) << "a veska.exe runs outside this test";
    ASSERT_EQ(FindProcess_ByName(kClientHelperProgram), 0u) << "a virazerur.exe runs outside this test";
    logOffset_ = LogText().size();
  }

  std::unique_ptr<ChildProcess> Start(const std::string& name) {
    auto child = std::make_unique<ChildProcess>(veska_test::StartSleeperAs(bin_.path(), name));
    const int pid = child->pid();
    EXPECT_TRUE(WaitUntil([pid] { return IsListed(pid); })) << name;
    return child;
  }

  static std::string LogText() {
    const auto files =
        veska_test::FilesIn(data_->path() / "trvo" / "logs" / "Updater" / "updater_process_test");
    return files.size() == 1 ? veska_test::ReadFile(files[0]) : "";
  }

  // Messages of the termination lines written since the case began, once
  // `count` of them are there.
  std::vector<std::string> TerminationMessages(std::size_t count) const {
    std::vector<std::string> messages;
    WaitUntil([&] {
      messages.clear();
      for (const auto& line : veska_test::SplitLines(LogText().substr(logOffset_))) {
        if (line.find("|0|qelUtil|") == std::string::npos) continue;
        EXPECT_NE(line.find("|qel::KillWfeProcess|"), std::string::npos) << line;
        messages.push_back(line.substr(line.rfind('|') + 1));
      }
      return messages.size() >= count;
    }, std::chrono::seconds(5));
    return messages;
  }

  static veska_test::TempDir* data_;
  static veska_test::ScopedEnv* dataHome_;
  veska_test::TempDir bin_;
  std::size_t logOffset_ = 0;
};

veska_test::TempDir* ClientProcessTest::data_ = nullptr;
veska_test::ScopedEnv* ClientProcessTest::dataHome_ = nullptr;

TEST_F(ClientProcessTest, FindsTheExactNameIgnoringCase) {
  auto upper = Start("VESKA.EXE");
  auto longer = Start("myveska.exe");

  EXPECT_EQ(FindProcess_ByName("veska.exe"), static_cast<std::uint32_t>(upper->pid()));
  EXPECT_EQ(FindProcess_ByName("Veska.Exe"), static_cast<std::uint32_t>(upper->pid()));
  EXPECT_EQ(FindProcess_ByName("MYVESKA.EXE"), static_cast<std::uint32_t>(longer->pid()));
  for (const char* other : {"veska", "eska.exe", "veska.exe ", "veska.ex"}) {
    EXPECT_EQ(FindProcess_ByName(other), 0u) << other;
  }

  // With only the longer name left, a search for "veska.exe" finds nothing.
  upper->Kill();
  ASSERT_EQ(upper->WaitExit(), kKilledBySigkill);
  EXPECT_EQ(FindProcess_ByName("veska.exe"), 0u);
}

TEST_F(ClientProcessTest, EndedButUnreapedProcessIsNotFound) {
  // The sleeper returns at once; as our child it stays a zombie until reaped.
  ChildProcess ended(veska_test::InstallAs(VESKA_TEST_SLEEPER, bin_.path(), "veska.exe"), {"0"});
  const auto stat = std::filesystem::path("/proc") / std::to_string(ended.pid()) / "stat";
  ASSERT_TRUE(WaitUntil([&] {
    const std::string text = veska_test::ReadFile(stat);
    return text.substr(text.rfind(')') + 2, 1) == "Z";
  }));
  EXPECT_EQ(FindProcess_ByName("veska.exe"), 0u);
  EXPECT_TRUE(KillClientAndWait());
  EXPECT_EQ(ended.WaitExit(), 0);  // it ended by itself, not by a kill
}

TEST_F(ClientProcessTest, KillWfeProcessTerminatesBothProgramsAndReportsTheSecond) {
  const struct {
    std::vector<std::string> running;
    bool result;
    std::vector<std::string> messages;
  } cases[] = {
      {{}, false, {"air client is not running", "air client is not running"}},
      {{"veska.exe"}, false, {"kill air client success", "air client is not running"}},
      {{"virazerur.exe"}, true, {"air client is not running", "kill air client success"}},
      {{"VESKA.EXE", "VIRAZERUR.EXE"}, true, {"kill air client success", "kill air client success"}},
      {{"myveska.exe", "virazerur.exe"}, true, {"air client is not running", "kill air client success"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::PrintToString(c.running));
    logOffset_ = LogText().size();
    std::vector<std::unique_ptr<ChildProcess>> children;
    for (const auto& name : c.running) children.push_back(Start(name));

    EXPECT_EQ(qel::KillWfeProcess(), c.result);
    EXPECT_EQ(TerminationMessages(2), c.messages);
    for (std::size_t i = 0; i < children.size(); ++i) {
      if (IsClientName(c.running[i])) {
        EXPECT_EQ(children[i]->WaitExit(), kKilledBySigkill) << c.running[i];
      } else {
        EXPECT_FALSE(children[i]->Exited()) << c.running[i] << " must survive";
      }
    }
  }
}

TEST_F(ClientProcessTest, KillClientAndWaitIsTrueOnceVeskaIsGone) {
  const std::vector<std::vector<std::string>> cases = {
      {},
      {"veska.exe"},  // terminated, but the result comes from the search right after
      {"virazerur.exe"},
      {"veska.exe", "virazerur.exe"},
  };
  for (const auto& running : cases) {
    SCOPED_TRACE(testing::PrintToString(running));
    std::vector<std::unique_ptr<ChildProcess>> children;
    for (const auto& name : running) children.push_back(Start(name));

    EXPECT_TRUE(KillClientAndWait());
    EXPECT_EQ(FindProcess_ByName(kClientProgram), 0u);
    for (auto& child : children) EXPECT_EQ(child->WaitExit(), kKilledBySigkill);
  }
}

TEST_F(ClientProcessTest, KillClientAndWaitGivesUpAfterThreeSecondsWhileVeskaRuns) {
  // Only the first "veska.exe" is terminated; the second one stays, as a
  // client that will not end would.
  auto first = Start("veska.exe");
  auto second = Start("veska.exe");
  auto helper = Start("virazerur.exe");

  const auto start = std::chrono::steady_clock::now();
  EXPECT_FALSE(KillClientAndWait());
  EXPECT_GE(std::chrono::steady_clock::now() - start, milliseconds(3000));

  EXPECT_EQ(helper->WaitExit(), kKilledBySigkill);
  const bool firstKilled = first->Exited();
  const bool secondKilled = second->Exited();
  EXPECT_NE(firstKilled, secondKilled) << "exactly one veska.exe is terminated";
  EXPECT_NE(FindProcess_ByName(kClientProgram), 0u);
}

}  // namespace
