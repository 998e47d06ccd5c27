// CKVTMD5Object: digests of memory, whole files and file beginnings.

#include <new>

#include "digest_text.h"
#include "file_digest.h"
#include "kvt_object.h"
#include "wide_text.h"

namespace kvt {
namespace {

HRESULT CopyDigest(const std::optional<Md5>& result, std::uint8_t* digest, std::uint32_t digest_size) {
  if (!result || digest == nullptr || digest_size < sizeof(Md5)) return kEFail;
  std::copy(result->begin(), result->end(), digest);
  return kSOk;
}

HRESULT AsText(HRESULT result, const Md5& digest, char16_t* text, std::uint32_t count) {
  if (result != kSOk) return result;
  return WriteDigestText(digest, text, count) ? kSOk : kEFail;
}

class CKVTMD5Object final : public KvtObject<IKvtMD5, IID_IKvtMD5> {
 public:
  HRESULT GetDataDigest(const void* data, std::uint32_t length, std::uint8_t* digest,
                        std::uint32_t digest_size) override {
    return ComputeMD5(data, length, digest, digest_size) ? kSOk : kEFail;
  }

  HRESULT GetDataDigestText(const void* data, std::uint32_t length, char16_t* text, std::uint32_t count) override {
    if (text == nullptr || count < kDigestTextCount) return kEFail;
    Md5 digest{};
    return AsText(GetDataDigest(data, length, digest.data(), digest.size()), digest, text, count);
  }

  HRESULT GetFileDigestText(const char16_t* path, char16_t* text, std::uint32_t count) override {
    if (text == nullptr || count < kDigestTextCount) return kEFail;
    Md5 digest{};
    return AsText(GetFileDigest(path, digest.data(), digest.size()), digest, text, count);
  }

  HRESULT GetFileDigest(const char16_t* path, std::uint8_t* digest, std::uint32_t digest_size) override {
    if (path == nullptr || digest == nullptr || digest_size < sizeof(Md5)) return kEFail;
    return CopyDigest(DigestWholeFile(Utf8Arg(path)), digest, digest_size);
  }

  HRESULT GetVideoDigestText(const char16_t* path, char16_t* text, std::uint32_t count) override {
    if (text == nullptr || count < kDigestTextCount) return kEFail;
    Md5 digest{};
    return AsText(GetVideoDigest(path, digest.data(), digest.size()), digest, text, count);
  }

  HRESULT GetVideoDigest(const char16_t* path, std::uint8_t* digest, std::uint32_t digest_size) override {
    if (path == nullptr || digest == nullptr || digest_size < sizeof(Md5)) return kEFail;
    return CopyDigest(DigestVideoPrefix(Utf8Arg(path)), digest, digest_size);
  }
};

}  // namespace

IKvtMD5* NewMd5Object() { return WithFirstReference(new (std::nothrow) CKVTMD5Object()); }

}  // namespace kvt
