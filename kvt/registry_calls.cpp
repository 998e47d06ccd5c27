#include "registry_calls.h"

#include <cerrno>
#include <cstring>

#include "wide_text.h"

namespace kvt {
namespace {

LSTATUS StatusOf(const platform::Error& error) {
  switch (error.code) {
    case ENOENT: return kErrorFileNotFound;
    case EACCES: return kErrorAccessDenied;
    case EINVAL: return kErrorInvalidParameter;
    default: return kErrorRegistryIoFailed;
  }
}

LSTATUS StatusOf(const platform::Status& status) {
  return status ? kErrorSuccess : StatusOf(status.error());
}

}  // namespace

std::optional<platform::RegistryRoot> StoreRootOf(KvtHKEY root) {
  // 64-bit Windows sign-extends the predefined handles; accept them either way.
  const auto value = reinterpret_cast<std::uintptr_t>(root);
  const std::uintptr_t high = value >> 31 >> 1;
  if (high != 0 && high != (~std::uintptr_t{0} >> 31 >> 1)) return std::nullopt;
  switch (static_cast<std::uint32_t>(value)) {
    case 0x80000000: return platform::RegistryRoot::kClassesRoot;
    case 0x80000001: return platform::RegistryRoot::kCurrentUser;
    case 0x80000002: return platform::RegistryRoot::kLocalMachine;
    case 0x80000003: return platform::RegistryRoot::kUsers;
    default: return std::nullopt;
  }
}

LSTATUS ShGetValue(KvtHKEY root, const char16_t* sub_key, const char16_t* value_name,
                   std::uint32_t* type, void* data, std::uint32_t* bytes) {
  const auto store_root = StoreRootOf(root);
  if (!store_root) return kErrorInvalidHandle;
  if (data != nullptr && bytes == nullptr) return kErrorInvalidParameter;
  const auto value = platform::RegistryGetValue(*store_root, Utf8Arg(sub_key), Utf8Arg(value_name));
  if (!value) return StatusOf(value.error());
  if (type != nullptr) *type = value->type;
  const auto size = static_cast<std::uint32_t>(value->data.size());
  if (bytes == nullptr) return kErrorSuccess;
  if (data != nullptr && *bytes < size) {
    *bytes = size;
    return kErrorMoreData;
  }
  if (data != nullptr && size != 0) std::memcpy(data, value->data.data(), size);
  *bytes = size;
  return kErrorSuccess;
}

LSTATUS ShSetValue(KvtHKEY root, const char16_t* sub_key, const char16_t* value_name,
                   std::uint32_t type, const void* data, std::uint32_t bytes) {
  const auto store_root = StoreRootOf(root);
  if (!store_root) return kErrorInvalidHandle;
  if (data == nullptr && bytes != 0) return kErrorInvalidParameter;
  platform::RegistryValue value{type, {}};
  if (bytes != 0) {
    const auto* first = static_cast<const std::uint8_t*>(data);
    value.data.assign(first, first + bytes);
  }
  return StatusOf(
      platform::RegistrySetValue(*store_root, Utf8Arg(sub_key), Utf8Arg(value_name), value));
}

LSTATUS ShDeleteValue(KvtHKEY root, const char16_t* sub_key, const char16_t* value_name) {
  const auto store_root = StoreRootOf(root);
  if (!store_root) return kErrorInvalidHandle;
  return StatusOf(
      platform::RegistryDeleteValue(*store_root, Utf8Arg(sub_key), Utf8Arg(value_name)));
}

LSTATUS ShDeleteKey(KvtHKEY root, const char16_t* sub_key) {
  const auto store_root = StoreRootOf(root);
  if (!store_root) return kErrorInvalidHandle;
  return StatusOf(platform::RegistryDeleteKeyTree(*store_root, Utf8Arg(sub_key)));
}

LSTATUS RegOpenKey(KvtHKEY root, const char16_t* sub_key) {
  const auto store_root = StoreRootOf(root);
  if (!store_root) return kErrorInvalidHandle;
  return StatusOf(platform::RegistryOpenKey(*store_root, Utf8Arg(sub_key)));
}

}  // namespace kvt
