#pragma once
#include "decompressor.h"

namespace decompressor {

// Unpacks with the shared safe extraction; the result codes of
// IZipExtractor::ExtractToFolder.
HRESULT ExtractZipToFolder(const char16_t* archive, const char16_t* folder);

// A new extractor holding one reference for the caller.
IZipExtractor* NewZipExtractor();

// Objects of this component alive now.
long LiveObjectCount();

}  // namespace decompressor
