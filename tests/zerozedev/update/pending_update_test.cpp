#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/named_program.h"
#include "support/run_program.h"
#include "support/temp_dir.h"
#include "support/wait.h"
#include "zerozedev/update/apply_pending_update.h"
#include "zerozedev/update/install_update_package.h"
#include "safe_unzip/zip_fixture.h"

namespace zerozedev {
namespace {

namespace fs = std::filesystem;
using veska_test::ReadFile;
using veska_test::WriteFile;
using veska_test::WriteZip;
using veska_test::ZipTestEntry;

const std::vector<std::string> kLeftovers = {"Updater.exe", "update.td0", "update.td1",
                                             "update.td2",  "update.td3", "update.td"};

// Every path below `folder`, relative and '/'-separated.
std::set<std::string> TreeOf(const fs::path& folder) {
  std::set<std::string> tree;
  for (const auto& e : fs::recursive_directory_iterator(folder)) {
    tree.insert(fs::relative(e.path(), folder).generic_string());
  }
  return tree;
}

fs::perms PermsOf(const fs::path& path) { return fs::status(path).permissions() & fs::perms::mask; }

class PendingUpdateTest : public testing::Test {
 protected:
  void SetUp() override { fs::create_directories(app_ / "temp"); }

  void RunStartUpSteps() {
    ApplyPendingUpdateIn(app_);
    InstallUpdatePackageIn(app_);
  }

  veska_test::TempDir root_;
  const fs::path app_ = root_.path() / "app";
};

TEST_F(PendingUpdateTest, PackageInTempIsUnpackedAndLeftoversGo) {
  for (const auto& name : kLeftovers) WriteFile(app_ / "temp" / name, "x");
  WriteFile(app_ / "temp" / "unrelated.txt", "stays");
  WriteZip(app_ / "temp" / "update.zip", {{.name = "a.txt", .content = "A"}});

  RunStartUpSteps();

  EXPECT_EQ(TreeOf(app_), (std::set<std::string>{"a.txt", "temp", "temp/unrelated.txt"}));
  EXPECT_EQ(ReadFile(app_ / "a.txt"), "A");
}

TEST_F(PendingUpdateTest, NewerPackageReplacesAnOlderOne) {
  WriteZip(app_ / "update.zip",
           {{.name = "a.txt", .content = "old"}, {.name = "only-old.txt", .content = "o"}});
  WriteZip(app_ / "temp" / "update.zip", {{.name = "a.txt", .content = "new"}});

  RunStartUpSteps();

  EXPECT_EQ(TreeOf(app_), (std::set<std::string>{"a.txt", "temp"}));
  EXPECT_EQ(ReadFile(app_ / "a.txt"), "new");
}

TEST_F(PendingUpdateTest, PackageThatCannotBeMovedStaysForTheNextStart) {
  // A folder in the package's place makes the copy fail.
  WriteFile(app_ / "update.zip" / "blocker", "");
  WriteZip(app_ / "temp" / "update.zip", {{.name = "a.txt", .content = "A"}});

  ApplyPendingUpdateIn(app_);

  EXPECT_TRUE(fs::is_regular_file(app_ / "temp" / "update.zip"));
  EXPECT_TRUE(fs::is_directory(app_ / "update.zip"));
}

// Runs `step` in a child process that may not write a single byte to a file
// (a full disk, a quota), and waits for it.
template <class Step>
void RunWhereNoFileCanGrow(Step step) {
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    signal(SIGXFSZ, SIG_IGN);  // the write fails with EFBIG instead
    const rlimit none{0, 0};
    setrlimit(RLIMIT_FSIZE, &none);
    step();
    _exit(0);
  }
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
}

TEST_F(PendingUpdateTest, CopyThatFailsKeepsBothTheOlderAndTheNewerPackage) {
  WriteZip(app_ / "update.zip", {{.name = "a.txt", .content = "old"}});
  WriteZip(app_ / "temp" / "update.zip", {{.name = "a.txt", .content = "new"}});
  const std::string older = ReadFile(app_ / "update.zip");
  const std::string newer = ReadFile(app_ / "temp" / "update.zip");

  RunWhereNoFileCanGrow([&] { ApplyPendingUpdateIn(app_); });

  ASSERT_EQ(TreeOf(app_), (std::set<std::string>{"temp", "temp/update.zip", "update.zip"}));
  EXPECT_EQ(ReadFile(app_ / "update.zip"), older);
  EXPECT_EQ(ReadFile(app_ / "temp" / "update.zip"), newer);
}

TEST_F(PendingUpdateTest, EntriesCreateTheirFolders) {
  WriteFile(app_ / "bin" / "x.dll", "old x");
  WriteZip(app_ / "update.zip", {{.name = "bin/x.dll", .content = "X"},
                                 {.name = "lib/deep/y.dll", .content = "Y"},
                                 {.name = "win\\z.dll", .content = "Z"},
                                 {.name = "empty/", .content = ""}});

  InstallUpdatePackageIn(app_);

  EXPECT_EQ(TreeOf(app_),
            (std::set<std::string>{"bin", "bin/x.dll", "lib", "lib/deep", "lib/deep/y.dll", "win",
                                   "win/z.dll", "empty", "temp"}));
  EXPECT_EQ(ReadFile(app_ / "bin" / "x.dll"), "X");
  EXPECT_EQ(ReadFile(app_ / "lib" / "deep" / "y.dll"), "Y");
  EXPECT_EQ(ReadFile(app_ / "win" / "z.dll"), "Z");
}

TEST_F(PendingUpdateTest, HostilePackageWritesNothingOutsideTheFolder) {
  const fs::path outside = root_.path() / "outside";
  fs::create_directories(outside);
  WriteZip(app_ / "update.zip",
           {{.name = "../evil", .content = "1"},
            {.name = "..\\evil-back", .content = "2"},
            {.name = "sub/../../evil-deep", .content = "3"},
            {.name = (outside / "evil-absolute").string(), .content = "4"},
            {.name = "C:/evil-drive", .content = "5"},
            {.name = "link", .content = outside.string(), .unix_mode = 0120777},
            {.name = "good.txt", .content = "good"}});

  InstallUpdatePackageIn(app_);

  EXPECT_EQ(TreeOf(root_.path()),
            (std::set<std::string>{"app", "app/good.txt", "app/temp", "outside"}));
  EXPECT_EQ(ReadFile(app_ / "good.txt"), "good");
}

TEST_F(PendingUpdateTest, BrokenEntryLeavesTheOldFileInPlace) {
  WriteFile(app_ / "client.dll", "old client");
  WriteZip(app_ / "update.zip",
           {{.name = "client.dll", .content = "new client", .broken_crc = true},
            {.name = "fresh.dll", .content = "never seen", .broken_crc = true},
            {.name = "after.txt", .content = "after"}});

  InstallUpdatePackageIn(app_);

  // No half-written file and no temporary file stays behind.
  EXPECT_EQ(TreeOf(app_), (std::set<std::string>{"after.txt", "client.dll", "temp"}));
  EXPECT_EQ(ReadFile(app_ / "client.dll"), "old client");
  EXPECT_EQ(ReadFile(app_ / "after.txt"), "after");
}

TEST_F(PendingUpdateTest, PackageThatIsNoZipIsDeletedAndChangesNothing) {
  WriteFile(app_ / "a.txt", "keep");
  WriteFile(app_ / "update.zip", "PK\x03\x04 but not really a zip");

  InstallUpdatePackageIn(app_);

  EXPECT_EQ(TreeOf(app_), (std::set<std::string>{"a.txt", "temp"}));
  EXPECT_EQ(ReadFile(app_ / "a.txt"), "keep");
}

TEST_F(PendingUpdateTest, FileModesFollowThePackageOrTheReplacedFile) {
  struct ModeCase {
    std::string name;
    std::optional<std::uint32_t> stored;
    std::optional<fs::perms> old;
    fs::perms expected;
  };
  const std::vector<ModeCase> cases = {
      {"run.sh", 0100755, std::nullopt, fs::perms(0755)},
      {"narrowed.sh", 0100640, fs::perms(0755), fs::perms(0640)},
      {"setuid.sh", 0104755, std::nullopt, fs::perms(0755)},
      {"kept.sh", std::nullopt, fs::perms(0750), fs::perms(0750)},
      {"kept-readonly.txt", std::nullopt, fs::perms(0444), fs::perms(0444)},
  };
  std::vector<ZipTestEntry> entries;
  for (const auto& c : cases) {
    if (c.old) {
      WriteFile(app_ / c.name, "old");
      fs::permissions(app_ / c.name, *c.old);
    }
    entries.push_back({.name = c.name, .content = "new", .unix_mode = c.stored});
  }
  WriteZip(app_ / "update.zip", entries);

  InstallUpdatePackageIn(app_);

  for (const auto& c : cases) {
    EXPECT_EQ(ReadFile(app_ / c.name), "new") << c.name;
    EXPECT_EQ(PermsOf(app_ / c.name), c.expected) << c.name;
  }
}

TEST_F(PendingUpdateTest, UpdatedClientStillRuns) {
  const std::string program = ReadFile(VESKA_TEST_SLEEPER);
  // Made on Unix with its mode, and made on Windows over an installed client.
  veska_test::InstallAs(VESKA_TEST_SLEEPER, app_, "old-client.exe");
  WriteZip(app_ / "update.zip",
           {{.name = "veskaroom.exe", .content = program, .unix_mode = 0100755},
            {.name = "old-client.exe", .content = program}});

  InstallUpdatePackageIn(app_);

  for (const auto* name : {"veskaroom.exe", "old-client.exe"}) {
    veska_test::ChildProcess client(app_ / name, {"0", "7"});
    EXPECT_EQ(client.WaitExit(), 7) << name;
  }
}

// The launcher's own steps: the package is found beside its executable and
// unpacked into its folder, and refused entries are logged.
TEST_F(PendingUpdateTest, LauncherInstallsThePackageFromItsOwnFolder) {
  veska_test::InstallAs(VESKA_UPDATE_RUNNER, app_, "VESKALaunch.exe");
  WriteZip(app_ / "temp" / "update.zip",
           {{.name = "bin/x.dll", .content = "X"}, {.name = "../evil", .content = "E"}});
  const fs::path data = root_.path() / "data";

  const auto run = veska_test::RunProgram(app_ / "VESKALaunch.exe", {},
                                          {"XDG_DATA_HOME=" + data.string()});

  ASSERT_EQ(run.exit_code, 0) << run.err;
  EXPECT_EQ(TreeOf(app_),
            (std::set<std::string>{"VESKALaunch.exe", "bin", "bin/x.dll", "temp"}));
  EXPECT_FALSE(fs::exists(root_.path() / "evil"));
  std::string log;
  for (const auto& e : fs::recursive_directory_iterator(data)) {
    if (e.is_regular_file()) log += ReadFile(e.path());
  }
  EXPECT_NE(log.find("entry outside the folder, skipped: ../evil"), std::string::npos) << log;
}

TEST_F(PendingUpdateTest, NoPackageLeavesTheCacheAssistantRunning) {
  for (const auto& name : kLeftovers) WriteFile(app_ / "temp" / name, "x");
  auto assistant = veska_test::StartSleeperAs(root_.path() / "bin", "veskaRoomCacheAssistant.exe");

  RunStartUpSteps();

  EXPECT_EQ(TreeOf(app_), (std::set<std::string>{"temp"}));
  EXPECT_FALSE(veska_test::WaitUntil([&] { return assistant.Exited(); },
                                     std::chrono::milliseconds(300)));
}

TEST_F(PendingUpdateTest, PackageStopsTheCacheAssistantByItsExactName) {
  auto assistant = veska_test::StartSleeperAs(root_.path() / "bin", "veskaRoomCacheAssistant.exe");
  auto other_case = veska_test::StartSleeperAs(root_.path() / "bin2", "VESKAROOMCACHEASSISTANT.EXE");
  WriteZip(app_ / "update.zip", {{.name = "a.txt", .content = "A"}});

  InstallUpdatePackageIn(app_);

  EXPECT_EQ(assistant.WaitExit(std::chrono::seconds(5)), 128 + 9);
  EXPECT_FALSE(other_case.Exited());
  EXPECT_EQ(ReadFile(app_ / "a.txt"), "A");
}

}  // namespace
}  // namespace zerozedev
