// The MD5 exports: thin wrappers over the MD5 object.

#include <string>

#include "kvt.h"
#include "wide_text.h"

namespace {

// One object per call, made by the factory and released after one operation.
template <class Operation>
bool WithMd5Object(Operation operation) {
  void* out = nullptr;
  if (KvtCreateObject(3, &out) != KVT_S_OK) return false;
  auto* md5 = static_cast<IKvtMD5*>(out);
  const HRESULT result = operation(*md5);
  md5->Release();
  return result == KVT_S_OK;
}

}  // namespace

extern "C" {

bool KvtGetStringMD5A(const char* data, uint32_t length, char16_t* text, uint32_t count) {
  return WithMd5Object([&](IKvtMD5& md5) { return md5.GetDataDigestText(data, length, text, count); });
}

// The text is digested in the ANSI code page; text that converts to no
// bytes (an empty one) has no digest.
bool KvtGetStringMD5W(const char16_t* data, uint32_t length, char16_t* text, uint32_t count) {
  if (data == nullptr) return false;
  const std::string ansi = platform::Utf16ToAnsi(std::u16string_view(data, length));
  if (ansi.empty()) return false;
  return KvtGetStringMD5A(ansi.data(), static_cast<uint32_t>(ansi.size()), text, count);
}

bool KvtGetFileMD5String(const char16_t* path, char16_t* text, uint32_t count) {
  return WithMd5Object([&](IKvtMD5& md5) { return md5.GetFileDigestText(path, text, count); });
}

bool KvtGetVideoMD5String(const char16_t* path, char16_t* text, uint32_t count) {
  return WithMd5Object([&](IKvtMD5& md5) { return md5.GetVideoDigestText(path, text, count); });
}

}  // extern "C"
