// CKvtGPUObject: the primary display adapter's name and vendor.

#include <algorithm>
#include <new>

#include "kvt_object.h"
#include "platform/text.h"
#include "primary_adapter.h"

namespace kvt {
namespace {

constexpr std::uint32_t kDescriptionCount = 260;

// wcscpy_s, but a text that does not fit is a failure, not the end of the
// process: the buffer is left empty.
bool CopyText(const std::u16string& text, char16_t* buffer, std::uint32_t count) {
  if (buffer == nullptr || count == 0) return false;
  if (text.size() >= count) {
    buffer[0] = u'\0';
    return false;
  }
  std::copy(text.begin(), text.end(), buffer);
  buffer[text.size()] = u'\0';
  return true;
}

class CKvtGPUObject final : public KvtObject<IKvtGPU, IID_IKvtGPU> {
 public:
  HRESULT GetDescription(char16_t* buffer, std::uint32_t count) override {
    if (buffer == nullptr) return kEFail;
    const auto adapter = FindPrimaryAdapter();
    if (!adapter) return kEFail;
    return CopyText(adapter->device_string, buffer, count) ? kSOk : kEFail;
  }

  std::int32_t GetVendor() override {
    const auto adapter = FindPrimaryAdapter();
    if (!adapter) return 0;
    const auto id = VendorIdText(adapter->device_id);
    if (!id) return 0;
    const std::u16string lower = platform::ToLowerUtf16(*id);
    if (lower == u"8086") return 1;  // Intel
    if (lower == u"1002") return 2;  // AMD
    if (lower == u"10de") return 3;  // NVIDIA
    if (lower == u"5333" || lower == u"1106") return 4;  // S3, VIA
    return 0;
  }

  HRESULT GetVendorId(char16_t* buffer, std::uint32_t count) override {
    if (buffer == nullptr) return kEFail;
    const auto adapter = FindPrimaryAdapter();
    if (!adapter) return kEFail;
    std::fill_n(buffer, count, u'\0');
    const auto id = adapter->device_id.empty() ? std::nullopt : VendorIdText(adapter->device_id);
    if (!id) return kEFail;
    return CopyText(*id, buffer, count) ? kSOk : kEFail;
  }

  bool Reserved6() override { return false; }

  bool IsHardwareAccelerated() override {
    const auto adapter = FindPrimaryAdapter();
    return adapter && adapter->renders_in_hardware;
  }

  bool IsMicrosoftAdapter() override {
    char16_t description[kDescriptionCount] = {};
    return GetDescription(description, kDescriptionCount) == kSOk &&
           std::u16string_view(description).find(u"Microsoft Corporation") != std::u16string_view::npos;
  }

  HRESULT Reserved9(std::int32_t, std::int32_t) override { return kEFail; }
  HRESULT Reserved10(std::int32_t, std::int32_t) override { return kEFail; }
  bool Reserved11() override { return false; }
};

}  // namespace

IKvtGPU* NewGpuObject() { return WithFirstReference(new (std::nothrow) CKvtGPUObject()); }

}  // namespace kvt
