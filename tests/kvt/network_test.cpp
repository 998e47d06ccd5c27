// The connection check on a replaced network state and made-up route
// tables, the browser export with recording openers first on PATH, and the
// projector check on made-up DRM trees.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "kvt.h"
#include "machine_sources.h"
#include "platform/network_state.h"
#include "support/files.h"
#include "support/scoped_env.h"
#include "support/temp_dir.h"

namespace kvt {
namespace {

namespace fs = std::filesystem;

class NetworkTest : public testing::Test {
 protected:
  ~NetworkTest() override {
    SetMachineSourcesForTesting({});
    platform::SetNetworkAliveForTesting({});
  }
  veska_test::TempDir dir_;
};

const char kRouteHeading[] =
    "Iface\tDestination\tGateway \tFlags\tRefCnt\tUse\tMetric\tMask\t\tMTU\tWindow\tIRTT\n";
const std::string kIpv6Loopback =
    "00000000000000000000000000000001 80 00000000000000000000000000000000 00 "
    "00000000000000000000000000000000 00000000 00000002 00000000 80200001       lo\n";
const std::string kIpv6Unreachable =
    "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
    "00000000000000000000000000000000 ffffffff 00000001 00000000 00200200       lo\n";
const std::string kIpv6Default =
    "00000000000000000000000000000000 00 00000000000000000000000000000000 00 "
    "fd000000000000000000000000000001 00000400 00000002 00000000 00000003     eth0\n";

TEST_F(NetworkTest, ANetworkThatIsAliveOrADefaultRoute) {
  struct Case {
    const char* name;
    bool alive;
    std::string ipv4;
    std::string ipv6;
    bool connected;
  };
  const std::string ipv4_default = std::string(kRouteHeading) +
                                   "eth0\t00000000\t010200C0\t0003\t0\t0\t0\t00000000\t0\t0\t0\n"
                                   "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n";
  const std::string ipv4_local_only =
      std::string(kRouteHeading) + "eth0\t000200C0\t00000000\t0001\t0\t0\t0\t00FFFFFF\t0\t0\t0\n";
  const std::string ipv4_default_down =
      std::string(kRouteHeading) + "eth0\t00000000\t010200C0\t0002\t0\t0\t0\t00000000\t0\t0\t0\n";
  const Case cases[] = {
      {"alive", true, "", "", true},
      {"IPv4 default route", false, ipv4_default, kIpv6Loopback, true},
      {"IPv6 default route", false, ipv4_local_only, kIpv6Loopback + kIpv6Default, true},
      {"local routes only", false, ipv4_local_only, kIpv6Loopback + kIpv6Unreachable, false},
      {"default route down", false, ipv4_default_down, "", false},
      {"no tables", false, "", "", false},
  };
  int round = 0;
  for (const Case& c : cases) {
    const fs::path proc = dir_ / std::to_string(round++);
    fs::create_directories(proc / "net");
    if (!c.ipv4.empty()) veska_test::WriteFile(proc / "net/route", c.ipv4);
    if (!c.ipv6.empty()) veska_test::WriteFile(proc / "net/ipv6_route", c.ipv6);
    MachineSources sources;
    sources.procfs_root = proc.string();
    SetMachineSourcesForTesting(sources);
    platform::SetNetworkAliveForTesting([alive = c.alive] { return alive; });
    EXPECT_EQ(IsHasInternetConnection(), c.connected) << c.name;
  }
}

// Openers that record their arguments and answer with a given exit code.
class OpenerTest : public NetworkTest {
 protected:
  void Opener(const std::string& name, int exit_code) {
    const fs::path script = dir_ / "bin" / name;
    fs::create_directories(script.parent_path());
    veska_test::WriteFile(script, "#!/bin/sh\nprintf '%s %s\\n' \"" + name + "\" \"$*\" >> '" +
                                      (dir_ / "opened").string() + "'\nexit " + std::to_string(exit_code) + "\n");
    fs::permissions(script, fs::perms::owner_all);
  }
  std::vector<std::string> Opened() {
    if (!fs::exists(dir_ / "opened")) return {};
    return veska_test::SplitLines(veska_test::ReadFile(dir_ / "opened"));
  }

  // Only our openers: none of the machine's.
  veska_test::ScopedEnv path_{"PATH", (dir_ / "bin").string() + ":/usr/bin/nonexistent"};
};

TEST_F(OpenerTest, TheDefaultHandlerFirstUnlessTheBrowserIsPreferred) {
  const char16_t* url = u"https://example.com/a b?x=1&y=\"2\"";
  const std::string arguments = "https://example.com/a b?x=1&y=\"2\"";
  struct Case {
    bool prefer_browser;
    int handler_exit;  // -1: no such program
    int browser_exit;
    bool opened;
    std::vector<std::string> calls;
  };
  const Case cases[] = {
      {false, 0, 0, true, {"xdg-open " + arguments}},
      {false, 3, 0, true, {"xdg-open " + arguments, "x-www-browser " + arguments}},
      {false, 3, 1, false, {"xdg-open " + arguments, "x-www-browser " + arguments}},
      {false, -1, 0, true, {"x-www-browser " + arguments}},
      {true, 0, 0, true, {"x-www-browser " + arguments}},
      {true, 0, 1, true, {"x-www-browser " + arguments, "xdg-open " + arguments}},
      {true, 4, 1, false, {"x-www-browser " + arguments, "xdg-open " + arguments}},
      {true, -1, -1, false, {}},
  };
  for (const Case& c : cases) {
    fs::remove_all(dir_ / "bin");
    fs::remove(dir_ / "opened");
    if (c.handler_exit >= 0) Opener("xdg-open", c.handler_exit);
    if (c.browser_exit >= 0) Opener("x-www-browser", c.browser_exit);
    EXPECT_EQ(KvtIERunUrl(url, c.prefer_browser), c.opened) << c.prefer_browser << c.handler_exit << c.browser_exit;
    EXPECT_EQ(Opened(), c.calls);
  }
  EXPECT_FALSE(KvtIERunUrl(nullptr, false));
}

class ProjectorTest : public NetworkTest {
 protected:
  bool ProjectorOn(const std::vector<std::pair<std::string, std::string>>& connectors) {
    const fs::path sys = dir_ / std::to_string(trees_++);
    fs::create_directories(sys / "class/drm/card0");
    fs::create_directories(sys / "class/drm/renderD128");
    veska_test::WriteFile(sys / "class/drm/version", "drm 1.1.0 20060810\n");
    for (const auto& [name, status] : connectors) {
      fs::create_directories(sys / "class/drm" / name);
      veska_test::WriteFile(sys / "class/drm" / name / "status", status + "\n");
    }
    MachineSources sources;
    sources.sysfs_root = sys.string();
    SetMachineSourcesForTesting(sources);
    return IsConnectProjector();
  }
  int trees_ = 0;
};

TEST_F(ProjectorTest, AScreenOnAnOutputOtherThanABuiltInPanel) {
  EXPECT_FALSE(ProjectorOn({}));
  EXPECT_FALSE(ProjectorOn({{"card0-eDP-1", "connected"}, {"card0-HDMI-A-1", "disconnected"}}));
  EXPECT_FALSE(ProjectorOn({{"card0-LVDS-1", "connected"}, {"card1-DSI-1", "connected"}}));
  EXPECT_FALSE(ProjectorOn({{"card0-Writeback-1", "connected"}, {"card0-DP-1", "unknown"}}));
  EXPECT_TRUE(ProjectorOn({{"card0-eDP-1", "connected"}, {"card0-HDMI-A-1", "connected"}}));
  EXPECT_TRUE(ProjectorOn({{"card1-DP-2", "connected"}}));
  EXPECT_TRUE(ProjectorOn({{"card0-VGA-1", "connected"}}));
  // Without DRM at all.
  MachineSources sources;
  sources.sysfs_root = (dir_ / "nothing").string();
  SetMachineSourcesForTesting(sources);
  EXPECT_FALSE(IsConnectProjector());
}

}  // namespace
}  // namespace kvt
