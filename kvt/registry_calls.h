#pragma once
// The shell's registry calls (SHGetValueW, SHSetValueW, SHDeleteValueW,
// SHDeleteKeyW) and RegOpenKeyW, over the platform's registry store, with
// Windows' status codes.

#include <cstdint>
#include <optional>

#include "kvt.h"
#include "platform/registry_store.h"

namespace kvt {

using LSTATUS = int32_t;
inline constexpr LSTATUS kErrorSuccess = 0;
inline constexpr LSTATUS kErrorFileNotFound = 2;
inline constexpr LSTATUS kErrorAccessDenied = 5;
inline constexpr LSTATUS kErrorInvalidHandle = 6;
inline constexpr LSTATUS kErrorInvalidParameter = 87;
inline constexpr LSTATUS kErrorMoreData = 234;
inline constexpr LSTATUS kErrorRegistryIoFailed = 1016;

inline constexpr std::uint32_t kRegSz = 1;
inline constexpr std::uint32_t kRegDword = 4;

// The store root of one of the four predefined keys; none for any other.
std::optional<platform::RegistryRoot> StoreRootOf(KvtHKEY root);

// A missing sub-key names the root key itself, a missing value name the
// key's default value. `data` may be null to ask for the size only; a buffer
// smaller than the value gives ERROR_MORE_DATA with the size needed.
LSTATUS ShGetValue(KvtHKEY root, const char16_t* sub_key, const char16_t* value_name,
                   std::uint32_t* type, void* data, std::uint32_t* bytes);
// Creates the key when missing.
LSTATUS ShSetValue(KvtHKEY root, const char16_t* sub_key, const char16_t* value_name,
                   std::uint32_t type, const void* data, std::uint32_t bytes);
LSTATUS ShDeleteValue(KvtHKEY root, const char16_t* sub_key, const char16_t* value_name);
// Removes the key with all its sub-keys.
LSTATUS ShDeleteKey(KvtHKEY root, const char16_t* sub_key);
// Opens the key with the most rights it allows, and closes it again.
LSTATUS RegOpenKey(KvtHKEY root, const char16_t* sub_key);

}  // namespace kvt
