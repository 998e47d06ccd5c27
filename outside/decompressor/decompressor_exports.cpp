// The exports "DeCompressor.dll" is bound by.

#include <cstdint>

#include "decompressor.h"
#include "zip_extractor_object.h"

#define DECOMPRESSOR_EXPORT extern "C" __attribute__((visibility("default")))

DECOMPRESSOR_EXPORT HRESULT CreateObject(uint32_t type, void** out) {
  if (out == nullptr) return KVT_E_POINTER;
  if (type != decompressor::kZipExtractorType) return KVT_E_NOTIMPL;
  decompressor::IZipExtractor* extractor = decompressor::NewZipExtractor();
  if (extractor == nullptr) return KVT_E_OUTOFMEMORY;
  *out = extractor;
  return KVT_S_OK;
}

DECOMPRESSOR_EXPORT int32_t UnZipFileToDirectory(intptr_t archive, intptr_t folder,
                                                 intptr_t /*reserved*/) {
  return decompressor::ExtractZipToFolder(reinterpret_cast<const char16_t*>(archive),
                                          reinterpret_cast<const char16_t*>(folder));
}

DECOMPRESSOR_EXPORT HRESULT DllCanUnloadNow() {
  return decompressor::LiveObjectCount() == 0 ? KVT_S_OK : KVT_S_FALSE;
}
