// UnZipFileToDirectory: handed on to "DeCompressor.dll".

#include "decompressor_binding.h"
#include "hresult.h"

extern "C" int32_t UnZipFileToDirectory(intptr_t a, intptr_t b, intptr_t c) {
  const auto unzip = kvt::DecompressorBinding::Instance().UnZipFileToDirectory();
  return unzip != nullptr ? unzip(a, b, c) : kvt::kEFail;
}
