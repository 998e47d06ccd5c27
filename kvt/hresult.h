#pragma once
// HRESULT values as Windows has them.

#include "kvt.h"

namespace kvt {

inline constexpr HRESULT kSOk = KVT_S_OK;
inline constexpr HRESULT kSFalse = KVT_S_FALSE;
inline constexpr HRESULT kENotImpl = KVT_E_NOTIMPL;
inline constexpr HRESULT kENoInterface = KVT_E_NOINTERFACE;
inline constexpr HRESULT kEPointer = KVT_E_POINTER;
inline constexpr HRESULT kEFail = KVT_E_FAIL;
inline constexpr HRESULT kEOutOfMemory = KVT_E_OUTOFMEMORY;

// The signatures of a component's standard exports.
using DllGetClassObjectFn = HRESULT (*)(const GUID* clsid, const GUID* iid, void** out);
using DllCanUnloadNowFn = HRESULT (*)();

}  // namespace kvt
