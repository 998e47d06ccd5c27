// Typed registry reads, writes, tests and deletes. A write that the key's
// access entries refuse is let through once: the key is opened to the
// current user, the write repeated, and the key closed again to value
// changes by that user.

#include <string>

#include "access_permission.h"
#include "kvt.h"
#include "registry_calls.h"
#include "wide_text.h"

namespace kvt {
namespace {

constexpr std::size_t kClsidKeyChars = 260;

enum class AfterFixUp { kDenySetValue, kNothing };

template <class Operation>
bool WriteWithFixUp(KvtHKEY root, const char16_t* sub_key, AfterFixUp after,
                    const Operation& operation) {
  LSTATUS status = operation();
  if (status != kErrorAccessDenied) return status == kErrorSuccess;
  CAccessPermission permission;
  if (!permission.GrantCurrentUser(root, WideArg(sub_key))) return false;
  status = operation();
  if (after == AfterFixUp::kDenySetValue) permission.DenySetValue(root, WideArg(sub_key));
  return status == kErrorSuccess;
}

bool ReadDword(KvtHKEY root, const char16_t* sub_key, const char16_t* value_name,
               std::uint32_t& value) {
  std::uint32_t bytes = sizeof value;
  std::uint32_t type = 0;
  return ShGetValue(root, sub_key, value_name, &type, &value, &bytes) == kErrorSuccess;
}

bool WriteDword(KvtHKEY root, const char16_t* sub_key, const char16_t* value_name,
                std::uint32_t value) {
  return WriteWithFixUp(root, sub_key, AfterFixUp::kDenySetValue, [&] {
    return ShSetValue(root, sub_key, value_name, kRegDword, &value, sizeof value);
  });
}

// Reads a string value into `buffer` of `buffer_bytes`, leaving room for a
// terminator, and always terminates it.
bool ReadString(KvtHKEY root, const char16_t* sub_key, const char16_t* value_name,
                char16_t* buffer, std::uint32_t buffer_bytes) {
  if (buffer == nullptr || buffer_bytes < sizeof(char16_t)) return false;
  std::uint32_t bytes = buffer_bytes - sizeof(char16_t);
  std::uint32_t type = 0;
  if (ShGetValue(root, sub_key, value_name, &type, buffer, &bytes) != kErrorSuccess) return false;
  buffer[bytes / sizeof(char16_t)] = u'\0';
  return true;
}

}  // namespace
}  // namespace kvt

extern "C" {

bool KvtRegGetBOOL(KvtHKEY root, const char16_t* subKey, const char16_t* valueName,
                   bool defaultValue) {
  std::uint32_t value = defaultValue ? 1 : 0;
  kvt::ReadDword(root, subKey, valueName, value);
  return value != 0;
}

bool KvtRegSetBOOL(KvtHKEY root, const char16_t* subKey, const char16_t* valueName,
                   int32_t value) {
  return kvt::WriteDword(root, subKey, valueName, value != 0 ? 1 : 0);
}

uint32_t KvtRegGetDWORD(KvtHKEY root, const char16_t* subKey, const char16_t* valueName,
                        uint32_t defaultValue) {
  std::uint32_t value = defaultValue;
  kvt::ReadDword(root, subKey, valueName, value);
  return value;
}

bool KvtRegSetDWORD(KvtHKEY root, const char16_t* subKey, const char16_t* valueName,
                    uint32_t value) {
  return kvt::WriteDword(root, subKey, valueName, value);
}

bool KvtRegGetString(KvtHKEY root, const char16_t* subKey, const char16_t* valueName,
                     char16_t* buffer, uint32_t bufferBytes) {
  return kvt::ReadString(root, subKey, valueName, buffer, bufferBytes);
}

bool KvtRegSetString(KvtHKEY root, const char16_t* subKey, const char16_t* valueName,
                     const char16_t* text) {
  const std::u16string_view value = kvt::WideArg(text);
  const auto bytes = static_cast<std::uint32_t>((value.size() + 1) * sizeof(char16_t));
  const std::u16string terminated(value);
  return kvt::WriteWithFixUp(root, subKey, kvt::AfterFixUp::kDenySetValue, [&] {
    return kvt::ShSetValue(root, subKey, valueName, kvt::kRegSz, terminated.c_str(), bytes);
  });
}

bool KvtRegIsKeyExist(KvtHKEY root, const char16_t* subKey) {
  const kvt::LSTATUS status = kvt::RegOpenKey(root, subKey);
  // A key closed to the caller still exists.
  return status == kvt::kErrorSuccess || status == kvt::kErrorAccessDenied;
}

bool KvtRegDeleteKeyValue(KvtHKEY root, const char16_t* subKey, const char16_t* valueName) {
  if (valueName != nullptr) {
    return kvt::WriteWithFixUp(root, subKey, kvt::AfterFixUp::kDenySetValue, [&] {
      return kvt::ShDeleteValue(root, subKey, valueName);
    });
  }
  return kvt::WriteWithFixUp(root, subKey, kvt::AfterFixUp::kNothing,
                             [&] { return kvt::ShDeleteKey(root, subKey); });
}

bool GetDllPathForClsid(const char16_t* clsidText, char16_t* buffer, uint32_t bufferBytes) {
  if (clsidText == nullptr || buffer == nullptr || bufferBytes < sizeof(char16_t)) return false;
  std::u16string key = u"CLSID\\" + std::u16string(clsidText) + u"\\InprocServer32";
  if (key.size() >= kvt::kClsidKeyChars) key.resize(kvt::kClsidKeyChars - 1);
  std::uint32_t bytes = bufferBytes;
  std::uint32_t type = 0;
  if (kvt::ShGetValue(KVT_HKEY_CLASSES_ROOT, key.c_str(), nullptr, &type, buffer, &bytes) !=
      kvt::kErrorSuccess) {
    return false;
  }
  // The stored text normally ends with its terminator; one that fills the
  // buffer without it is no usable path.
  const std::uint32_t chars = bytes / sizeof(char16_t);
  const std::uint32_t capacity = bufferBytes / sizeof(char16_t);
  if (chars < capacity) {
    buffer[chars] = u'\0';
    return true;
  }
  return chars > 0 && buffer[chars - 1] == u'\0';
}

}  // extern "C"
