#pragma once
// What "DeCompressor.dll" offers its callers.
//
//   "CreateObject"(type, out): type 8 makes an `IZipExtractor`; every other
//     type gives E_NOTIMPL; a missing out gives E_POINTER.
//   "UnZipFileToDirectory"(archive, folder, reserved): the first two are
//     UTF-16 paths (const char16_t*) passed as pointer-sized integers, the
//     third is unused. Unpacks the zip archive into the folder (created when
//     missing) as ExtractToFolder does.
//   "DllCanUnloadNow": S_OK once no object of the component is alive.

#include <cstdint>

#include "kvt.h"

namespace decompressor {

inline constexpr std::uint32_t kZipExtractorType = 8;

// {6B1F3C52-9A0E-4D8B-B7E4-2F5C0A9D3E61}
inline constexpr GUID IID_IZipExtractor = {0x6B1F3C52, 0x9A0E, 0x4D8B,
                                           {0xB7, 0xE4, 0x2F, 0x5C, 0x0A, 0x9D, 0x3E, 0x61}};

struct IZipExtractor : IUnknown {
  // S_OK: every entry unpacked. S_FALSE: some entries were refused or failed
  // (names leaving the folder, links, damaged data) and left their targets as
  // they were; the others are in place. E_FAIL: the archive cannot be read as
  // a zip archive or the folder cannot be made. E_POINTER: a missing path.
  virtual HRESULT ExtractToFolder(const char16_t* archive, const char16_t* folder) = 0;

 protected:
  ~IZipExtractor() = default;
};

}  // namespace decompressor
