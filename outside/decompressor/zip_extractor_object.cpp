#include "zip_extractor_object.h"

#include <atomic>
#include <filesystem>
#include <new>
#include <system_error>

#include "platform/text.h"
#include "safe_unzip/extract_archive.h"

namespace decompressor {
namespace {

constexpr HRESULT kSOk = KVT_S_OK;
constexpr HRESULT kSFalse = KVT_S_FALSE;
constexpr HRESULT kEFail = KVT_E_FAIL;
constexpr HRESULT kEPointer = KVT_E_POINTER;
constexpr HRESULT kENoInterface = KVT_E_NOINTERFACE;

std::atomic<long> live_objects{0};

class ZipExtractor final : public IZipExtractor {
 public:
  ZipExtractor() { live_objects.fetch_add(1); }
  virtual ~ZipExtractor() { live_objects.fetch_sub(1); }

  HRESULT QueryInterface(const GUID& iid, void** out) override {
    if (out == nullptr) return kEPointer;
    if (!(iid == IID_IUnknown) && !(iid == IID_IZipExtractor)) {
      *out = nullptr;
      return kENoInterface;
    }
    AddRef();
    *out = static_cast<IZipExtractor*>(this);
    return kSOk;
  }
  uint32_t AddRef() override { return ++references_; }
  uint32_t Release() override {
    const uint32_t left = --references_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT ExtractToFolder(const char16_t* archive, const char16_t* folder) override {
    return ExtractZipToFolder(archive, folder);
  }

 private:
  std::atomic<uint32_t> references_{1};
};

}  // namespace

HRESULT ExtractZipToFolder(const char16_t* archive, const char16_t* folder) {
  namespace fs = std::filesystem;
  if (archive == nullptr || folder == nullptr) return kEPointer;
  const fs::path archive_path = platform::Utf16ToUtf8(archive);
  const fs::path folder_path = platform::Utf16ToUtf8(folder);
  std::error_code ec;
  if (!fs::is_regular_file(archive_path, ec)) return kEFail;
  fs::create_directories(folder_path, ec);
  if (!fs::is_directory(folder_path, ec)) return kEFail;
  safe_unzip::ExtractSummary summary;
  if (!safe_unzip::ExtractArchive(archive_path, folder_path, {}, &summary)) return kEFail;
  return summary.failed == 0 ? kSOk : kSFalse;
}

IZipExtractor* NewZipExtractor() { return new (std::nothrow) ZipExtractor(); }

long LiveObjectCount() { return live_objects.load(); }

}  // namespace decompressor
