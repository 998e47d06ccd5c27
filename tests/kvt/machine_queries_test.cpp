#include "machine_facts.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "kvt.h"
#include "platform/text.h"
#include "support/files.h"
#include "support/temp_dir.h"

namespace kvt {
namespace {

namespace fs = std::filesystem;

class MachineQueriesTest : public testing::Test {
 protected:
  void TearDown() override { SetMachineFactsForTesting({}); }
};

TEST_F(MachineQueriesTest, SixtyFourBitMeansAnAmd64OrIa64System) {
  for (const auto& [architecture, expected] : std::vector<std::pair<std::string, bool>>{
           {"x86_64", true}, {"ia64", true}, {"aarch64", false}, {"i686", false}, {"", false}}) {
    SetMachineFactsForTesting({[a = architecture] { return a; }, {}, {}});
    EXPECT_EQ(IsWindow64(), expected) << architecture;
  }
  EXPECT_FALSE(IsWindowServer());
}

TEST_F(MachineQueriesTest, VmwareIsToldByTheHypervisorOrTheFirmware) {
  using Vendor = std::optional<std::string>;
  struct Case {
    Vendor hypervisor;
    Vendor firmware;
    bool expected;
  };
  for (const auto& c : std::vector<Case>{{"VMwareVMware", std::nullopt, true},
                                         {std::nullopt, "VMware, Inc.", true},
                                         {"KVMKVMKVM", "QEMU", false},
                                         {"Microsoft Hv", "Microsoft Corporation", false},
                                         {std::nullopt, std::nullopt, false}}) {
    SetMachineFactsForTesting({{}, [v = c.hypervisor] { return v; }, [v = c.firmware] { return v; }});
    EXPECT_EQ(IsVMVare(), c.expected) << c.hypervisor.value_or("-") << " " << c.firmware.value_or("-");
  }
}

bool Is64(const fs::path& path) { return Is64bitDLL(platform::Utf8ToUtf16(path.string()).c_str()); }

// A copy of a real PE image with another machine in its file header.
fs::path WithMachine(const fs::path& image, std::uint16_t machine, const fs::path& folder) {
  std::string bytes = veska_test::ReadFile(image);
  const auto new_header = static_cast<std::size_t>(
      static_cast<std::uint8_t>(bytes[60]) | (static_cast<std::uint8_t>(bytes[61]) << 8));
  bytes[new_header + 4] = static_cast<char>(machine & 0xff);
  bytes[new_header + 5] = static_cast<char>(machine >> 8);
  const fs::path copy = folder / ("machine-" + std::to_string(machine) + ".dll");
  veska_test::WriteFile(copy, bytes);
  return copy;
}

TEST(Is64bitDllTest, ReadsTheMachineOfRealImages) {
  veska_test::TempDir dir;
  EXPECT_FALSE(Is64(VESKA_PE32_DLL));
  EXPECT_TRUE(Is64(VESKA_PE64_DLL));
  for (const auto& [machine, expected] : std::vector<std::pair<std::uint16_t, bool>>{
           {0x14C, false}, {0x8664, true}, {0x200, true}, {0xAA64, false}}) {
    EXPECT_EQ(Is64(WithMachine(VESKA_PE32_DLL, machine, dir.path())), expected) << machine;
  }
  // This library's own ELF64 image.
  EXPECT_TRUE(Is64(VESKA_KVT_LIBRARY));
}

TEST(Is64bitDllTest, AnythingElseIsNotA64BitImage) {
  veska_test::TempDir dir;
  veska_test::WriteFile(dir / "text.txt", std::string(200, 'a'));
  veska_test::WriteFile(dir / "short.dll", "MZ" + std::string(40, '\0'));
  std::string far_header = veska_test::ReadFile(VESKA_PE64_DLL).substr(0, 64);
  far_header[60] = '\xF0';
  far_header[61] = '\xFF';
  far_header[62] = '\x00';
  veska_test::WriteFile(dir / "far.dll", far_header);
  std::string negative = far_header;
  negative[63] = '\x80';
  veska_test::WriteFile(dir / "negative.dll", negative);

  for (const char* name : {"text.txt", "short.dll", "far.dll", "negative.dll", "missing.dll"}) {
    EXPECT_FALSE(Is64(dir / name)) << name;
  }
  EXPECT_FALSE(Is64(dir.path()));
  EXPECT_FALSE(Is64bitDLL(nullptr));
}

}  // namespace
}  // namespace kvt
