#pragma once
// Resources carried inside a loaded module (FindResourceW, SizeofResource,
// LoadResource, LockResource; GetModuleHandleW).
//
// A module is identified by the address where it is loaded, like an HMODULE:
// the program itself, a shared library loaded with LoadedModule, or whatever
// module holds a given address. Its resources are the entries of a table the
// build links into it (cmake/ModuleResources.cmake writes the table from a list
// of type, id and file), exported under the well-known symbol
// "veska_module_resources". A module without that table has no resources.
//
// Types are texts compared without regard to ASCII case, as resource names
// are; a numeric type such as RT_GROUP_ICON (14) is written "#14", the form
// FindResourceW itself accepts. Ids are the 16-bit integer ids.
//
// The bytes stay in the module: the view is valid while the module is loaded,
// and no copy is made.

#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace platform {

// Opaque; the start of the module's image in memory (what an HMODULE is on
// Windows). Not the handle LoadedModule gives: that one is the loader's own.
// Null is no module.
using ModuleImage = const void*;

// The program's own module (GetModuleHandleW(nullptr)).
ModuleImage ProgramModule();
// The module that holds `address`, or null when no module does.
ModuleImage ModuleContaining(const void* address);
// The module a caller names either way: by its image start, or by the
// loader's own handle (LoadedModule::handle(), dlopen); null when `module`
// is neither for any loaded module.
ModuleImage ImageOfModule(const void* module);

// The bytes of resource `id` of `type` in `module`, or nothing when the module
// has no such resource (or is no loaded module).
std::optional<std::span<const unsigned char>> FindModuleResource(ModuleImage module, std::u16string_view type,
                                                                 std::uint16_t id);

// The table layout the build writes; plain C data so that any module can carry it.
struct ModuleResourceEntry {
  const char* type;  // UTF-8
  std::uint16_t id;
  const unsigned char* begin;
  const unsigned char* end;
};
struct ModuleResourceTable {
  std::uint32_t count;
  const ModuleResourceEntry* entries;
};
inline constexpr char kModuleResourceTableSymbol[] = "veska_module_resources";

}  // namespace platform
