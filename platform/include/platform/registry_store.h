#pragma once
// The registry: keys, typed values and per-key access entries, kept in a
// store that several processes may use at once.
//
// HKEY_CURRENT_USER lives in the user's store, the other roots in the
// machine's store (see RegistryStoreFolder). Key paths are '\'-separated
// ("Software\Veska"; empty parts are ignored, "" is the root key itself);
// key and value names compare without regard to case, as Windows compares
// them. Value data are kept as raw bytes with their type number (REG_SZ is
// UTF-16 little-endian text with its terminator, as Windows keeps it).
//
// Errors: ENOENT the key or value does not exist, EACCES the key's access
// entries refuse the user, EINVAL a bad argument, EIO the store cannot be
// read or written (damaged, not a store, unreachable). A write either happens
// whole or not at all.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/result.h"

namespace platform {

enum class RegistryRoot { kClassesRoot, kCurrentUser, kLocalMachine, kUsers };

// Access rights, numbered as Windows numbers them.
inline constexpr std::uint32_t kKeyQueryValue = 0x0001;
inline constexpr std::uint32_t kKeySetValue = 0x0002;
inline constexpr std::uint32_t kKeyCreateSubKey = 0x0004;
inline constexpr std::uint32_t kKeyEnumerateSubKeys = 0x0008;
inline constexpr std::uint32_t kKeyDelete = 0x10000;
inline constexpr std::uint32_t kKeyAllAccess = 0xF003F;

// Inheritance flags of an entry (CONTAINER_INHERIT_ACE and the ones that
// narrow it).
inline constexpr std::uint32_t kInheritToSubKeys = 0x2;
inline constexpr std::uint32_t kInheritNoPropagate = 0x4;
inline constexpr std::uint32_t kInheritOnly = 0x8;

struct RegistryValue {
  std::uint32_t type = 0;  // REG_SZ 1, REG_DWORD 4, ...
  std::vector<std::uint8_t> data;
  bool operator==(const RegistryValue&) const = default;
};

// One access entry of a key. Entries are checked in their order: for each
// right asked for, the first entry of the user that names it decides; a right
// that no entry names is granted. A key sees its own entries (except those
// marked kInheritOnly), then the entries its ancestors pass on to sub-keys,
// nearest ancestor first. The user may always read and change the entries.
struct RegistryAccessEntry {
  std::string user;
  bool deny = false;
  std::uint32_t rights = 0;
  std::uint32_t inheritance = 0;
  bool operator==(const RegistryAccessEntry&) const = default;
};

// Folder of the store of `root`: $VESKA_REGISTRY_USER_DIR for
// HKEY_CURRENT_USER (default <LocalAppDataFolder>/veska/registry),
// $VESKA_REGISTRY_MACHINE_DIR for the others (default /var/lib/veska/registry).
// The store is the file "registry.sqlite3" in it.
Result<std::string> RegistryStoreFolder(RegistryRoot root);

// RegOpenKeyW: Ok when the key exists and the user has at least one right on
// it; EACCES when it exists and refuses every right.
Status RegistryOpenKey(RegistryRoot root, std::string_view sub_key);
// RegCreateKeyW: creates the key and its missing parents (each needs
// KEY_CREATE_SUB_KEY on its parent).
Status RegistryCreateKey(RegistryRoot root, std::string_view sub_key);
// Needs KEY_QUERY_VALUE. "" names the key's default value.
Result<RegistryValue> RegistryGetValue(RegistryRoot root, std::string_view sub_key,
                                       std::string_view value_name);
// Creates the key when missing, then needs KEY_SET_VALUE.
Status RegistrySetValue(RegistryRoot root, std::string_view sub_key, std::string_view value_name,
                        const RegistryValue& value);
// Needs KEY_SET_VALUE.
Status RegistryDeleteValue(RegistryRoot root, std::string_view sub_key,
                           std::string_view value_name);
// Deletes the key with all its sub-keys and values; needs DELETE,
// KEY_ENUMERATE_SUB_KEYS and KEY_QUERY_VALUE on each of them, else nothing is
// deleted. The root key itself cannot be deleted (EINVAL).
Status RegistryDeleteKeyTree(RegistryRoot root, std::string_view sub_key);

// The access entries of a key named as Windows names registry objects for
// GetNamedSecurityInfoW: "CLASSES_ROOT", "CURRENT_USER", "MACHINE" or "USERS",
// then "\" and the key path.
Result<std::vector<RegistryAccessEntry>> RegistryGetAccessEntries(std::string_view object_name);
// Replaces the key's own entries (SetNamedSecurityInfoW).
Status RegistrySetAccessEntries(std::string_view object_name,
                                const std::vector<RegistryAccessEntry>& entries);

}  // namespace platform
