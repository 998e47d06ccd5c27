// The four information objects through KvtCreateObject: their IUnknown
// rules and lock count, the processor on CPUID (the real one and made-up
// ones), the primary display adapter on made-up sysfs trees with names from
// pci.ids, file versions and the MD5 object's own checks.

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "kvt.h"
#include "machine_sources.h"
#include "platform/machine.h"
#include "platform/text.h"
#include "support/files.h"
#include "support/temp_dir.h"

namespace kvt {
namespace {

namespace fs = std::filesystem;

std::u16string W(const fs::path& path) { return platform::Utf8ToUtf16(path.string()); }

template <class Interface>
Interface* Create(uint32_t type) {
  void* out = nullptr;
  EXPECT_EQ(KvtCreateObject(type, &out), KVT_S_OK) << type;
  return static_cast<Interface*>(out);
}

// Machine sources for one test, restored after it.
class SourcesTest : public testing::Test {
 protected:
  ~SourcesTest() override { SetMachineSourcesForTesting({}); }
};

struct ObjectKind {
  uint32_t type;
  const GUID* iid;
};
const ObjectKind kKinds[] = {{3, &IID_IKvtMD5}, {4, &IID_IKvtCPU}, {5, &IID_IKvtGPU}, {7, &IID_IKvtFileVer}};

TEST(InfoObjectTest, QueryInterfaceAnswersIUnknownAndItsOwnInterfaceOnly) {
  for (const ObjectKind& kind : kKinds) {
    auto* object = Create<IUnknown>(kind.type);
    ASSERT_NE(object, nullptr);
    void* out = nullptr;
    ASSERT_EQ(object->QueryInterface(IID_IUnknown, &out), KVT_S_OK);
    EXPECT_EQ(out, object);
    ASSERT_EQ(object->QueryInterface(*kind.iid, &out), KVT_S_OK);
    EXPECT_EQ(out, object);
    for (const ObjectKind& other : kKinds) {
      if (other.iid == kind.iid) continue;
      out = &out;
      EXPECT_EQ(object->QueryInterface(*other.iid, &out), KVT_E_NOINTERFACE) << kind.type;
      EXPECT_EQ(out, nullptr);
    }
    EXPECT_EQ(object->QueryInterface(IID_IClassFactory, &out), KVT_E_NOINTERFACE);
    EXPECT_EQ(object->QueryInterface(*kind.iid, nullptr), KVT_E_POINTER);
    // The caller's reference and the two that QueryInterface gave.
    EXPECT_EQ(object->Release(), 2u);
    EXPECT_EQ(object->Release(), 1u);
    EXPECT_EQ(object->Release(), 0u);
  }
}

TEST(InfoObjectTest, TheLibraryCanUnloadOnlyWhenNoObjectLives) {
  ASSERT_EQ(DllCanUnloadNow(), KVT_S_OK);
  auto* cpu = Create<IKvtCPU>(4);
  auto* md5 = Create<IKvtMD5>(3);
  EXPECT_EQ(cpu->AddRef(), 2u);
  EXPECT_EQ(DllCanUnloadNow(), KVT_S_FALSE);
  md5->Release();
  cpu->Release();
  EXPECT_EQ(DllCanUnloadNow(), KVT_S_FALSE);
  EXPECT_EQ(cpu->Release(), 0u);
  EXPECT_EQ(DllCanUnloadNow(), KVT_S_OK);
}

// --- Processor ---------------------------------------------------------

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(" \t");
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(" \t") - first + 1);
}

// /proc/cpuinfo's "model name": the kernel's copy of the brand string.
std::string KernelModelName() {
  std::ifstream cpuinfo("/proc/cpuinfo");
  for (std::string line; std::getline(cpuinfo, line);) {
    if (line.starts_with("model name")) return Trimmed(line.substr(line.find(':') + 1));
  }
  return {};
}

TEST(CpuObjectTest, TheRealProcessor) {
  auto* cpu = Create<IKvtCPU>(4);
  // Every x86-64 processor has SSE; flag 0x10 is never set.
  EXPECT_EQ(cpu->HasFeature(0x02), KVT_S_OK);
  EXPECT_EQ(cpu->HasFeature(0x10), KVT_E_FAIL);
  EXPECT_EQ(cpu->HasFeature(0), KVT_E_FAIL);
  char16_t brand[64] = {};
  ASSERT_EQ(cpu->GetBrandString(brand, 64), KVT_S_OK);
  EXPECT_NE(brand[0], u' ');
  const std::string model = KernelModelName();
  if (!model.empty()) {
    EXPECT_EQ(Trimmed(platform::Utf16ToUtf8(brand)), model);
  }
  EXPECT_GE(cpu->GetProcessorCount(), 1);
  cpu->Release();
}

struct FakeProcessor {
  std::map<uint32_t, platform::CpuidRegisters> leaves;

  static uint32_t Word(const char* four) {
    uint32_t word = 0;
    std::memcpy(&word, four, 4);
    return word;
  }
  void SetVendor(const char (&twelve)[13]) {
    leaves[0] = {0xD, Word(twelve), Word(twelve + 8), Word(twelve + 4)};
  }
  void SetBrand(const std::string& text) {
    std::string padded = text;
    padded.resize(48, '\0');
    for (uint32_t i = 0; i < 3; ++i) {
      const char* part = padded.data() + 16 * i;
      leaves[0x80000002 + i] = {Word(part), Word(part + 4), Word(part + 8), Word(part + 12)};
    }
  }
  void Install() const {
    MachineSources sources;
    sources.cpuid = [leaves = leaves](uint32_t leaf) -> std::optional<platform::CpuidRegisters> {
      const auto found = leaves.find(leaf);
      if (found == leaves.end()) return std::nullopt;
      return found->second;
    };
    SetMachineSourcesForTesting(sources);
  }
};

using CpuObjectFakeTest = SourcesTest;

TEST_F(CpuObjectFakeTest, FeatureFlagsFromLeafOne) {
  struct Case {
    uint32_t ecx, edx, flags;
  };
  const Case cases[] = {
      {0, 1u << 23, 0x01},          {0, 1u << 25, 0x02},       {0, 1u << 26, 0x04},
      {1u << 0, 0, 0x08},           {1u << 19, 0, 0x20},       {1u << 20, 0, 0x40},
      {0xFFFFFFFF, 0xFFFFFFFF, 0x6F}, {0, 0, 0},
  };
  for (const Case& c : cases) {
    FakeProcessor processor;
    processor.leaves[1] = {0, 0, c.ecx, c.edx};
    processor.Install();
    auto* cpu = Create<IKvtCPU>(4);
    for (uint32_t bit = 0x01; bit <= 0x40; bit <<= 1) {
      EXPECT_EQ(cpu->HasFeature(bit), (c.flags & bit) ? KVT_S_OK : KVT_E_FAIL) << std::hex << c.flags << " " << bit;
    }
    cpu->Release();
  }
}

TEST_F(CpuObjectFakeTest, BrandVendorAndCount) {
  FakeProcessor processor;
  processor.SetBrand("       Intel(R) Core(TM) i5-8250U CPU @ 1.60GHz");
  processor.SetVendor("GenuineIntel");
  processor.leaves[1] = {0, 8u << 16, 0, 0};
  processor.Install();
  auto* cpu = Create<IKvtCPU>(4);

  char16_t zeroed[64] = {};
  ASSERT_EQ(cpu->GetBrandString(zeroed, 64), KVT_S_OK);
  EXPECT_EQ(std::u16string(zeroed), u"Intel(R) Core(TM) i5-8250U CPU @ 1.60GHz");
  // No terminator of its own.
  std::u16string filled(64, u'#');
  ASSERT_EQ(cpu->GetBrandString(filled.data(), 64), KVT_S_OK);
  EXPECT_EQ(filled, u"Intel(R) Core(TM) i5-8250U CPU @ 1.60GHz" + std::u16string(24, u'#'));
  // A buffer too small is not written.
  std::u16string small(10, u'#');
  EXPECT_EQ(cpu->GetBrandString(small.data(), 10), KVT_E_FAIL);
  EXPECT_EQ(small, std::u16string(10, u'#'));
  EXPECT_EQ(cpu->GetBrandString(nullptr, 64), KVT_E_FAIL);

  std::u16string vendor(16, u'#');
  ASSERT_EQ(cpu->GetVendorString(vendor.data(), 16), KVT_S_OK);
  EXPECT_EQ(vendor, u"GenuineIntel####");
  EXPECT_EQ(cpu->GetVendor(), 1);
  EXPECT_EQ(cpu->GetProcessorCount(), 8);
  cpu->Release();
}

TEST_F(CpuObjectFakeTest, VendorCodes) {
  const std::pair<const char*, int32_t> cases[] = {
      {"GenuineIntel", 1}, {"AuthenticAMD", 2}, {"CentaurHauls", 0}, {"HygonGenuine", 0},
      // The real VIA text ends in a blank: it never equals "VIA VIA VIA".
      {"VIA VIA VIA ", 0},
  };
  for (const auto& [text, code] : cases) {
    FakeProcessor processor;
    char vendor[13] = {};
    std::memcpy(vendor, text, 12);
    processor.SetVendor(vendor);
    processor.Install();
    auto* cpu = Create<IKvtCPU>(4);
    EXPECT_EQ(cpu->GetVendor(), code) << text;
    cpu->Release();
  }
}

TEST_F(CpuObjectFakeTest, AProcessorWithoutTheQueries) {
  FakeProcessor().Install();
  auto* cpu = Create<IKvtCPU>(4);
  EXPECT_EQ(cpu->HasFeature(0xFF), KVT_E_FAIL);
  EXPECT_EQ(cpu->GetVendor(), 0);
  char16_t brand[8] = {u'#'};
  EXPECT_EQ(cpu->GetBrandString(brand, 8), KVT_S_OK);
  EXPECT_EQ(brand[0], u'#');
  // No count in leaf 1: the system's count.
  EXPECT_EQ(cpu->GetProcessorCount(), static_cast<int32_t>(platform::OnlineProcessorCount()));
  cpu->Release();
}

// --- Display adapter -----------------------------------------------------

// pci.ids' own names of a vendor and one of its devices.
std::string PciIdsName(const std::string& vendor, const std::string& device) {
  std::ifstream list("/usr/share/misc/pci.ids");
  std::string vendor_name;
  for (std::string line; std::getline(list, line);) {
    if (line.starts_with("#")) continue;
    if (vendor_name.empty()) {
      if (line.starts_with(vendor + "  ")) vendor_name = line.substr(vendor.size() + 2);
    } else if (line.starts_with("\t" + device + "  ")) {
      return vendor_name + " " + line.substr(device.size() + 3);
    } else if (!line.starts_with("\t")) {
      break;
    }
  }
  return {};
}

struct FakeAdapter {
  std::string slot;
  std::string vendor;
  std::string device;
  bool boot = false;
  bool rendering = false;
  std::string pci_class = "0x030000";
};

void WriteDevice(const fs::path& root, const FakeAdapter& adapter) {
  const fs::path dir = root / "bus/pci/devices" / adapter.slot;
  fs::create_directories(dir);
  veska_test::WriteFile(dir / "class", adapter.pci_class + "\n");
  veska_test::WriteFile(dir / "vendor", "0x" + adapter.vendor + "\n");
  veska_test::WriteFile(dir / "device", "0x" + adapter.device + "\n");
  veska_test::WriteFile(dir / "subsystem_vendor", "0x17aa\n");
  veska_test::WriteFile(dir / "subsystem_device", "0x2248\n");
  veska_test::WriteFile(dir / "revision", "0x07\n");
  if (adapter.pci_class.starts_with("0x0300")) veska_test::WriteFile(dir / "boot_vga", adapter.boot ? "1\n" : "0\n");
  if (adapter.rendering) {
    fs::create_directories(dir / "driver");
    fs::create_directories(dir / "drm/renderD128");
    fs::create_directories(dir / "drm/card0");
  }
}

class GpuObjectTest : public SourcesTest {
 protected:
  IKvtGPU* GpuOn(const std::vector<FakeAdapter>& adapters) {
    const fs::path root = tree_ / std::to_string(trees_++);
    fs::create_directories(root / "bus/pci/devices");
    for (const auto& adapter : adapters) WriteDevice(root, adapter);
    MachineSources sources;
    sources.sysfs_root = root.string();
    SetMachineSourcesForTesting(sources);
    return Create<IKvtGPU>(5);
  }

  veska_test::TempDir tree_;
  int trees_ = 0;
};

TEST_F(GpuObjectTest, VendorTable) {
  struct Case {
    const char* vendor;
    const char* device;
    int32_t code;
    bool microsoft;
  };
  const Case cases[] = {
      {"8086", "3e92", 1, false}, {"1002", "67df", 2, false}, {"10de", "1c82", 3, false},
      {"5333", "8a01", 4, false}, {"1106", "3122", 4, false}, {"1414", "5353", 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.vendor);
    auto* gpu = GpuOn({{"0000:00:02.0", c.vendor, c.device, true, true}});
    EXPECT_EQ(gpu->GetVendor(), c.code);
    char16_t description[260];
    ASSERT_EQ(gpu->GetDescription(description, 260), KVT_S_OK);
    EXPECT_EQ(platform::Utf16ToUtf8(description), PciIdsName(c.vendor, c.device));
    EXPECT_EQ(gpu->IsMicrosoftAdapter(), c.microsoft);
    char16_t id[8];
    ASSERT_EQ(gpu->GetVendorId(id, 8), KVT_S_OK);
    std::string upper = c.vendor;
    for (char& ch : upper) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
    EXPECT_EQ(platform::Utf16ToUtf8(id), upper);
    EXPECT_TRUE(gpu->IsHardwareAccelerated());
    gpu->Release();
  }
}

TEST_F(GpuObjectTest, ThePrimaryIsTheAdapterTheMachineBootedOn) {
  // A 3D controller (class 0x0302) and a second VGA device that is not
  // primary come first in slot order.
  auto* gpu = GpuOn({{"0000:00:01.0", "10de", "1c82", false, true, "0x030200"},
                     {"0000:00:02.0", "1002", "67df", false, true},
                     {"0000:01:00.0", "8086", "3e92", true, false}});
  EXPECT_EQ(gpu->GetVendor(), 1);
  EXPECT_FALSE(gpu->IsHardwareAccelerated());
  gpu->Release();
}

TEST_F(GpuObjectTest, NoPrimaryAdapter) {
  for (const auto& adapters : {std::vector<FakeAdapter>{},
                               std::vector<FakeAdapter>{{"0000:00:02.0", "8086", "3e92", false, true}},
                               std::vector<FakeAdapter>{{"0000:00:03.0", "8086", "15b8", true, true, "0x020000"}}}) {
    auto* gpu = GpuOn(adapters);
    EXPECT_EQ(gpu->GetVendor(), 0);
    char16_t text[64] = u"untouched";
    EXPECT_EQ(gpu->GetDescription(text, 64), KVT_E_FAIL);
    EXPECT_EQ(gpu->GetVendorId(text, 64), KVT_E_FAIL);
    EXPECT_FALSE(gpu->IsHardwareAccelerated());
    EXPECT_FALSE(gpu->IsMicrosoftAdapter());
    gpu->Release();
  }
}

TEST_F(GpuObjectTest, BuffersAndReservedSlots) {
  // An adapter pci.ids does not know gets its numbers.
  auto* gpu = GpuOn({{"0000:00:02.0", "1234", "1111", true, false}});
  EXPECT_EQ(gpu->GetVendor(), 0);
  char16_t text[64];
  ASSERT_EQ(gpu->GetDescription(text, 64), KVT_S_OK);
  EXPECT_NE(std::u16string(text).find(u"1234"), std::u16string::npos);
  std::u16string id(8, u'#');
  // The id "1234" and its terminator need five characters.
  EXPECT_EQ(gpu->GetVendorId(id.data(), 4), KVT_E_FAIL);
  EXPECT_EQ(id, std::u16string(4, u'\0') + u"####");
  ASSERT_EQ(gpu->GetVendorId(id.data(), 5), KVT_S_OK);
  EXPECT_EQ(id, std::u16string(u"1234") + u'\0' + u"###");
  EXPECT_EQ(gpu->GetDescription(nullptr, 64), KVT_E_FAIL);
  EXPECT_EQ(gpu->GetDescription(text, 3), KVT_E_FAIL);
  EXPECT_EQ(text[0], u'\0');
  EXPECT_FALSE(gpu->Reserved6());
  EXPECT_EQ(gpu->Reserved9(1, 2), KVT_E_FAIL);
  EXPECT_EQ(gpu->Reserved10(1, 2), KVT_E_FAIL);
  EXPECT_FALSE(gpu->Reserved11());
  gpu->Release();
}

// --- File version ----------------------------------------------------------

TEST(FileVerObjectTest, LoadsAndPrintsAVersion) {
  auto* version = Create<IKvtFileVer>(7);
  const std::u16string fixture = W(fs::path(VESKA_PE_FIXTURE_DIR) / "versioned64.dll");
  ASSERT_EQ(version->Load(fixture.c_str()), KVT_S_OK);
  FileVersion read{};
  ASSERT_EQ(version->GetVersion(&read), KVT_S_OK);
  EXPECT_EQ((std::vector<int>{read.major, read.minor, read.build, read.revision}), (std::vector<int>{1, 2, 3, 4}));
  char16_t text[24];
  ASSERT_EQ(version->GetVersionString(text, 24), KVT_S_OK);
  EXPECT_EQ(std::u16string(text), u"1.2.3.4");
  ASSERT_EQ(version->FormatVersion(u"v%d.%d (build %d-%d)", text, 24), KVT_S_OK);
  EXPECT_EQ(std::u16string(text), u"v1.2 (build 3-4)");
  EXPECT_EQ(version->FormatVersion(u"%s", text, 24), KVT_E_FAIL);
  EXPECT_EQ(version->GetVersionString(text, 7), KVT_E_FAIL);
  EXPECT_EQ(version->CompareWithFile(fixture.c_str()), 0);
  EXPECT_EQ(version->CompareWithFile(u"/nonexistent/file.dll"), 1);
  EXPECT_EQ(version->GetVersion(nullptr), KVT_E_FAIL);

  // A file without a version resource clears what was there.
  EXPECT_EQ(version->Load(W(VESKA_PE64_DLL).c_str()), KVT_E_FAIL);
  ASSERT_EQ(version->GetVersionString(text, 24), KVT_S_OK);
  EXPECT_EQ(std::u16string(text), u"0.0.0.0");
  ASSERT_EQ(version->Load(fixture.c_str()), KVT_S_OK);
  EXPECT_EQ(version->Clear(), KVT_S_OK);
  ASSERT_EQ(version->GetVersion(&read), KVT_S_OK);
  EXPECT_EQ((std::vector<int>{read.major, read.minor, read.build, read.revision}), (std::vector<int>{0, 0, 0, 0}));
  version->Release();
}

// Objects holding 1.2.0.0, 1.3.0.0 and 1.256.0.0, from images built for them.
IKvtFileVer* VersionObject(const std::string& version) {
  auto* object = Create<IKvtFileVer>(7);
  const fs::path image = fs::path(VESKA_PE_FIXTURE_DIR) / ("version_" + version + ".dll");
  EXPECT_EQ(object->Load(W(image).c_str()), KVT_S_OK) << image;
  return object;
}

TEST(FileVerObjectTest, ComparisonsByBytes) {
  struct Case {
    const char* mine;
    FileVersion other;
    int32_t order;
  };
  const Case cases[] = {
      {"1.2.0.0", {1, 2, 0, 0}, 0},
      {"1.2.0.0", {1, 3, 0, 0}, -1},
      {"1.3.0.0", {1, 2, 0, 0}, 1},
      // Memory order, not numbers: 256 is stored 00 01, 2 is stored 02 00.
      {"1.256.0.0", {1, 2, 0, 0}, -1},
      {"1.2.0.0", {1, 256, 0, 0}, 1},
      {"1.256.0.0", {1, 256, 0, 0}, 0},
      {"1.256.0.0", {1, 255, 0, 0}, -1},
  };
  for (const Case& c : cases) {
    auto* object = VersionObject(c.mine);
    EXPECT_EQ(object->CompareWithVersion(&c.other), c.order)
        << c.mine << " against 1." << c.other.minor << ".0.0";
    EXPECT_EQ(object->CompareWithVersion(nullptr), 1);
    object->Release();
  }
  auto* low = VersionObject("1.2.0.0");
  const std::u16string higher = W(fs::path(VESKA_PE_FIXTURE_DIR) / "version_1.3.0.0.dll");
  const std::u16string odd = W(fs::path(VESKA_PE_FIXTURE_DIR) / "version_1.256.0.0.dll");
  EXPECT_EQ(low->CompareWithFile(higher.c_str()), -1);
  EXPECT_EQ(low->CompareWithFile(odd.c_str()), 1);
  low->Release();
}

TEST(FileVerObjectTest, ComparisonsByText) {
  auto* object = Create<IKvtFileVer>(7);
  ASSERT_EQ(object->Load(W(fs::path(VESKA_PE_FIXTURE_DIR) / "versioned64.dll").c_str()), KVT_S_OK);
  const std::pair<const char16_t*, int32_t> cases[] = {
      {u"1.2.3.4", 0}, {u"1.10.0.0", 1}, {u"1.2.3.40", -1}, {u"1.2.3", 1}, {u"", 1}, {u"2", -1},
  };
  for (const auto& [text, order] : cases) EXPECT_EQ(object->CompareWithString(text), order);
  EXPECT_EQ(object->CompareWithString(nullptr), 1);
  object->Release();
}

TEST(Md5ObjectTest, DigestSizesAndMissingArguments) {
  auto* md5 = Create<IKvtMD5>(3);
  uint8_t digest[16];
  EXPECT_EQ(md5->GetDataDigest("abc", 3, digest, 15), KVT_E_FAIL);
  ASSERT_EQ(md5->GetDataDigest("abc", 3, digest, 16), KVT_S_OK);
  EXPECT_EQ(digest[0], 0x90);
  EXPECT_EQ(digest[15], 0x72);
  EXPECT_EQ(md5->GetDataDigest("abc", 3, nullptr, 16), KVT_E_FAIL);
  EXPECT_EQ(md5->GetFileDigest(nullptr, digest, 16), KVT_E_FAIL);
  EXPECT_EQ(md5->GetVideoDigest(u"/nonexistent", digest, 16), KVT_E_FAIL);
  char16_t text[42];
  EXPECT_EQ(md5->GetFileDigestText(u"/nonexistent", nullptr, 42), KVT_E_FAIL);
  EXPECT_EQ(md5->GetDataDigestText("abc", 3, text, 41), KVT_E_FAIL);
  md5->Release();
}

}  // namespace
}  // namespace kvt
