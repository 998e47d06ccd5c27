// CKvtCPUObject: the processor's features, brand and vendor from CPUID.

#include <algorithm>
#include <array>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "kvt_object.h"
#include "machine_sources.h"
#include "platform/machine.h"
#include "platform/text.h"

namespace kvt {
namespace {

struct FeatureBit {
  std::uint32_t flag;
  bool in_edx;  // else ECX
  int bit;
};
// Flag 0x10 has no source: it is never set.
constexpr std::array<FeatureBit, 6> kFeatures = {{
    {0x01, true, 23},   // MMX
    {0x02, true, 25},   // SSE
    {0x04, true, 26},   // SSE2
    {0x08, false, 0},   // SSE3
    {0x20, false, 19},  // SSE4.1
    {0x40, false, 20},  // SSE4.2
}};

// Text from the ANSI code page into `buffer` without a terminator. A text
// that does not fit is not written: false.
bool WriteWithoutTerminator(const std::string& ansi, char16_t* buffer, std::uint32_t count) {
  if (buffer == nullptr) return false;
  const std::u16string wide = platform::AnsiToUtf16(ansi);
  if (wide.size() > count) return false;
  std::copy(wide.begin(), wide.end(), buffer);
  return true;
}

// Bytes of the given registers in order, up to the first zero byte.
std::string RegisterText(const std::vector<std::uint32_t>& words) {
  std::string text;
  for (std::uint32_t word : words) {
    char bytes[4];
    std::memcpy(bytes, &word, sizeof bytes);
    text.append(bytes, sizeof bytes);
  }
  return text.substr(0, text.find('\0'));
}

class CKvtCPUObject final : public KvtObject<IKvtCPU, IID_IKvtCPU> {
 public:
  CKvtCPUObject() : cpuid_(CurrentMachineSources().cpuid) {
    const platform::CpuidRegisters& leaf1 = Query(1);
    for (const FeatureBit& feature : kFeatures) {
      const std::uint32_t word = feature.in_edx ? leaf1.edx : leaf1.ecx;
      if ((word >> feature.bit) & 1) features_ |= feature.flag;
    }
    processor_count_ = (leaf1.ebx >> 16) & 0xFF;
  }

  HRESULT HasFeature(std::uint32_t mask) override { return (mask & features_) != 0 ? kSOk : kEFail; }

  HRESULT GetBrandString(char16_t* buffer, std::uint32_t count) override {
    if (buffer == nullptr) return kEFail;
    std::vector<std::uint32_t> words;
    for (std::uint32_t leaf = 0x80000002; leaf <= 0x80000004; ++leaf) {
      const platform::CpuidRegisters& result = Query(leaf);
      words.insert(words.end(), {result.eax, result.ebx, result.ecx, result.edx});
    }
    std::string brand = RegisterText(words);
    const auto first = brand.find_first_not_of(' ');
    brand.erase(0, first == std::string::npos ? brand.size() : first);
    return WriteWithoutTerminator(brand, buffer, count) ? kSOk : kEFail;
  }

  HRESULT GetVendorString(char16_t* buffer, std::uint32_t count) override {
    return WriteWithoutTerminator(VendorText(), buffer, count) ? kSOk : kEFail;
  }

  std::int32_t GetVendor() override {
    // The whole 12-character text against each name as a whole.
    const std::string vendor = VendorText();
    if (vendor == "GenuineIntel") return 1;
    if (vendor == "AuthenticAMD") return 2;
    if (vendor == "VIA VIA VIA") return 3;
    return 0;
  }

  std::int32_t GetProcessorCount() override {
    if (processor_count_ != 0) return static_cast<std::int32_t>(processor_count_);
    return static_cast<std::int32_t>(platform::OnlineProcessorCount());
  }

 private:
  // A leaf the processor does not answer reads as zeros.
  const platform::CpuidRegisters& Query(std::uint32_t leaf) {
    last_ = cpuid_ ? cpuid_(leaf).value_or(platform::CpuidRegisters{}) : platform::CpuidRegisters{};
    return last_;
  }

  std::string VendorText() {
    const platform::CpuidRegisters& leaf0 = Query(0);
    return RegisterText({leaf0.ebx, leaf0.edx, leaf0.ecx});
  }

  std::function<std::optional<platform::CpuidRegisters>(std::uint32_t)> cpuid_;
  std::uint32_t features_ = 0;
  std::uint32_t processor_count_ = 0;
  platform::CpuidRegisters last_;
};

}  // namespace

IKvtCPU* NewCpuObject() { return WithFirstReference(new (std::nothrow) CKvtCPUObject()); }

}  // namespace kvt
