#pragma once
// The resources of a module file read from its bytes, without loading it
// (as GetFileVersionInfoW maps a module as data only): the table of
// module_resources.h, found through the file's dynamic symbol table, for a
// program or shared library of this machine's kind. None of its code runs.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace platform {

// A copy of resource `id` of `type` (compared as FindModuleResource does);
// nothing when the file is no such module, has no table or no such entry,
// or is damaged.
std::optional<std::vector<unsigned char>> ReadModuleFileResource(const std::string& path, std::u16string_view type,
                                                                 std::uint16_t id);

}  // namespace platform
