// Process starts, the desktop's openers, component registration, the debug
// privilege and power off. The openers xdg-open and pkexec are recording
// scripts put first on PATH; logind is python3-dbusmock's template on a
// private bus: nothing here reaches the machine's own.

#include <gtest/gtest.h>
#include <sys/capability.h>
#include <unistd.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "kvt.h"
#include "platform/power.h"
#include "platform/text.h"
#include "support/files.h"
#include "support/named_program.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"
#include "support/wait.h"
#include "windows_version.h"

namespace kvt {
namespace {

namespace fs = std::filesystem;
using Lines = std::vector<std::string>;

std::u16string W(const std::string& text) { return platform::Utf8ToUtf16(text); }

// Appends "name|arg|arg..." to $RECORD.
constexpr const char* kRecorder = R"sh(#!/bin/sh
{ printf '%s' "$(basename "$0")"; for a in "$@"; do printf '|%s' "$a"; done; printf '\n'; } >> "$RECORD"
)sh";

// Marks FOLDER/started, waits (30 s at most) for FOLDER/release, marks FOLDER/done.
constexpr const char* kBlocker = R"sh(#!/bin/sh
touch "$1/started"
i=0
while [ ! -e "$1/release" ] && [ $i -lt 600 ]; do sleep 0.05; i=$((i + 1)); done
touch "$1/done"
)sh";

fs::path Script(const fs::path& folder, const std::string& name, const char* text) {
  const fs::path path = folder / name;
  veska_test::WriteFile(path, text);
  fs::permissions(path, fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec);
  return path;
}

class ProcessHelpersTest : public testing::Test {
 protected:
  void TearDown() override { SetWindowsVersionSourcesForTesting(DefaultWindowsVersionSources()); }

  void AtWindowsLevel(std::uint32_t major, std::uint32_t minor) {
    SetWindowsVersionSourcesForTesting({[=] { return WindowsVersion{major, minor}; }, {}, {}});
  }
  Lines Recorded() const {
    return fs::exists(record_) ? veska_test::SplitLines(veska_test::ReadFile(record_)) : Lines{};
  }

  veska_test::TempDir dir_;
  veska_test::ScopedEnv machine_dir_{"VESKA_REGISTRY_MACHINE_DIR", dir_.str()};
  fs::path bin_ = [this] {
    fs::create_directory(dir_ / "bin");
    for (const char* name : {"xdg-open", "pkexec", "tool"}) Script(dir_ / "bin", name, kRecorder);
    return dir_ / "bin";
  }();
  fs::path record_ = dir_ / "record";
  veska_test::ScopedEnv record_env_{"RECORD", record_.string()};
  veska_test::ScopedEnv path_{"PATH", bin_.string() + ":" + std::string(getenv("PATH") ? getenv("PATH") : "")};
};

TEST_F(ProcessHelpersTest, ExecuteAppWaitsAsLongAsItIsTold) {
  const fs::path blocker = Script(dir_.path(), "blocker.sh", kBlocker);
  auto run = [&](const std::string& folder_name, std::uint32_t wait_ms) {
    const fs::path folder = dir_ / folder_name;
    fs::create_directory(folder);
    std::u16string line = W("\"" + blocker.string() + "\" \"" + folder.string() + "\"");
    EXPECT_TRUE(KvtExecuteApp(nullptr, line.data(), wait_ms));
    return folder;
  };

  // 0: back as soon as the process exists, long before it may end.
  const fs::path at_once = run("at-once", 0);
  EXPECT_FALSE(fs::exists(at_once / "done"));
  EXPECT_TRUE(veska_test::WaitUntil([&] { return fs::exists(at_once / "started"); }));
  EXPECT_FALSE(fs::exists(at_once / "done"));
  veska_test::WriteFile(at_once / "release", "");
  EXPECT_TRUE(veska_test::WaitUntil([&] { return fs::exists(at_once / "done"); }));

  // A bounded wait on a process that does not end returns with it running.
  const fs::path bounded = run("bounded", 50);
  EXPECT_FALSE(fs::exists(bounded / "done"));
  veska_test::WriteFile(bounded / "release", "");
  EXPECT_TRUE(veska_test::WaitUntil([&] { return fs::exists(bounded / "done"); }));

  // Without limit: back once it has ended.
  const fs::path released = dir_ / "released";
  fs::create_directory(released);
  veska_test::WriteFile(released / "release", "");
  std::u16string line = W("\"" + blocker.string() + "\" \"" + released.string() + "\"");
  EXPECT_TRUE(KvtExecuteApp(nullptr, line.data(), 0xFFFFFFFF));
  EXPECT_TRUE(fs::exists(released / "done"));
}

TEST_F(ProcessHelpersTest, ExecuteAppSplitsTheCommandLineByTheWindowsRules) {
  std::u16string line = u"tool a \"b c\" d\\\"e";
  EXPECT_TRUE(KvtExecuteApp(nullptr, line.data(), 0xFFFFFFFF));
  // An application name is run as it is, the command line is its argv.
  std::u16string named = u"anything x";
  EXPECT_TRUE(KvtExecuteApp(W((bin_ / "tool").string()).c_str(), named.data(), 0xFFFFFFFF));
  EXPECT_EQ(Recorded(), (Lines{"tool|a|b c|d\"e", "tool|x"}));

  std::u16string missing = u"no-such-program-veska x";
  EXPECT_FALSE(KvtExecuteApp(nullptr, missing.data(), 0));
  EXPECT_FALSE(KvtExecuteApp(W((dir_ / "missing").string()).c_str(), named.data(), 0));
  EXPECT_FALSE(KvtExecuteApp(nullptr, nullptr, 0));
}

TEST_F(ProcessHelpersTest, UacExecuteAppAsksForElevationFromVistaOn) {
  const std::string tool = (bin_ / "tool").string();
  AtWindowsLevel(10, 0);
  EXPECT_TRUE(UACExecuteApp(u"tool", u"x \"y z\"", 0xFFFFFFFF));
  AtWindowsLevel(6, 0);
  EXPECT_TRUE(UACExecuteApp(W(tool).c_str(), u"v", 0xFFFFFFFF));
  AtWindowsLevel(5, 1);
  EXPECT_TRUE(UACExecuteApp(u"tool", u"w", 0xFFFFFFFF));
  EXPECT_EQ(Recorded(), (Lines{"pkexec|" + tool + "|x|y z", "pkexec|" + tool + "|v", "tool|w"}));
}

TEST_F(ProcessHelpersTest, OpenStartsProgramsAndHandsEverythingElseToTheOpener) {
  const fs::path document = dir_ / "notes with blanks.txt";
  veska_test::WriteFile(document, "x");
  AtWindowsLevel(10, 0);
  EXPECT_TRUE(KvtExecuteAppWithUAC(u"tool", u"x \"y z\"", 0xFFFFFFFF));
  EXPECT_TRUE(KvtExecuteAppWithUAC(W(document.string()).c_str(), nullptr, 0xFFFFFFFF));
  EXPECT_TRUE(KvtExecuteAppWithUAC(u"https://example.invalid/a b", nullptr, 0xFFFFFFFF));
  // Nothing to open, and "runas" for a document: nothing is started.
  EXPECT_FALSE(KvtExecuteAppWithUAC(W((dir_ / "missing.txt").string()).c_str(), nullptr, 0xFFFFFFFF));
  EXPECT_FALSE(UACExecuteApp(W(document.string()).c_str(), nullptr, 0xFFFFFFFF));
  EXPECT_FALSE(KvtExecuteAppWithUAC(nullptr, nullptr, 0));
  EXPECT_EQ(Recorded(), (Lines{"tool|x|y z", "xdg-open|" + document.string(),
                               "xdg-open|https://example.invalid/a b"}));
}

TEST_F(ProcessHelpersTest, RegDllCallsTheComponentsOwnEntryPoint) {
  const fs::path mark = dir_ / "mark";
  veska_test::ScopedEnv mark_env("VESKA_TEST_COMPONENT_MARK", mark.string());
  EXPECT_TRUE(KvtRegDll(W(VESKA_TEST_SELF_REGISTERING).c_str(), true));
  EXPECT_EQ(veska_test::ReadFile(mark), "register\n");
  // No "DllUnregisterServer" in it.
  EXPECT_FALSE(KvtRegDll(W(VESKA_TEST_SELF_REGISTERING).c_str(), false));
  EXPECT_FALSE(KvtRegDll(W((dir_ / "missing.so").string()).c_str(), true));
  EXPECT_FALSE(KvtRegDll(W(VESKA_PE64_DLL).c_str(), true));
  EXPECT_FALSE(KvtRegDll(nullptr, true));
}

struct Capabilities {
  cap_t caps = cap_get_proc();
  ~Capabilities() { cap_free(caps); }
  cap_flag_value_t Flag(cap_flag_t set) const {
    cap_flag_value_t value = CAP_CLEAR;
    cap_get_flag(caps, CAP_SYS_PTRACE, set, &value);
    return value;
  }
};

TEST(DebugPrivilegeTest, PutsAHeldPrivilegeIntoEffect) {
  if (Capabilities().Flag(CAP_PERMITTED) != CAP_SET) {
    EXPECT_TRUE(GetDebugPrivilege()) << "not holding it is no failure";
    GTEST_SKIP() << "the process does not hold CAP_SYS_PTRACE, so it cannot be put into effect";
  }
  {
    Capabilities lowered;
    const cap_value_t ptrace[] = {CAP_SYS_PTRACE};
    ASSERT_EQ(cap_set_flag(lowered.caps, CAP_EFFECTIVE, 1, ptrace, CAP_CLEAR), 0);
    ASSERT_EQ(cap_set_proc(lowered.caps), 0);
  }
  ASSERT_EQ(Capabilities().Flag(CAP_EFFECTIVE), CAP_CLEAR);
  EXPECT_TRUE(GetDebugPrivilege());
  EXPECT_EQ(Capabilities().Flag(CAP_EFFECTIVE), CAP_SET);
}

// A private bus with python3-dbusmock's logind on it, named as the system
// bus for this process before anything else happens.
class PrivateLogind {
 public:
  explicit PrivateLogind(const std::string& can_power_off) {
    daemon_.emplace("/usr/bin/dbus-daemon",
                    std::vector<std::string>{"--config-file=/usr/share/dbus-1/session.conf",
                                             "--address=" + address_, "--nofork"});
    EXPECT_TRUE(veska_test::WaitUntil([&] { return fs::exists(dir_ / "bus"); })) << "no private bus";
    mock_.emplace("/usr/bin/python3",
                  std::vector<std::string>{"-m", "dbusmock", "--system", "--template", "logind", "-l",
                                           log_.string(), "-p", "{\"CanPowerOff\": \"" + can_power_off + "\"}"},
                  std::vector<std::string>{"DBUS_SYSTEM_BUS_ADDRESS=" + address_});
    ready_ = veska_test::WaitUntil([] { return platform::CanPowerOff().ok(); }, std::chrono::seconds(30));
  }

  bool ready() const { return ready_; }
  std::string Log() const { return fs::exists(log_) ? veska_test::ReadFile(log_) : std::string(); }

 private:
  veska_test::TempDir dir_;
  std::string address_ = "unix:path=" + (dir_ / "bus").string();
  veska_test::ScopedEnv system_bus_{"DBUS_SYSTEM_BUS_ADDRESS", address_};
  fs::path log_ = dir_ / "logind.log";
  std::optional<veska_test::ChildProcess> daemon_;
  std::optional<veska_test::ChildProcess> mock_;
  bool ready_ = false;
};

TEST(ShutdownWindowTest, PowersOffOnlyWhenLogindSaysYes) {
  {
    PrivateLogind logind("yes");
    ASSERT_TRUE(logind.ready()) << "python3-dbusmock's logind did not come up";
    EXPECT_EQ(*platform::CanPowerOff(), "yes");
    EXPECT_TRUE(ShutdownWindow());
    EXPECT_NE(logind.Log().find("PowerOff False"), std::string::npos) << logind.Log();
  }
  for (const char* answer : {"challenge", "no", "na"}) {
    PrivateLogind logind(answer);
    ASSERT_TRUE(logind.ready());
    EXPECT_FALSE(ShutdownWindow()) << answer;
    const std::string log = logind.Log();
    EXPECT_NE(log.find("CanPowerOff"), std::string::npos) << log;
    EXPECT_EQ(log.find("PowerOff False"), std::string::npos) << log;
  }
}

TEST(ShutdownWindowTest, NoLoginManagerNoPowerOff) {
  veska_test::TempDir dir;
  veska_test::ScopedEnv system_bus("DBUS_SYSTEM_BUS_ADDRESS", "unix:path=" + (dir / "nobody-listens").string());
  EXPECT_FALSE(ShutdownWindow());
}

}  // namespace
}  // namespace kvt
